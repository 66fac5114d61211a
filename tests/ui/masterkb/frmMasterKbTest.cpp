// The master keyboard through its real widgets, with the recording port: what its load sends,
// its channel boxes and sliders, notes fanned out and released where they went, its settings at
// close; and the window arrangement over the part windows, the master keyboard and the notepad.
#include "ui/masterkb/frmMasterKb.h"
#include "support/TestState.h"
#include "ui/accessories/frmBloccoNote.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/LevelScrollBar.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

class MasterKbTest : public ::testing::Test {
  protected:
    MasterKbTest() : main(t.state) {}
    void SetUp() override {
        main.resize(1400, 1000);
        main.show();
    }
    int& element(int i) { return t.state.MasterKbSettings.at(i); }
    void channels(std::initializer_list<int> on) {
        for (int n = 1; n <= 16; ++n)
            element(n) = 0;
        for (int n : on)
            element(n) = 1;
    }
    frmMasterKb* open() {
        main.mnuMasterKb->trigger();
        EXPECT_NE(main.MasterKbWindow(), nullptr);
        return main.MasterKbWindow();
    }
    void closeWindow(QWidget* w) {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Lines sent() const { return t.port->messageLines(); }

    TestState t;
    frmMain main;
};

TEST_F(MasterKbTest, LoadSendsTheStoredSlidersSliderBySliderAndNeverTogglesAChannel) {
    channels({1, 10});
    element(24) = 5; // Mod 1
    frmMasterKb* w = open();
    EXPECT_EQ(sent(), (Lines{"b0 07 64", "b9 07 64", "b0 0a 40", "b9 0a 40", "e0 7f 40", "e9 7f 40",
                             "b0 01 05", "b9 01 05"}));
    const char* labels[] = {"100", "0", "64", "64", "0", "0", "0", "5", "0", "0", "0"};
    for (int k = 0; k < frmMasterKb::SliderCount; ++k)
        EXPECT_EQ(w->Label3[k]->text(), QString::fromLatin1(labels[k])) << "label " << k;
    for (int n = 1; n <= 16; ++n) {
        EXPECT_EQ(w->Check1[n]->isChecked(), n == 1 || n == 10) << "box " << n;
        EXPECT_EQ(element(n), n == 1 || n == 10 ? 1 : 0) << "element " << n;
        EXPECT_EQ(w->Label6[n]->text(), QString::number(n));
    }
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Master Keyboard"));
    EXPECT_EQ(w->CommChiudi->text(), QStringLiteral("&Close"));
    EXPECT_EQ(w->Tag, QString(QChar(17)));
    EXPECT_FALSE(main.mnuMasterKb->isEnabled());
    EXPECT_TRUE(main.mnuWindow->menuAction()->isEnabled());
    EXPECT_EQ(t.state.WindowRecs[17].Open, 1);
    EXPECT_EQ(w->Height(), MasterKbHeight); // a record without a size: the standard one
    EXPECT_EQ(w->Width(), MasterKbWidth);
}

TEST_F(MasterKbTest, ChannelBoxesAndSlidersSendToEveryChannelOnInOrder) {
    channels({});
    frmMasterKb* w = open();
    EXPECT_TRUE(sent().empty());
    // No channel on: the slider stores its value and shows it, and sends nothing.
    w->VScroll[0]->setValue(90);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(element(17), 90);
    EXPECT_EQ(w->Label3[0]->text(), QStringLiteral("90"));

    QTest::mouseClick(w->Check1[4], Qt::LeftButton);
    EXPECT_EQ(element(4), 1);
    QTest::mouseClick(w->Check1[4], Qt::LeftButton);
    EXPECT_EQ(element(4), 0);
    QTest::mouseClick(w->Check1[2], Qt::LeftButton);
    QTest::mouseClick(w->Check1[3], Qt::LeftButton);
    w->VScroll[7]->setValue(50);
    EXPECT_EQ(sent(), (Lines{"b1 01 32", "b2 01 32"}));
    EXPECT_EQ(element(24), 50);
    EXPECT_EQ(w->Label3[7]->text(), QStringLiteral("50"));
    t.port->clear();
    w->VScroll[6]->setValue(0);
    w->VScroll[2]->setValue(20); // Vel On: stored, never sent
    EXPECT_EQ(sent(), (Lines{"e1 7f 00", "e2 7f 00"}));
    EXPECT_EQ(w->Label3[6]->text(), QStringLiteral("-64"));
    EXPECT_EQ(element(19), 20);
}

// A note started on channels 1 and 10 and released after channel 10 was switched off and
// channel 5 on: its Note Offs go to 1 and 10, none to 5. Held in click mode, and latched.
TEST_F(MasterKbTest, NotesAreReleasedOnEveryChannelTheyWentTo) {
    for (int holdNote : {0, 1}) {
        SCOPED_TRACE(holdNote);
        channels({1, 10});
        element(31) = holdNote;
        t.state.PartParams[1][3] = 90;
        t.state.PartParams[10][3] = 70;
        t.state.PartParams[1][4] = 33;
        t.state.PartParams[10][4] = 44;
        frmMasterKb* w = open();
        Keyboard& kb = w->keyboard();
        QWidget* key = kb.Key[60 - kb.KeyBase()];
        t.port->clear();
        QTest::mousePress(key, Qt::LeftButton, {}, QPoint(3, 3));
        if (holdNote)
            QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(sent(), (Lines{"90 3c 5a", "99 3c 46"}));
        QTest::mouseClick(w->Check1[10], Qt::LeftButton);
        QTest::mouseClick(w->Check1[5], Qt::LeftButton);
        t.port->clear();
        if (holdNote)
            QTest::mousePress(key, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(sent(), (Lines{"80 3c 21", "89 3c 2c"}));
        EXPECT_EQ(t.state.MasterHeldNotes[60], 0);
        // The next note goes to the channels on now.
        t.port->clear();
        QTest::mouseClick(key, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(sent().at(0), "90 3c 5a");
        EXPECT_EQ(sent().at(1), "94 3c 50");
        closeWindow(w);
    }
}

TEST_F(MasterKbTest, AllNotesOffGoesToAllSixteenChannels) {
    channels({3});
    frmMasterKb* w = open();
    t.port->clear();
    QTest::mouseClick(w->keyboard().CommAllNoteOff, Qt::LeftButton);
    Lines expected;
    for (int ch = 0; ch < 16; ++ch)
        expected.push_back(QStringLiteral("b%1 7b 00").arg(ch, 0, 16).toStdString());
    EXPECT_EQ(sent(), expected);
}

TEST_F(MasterKbTest, KeyboardSettingsAreStoredAtCloseAndRestored) {
    frmMasterKb* w = open();
    Keyboard& kb = w->keyboard();
    QTest::mouseClick(kb.CheckClickKey, Qt::LeftButton);
    kb.HScroll1->setValue(3);
    // Nothing is stored while the window is open.
    EXPECT_EQ(element(30), 1);
    EXPECT_EQ(element(32), 2);
    t.port->clear();
    QTest::mouseClick(w->CommChiudi, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main.MasterKbWindow(), nullptr);
    EXPECT_EQ(sent().size(), 16u); // the notes stop as with the All Notes Off button
    EXPECT_EQ(element(30), 0);
    EXPECT_EQ(element(31), 0);
    EXPECT_EQ(element(32), 3);
    EXPECT_EQ(t.state.WindowRecs[17].Open, 0);
    EXPECT_TRUE(main.mnuMasterKb->isEnabled());

    w = open();
    EXPECT_FALSE(w->keyboard().CheckClickKey->isChecked());
    EXPECT_FALSE(w->keyboard().CheckHoldNote->isEnabled());
    EXPECT_EQ(w->keyboard().KeyBase(), 48);

    // Size limits: never lower than the standard height, never wider than the standard width.
    w->setHeight(3000);
    w->setWidth(12000);
    EXPECT_EQ(w->Height(), MasterKbHeight);
    EXPECT_EQ(w->Width(), MasterKbWidth);
    w->setWidth(6000);
    EXPECT_EQ(t.state.WindowRecs[17].Width, 6000);

    // Closed with the program, the window stays recorded as open.
    main.close();
    EXPECT_EQ(t.state.WindowRecs[17].Open, 1);
}

TEST_F(MasterKbTest, CascadeInKindOrderAndMaximizeToTheStandardSize) {
    // Maximize with no child window does nothing.
    main.mnuIngrandisci->trigger();
    main.mnuPart_Click(7);
    main.mnuVolumeAll->trigger();
    main.mnuPart_Click(3);
    struct Placed {
        int kind, left, top;
    };
    const auto cascade = [this](std::initializer_list<Placed> expected) {
        main.mnuCascade->trigger();
        for (const Placed& p : expected) {
            ChildWindow* w = main.WindowOfKind(p.kind);
            ASSERT_NE(w, nullptr) << p.kind;
            EXPECT_EQ(w->Left(), p.left) << "kind " << p.kind;
            EXPECT_EQ(w->Top(), p.top) << "kind " << p.kind;
        }
        EXPECT_EQ(main.mdiArea()->activeSubWindow(),
                  main.WindowOfKind(std::data(expected)[expected.size() - 1].kind));
    };
    cascade({{3, 0, 0}, {7, 300, 330}, {19, 600, 660}});

    open();
    main.mnuBloccoNote->trigger();
    main.mnuGMPag[1]->trigger();
    cascade({{3, 0, 0},
             {7, 300, 330},
             {17, 600, 660},
             {19, 900, 990},
             {20, 1200, 1320},
             {22, 1500, 1650}});

    // The notepad and a program page made smaller get their standard sizes back, in place.
    const struct { int kind, height, width; } sizes[] = {{22, 4334, 6336}, {20, 4896, 9540}};
    for (const auto& size : sizes) {
        ChildWindow* w = main.WindowOfKind(size.kind);
        main.mdiArea()->setActiveSubWindow(w);
        w->setHeight(2000);
        w->setWidth(3000);
        main.mnuIngrandisci->trigger();
        EXPECT_EQ(w->Height(), size.height) << size.kind;
        EXPECT_EQ(w->Width(), size.width) << size.kind;
        EXPECT_EQ(w->Left(), size.kind == 22 ? 1500 : 1200);
    }
}

} // namespace
