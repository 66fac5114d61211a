#include "app/strings/frmLingua.h"
#include "support/TestState.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A fresh first-run state: no language chosen yet.
struct Fixture {
    Fixture() {
        t.state.LanguageCode = 0;
        t.state.StartAborted = true; // the dialog's load must clear it
    }
    TestState t;
};

// Clicks an option button on its round indicator, as a user does (the middle of a stretched
// button may lie outside its clickable area).
void ClickOption(QRadioButton* option) {
    QStyleOptionButton opt;
    opt.initFrom(option);
    const QRect indicator =
        option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, option);
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

} // namespace

TEST(frmLingua, OkNeedsAChoiceAndConfirmsIt) {
    Fixture f;
    frmLingua dialog(f.t.state);
    EXPECT_FALSE(f.t.state.StartAborted);
    dialog.show();
    // OK without a choice keeps it open.
    QTest::mouseClick(dialog.CommOK, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(f.t.state.LanguageCode, 0);

    ClickOption(dialog.Option1[1]);
    EXPECT_EQ(f.t.state.LanguageCode, 2);
    ClickOption(dialog.Option1[0]);
    EXPECT_EQ(f.t.state.LanguageCode, 1);
    EXPECT_FALSE(dialog.Option1[1]->isChecked());
    QTest::mouseClick(dialog.CommOK, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.confirmed());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(f.t.state.LanguageCode, 1);
    EXPECT_FALSE(f.t.state.StartAborted);
}

TEST(frmLingua, CloseBoxOrEscapeAborts) {
    for (bool escape : {false, true}) {
        Fixture f;
        frmLingua dialog(f.t.state);
        dialog.show();
        ClickOption(dialog.Option1[1]); // a choice without OK does not count
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            EXPECT_TRUE(dialog.close());
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.confirmed());
        EXPECT_TRUE(f.t.state.StartAborted) << escape;
    }
}

TEST(frmLingua, RunLanguageDialogReturnsWhenClosed) {
    Fixture f;
    // Once the modal dialog is up, choose English and press OK from the event loop. Should the
    // dialog not be found, a second timer closes whatever is modal so the test cannot hang.
    QObject guard;
    bool found = false;
    QTimer::singleShot(0, &guard, [&found] {
        auto* dialog = qobject_cast<frmLingua*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        found = true;
        ClickOption(dialog->Option1[1]);
        QTest::mouseClick(dialog->CommOK, Qt::LeftButton);
    });
    QTimer::singleShot(5000, &guard, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    RunLanguageDialog(f.t.state);
    EXPECT_TRUE(found);
    EXPECT_EQ(f.t.state.LanguageCode, 2);
    EXPECT_FALSE(f.t.state.StartAborted);
}
