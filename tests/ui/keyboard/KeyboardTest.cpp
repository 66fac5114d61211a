// The keyboard of a real part window, played with the pointer as a user plays it.
#include "../part/PartHost.h"

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using Lines = std::vector<std::string>;
using Ints = std::vector<int>;

namespace {

// Opens part 1 with the given key shift and modes stored.
void openPart(PartHost& h, int keyShift, int clickKey, int holdNote, int part = 1,
              bool forget = true) {
    h.row(part, PartRow::KeyShift) = static_cast<std::uint8_t>(keyShift);
    h.row(part, PartRow::ClickKey) = static_cast<std::uint8_t>(clickKey);
    h.row(part, PartRow::HoldNote) = static_cast<std::uint8_t>(holdNote);
    h.open(part, forget);
}

} // namespace

TEST(Keyboard, HoldModeLatchesAndTheKeyShiftMovesTheMarks) {
    PartHost h;
    openPart(h, 2, 1, 1);
    Keyboard& kb = *h.kb;
    h.clickKey(10);
    h.clickKey(10);
    QTest::mouseDClick(h.window, Qt::LeftButton, {}, h.onKey(0)); // two presses
    EXPECT_EQ(h.take(), (Lines{"90 2e 50", "80 2e 40", "90 24 50", "80 24 40"}));
    for (int k : {24, 0, 4})
        h.clickKey(k);
    EXPECT_EQ(h.take(), (Lines{"90 3c 50", "90 24 50", "90 28 50"}));
    EXPECT_EQ(h.text1(), "E/Mi (40)");

    // A key shift moves the range and the marks, makes the part current and sends nothing.
    h.t.state.makeCurrent(7);
    kb.HScroll1->setValue(1);
    EXPECT_EQ(h.t.state.currentPart(), 1);
    EXPECT_EQ(h.marks(), (Ints{12, 16, 36}));
    kb.HScroll1->setValue(3); // 36 and 40 out of view
    EXPECT_EQ(h.marks(), Ints{12});
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(kb.Label1[i]->text(), QStringLiteral("C%1").arg(i + 3));
    EXPECT_TRUE(h.sent().empty());

    // All Notes Off clears only the shown latches; 36 is marked again when back in view, and
    // its sound was stopped: clicking it unlatches and sends nothing.
    h.click(h.centreOf(kb.CommAllNoteOff));
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00"}));
    EXPECT_EQ(h.latched(), (Ints{36, 40}));
    EXPECT_EQ(h.kb->SoundingNote(), 200);
    EXPECT_TRUE(h.text1().isEmpty());
    kb.HScroll1->setValue(2);
    EXPECT_EQ(h.marks(), (Ints{0, 4}));
    h.clickKey(0);
    EXPECT_TRUE(h.sent().empty());
    EXPECT_EQ(h.latched(), Ints{40});

    // Key(60) at key shift 3 plays 108; a key shift with nothing latched leaves the marks.
    kb.CheckHoldNote->click();
    kb.HScroll1->setValue(3);
    h.t.port->clear();
    h.press(h.onKey(60));
    kb.HScroll1->setValue(0);
    EXPECT_EQ(h.marks(), Ints{60});
    h.release(h.onKey(60));
    EXPECT_EQ(h.sent(), (Lines{"90 6c 50", "80 6c 40"}));
}

TEST(Keyboard, OpeningLoadsTheStoredStatesAsAUserChangeWould) {
    // Hold Note stored checked: the All Notes Off action runs once while loading; opening
    // clears the shared table and no stale mark stays drawn.
    const struct {
        int keyShift, clickKey, holdNote;
        Lines sent;
        const char* controls;
    } cases[] = {{3, 1, 1, {"b0 7b 00"}, "click 1, hold 1 enabled, chord enabled"},
                 // Hold Note without Click Key: loaded and stored as hover mode.
                 {2, 0, 1, {}, "click 0, hold 0 disabled, chord disabled"}};
    for (const auto& c : cases) {
        PartHost h;
        h.t.state.HeldNotes[70] = 1; // latched in another part window
        for (int r = PartRow::FirstSlider; r < PartRow::FirstSlider + 11; ++r)
            h.row(1, r) = 0;
        openPart(h, c.keyShift, c.clickKey, c.holdNote, 1, false);
        EXPECT_EQ(h.sent(), c.sent) << c.controls;
        EXPECT_EQ(h.controls(), c.controls);
        EXPECT_EQ(h.latched(), Ints{});
        EXPECT_EQ(h.marks(), Ints{});
        EXPECT_EQ(h.kb->KeyBase(), 12 + 12 * c.keyShift);
        EXPECT_EQ(h.row(1, PartRow::HoldNote), c.holdNote && c.clickKey);
    }
}

TEST(Keyboard, HoverPlaysEachKeyTheSweepReachesAndReleasesInTheLowestStrip) {
    PartHost h;
    openPart(h, 2, 0, 0);
    h.row(1, PartRow::VelocityOff) = 0x21; // release velocities differ from the Note On's
    h.t.state.makeCurrent(9);
    h.move(h.onWindow());
    for (int k : {0, 1, 2})
        h.move(h.onKey(k));
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 21", "90 25 50", "80 25 21", "90 26 50"}));
    EXPECT_EQ(h.t.state.currentPart(), 1);
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
    EXPECT_EQ(h.take(), (Lines{"80 26 21", "90 26 50", "80 26 21", "90 26 50"}));
    EXPECT_EQ(h.marks(), Ints{2});

    // The strip lines themselves, in twips as the handler takes them: black keys at 936.
    const int moves[][3] = {{3, 935, 39}, {3, 936, 200}, {5, 1367, 41}, {5, 1368, 200}};
    for (const auto& m : moves) {
        h.kb->Key_MouseMove(m[0], m[1]);
        EXPECT_EQ(h.kb->SoundingNote(), m[2]) << m[0] << " at " << m[1];
    }
    EXPECT_EQ(h.take(), (Lines{"80 26 21", "90 27 50", "80 27 21", "90 29 50", "80 29 21"}));

    // Leaving the keys onto the window releases and empties Text1; so does the frame, and
    // leaving the window straight from a key.
    h.move(h.onKey(3));
    h.move(h.onWindow());
    EXPECT_TRUE(h.text1().isEmpty());
    EXPECT_EQ(h.marks(), Ints{});
    h.move(h.onKey(40));
    h.move(h.kb->Frame1->mapTo(&h.main, twips::point(1000, 1500))); // between the labels
    h.move(h.onKey(0));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(h.kb->Frame1, &leave);
    EXPECT_EQ(h.take(),
              (Lines{"90 27 50", "80 27 21", "90 4c 50", "80 4c 21", "90 24 50", "80 24 21"}));

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
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 21"}));
}

TEST(Keyboard, ClickModeDragKeepsThePressedKeysNoteAndLatchesNothing) {
    PartHost h;
    openPart(h, 2, 1, 0);
    h.t.state.HeldNotes[41] = 1; // latched in another part window: plays as usual, stays so
    h.press(h.onKey(5));
    EXPECT_EQ(h.text1(), "F/Fa (41)");
    EXPECT_EQ(h.marks(), Ints{5});
    for (QPoint p : {h.onKey(6), h.onWindow(), h.onKey(7)})
        h.move(p);
    h.release(h.onKey(7));
    EXPECT_EQ(h.take(), (Lines{"90 29 50", "80 29 40"}));
    EXPECT_TRUE(h.text1().isEmpty());
    EXPECT_EQ(h.marks(), Ints{});
    EXPECT_EQ(h.latched(), Ints{41});
}

TEST(Keyboard, ModeChangesFollowTheTableAndAreStoredInThePartsRows) {
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
        PartHost h;
        openPart(h, 2, c.clickKey, c.holdNote, 4);
        if (c.holdNote == 1)
            h.clickKey(24);
        if (c.chord)
            h.click(h.centreOf(h.kb->CommHoldChord));
        ASSERT_EQ(h.kb->ChordActive(), c.chord ? 1 : 0) << from;
        h.t.port->clear();
        h.t.state.makeCurrent(2);
        h.click(h.centreOf(c.clickTheHoldNote ? h.kb->CheckHoldNote : h.kb->CheckClickKey));
        EXPECT_EQ(h.sent(), c.allNotesOff ? Lines{"b3 7b 00"} : Lines{}) << from;
        EXPECT_EQ(h.controls(), c.controls) << from;
        EXPECT_EQ(h.row(4, PartRow::ClickKey), c.row14) << from;
        EXPECT_EQ(h.row(4, PartRow::HoldNote), c.row15) << from;
        EXPECT_EQ(h.kb->ChordActive(), 0) << from;
        EXPECT_EQ(h.t.state.currentPart(), 4) << from;
        if (c.allNotesOff) {
            EXPECT_EQ(h.latched(), Ints{}) << from;
            EXPECT_EQ(h.marks(), Ints{}) << from;
        }
    }
}

TEST(Keyboard, HoldChordCapturesAndReplaysFromItsLowestNote) {
    PartHost h;
    openPart(h, 2, 1, 1);
    h.click(h.centreOf(h.kb->CommHoldChord)); // nothing latched: nothing taken
    EXPECT_EQ(h.kb->ChordActive(), 0);
    for (int k : {24, 28, 31})
        h.clickKey(k);
    h.t.port->clear();
    h.click(h.centreOf(h.kb->CommHoldChord));
    EXPECT_TRUE(h.sent().empty()); // capture sends nothing
    EXPECT_EQ(h.controls(), "click 1, hold 1 enabled, chord disabled");
    EXPECT_EQ(h.latched(), (Ints{60, 64, 67})); // still latched

    h.clickKey(26); // note 62
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 3e 50", "90 42 50", "90 45 50"}));
    EXPECT_EQ(h.text1(), "A/La (69)");
    EXPECT_EQ(h.latched(), (Ints{62, 66, 69}));
    EXPECT_EQ(h.marks(), (Ints{26, 30, 33}));

    // Each further press replays the stored chord, not the last replay; notes falling outside
    // the table are dropped.
    h.clickKey(0);
    h.clickKey(60); // 96: 100 and 103 fall outside
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 24 50", "90 28 50", "90 2b 50", "b0 7b 00",
                               "90 60 50", "90 64 50", "90 67 50"}));
    h.kb->HScroll1->setValue(3);
    h.clickKey(60); // 108
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 6c 50"}));

    // All Notes Off ends hold-chord mode; a key then latches a single note again.
    h.click(h.centreOf(h.kb->CommAllNoteOff));
    EXPECT_EQ(h.controls(), "click 1, hold 1 enabled, chord enabled");
    h.clickKey(12);
    EXPECT_EQ(h.sent(), (Lines{"b0 7b 00", "90 3c 50"}));
    EXPECT_EQ(h.latched(), Ints{60});
}

TEST(Keyboard, ChordIncludesNotesLatchedInAnotherPartWindowAndPlaysOnItsOwnChannel) {
    PartHost h;
    h.row(1, PartRow::HoldNote) = 1;
    h.row(2, PartRow::HoldNote) = 1;
    h.row(2, PartRow::Channel) = 10;
    frmPart* one = h.open(1);
    frmPart* two = h.open(2);          // opening a part window clears the shared table
    one->keyboard().Key_MouseDown(24); // part 1 latches 60
    two->keyboard().Key_MouseDown(28); // part 2 latches 64
    two->keyboard().CommHoldChord_Click();
    h.t.port->clear();
    two->keyboard().Key_MouseDown(26);
    two->keyboard().CheckClickKey->click();
    EXPECT_EQ(h.sent(), (Lines{"b9 7b 00", "99 3e 50", "99 42 50", "b9 7b 00"}));
    // Part 1's key keeps its mark until that window recolours its keys.
    EXPECT_TRUE(one->keyboard().isMarked(24));
    EXPECT_EQ(h.latched(), Ints{});
}

TEST(Keyboard, EveryNoteOnGetsItsNoteOffWhereItWent) {
    // Hold mode: the transposition and the release velocity change while 60 is latched.
    PartHost h;
    openPart(h, 2, 1, 1);
    h.clickKey(24);
    h.row(1, PartRow::Transposition) = 14;
    h.row(1, PartRow::VelocityOff) = 30;
    h.clickKey(24);
    EXPECT_EQ(h.take(), (Lines{"90 3c 50", "80 3c 1e"}));

    // Click mode: transposition changed, then the key shift turned with the wheel over the
    // key-shift bar, while the button is held.
    h.kb->CheckHoldNote->click();
    h.take();
    h.press(h.onKey(5));
    h.row(1, PartRow::Transposition) = 12;
    h.move(h.centreOf(h.kb->HScroll1));
    h.wheel(h.centreOf(h.kb->HScroll1), 1);
    ASSERT_NE(h.kb->KeyBase(), 36) << "the wheel turned the key-shift bar";
    h.release(h.centreOf(h.kb->HScroll1));
    EXPECT_EQ(h.take(), (Lines{"90 2b 50", "80 2b 1e"}));
    EXPECT_EQ(h.marks(), Ints{});
    ASSERT_EQ(h.kb->KeyBase(), 48);

    // Both buttons on one key: the press and release are those of the first button down and
    // the last one up.
    h.press(h.onKey(5));
    h.press(h.onKey(5), Qt::RightButton);
    h.release(h.onKey(5), Qt::RightButton);
    EXPECT_EQ(h.take(), (Lines{"90 35 50"}));
    h.release(h.onKey(5));
    EXPECT_EQ(h.take(), (Lines{"80 35 1e"}));

    // Checking Click Key with the space bar while a hover note sounds stops that note.
    h.click(h.centreOf(h.kb->CheckClickKey));
    h.move(h.onKey(7));
    h.kb->CheckClickKey->setFocus();
    QTest::keyClick(h.kb->CheckClickKey, Qt::Key_Space);
    EXPECT_EQ(h.take(), (Lines{"90 37 50", "80 37 1e"}));
    EXPECT_EQ(h.marks(), Ints{});

    // Click Key unchecked while the button is held: the release still stops the note.
    h.press(h.onKey(9));
    QTest::keyClick(h.kb->CheckClickKey, Qt::Key_Space);
    h.release(h.onKey(9));
    EXPECT_EQ(h.take(), (Lines{"90 39 50", "80 39 1e"}));
}

TEST(Keyboard, AHeldNoteStopsWhenItsWindowIsMinimizedDeactivatedOrClosed) {
    PartHost h;
    h.open(2);
    frmPart* one = h.open(1);
    // Another window activated while the button is held: the release still reaches the key.
    h.press(h.onKey(0));
    h.main.mdiArea()->setActiveSubWindow(h.main.PartWindow(2));
    h.release(h.onKey(0));
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40"}));
    // Minimized with the button held, or in hover mode with a note under the pointer.
    h.main.mdiArea()->setActiveSubWindow(one);
    h.press(h.onKey(2));
    one->showMinimized();
    QCoreApplication::processEvents();
    h.release(h.onKey(2));
    EXPECT_EQ(h.take(), (Lines{"90 26 50", "80 26 40"}));
    one->showNormal();
    h.kb->CheckClickKey->click();
    h.move(h.onKey(4));
    one->showMinimized();
    EXPECT_EQ(h.take(), (Lines{"90 28 50", "80 28 40"}));
    // The main window closed while a key is held: the part's notes stop.
    one->showNormal();
    h.kb->CheckClickKey->click();
    h.press(h.onKey(7));
    h.main.close();
    EXPECT_EQ(h.take(), (Lines{"90 2b 50", "b1 7b 00", "b0 7b 00"}));
}

TEST(Keyboard, PlainKeysAndMarksHaveTheirColours) {
    PartHost h;
    openPart(h, 2, 1, 1);
    // The colour at the centre of each key's mark: a black disc on a white key, a green one
    // on a black key, plain white and black keys otherwise.
    auto check = [&h](const Ints& marked) {
        const QImage image = h.w->Client->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.devicePixelRatio(), 1.0);
        for (int k = 0; k < Keyboard::KeyCount; ++k) {
            const bool black = h.kb->Key[k]->isBlack();
            const bool mark = std::find(marked.begin(), marked.end(), k) != marked.end();
            const QPoint centre = h.kb->Key[k]->mapTo(
                h.w->Client, QPoint((black ? 60 : 100) / 15, (black ? 711 : 1175) / 15));
            const QPoint outside = h.kb->Key[k]->mapTo(
                h.w->Client, QPoint((black ? 60 : 100) / 15, (black ? 300 : 1050) / 15));
            const QRgb plain = black ? 0x000000u : 0xFFFFFFu;
            EXPECT_EQ(image.pixel(centre) & 0xFFFFFF,
                      mark ? (black ? 0x00FF00u : 0x000000u) : plain)
                << k;
            EXPECT_EQ(image.pixel(outside) & 0xFFFFFF, plain) << k;
        }
    };
    for (int k : {24, 28, 31, 30, 34, 28, 30})
        h.clickKey(k);
    check({24, 31, 34});
}

// Scan codes (X11: the Linux input code + 8) of the places of the US keys Z, S, Q, 2 and U:
// keys 0, 1, 12, 13 and 23 above KeyBase.
enum Scan { Z = 52, S = 39, Q = 24, Two = 11, U = 30 };

TEST(Keyboard, ComputerKeysPlayAsClicksDo) {
    // Click, hold and chord mode at key shift 2: keys pressed and released one by one with the
    // mouse, then with the computer keys in a fresh window: the same messages, marks, latches
    // and note box after each.
    for (int mode : {0, 1, 2}) {
        std::vector<std::string> seen[2];
        for (bool computer : {false, true}) {
            PartHost h;
            openPart(h, 2, 1, mode > 0);
            if (mode == 2)
                for (QWidget* w : std::initializer_list<QWidget*>{h.kb->Key[0], h.kb->Key[4],
                                                                  h.kb->CommHoldChord})
                    h.click(h.centreOf(w));
            h.kb->Frame1->setFocus();
            h.take();
            for (auto [k, scan] : {std::pair{0, Z}, {13, Two}, {23, U}, {13, Two}, {12, Q}})
                for (bool down : {true, false}) {
                    if (computer)
                        h.key(down, scan);
                    else if (down)
                        h.press(h.onKey(k));
                    else
                        h.release(h.onKey(k));
                    std::string line;
                    for (const auto& m : h.take())
                        line += m + ",";
                    for (auto v : {h.marks(), h.latched()})
                        for (int n : v)
                            line += " " + std::to_string(n);
                    seen[computer].push_back(line + " " + h.text1().toStdString());
                }
        }
        EXPECT_EQ(seen[0], seen[1]) << mode;
        if (mode == 0) {
            EXPECT_EQ(seen[1].at(0), "90 24 50, 0 C/Do (36)");
        }
    }
}

TEST(Keyboard, ComputerKeysHoverRepeatLayoutsFocusAndShortcuts) {
    PartHost h;
    h.open(2);
    openPart(h, 2, 0, 0);
    // A click on a key gives the keyboard the focus. Hover mode: a key plays while held, beside
    // the note under the pointer.
    h.click(h.onKey(30));
    EXPECT_EQ(QApplication::focusWidget(), h.kb->Frame1);
    h.take();
    h.key(true, Z);
    h.move(h.onKey(5));
    h.key(false, Z);
    h.move(h.onWindow());
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 42 40", "90 29 50", "80 24 40", "80 29 40"}));
    // Click mode: auto-repeat ignored, two keys held at once; an AZERTY W (Z's place) and a key
    // with no scan code, by its US key; a press with a modifier plays nothing.
    h.kb->CheckClickKey->click();
    h.kb->Frame1->setFocus();
    h.key(true, Z, Qt::Key_W);
    h.key(false, Z, Qt::Key_W, {}, true);
    h.key(true, Z, Qt::Key_W, {}, true);
    h.key(true, 0, Qt::Key_S);
    h.key(true, Q, Qt::Key_A, Qt::ShiftModifier);
    h.key(false, Z, Qt::Key_W);
    h.key(false, 0, Qt::Key_S);
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "90 25 50", "80 24 40", "80 25 40"}));
    // One note started by two keys on either side of a key shift: its release stops both Note
    // Ons and takes both marks off (the first key now carries another note).
    h.key(true, 43); // key 8: note 44
    h.wheel(h.centreOf(h.kb->HScroll1), -1);
    h.kb->Frame1->setFocus();
    h.key(true, 15); // key 20: note 44 an octave down
    EXPECT_TRUE(h.kb->isMarked(8) && h.kb->isMarked(20));
    h.key(false, 15);
    h.key(false, 43);
    EXPECT_EQ(h.take(), (Lines{"90 2c 50", "90 2c 50", "80 2c 40", "80 2c 40"}));
    EXPECT_FALSE(h.kb->isMarked(8) || h.kb->isMarked(20));
    h.wheel(h.centreOf(h.kb->HScroll1), 1);
    // Focus, window and visibility lost: what the keys hold stops.
    h.key(true, Z);
    h.kb->CheckClickKey->setFocus();
    h.kb->Frame1->setFocus();
    h.key(true, S);
    h.main.mdiArea()->setActiveSubWindow(h.main.PartWindow(2));
    h.main.mdiArea()->setActiveSubWindow(h.w);
    h.kb->Frame1->setFocus();
    h.key(true, U);
    h.w->showMinimized();
    EXPECT_EQ(h.take(),
              (Lines{"90 24 50", "80 24 40", "90 25 50", "80 25 40", "90 3b 50", "80 3b 40"}));
    // Alt+C closes the window (its Close button), Ctrl+X exits.
    h.w->showNormal();
    h.kb->Frame1->setFocus();
    h.key(true, 54, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&h] { return h.w.isNull(); }, 1000)); // the click is animated
    h.open(3)->keyboard().Frame1->setFocus();
    h.key(true, 53, Qt::Key_X, Qt::ControlModifier);
    EXPECT_FALSE(h.main.isVisible());
}

namespace {

// A computer key as X11 delivers it on a busy machine: stamped with the server's time in ms, and
// a repeat's release and press not marked as such.
void x11Key(bool down, int scanCode, quint64 time) {
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, 0, {}, scanCode, 0, 0);
    e.setTimestamp(time);
    QApplication::sendEvent(QApplication::focusWidget(), &e);
}

// Waits for the grace to count a release (a Note Off goes out); what was sent, and forgets it.
Lines afterGrace(PartHost& h) {
    EXPECT_TRUE(QTest::qWaitFor(
        [&h] {
            const Lines sent = h.sent();
            return std::any_of(sent.begin(), sent.end(), [](auto& m) { return m[0] == '8'; });
        },
        3000));
    return h.take();
}

} // namespace

TEST(Keyboard, AHeldComputerKeySoundsOnceHoweverItsX11RepeatsArrive) {
    PartHost h;
    openPart(h, 2, 1, 0);
    // Long enough that two events sent one after the other never see it run out.
    h.kb->SetReleaseGrace(250);
    h.kb->Frame1->setFocus();
    // Z held 0.8 s: each repeat a release and a press of one instant (or the next ms), the press
    // at times only after the event loop has run; then the real release.
    quint64 t = 1000;
    x11Key(true, Z, t);
    for (int r = 0; r < 10; ++r) {
        t += r == 0 ? 500 : 33;
        x11Key(false, Z, t);
        if (r % 3 == 1)
            QCoreApplication::processEvents();
        x11Key(true, Z, t + (r % 4 == 2 ? 1 : 0));
    }
    x11Key(false, Z, t + 20);
    EXPECT_EQ(h.take(), Lines{"90 24 50"});
    EXPECT_EQ(afterGrace(h), Lines{"80 24 40"});

    // The user's own release and press play twice, the press after the grace or within it.
    x11Key(true, Z, 5000);
    x11Key(false, Z, 5100);
    EXPECT_EQ(afterGrace(h), (Lines{"90 24 50", "80 24 40"}));
    x11Key(true, Z, 5500);
    x11Key(false, Z, 5600);
    x11Key(true, Z, 5660);
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40", "90 24 50"}));
    // Another key pressed within the grace: the release counts first.
    x11Key(false, Z, 5700);
    x11Key(true, S, 5701);
    EXPECT_EQ(h.take(), (Lines{"80 24 40", "90 25 50"}));
    x11Key(false, S, 5750);
    EXPECT_EQ(afterGrace(h), Lines{"80 25 40"});

    // A repeat's press that comes only after the grace counted its release: the note has
    // ended and does not start again; the repeats that follow and the release send nothing.
    x11Key(true, Z, 7000);
    x11Key(false, Z, 7500);
    EXPECT_EQ(afterGrace(h), (Lines{"90 24 50", "80 24 40"}));
    x11Key(true, Z, 7500);
    x11Key(false, Z, 7533);
    x11Key(true, Z, 7533);
    x11Key(false, Z, 7540);
    QTest::qWait(400);
    EXPECT_EQ(h.take(), Lines{});

    // Hold mode: the repeats do not unlatch the note.
    h.kb->CheckHoldNote->click();
    h.kb->Frame1->setFocus();
    h.take();
    x11Key(true, U, 9000);
    x11Key(false, U, 9500);
    x11Key(true, U, 9500);
    x11Key(false, U, 9520);
    QTest::qWait(400);
    EXPECT_EQ(h.take(), Lines{"90 3b 50"});
    EXPECT_EQ(h.latched(), Ints{59});

    // Losing the focus, or the window minimized, releases at once, a release in its grace too.
    h.kb->CheckHoldNote->click();
    h.kb->Frame1->setFocus();
    h.take();
    x11Key(true, Z, 10000);
    x11Key(false, Z, 10500);
    h.kb->CheckClickKey->setFocus();
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40"}));
    h.kb->Frame1->setFocus();
    x11Key(true, S, 11000);
    x11Key(false, S, 11500);
    h.w->showMinimized();
    EXPECT_EQ(h.take(), (Lines{"90 25 50", "80 25 40"}));
}

TEST(Keyboard, TheX11ReleaseGraceDelaysTheNoteOffByItsLength) {
    PartHost h;
    openPart(h, 2, 1, 0);
    h.kb->SetReleaseGrace(40);
    h.kb->Frame1->setFocus();
    qint64 longest = 0;
    for (int i = 0; i < 5; ++i) {
        x11Key(true, Z, 1000 * i);
        h.take();
        QElapsedTimer clock;
        clock.start();
        x11Key(false, Z, 1000 * i + 500);
        while (h.sent().empty() && clock.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 latency = clock.nsecsElapsed() / 1000;
        EXPECT_EQ(h.take(), Lines{"80 24 40"});
        EXPECT_GE(latency, 40000);
        longest = std::max(longest, latency);
    }
    RecordProperty("longest_release_latency_us", static_cast<int>(longest));
}
