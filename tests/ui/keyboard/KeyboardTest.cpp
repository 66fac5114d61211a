#include "KeyboardHost.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <gtest/gtest.h>

using Lines = std::vector<std::string>;
using Ints = std::vector<int>;

TEST(Keyboard, LayoutKeyShiftAndNoteText) {
    KeyboardHost h;
    h.setUp(0, 1, 0);
    Keyboard& kb = *h.kb;
    int white = 0;
    for (int k = 0; k < Keyboard::KeyCount; ++k) {
        const QRect g = kb.Key[k]->geometry();
        if (kb.Key[k]->isBlack()) // black keys lie above the white keys
            EXPECT_EQ(kb.Frame1->childAt(g.center()), kb.Key[k]) << k;
        else
            EXPECT_EQ(g.left(), twips::toPixels(252 * white++)) << k;
    }
    EXPECT_EQ(white, 36);
    // Key(60) starts at 8820 under the sixth octave label at 8840.
    EXPECT_EQ(kb.Key[60]->x(), twips::toPixels(8820));
    EXPECT_EQ(kb.Label1[5]->geometry(), twips::rect(8840, 1450, 276, 252));
    EXPECT_EQ(kb.Label1[6]->parentWidget(), &h.client);
    EXPECT_TRUE(kb.Text1->isReadOnly());
    EXPECT_EQ(kb.CheckClickKey->text(), "Click Key");
    EXPECT_EQ(kb.CheckHoldNote->text(), "Hold Note");
    EXPECT_EQ(kb.CommHoldChord->text(), "Hold Chord");
    EXPECT_EQ(kb.CommAllNoteOff->text(), "All Notes Off");
    EXPECT_EQ(kb.Label1[6]->text(), "Note (Number)");
    EXPECT_EQ(Keyboard::NoteText(61), "C#/Do# (61)");
    EXPECT_EQ(Keyboard::NoteText(107), "B/Si (107)");

    EXPECT_EQ(kb.KeyBase(), 12);
    EXPECT_EQ(kb.Label1[0]->text(), "C0");
    h.t.state.CurrentPart = 7;
    kb.HScroll1->setValue(3);
    EXPECT_EQ(kb.KeyBase(), 48);
    EXPECT_EQ(h.t.state.CurrentPart, 1);
    EXPECT_EQ(h.row(1, 16), 3);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(kb.Label1[i]->text(), QStringLiteral("C%1").arg(i + 3));
    EXPECT_TRUE(h.sent().empty()); // a key shift sends nothing
    h.click(h.onKey(60));
    EXPECT_EQ(h.sent(), (Lines{"90 6c 50", "80 6c 40"}));
}

TEST(Keyboard, SetUpLoadsStoredStatesAsAUserChangeWould) {
    // Hold Note stored checked: the All Notes Off action runs once while loading; opening
    // clears the shared table and no stale mark stays drawn.
    KeyboardHost hold;
    hold.t.state.HeldNotes[70] = 1; // latched in another part window
    hold.kb->SetUp(3, 1, 1);
    EXPECT_EQ(hold.sent(), (Lines{"b0 7b 00"}));
    EXPECT_EQ(hold.kb->Label1[5]->text(), "C8");
    EXPECT_EQ(hold.controls(), "click 1, hold 1 enabled, chord enabled");
    EXPECT_EQ(hold.latched(), Ints{});
    EXPECT_EQ(hold.marks(), Ints{});
    EXPECT_EQ(hold.row(1, 16), 3);

    // Hover, click mode, and Hold Note without Click Key (loaded and stored as hover mode).
    const struct {
        int keyShift, clickKey, holdNote;
        const char* controls;
    } cases[] = {{0, 0, 0, "click 0, hold 0 disabled, chord disabled"},
                 {2, 1, 0, "click 1, hold 0 enabled, chord disabled"},
                 {2, 0, 1, "click 0, hold 0 disabled, chord disabled"}};
    for (const auto& c : cases) {
        KeyboardHost h;
        h.row(1, 14) = static_cast<std::uint8_t>(c.clickKey);
        h.row(1, 15) = static_cast<std::uint8_t>(c.holdNote);
        h.t.state.HeldNotes[70] = 1;
        h.kb->SetUp(c.keyShift, c.clickKey, c.holdNote);
        EXPECT_EQ(h.controls(), c.controls);
        EXPECT_TRUE(h.sent().empty()) << c.controls;
        EXPECT_EQ(h.marks(), Ints{});
        EXPECT_EQ(h.kb->KeyBase(), 12 + 12 * c.keyShift);
        EXPECT_EQ(h.row(1, 15), 0);
    }
}

TEST(Keyboard, HoverPlaysEachKeyTheSweepReachesAndReleasesInTheLowestStrip) {
    KeyboardHost h;
    h.setUp(2, 0, 0);
    h.t.state.CurrentPart = 9;
    h.move(QPoint(20, 20)); // over the window, nothing sounding
    for (int k : {0, 1, 2})
        h.move(h.onKey(k));
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40", "90 25 50", "80 25 40", "90 26 50"}));
    EXPECT_EQ(h.t.state.CurrentPart, 1);
    EXPECT_EQ(h.marks(), Ints{2});

    // White key: the strip starts at 1368 twips; the strip release keeps the text. Moving
    // within the strip replays and releases again; moving back up replays.
    for (int y : {1365, 1380})
        h.move(h.onKey(2, 100, y));
    EXPECT_EQ(h.text1(), "D/Re (38)");
    EXPECT_EQ(h.marks(), Ints{});
    EXPECT_EQ(h.kb->SoundingNote(), 200);
    h.move(h.onKey(2, 100, 1395));
    h.move(h.onKey(2, 120, 1380));
    h.move(h.onKey(2));
    EXPECT_EQ(h.take(), (Lines{"80 26 40", "90 26 50", "80 26 40", "90 26 50"}));
    EXPECT_EQ(h.marks(), Ints{2});

    // Black key: the strip starts at 936 twips.
    for (int y : {900, 930, 945})
        h.move(h.onKey(3, 78, y));
    h.move(h.onKey(3, 60, 500));
    EXPECT_EQ(h.take(), (Lines{"80 26 40", "90 27 50", "80 27 40", "90 27 50"}));

    // The strip lines themselves, in twips as the handler takes them.
    const int moves[][3] = {{3, 935, 39}, {3, 936, 200}, {5, 1367, 41}, {5, 1368, 200}};
    for (const auto& m : moves) {
        h.kb->Key_MouseMove(m[0], m[1]);
        EXPECT_EQ(h.kb->SoundingNote(), m[2]) << m[0] << " at " << m[1];
    }
    EXPECT_EQ(h.take(), (Lines{"80 27 40", "90 29 50", "80 29 40"}));

    // Leaving the keys onto the window releases and empties Text1; so does the frame.
    h.kb->Key_MouseMove(3, 500);
    h.move(QPoint(20, 20));
    EXPECT_TRUE(h.text1().isEmpty());
    EXPECT_EQ(h.marks(), Ints{});
    h.move(h.onKey(40));
    h.move(h.kb->Frame1->mapTo(&h.client, twips::point(1000, 1500))); // between the labels
    EXPECT_EQ(h.sent(), (Lines{"90 27 50", "80 27 40", "90 4c 50", "80 4c 40"}));
}

TEST(Keyboard, HoverLeavingTheFrameAndHeldButtons) {
    KeyboardHost h;
    h.setUp(2, 0, 0);
    h.move(h.onKey(0));
    // No move event reaches the window when the pointer jumps out of it; the frame hears Leave.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(h.kb->Frame1, &leave);
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40"}));
    EXPECT_TRUE(h.text1().isEmpty());
    EXPECT_EQ(h.kb->SoundingNote(), 200);

    // No glide while a button is held: the press does nothing and the moves still belong to
    // Key(0), above its strip; dragging below Key(0) reaches its lowest strip.
    h.move(h.onKey(0));
    h.press(h.onKey(0));
    h.move(h.onKey(2));
    h.move(h.onKey(4));
    h.release(h.onKey(4));
    h.press(h.onKey(0));
    h.move(h.onKey(5, 100, 1500));
    h.release(h.onKey(5, 100, 1500));
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40"}));

    // In click mode the pressed key keeps its note until the button comes up.
    h.kb->CheckClickKey->setChecked(true);
    h.press(h.onKey(2));
    QCoreApplication::sendEvent(h.kb->Frame1, &leave);
    EXPECT_EQ(h.sent(), (Lines{"90 26 50"}));
}

TEST(Keyboard, ClickModeDragKeepsThePressedKeysNote) {
    KeyboardHost h;
    h.setUp(2, 1, 0);
    h.press(h.onKey(5));
    EXPECT_EQ(h.text1(), "F/Fa (41)");
    EXPECT_EQ(h.marks(), Ints{5});
    for (QPoint p : {h.onKey(6), h.onKey(7), QPoint(20, 20), h.onKey(7)})
        h.move(p);
    h.release(h.onKey(7));
    EXPECT_EQ(h.take(), (Lines{"90 29 50", "80 29 40"}));
    EXPECT_TRUE(h.text1().isEmpty());
    EXPECT_EQ(h.marks(), Ints{});
    EXPECT_EQ(h.latched(), Ints{}); // click mode latches nothing

    // Moving over keys with no button plays nothing in click mode; a note latched in another
    // part window plays as usual and stays latched.
    h.move(h.onKey(10));
    h.move(h.onKey(11));
    h.t.state.HeldNotes[41] = 1;
    h.clickKey(5);
    EXPECT_EQ(h.sent(), (Lines{"90 29 50", "80 29 40"}));
    EXPECT_EQ(h.latched(), Ints{41});
}

TEST(Keyboard, HoldModeLatchesAndReleases) {
    KeyboardHost h;
    h.setUp(2, 1, 1);
    h.clickKey(10);
    EXPECT_EQ(h.latched(), Ints{46});
    EXPECT_EQ(h.marks(), Ints{10});
    h.clickKey(10);
    // A quick double click is two presses: latched and released again.
    QTest::mouseDClick(h.window, Qt::LeftButton, {}, h.onKey(0));
    EXPECT_EQ(h.take(), (Lines{"90 2e 50", "80 2e 40", "90 24 50", "80 24 40"}));
    EXPECT_EQ(h.latched(), Ints{});
    EXPECT_EQ(h.marks(), Ints{});
    EXPECT_TRUE(h.text1().isEmpty());

    for (int k : {0, 4, 7})
        h.clickKey(k);
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "90 28 50", "90 2b 50"}));
    EXPECT_EQ(h.marks(), (Ints{0, 4, 7}));
    EXPECT_EQ(h.latched(), (Ints{36, 40, 43}));
    EXPECT_EQ(h.text1(), "G/Sol (43)");

    // All Notes Off: one control change 123, shown latches cleared, keys plain.
    h.kb->CommAllNoteOff->click();
    EXPECT_EQ(h.sent(), (Lines{"b0 7b 00"}));
    EXPECT_EQ(h.latched(), Ints{});
    EXPECT_EQ(h.marks(), Ints{});
    EXPECT_EQ(h.kb->SoundingNote(), 200);
    EXPECT_TRUE(h.text1().isEmpty());
}

TEST(Keyboard, ModeChangesFollowTheTable) {
    // From a mode (Click Key, Hold Note, a chord held or not), one check box clicked: whether the
    // part's notes stop (one All Notes Off, never two, chord ended, latches and marks cleared),
    // the controls after, and the modes stored in rows 14 and 15.
    const struct {
        int clickKey, holdNote;
        bool chord, clickTheHoldNote, allNotesOff;
        const char* controls;
        int row14, row15;
    } cases[] = {
        {1, 0, false, true, true, "click 1, hold 1 enabled, chord enabled", 1, 1},
        {1, 1, true, true, true, "click 1, hold 0 enabled, chord disabled", 1, 0},
        {1, 1, false, true, true, "click 1, hold 0 enabled, chord disabled", 1, 0},
        {1, 0, false, false, false, "click 0, hold 0 disabled, chord disabled", 0, 0},
        {0, 0, false, false, false, "click 1, hold 0 enabled, chord disabled", 1, 0},
        {1, 1, true, false, true, "click 0, hold 0 disabled, chord disabled", 0, 0},
        {1, 1, false, false, true, "click 0, hold 0 disabled, chord disabled", 0, 0},
    };
    for (const auto& c : cases) {
        const std::string from = std::to_string(c.clickKey) + std::to_string(c.holdNote) +
                                 (c.chord ? " chord" : "") +
                                 (c.clickTheHoldNote ? " / Hold Note" : " / Click Key");
        KeyboardHost h;
        h.row(1, 14) = static_cast<std::uint8_t>(c.clickKey);
        h.row(1, 15) = static_cast<std::uint8_t>(c.holdNote);
        h.setUp(2, c.clickKey, c.holdNote);
        if (c.holdNote == 1)
            h.clickKey(24);
        if (c.chord)
            h.kb->CommHoldChord->click();
        ASSERT_EQ(h.kb->ChordActive(), c.chord ? 1 : 0) << from;
        h.t.port->clear();
        h.t.state.CurrentPart = 4;
        (c.clickTheHoldNote ? h.kb->CheckHoldNote : h.kb->CheckClickKey)->click();
        EXPECT_EQ(h.sent(), c.allNotesOff ? Lines{"b0 7b 00"} : Lines{}) << from;
        EXPECT_EQ(h.controls(), c.controls) << from;
        EXPECT_EQ(h.row(1, 14), c.row14) << from;
        EXPECT_EQ(h.row(1, 15), c.row15) << from;
        EXPECT_EQ(h.kb->ChordActive(), 0) << from;
        EXPECT_EQ(h.t.state.CurrentPart, 1) << from;
        if (c.allNotesOff) {
            EXPECT_EQ(h.latched(), Ints{}) << from;
            EXPECT_EQ(h.marks(), Ints{}) << from;
        }
    }
}

TEST(Keyboard, HoldChordCapturesAndReplaysFromItsLowestNote) {
    KeyboardHost h;
    h.setUp(2, 1, 1);
    for (int k : {24, 28, 31})
        h.clickKey(k);
    h.t.port->clear();
    h.kb->CommHoldChord->click();
    EXPECT_TRUE(h.sent().empty()); // capture sends nothing
    EXPECT_EQ(h.kb->ChordActive(), 1);
    EXPECT_EQ(h.controls(), "click 1, hold 1 enabled, chord disabled");
    EXPECT_EQ(h.latched(), (Ints{60, 64, 67})); // still latched

    h.clickKey(26); // note 62
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 3e 50", "90 42 50", "90 45 50"}));
    EXPECT_EQ(h.text1(), "A/La (69)");
    EXPECT_EQ(h.latched(), (Ints{62, 66, 69}));
    EXPECT_EQ(h.marks(), (Ints{26, 30, 33}));

    // Each further press replays the stored chord, not the last replay.
    h.clickKey(0);
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 24 50", "90 28 50", "90 2b 50"}));
    EXPECT_EQ(h.marks(), (Ints{0, 4, 7}));

    // All Notes Off ends hold-chord mode; a key then latches a single note again.
    h.kb->CommAllNoteOff->click();
    EXPECT_EQ(h.kb->ChordActive(), 0);
    EXPECT_EQ(h.controls(), "click 1, hold 1 enabled, chord enabled");
    h.clickKey(12);
    EXPECT_EQ(h.sent(), (Lines{"b0 7b 00", "90 30 50"}));
    EXPECT_EQ(h.latched(), Ints{48});
}

TEST(Keyboard, HoldChordDropsNotesOutsideTheTableAndNeedsALatchedNote) {
    KeyboardHost h;
    h.setUp(3, 1, 1);
    // Capture with nothing latched changes nothing.
    h.kb->CommHoldChord->click();
    EXPECT_EQ(h.kb->ChordActive(), 0);
    EXPECT_EQ(h.controls(), "click 1, hold 1 enabled, chord enabled");
    EXPECT_TRUE(h.sent().empty());

    h.clickKey(0);  // 48
    h.clickKey(52); // 100
    h.kb->CommHoldChord->click();
    h.t.port->clear();
    h.clickKey(24); // 72: 124 falls outside and is dropped
    EXPECT_EQ(h.sent(), (Lines{"b0 7b 00", "90 48 50"}));
    EXPECT_EQ(h.latched(), Ints{72});
    EXPECT_EQ(h.marks(), Ints{24});
    EXPECT_EQ(h.text1(), "C/Do (72)");
}

TEST(Keyboard, ChordIncludesNotesLatchedInAnotherPartWindow) {
    KeyboardHost h;
    h.setUp(2, 1, 1);
    QWidget client2;
    PartLikePolicy policy2(h.t.state, 2);
    auto kb2 = std::make_unique<Keyboard>(h.t.state, policy2, &client2);
    kb2->SetUp(2, 1, 1);     // opening a part window clears the shared table
    h.kb->Key_MouseDown(24); // part 1 latches 60
    kb2->Key_MouseDown(28);  // part 2 latches 64
    kb2->CommHoldChord_Click();
    h.t.port->clear();
    kb2->Key_MouseDown(26);
    EXPECT_EQ(h.sent(), (Lines{"b1 7b 00", "91 3e 50", "91 42 50"}));
    // Part 1's key keeps its mark until that window recolours its keys.
    EXPECT_EQ(h.marks(), Ints{24});
    EXPECT_EQ(h.latched(), (Ints{62, 66}));
}

TEST(Keyboard, KeyShiftMovesTheMarksOfLatchedNotes) {
    KeyboardHost h;
    h.setUp(2, 1, 1);
    h.clickKey(24); // 60
    h.clickKey(0);  // 36
    h.t.port->clear();
    h.kb->HScroll1->setValue(1);
    EXPECT_EQ(h.marks(), (Ints{12, 36}));
    h.kb->HScroll1->setValue(3); // 36 out of view
    EXPECT_EQ(h.marks(), Ints{12});
    EXPECT_TRUE(h.sent().empty()); // nothing released by a shift

    // All Notes Off clears only the shown latches; 36 is marked again when back in view.
    h.kb->CommAllNoteOff->click();
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00"}));
    EXPECT_EQ(h.latched(), Ints{36});
    h.kb->HScroll1->setValue(2);
    EXPECT_EQ(h.marks(), Ints{0});

    // Its sound was stopped by the All Notes Off: clicking it unlatches and sends nothing.
    h.clickKey(0);
    EXPECT_TRUE(h.sent().empty());
    EXPECT_EQ(h.latched(), Ints{});
    EXPECT_EQ(h.marks(), Ints{});
}

TEST(Keyboard, KeyShiftWithNothingLatchedLeavesMarks) {
    KeyboardHost h;
    h.setUp(2, 0, 0);
    h.move(h.onKey(5));
    h.kb->HScroll1->setValue(3);
    EXPECT_EQ(h.marks(), Ints{5});
    EXPECT_EQ(h.kb->SoundingNote(), 41);
    // The note keeps sounding until hover playing releases it, at the pitch it started with.
    h.move(QPoint(20, 20));
    EXPECT_EQ(h.sent(), (Lines{"90 29 50", "80 29 40"}));
}

TEST(Keyboard, NoteOffGoesWhereTheNoteOnWent) {
    KeyboardHost h;
    h.setUp(2, 1, 1);
    h.clickKey(24);
    h.row(1, 12) = 14; // transposition +2 while 60 is latched
    h.row(1, 4) = 30;  // the Note Off velocity is read at release
    h.clickKey(24);
    EXPECT_EQ(h.sent(), (Lines{"90 3c 50", "80 3c 1e"}));
    EXPECT_TRUE(h.kb->soundingTargets(60).empty());

    // Click mode: transposition changed while the button is held.
    KeyboardHost c;
    c.setUp(2, 1, 0);
    c.press(c.onKey(0));
    c.row(1, 12) = 0; // -12
    c.release(c.onKey(0));
    c.clickKey(0);
    EXPECT_EQ(c.sent(), (Lines{"90 24 50", "80 24 40", "90 18 50", "80 18 40"}));

    // Hover strip release too.
    KeyboardHost v;
    v.setUp(2, 0, 0);
    v.move(v.onKey(0));
    v.row(1, 12) = 13;
    v.move(v.onKey(0, 100, 1380));
    EXPECT_EQ(v.sent(), (Lines{"90 24 50", "80 24 40"}));
}

TEST(Keyboard, AllNotesOffGoesToThePartsOwnChannel) {
    KeyboardHost h(5);
    h.row(5, 0) = 10;
    h.setUp(2, 1, 0);
    h.t.state.CurrentPart = 2; // another part is current
    h.kb->CommAllNoteOff->click();
    h.clickKey(0);
    // Mode change, chord replay and closing use the same channel.
    h.t.state.CurrentPart = 2;
    h.kb->CheckHoldNote->click();
    h.clickKey(3);
    h.kb->CommHoldChord->click();
    h.clickKey(5);
    h.t.state.CurrentPart = 2;
    h.kb->AllNotesOff();
    EXPECT_EQ(h.sent(), (Lines{"b9 7b 00", "99 24 50", "89 24 40", "b9 7b 00", "99 27 50",
                               "b9 7b 00", "99 29 50", "b9 7b 00"}));
}

TEST(Keyboard, MasterLikeHostFansOutAndReleasesWhereItPlayed) {
    KeyboardHost h(1, true);
    auto& m = h.t.state.MasterKbSettings;
    m[1] = 1;
    m[10] = 1;
    h.row(10, 3) = 100;
    h.row(10, 4) = 10;
    h.setUp(2, 1, 0);
    h.t.state.CurrentPart = 6;
    h.press(h.onKey(24));
    m[10] = 0; // channel 10 switched off while the note sounds
    m[2] = 1;  // channel 2 switched on
    h.release(h.onKey(24));
    EXPECT_EQ(h.take(), (Lines{"90 3c 50", "99 3c 64", "80 3c 40", "89 3c 0a"}));

    h.kb->CommAllNoteOff->click();
    ASSERT_EQ(h.sent().size(), 16u);
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(h.t.port->messages()[ch],
                  (std::vector<std::uint8_t>{static_cast<std::uint8_t>(0xB0 | ch), 0x7B, 0x00}));
    EXPECT_EQ(h.t.state.CurrentPart, 6); // the master keyboard makes no part current

    // Hover strip release uses the master keyboard's own Vel Off.
    KeyboardHost v(1, true);
    v.t.state.MasterKbSettings[1] = 1;
    v.t.state.MasterKbSettings[20] = 20;
    v.setUp(2, 0, 0);
    v.move(v.onKey(1));
    v.move(v.onKey(1, 78, 960));
    EXPECT_EQ(v.sent(), (Lines{"90 25 50", "80 25 14"}));
}
