// The first-run language dialog: its options set the language, OK needs a choice, every other
// way of closing it aborts the start.
#include "ui/dialogs/frmLingua.h"
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

// Clicks option `index` (0 Italiano, 1 English) on its round indicator, as a user does (the
// middle of a stretched button may lie outside its clickable area).
void ClickOption(frmLingua& dialog, int index) {
    auto* option = dialog.findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(index));
    QStyleOptionButton opt;
    opt.initFrom(option);
    const QRect indicator =
        option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, option);
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

void ClickOk(frmLingua& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("CommOK")), Qt::LeftButton);
}

} // namespace

TEST(frmLingua, OkNeedsAChoiceAndCloseBoxOrEscapeAborts) {
    for (int way : {0, 1, 2}) { // OK, close box, Escape
        TestState t;
        t.state.LanguageCode = 0;
        t.state.StartAborted = true; // the dialog's load must clear it
        frmLingua dialog(t.state);
        EXPECT_FALSE(t.state.StartAborted);
        dialog.show();
        ClickOk(dialog);
        EXPECT_TRUE(dialog.isVisible()) << "OK without a choice keeps it open";
        ClickOption(dialog, 1);
        EXPECT_EQ(t.state.LanguageCode, 2);
        ClickOption(dialog, 0);
        EXPECT_EQ(t.state.LanguageCode, 1);
        if (way == 0)
            ClickOk(dialog);
        else if (way == 1)
            EXPECT_TRUE(dialog.close());
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.confirmed(), way == 0) << way;
        EXPECT_EQ(t.state.StartAborted, way != 0) << way;
    }
}

TEST(frmLingua, RunLanguageDialogReturnsWhenClosed) {
    TestState t;
    t.state.LanguageCode = 0;
    // Once the modal dialog is up, choose English and press OK from the event loop. Should the
    // dialog not be found, a second timer closes whatever is modal so the test cannot hang.
    QObject guard;
    bool found = false;
    QTimer::singleShot(0, &guard, [&found] {
        if (auto* dialog = qobject_cast<frmLingua*>(QApplication::activeModalWidget())) {
            found = true;
            ClickOption(*dialog, 1);
            ClickOk(*dialog);
        }
    });
    QTimer::singleShot(5000, &guard, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    RunLanguageDialog(t.state);
    EXPECT_TRUE(found);
    EXPECT_EQ(t.state.LanguageCode, 2);
    EXPECT_FALSE(t.state.StartAborted);
}
