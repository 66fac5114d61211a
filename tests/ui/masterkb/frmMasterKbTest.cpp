// The master keyboard through its real widgets, with the recording port: what its load sends,
// its channel boxes and sliders, a note fanned out with each part's velocities, its settings at
// close; and the window arrangement over a part window, the master keyboard and the notepad. That
// a note is released on every channel it went to, whatever the boxes show by then, is the random
// play's invariant (KeyboardRandomTest).
#include "../part/PartHost.h"

#include <gtest/gtest.h>

namespace {

// Elements of the master keyboard's settings: 1..16 the channel boxes, 17..27 the sliders,
// 30 Click Key, 31 Hold Note, 32 the key shift.
struct MasterKbTest : ::testing::Test, PartHost {
    int& element(int i) { return t.state.MasterKbSettings.at(i); }
    std::vector<int> elements(int first, int last) { return {&element(first), &element(last) + 1}; }
};

TEST_F(MasterKbTest, ItsSlidersSendToEveryChannelOnItsSettingsAreStoredAtCloseAndItCascades) {
    for (int n = 1; n <= 16; ++n) // channels 1 and 10 on
        element(n) = n == 1 || n == 10;
    element(24) = 5; // Mod 1
    row(16, PartRow::VelocityOn) = 90;
    row(10, PartRow::VelocityOff) = 44;
    MasterKbDriver w = openMaster();
    // Slider by slider, to each channel on: volume, pan, bend and the sliders not at 0.
    EXPECT_EQ(out(), "b0 07 64 b9 07 64 b0 0a 40 b9 0a 40 e0 7f 40 e9 7f 40 b0 01 05 b9 01 05");
    EXPECT_TRUE(!main.mnuMasterKb->isEnabled() && t.state.WindowRecs[17].Open);
    // Boxes clicked (each box shows its channel's setting: 1 goes off, 16 on): stored; sliders:
    // stored, shown and sent to each channel on, in order; a key, to each channel on with that
    // part's velocities (a note's release where it went: the random play's invariant).
    QTest::mouseClick(w.channelBox(1), Qt::LeftButton);
    QTest::mouseClick(w.channelBox(16), Qt::LeftButton);
    w.setSlider(7, 50);
    w.setSlider(6, 0);
    w.setSlider(2, 20); // Vel On: never sent
    w.keys.act("click 24");
    EXPECT_EQ(out(), "b9 01 32 bf 01 32 e9 7f 00 ef 7f 00 99 3c 50 9f 3c 5a 89 3c 2c 8f 3c 40");
    EXPECT_EQ(elements(1, 16), (std::vector{0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(elements(17, 27), (std::vector{100, 64, 20, 64, 0, 0, 0, 50, 0, 0, 0}));

    // The modes and the key shift are stored when it closes, not before. All Notes Off, by its
    // button and at close, goes to all sixteen channels.
    w.keys.act("CheckClickKey; shift 3");
    EXPECT_EQ(elements(30, 32), (std::vector{1, 0, 2}));
    std::string allOff = "b0 7b 00";
    for (int ch = 1; ch < 16; ++ch)
        allOff += QStringLiteral(" b%1 7b 00").arg(ch, 0, 16).toStdString();
    w.keys.act("CommAllNoteOff");
    EXPECT_EQ(out(), allOff);
    w.close();
    EXPECT_EQ(out(), allOff);
    EXPECT_EQ(elements(30, 32), (std::vector{0, 0, 3}));
    EXPECT_TRUE(main.mnuMasterKb->isEnabled() && !t.state.WindowRecs[17].Open);
    MasterKbDriver again = openMaster();
    EXPECT_EQ(again.keys.controls() + " " + std::to_string(again.keys.keyBase()),
              "click 0 [hold 0] [chord] 48");
    // Cascade: the windows by kind (7, 17, 22), each (left, top) 300 and 330 twips on, the last
    // one active. Maximize gives the notepad made smaller its standard size back, in place, and
    // stores it.
    main.mnuPart_Click(7);
    main.mnuBloccoNote->trigger();
    main.mnuCascade->trigger();
    ChildWindow* n = main.WindowOfKind(WindowKind::Notepad);
    EXPECT_EQ(main.mdiArea()->activeSubWindow(), n);
    n->setHeight(2000);
    n->setWidth(3000);
    main.mnuIngrandisci->trigger();
    EXPECT_EQ(QRect(n->Left(), n->Top(), n->Width(), n->Height()),
              QRect(600, 660, NotepadWidth, NotepadHeight));
    EXPECT_EQ(t.state.WindowRecs[22].Height, NotepadHeight);
}

} // namespace
