// The first-run language dialog: its options set the language, OK needs a choice, every other
// way of closing it aborts the start.
#include "ui/dialogs/frmLingua.h"
#include "support/TestState.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(frmLingua, OkNeedsAChoiceAndCloseBoxOrEscapeAbortsTheStart) {
    for (bool confirm : {true, false}) { // OK, or Escape (as the close box, a rejection)
        TestState t;
        t.state.LanguageCode = 0;
        t.state.StartAborted = true; // the dialog's load must clear it
        frmLingua dialog(t.state);
        dialog.open(); // modal, as the start-up shows it, without a loop of its own
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("CommOK"));
        QTest::mouseClick(ok, Qt::LeftButton); // without a choice: it stays open
        EXPECT_TRUE(dialog.isVisible());
        // Each option chosen from the keyboard: Italian is 1, English 2.
        for (int index : {1, 0}) {
            QTest::keyClick(dialog.findChild<QRadioButton*>(QString("Option1_%1").arg(index)),
                            Qt::Key_Space);
            EXPECT_EQ(t.state.LanguageCode, index + 1);
        }
        if (confirm)
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(t.state.LanguageCode * 10 + t.state.StartAborted, confirm ? 10 : 11);
    }
}
