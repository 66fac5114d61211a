// The master keyboard through its real widgets, with the recording port: what its load sends,
// its channel boxes and sliders, notes fanned out and released where they went, its settings at
// close; and the window arrangement over the part windows, the master keyboard and the notepad.
#include "../part/PartHost.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

struct MasterKbTest : ::testing::Test, PartHost {
    int& element(int i) { return t.state.MasterKbSettings.at(i); }
    void channels(std::initializer_list<int> on) {
        for (int n = 1; n <= 16; ++n)
            element(n) = 0;
        for (int n : on)
            element(n) = 1;
    }
};

TEST_F(MasterKbTest, LoadSendsSliderBySliderAndTheBoxesAndSlidersSendToEveryChannelOn) {
    channels({1, 10});
    element(24) = 5; // Mod 1
    MasterKbDriver w = openMaster();
    EXPECT_EQ(take(), (Lines{"b0 07 64", "b9 07 64", "b0 0a 40", "b9 0a 40", "e0 7f 40", "e9 7f 40",
                             "b0 01 05", "b9 01 05"}));
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(w.channelBox(n)->isChecked(), n == 1 || n == 10) << "box " << n;
    EXPECT_FALSE(main.mnuMasterKb->isEnabled());
    EXPECT_EQ(t.state.WindowRecs[17].Open, 1);
    ChildWindow* window = main.MasterKbWindow();
    EXPECT_EQ(window->Height(), MasterKbHeight); // a record without a size: the standard one
    EXPECT_EQ(window->Width(), MasterKbWidth);

    // Boxes clicked: stored; sliders: stored, shown and sent to each channel on in order.
    w.clickChannel(1);
    w.clickChannel(3);
    EXPECT_EQ(element(1), 0);
    EXPECT_EQ(element(3), 1);
    w.setSlider(7, 50);
    w.setSlider(6, 0);
    w.setSlider(2, 20); // Vel On: stored, never sent
    EXPECT_EQ(take(), (Lines{"b2 01 32", "b9 01 32", "e2 7f 00", "e9 7f 00"}));
    EXPECT_EQ(element(24), 50);
    EXPECT_EQ(element(19), 20);
    EXPECT_EQ(w.valueLabel(6), QStringLiteral("-64"));
}

// A note started on channels 1 and 16 and released after channel 16 was switched off and
// channel 5 on: its Note Offs go to 1 and 16, none to 5. Held in click mode, and latched.
TEST_F(MasterKbTest, NotesAreReleasedOnEveryChannelTheyWentTo) {
    for (int holdNote : {0, 1}) {
        SCOPED_TRACE(holdNote);
        channels({1, 16});
        element(31) = holdNote;
        row(1, PartRow::VelocityOn) = 90;
        row(16, PartRow::VelocityOn) = 70;
        row(1, PartRow::VelocityOff) = 33;
        row(16, PartRow::VelocityOff) = 44;
        MasterKbDriver w = openMaster();
        KeyboardDriver& k = w.keys;
        const int key = 60 - k.keyBase();
        take();
        QTest::mousePress(k.key(key), Qt::LeftButton, {}, QPoint(3, 3));
        if (holdNote)
            QTest::mouseRelease(k.key(key), Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(take(), (Lines{"90 3c 5a", "9f 3c 46"}));
        w.clickChannel(16);
        w.clickChannel(5);
        if (holdNote)
            QTest::mousePress(k.key(key), Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(k.key(key), Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(take(), (Lines{"80 3c 21", "8f 3c 2c"}));
        EXPECT_EQ(t.state.MasterHeldNotes[60], 0);
        // The next note goes to the channels on now.
        k.tapKey(key);
        const Lines next = take();
        EXPECT_EQ(Lines(next.begin(), next.begin() + 2), (Lines{"90 3c 5a", "94 3c 50"}));
        close(main.MasterKbWindow());
    }
}

TEST_F(MasterKbTest, KeyboardSettingsAreStoredAtCloseWhenAllNotesStopAndRestored) {
    MasterKbDriver w = openMaster();
    w.keys.clickClickKey();
    w.keys.setKeyShift(3);
    EXPECT_EQ(element(30), 1); // nothing is stored while the window is open
    EXPECT_EQ(element(32), 2);
    // All Notes Off, by its button and at close, goes to all sixteen channels.
    Lines allOff;
    for (int ch = 0; ch < 16; ++ch)
        allOff.push_back(QStringLiteral("b%1 7b 00").arg(ch, 0, 16).toStdString());
    take();
    w.keys.clickAllNotesOff();
    EXPECT_EQ(take(), allOff);
    w.close();
    EXPECT_EQ(main.MasterKbWindow(), nullptr);
    EXPECT_EQ(take(), allOff);
    EXPECT_EQ(element(30), 0);
    EXPECT_EQ(element(31), 0);
    EXPECT_EQ(element(32), 3);
    EXPECT_EQ(t.state.WindowRecs[17].Open, 0);
    EXPECT_TRUE(main.mnuMasterKb->isEnabled());

    MasterKbDriver again = openMaster();
    EXPECT_EQ(again.keys.controls(), "click 0, hold 0 disabled, chord disabled");
    EXPECT_EQ(again.keys.keyBase(), 48);
    // Never lower than the standard height, never wider than the standard width.
    ChildWindow* window = main.MasterKbWindow();
    window->setHeight(3000);
    window->setWidth(12000);
    EXPECT_EQ(window->Height(), MasterKbHeight);
    EXPECT_EQ(window->Width(), MasterKbWidth);
    main.close(); // closed with the program: recorded as open
    EXPECT_EQ(t.state.WindowRecs[17].Open, 1);
}

TEST_F(MasterKbTest, CascadeInKindOrderAndMaximizeToTheStandardSize) {
    main.mnuIngrandisci->trigger(); // with no child window: nothing
    main.mnuPart_Click(7);
    main.mnuVolumeAll->trigger();
    main.mnuPart_Click(3);
    main.PartWindow(3)->setHeight(6000);
    struct Placed {
        int kind, left, top;
    };
    const auto cascade = [this](std::initializer_list<Placed> expected) {
        main.mnuCascade->trigger();
        for (const Placed& p : expected) {
            ChildWindow* w = main.WindowOfKind(p.kind);
            ASSERT_NE(w, nullptr) << p.kind;
            EXPECT_EQ(QPoint(w->Left(), w->Top()), QPoint(p.left, p.top)) << "kind " << p.kind;
        }
        EXPECT_EQ(main.mdiArea()->activeSubWindow(),
                  main.WindowOfKind(std::data(expected)[expected.size() - 1].kind));
    };
    cascade({{3, 0, 0}, {7, 300, 330}, {19, 600, 660}});
    EXPECT_EQ(main.PartWindow(3)->Height(), 6000) << "sizes are kept";

    openMaster();
    main.mnuBloccoNote->trigger();
    main.mnuGMPag[1]->trigger();
    cascade({{3, 0, 0},
             {7, 300, 330},
             {17, 600, 660},
             {19, 900, 990},
             {20, 1200, 1320},
             {22, 1500, 1650}});

    // A window made smaller gets its standard size back, in place, and stored.
    const struct {
        int kind, height, width, left;
    } sizes[] = {
        {22, 4334, 6336, 1500}, {20, 4896, 9540, 1200}, {3, PartWindowHeight, PartWindowWidth, 0}};
    for (const auto& size : sizes) {
        ChildWindow* w = main.WindowOfKind(size.kind);
        main.mdiArea()->setActiveSubWindow(w);
        w->setHeight(2000);
        w->setWidth(3000);
        main.mnuIngrandisci->trigger();
        EXPECT_EQ(QSize(w->Width(), w->Height()), QSize(size.width, size.height)) << size.kind;
        EXPECT_EQ(w->Left(), size.left);
    }
    EXPECT_EQ(t.state.WindowRecs[3].Height, PartWindowHeight);
}

} // namespace
