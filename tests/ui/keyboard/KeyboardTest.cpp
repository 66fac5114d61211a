// The keyboard of a real part window, played with the pointer and the computer keys as a user
// plays it.
#include "../part/PartHost.h"

#include <QElapsedTimer>
#include <QImage>
#include <gtest/gtest.h>

using Lines = std::vector<std::string>;
using Ints = std::vector<int>;

namespace {

// Opens part 1 (or `part`) with the given key shift and modes stored; its keyboard's driver.
KeyboardDriver& openPart(PartHost& h, int keyShift, int clickKey, int holdNote, int part = 1,
                         bool forget = true) {
    h.row(part, PartRow::KeyShift) = static_cast<std::uint8_t>(keyShift);
    h.row(part, PartRow::ClickKey) = static_cast<std::uint8_t>(clickKey);
    h.row(part, PartRow::HoldNote) = static_cast<std::uint8_t>(holdNote);
    h.open(part, forget);
    return h.keys();
}

} // namespace

TEST(Keyboard, HoldModeLatchesAndTheKeyShiftMovesTheMarks) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 2, 1, 1);
    k.clickKeys({10, 10});
    QTest::mouseDClick(h.main.windowHandle(), Qt::LeftButton, {}, k.onKey(0)); // two presses
    EXPECT_EQ(h.take(), (Lines{"90 2e 50", "80 2e 40", "90 24 50", "80 24 40"}));
    k.clickKeys({24, 0, 4});
    EXPECT_EQ(h.take(), (Lines{"90 3c 50", "90 24 50", "90 28 50"}));
    EXPECT_EQ(k.noteBox(), "E/Mi (40)");

    // A key shift moves the range, the labels and the marks, makes the part current and sends
    // nothing.
    h.t.state.makeCurrent(7);
    k.setKeyShift(1);
    EXPECT_EQ(h.t.state.currentPart(), 1);
    EXPECT_EQ(k.marks(), (Ints{12, 16, 36}));
    k.setKeyShift(3); // 36 and 40 out of view
    EXPECT_EQ(k.marks(), Ints{12});
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(k.control<QLabel>(QStringLiteral("Label1_%1").arg(i))->text(),
                  QStringLiteral("C%1").arg(i + 3));
    EXPECT_TRUE(h.sent().empty());

    // All Notes Off clears only the shown latches; 36 is marked again when back in view, and
    // its sound was stopped: clicking it unlatches and sends nothing.
    k.clickAllNotesOff();
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00"}));
    EXPECT_EQ(h.latched(), (Ints{36, 40}));
    EXPECT_TRUE(k.noteBox().isEmpty());
    k.setKeyShift(2);
    EXPECT_EQ(k.marks(), (Ints{0, 4}));
    k.clickKeys({0});
    EXPECT_TRUE(h.sent().empty());
    EXPECT_EQ(h.latched(), Ints{40});

    // Key 60 at key shift 3 plays 108; a key shift with nothing latched leaves the marks.
    k.clickHoldNote();
    k.setKeyShift(3);
    h.t.port->clear();
    k.pressKey(60);
    k.setKeyShift(0);
    EXPECT_EQ(k.marks(), Ints{60});
    k.releaseKey(60);
    EXPECT_EQ(h.sent(), (Lines{"90 6c 50", "80 6c 40"}));
}

TEST(Keyboard, HoverPlaysEachKeyTheSweepReachesAndReleasesInTheLowestStrip) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 2, 0, 0);
    Pointer& p = h.pointer;
    h.part().setSlider(3, 0x21); // release velocities differ from the Note On's
    h.t.state.makeCurrent(9);
    p.move(k.onWindow());
    for (int key : {0, 1, 2})
        k.hover(key);
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 21", "90 25 50", "80 25 21", "90 26 50"}));
    EXPECT_EQ(h.t.state.currentPart(), 1);
    EXPECT_EQ(k.marks(), Ints{2});

    // The lowest strip starts at 1368 twips on a white key, 936 on a black one; a release there
    // keeps the text. Moving within the strip replays and releases again; moving up replays.
    for (int y : {1365, 1380})
        p.move(k.onKey(2, 100, y));
    EXPECT_EQ(k.noteBox(), "D/Re (38)");
    EXPECT_EQ(k.marks(), Ints{});
    p.move(k.onKey(2, 100, 1395));
    p.move(k.onKey(2, 120, 1380));
    k.hover(2);
    for (auto [key, y] : {std::pair{3, 930}, {3, 945}, {5, 1365}, {5, 1380}})
        p.move(k.onKey(key, 78, y));
    EXPECT_EQ(h.take(), (Lines{"80 26 21", "90 26 50", "80 26 21", "90 26 50", "80 26 21",
                               "90 27 50", "80 27 21", "90 29 50", "80 29 21"}));

    // Leaving the keys onto the window releases and empties the note box; so does the frame,
    // and leaving the window straight from a key.
    k.hover(3);
    p.move(k.onWindow());
    EXPECT_TRUE(k.noteBox().isEmpty());
    EXPECT_EQ(k.marks(), Ints{});
    k.hover(40);
    p.move(k.control("Frame1")->mapTo(&h.main, twips::point(1000, 1500))); // between labels
    k.hover(0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(k.control("Frame1"), &leave);
    EXPECT_EQ(h.take(),
              (Lines{"90 27 50", "80 27 21", "90 4c 50", "80 4c 21", "90 24 50", "80 24 21"}));

    // No glide while a button is held: the press does nothing and the moves still belong to
    // key 0, above its strip; dragging below key 0 reaches its lowest strip.
    k.hover(0);
    k.pressKey(0);
    k.hover(2);
    k.hover(4);
    k.releaseKey(4);
    k.pressKey(0);
    p.move(k.onKey(5, 100, 1500));
    p.release(k.onKey(5, 100, 1500));
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 21"}));
}

TEST(Keyboard, ModeChangesFollowTheTableAndAreStoredInThePartsRows) {
    // From a mode (Click Key, Hold Note, a chord held or not), one box clicked: whether the
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
        KeyboardDriver& k = openPart(h, 2, c.clickKey, c.holdNote, 4);
        if (c.holdNote == 1)
            k.clickKeys({24});
        if (c.chord)
            k.clickHoldChord();
        h.t.port->clear();
        h.t.state.makeCurrent(2);
        c.clickTheHoldNote ? k.clickHoldNote() : k.clickClickKey();
        EXPECT_EQ(h.sent(), c.allNotesOff ? Lines{"b3 7b 00"} : Lines{}) << from;
        EXPECT_EQ(k.controls(), c.controls) << from;
        EXPECT_EQ(h.row(4, PartRow::ClickKey), c.row14) << from;
        EXPECT_EQ(h.row(4, PartRow::HoldNote), c.row15) << from;
        EXPECT_EQ(h.t.state.currentPart(), 4) << from;
        if (c.allNotesOff) {
            EXPECT_EQ(h.latched(), Ints{}) << from;
            EXPECT_EQ(k.marks(), Ints{}) << from;
        }
        // No chord is left: in click mode a key plays its own note.
        if (c.controls[6] == '1') {
            h.t.port->clear();
            k.clickKeys({26});
            const Lines played = c.row15 ? Lines{"93 3e 50"} : Lines{"93 3e 50", "83 3e 40"};
            EXPECT_EQ(h.sent(), played) << from;
        }
    }
}

TEST(Keyboard, HoldChordCapturesAndReplaysTransposedFromItsLowestNote) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 2, 1, 1);
    h.part().chooseTransposition(10); // +2
    k.clickHoldChord();               // nothing latched: nothing taken
    EXPECT_EQ(k.controls(), "click 1, hold 1 enabled, chord enabled");
    k.clickKeys({24, 28, 31});
    h.t.port->clear();
    k.clickHoldChord();
    EXPECT_TRUE(h.sent().empty()); // capture sends nothing
    EXPECT_EQ(k.controls(), "click 1, hold 1 enabled, chord disabled");
    EXPECT_EQ(h.latched(), (Ints{60, 64, 67})); // still latched

    // Replayed from 62: the chord's notes, transposed as every note of the part.
    k.clickKeys({26});
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 40 50", "90 44 50", "90 47 50"}));
    EXPECT_EQ(k.noteBox(), "A/La (69)");
    EXPECT_EQ(h.latched(), (Ints{62, 66, 69}));
    EXPECT_EQ(k.marks(), (Ints{26, 30, 33}));

    // Each further press replays the stored chord, not the last replay; notes falling outside
    // the table are dropped.
    k.clickKeys({0, 60}); // 96, 100, 103
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 26 50", "90 2a 50", "90 2d 50", "b0 7b 00",
                               "90 62 50", "90 66 50", "90 69 50"}));
    k.setKeyShift(3);
    k.clickKeys({60}); // 108: 112 and 115 fall outside
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00", "90 6e 50"}));

    // All Notes Off ends hold-chord mode; a key then latches a single note again, and its
    // second click releases it where it went.
    k.clickAllNotesOff();
    EXPECT_EQ(k.controls(), "click 1, hold 1 enabled, chord enabled");
    k.clickKeys({12, 12});
    EXPECT_EQ(h.sent(), (Lines{"b0 7b 00", "90 3e 50", "80 3e 40"}));
}

TEST(Keyboard, ChordIncludesNotesLatchedInAnotherPartWindowAndPlaysOnItsOwnChannel) {
    PartHost h;
    h.row(1, PartRow::HoldNote) = 1;
    h.row(2, PartRow::HoldNote) = 1;
    h.row(2, PartRow::Channel) = 10;
    h.open(1);
    PartWindowDriver one = h.part();
    h.open(2); // opening a part window clears the shared table
    KeyboardDriver& two = h.keys();
    one.keys.tapKey(24); // part 1 latches 60
    two.tapKey(28);      // part 2 latches 64
    two.clickHoldChord();
    h.t.port->clear();
    two.tapKey(26);
    two.clickClickKey();
    EXPECT_EQ(h.sent(), (Lines{"b9 7b 00", "99 3e 50", "99 42 50", "b9 7b 00"}));
    // Part 1's key keeps its mark until that window recolours its keys.
    EXPECT_EQ(one.keys.marks(), Ints{24});
    EXPECT_EQ(h.latched(), Ints{});
}

TEST(Keyboard, EveryNoteOnGetsItsNoteOffWhereItWent) {
    // Hold mode: the transposition and the release velocity change while 60 is latched.
    PartHost h;
    KeyboardDriver& k = openPart(h, 2, 1, 1);
    k.clickKeys({24});
    h.part().chooseTransposition(10); // +2
    h.part().setSlider(3, 30);        // Vel Off
    k.clickKeys({24});
    EXPECT_EQ(h.take(), (Lines{"90 3c 50", "80 3c 1e"}));

    // Click mode: the button held on a key and dragged over the keys and the window to the
    // key-shift bar; meanwhile the transposition changes and the wheel turns the key shift. A
    // note latched in another part window plays as usual and stays latched.
    k.clickHoldNote();
    h.t.state.HeldNotes[41] = 1;
    h.take();
    k.pressKey(5);
    EXPECT_EQ(k.noteBox(), "F/Fa (41)");
    EXPECT_EQ(k.marks(), Ints{5});
    h.part().chooseTransposition(12);
    for (QPoint p : {k.onKey(6), k.onWindow(), h.pointer.centreOf(k.control("HScroll1"))})
        h.pointer.move(p);
    k.turnKeyShift(1);
    h.pointer.release(h.pointer.centreOf(k.control("HScroll1")));
    EXPECT_EQ(h.take(), (Lines{"90 2b 50", "80 2b 1e"}));
    EXPECT_EQ(k.marks(), Ints{});
    EXPECT_TRUE(k.noteBox().isEmpty());
    EXPECT_EQ(h.latched(), Ints{41});
    ASSERT_EQ(k.keyBase(), 48);

    // Both buttons on one key: the press and release are those of the first button down and
    // the last one up.
    k.pressKey(5);
    h.pointer.press(k.onKey(5), Qt::RightButton);
    h.pointer.release(k.onKey(5), Qt::RightButton);
    EXPECT_EQ(h.take(), (Lines{"90 35 50"}));
    k.releaseKey(5);
    EXPECT_EQ(h.take(), (Lines{"80 35 1e"}));

    // Checking Click Key with the space bar while a hover note sounds stops that note; Click
    // Key unchecked while the button is held: the release still stops the note.
    k.clickClickKey();
    k.hover(7);
    auto* clickKey = k.control("CheckClickKey");
    clickKey->setFocus();
    QTest::keyClick(clickKey, Qt::Key_Space);
    EXPECT_EQ(k.marks(), Ints{});
    k.pressKey(9);
    QTest::keyClick(clickKey, Qt::Key_Space);
    k.releaseKey(9);
    EXPECT_EQ(h.take(), (Lines{"90 37 50", "80 37 1e", "90 39 50", "80 39 1e"}));
}

TEST(Keyboard, AHeldNoteStopsWhenItsWindowIsMinimizedDeactivatedOrClosed) {
    PartHost h;
    h.open(2);
    frmPart* one = h.open(1);
    KeyboardDriver& k = h.keys();
    // Another window activated while the button is held: the release still reaches the key.
    k.pressKey(0);
    h.main.mdiArea()->setActiveSubWindow(h.main.PartWindow(2));
    k.releaseKey(0);
    // Minimized with the button held, or in hover mode with a note under the pointer.
    h.main.mdiArea()->setActiveSubWindow(one);
    k.pressKey(2);
    one->showMinimized();
    QCoreApplication::processEvents();
    k.releaseKey(2);
    one->showNormal();
    k.clickClickKey();
    k.hover(4);
    one->showMinimized();
    EXPECT_EQ(h.take(),
              (Lines{"90 24 50", "80 24 40", "90 26 50", "80 26 40", "90 28 50", "80 28 40"}));
    // The main window closed while a key is held: the part's notes stop.
    one->showNormal();
    k.clickClickKey();
    k.pressKey(7);
    h.main.close();
    EXPECT_EQ(h.take(), (Lines{"90 2b 50", "b1 7b 00", "b0 7b 00"}));
}

TEST(Keyboard, PlainKeysAndMarksHaveTheirColours) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 2, 1, 1);
    k.clickKeys({24, 28, 31, 30, 34, 28, 30});
    // The colour at the centre of each key's mark: a black disc on a white key, a green one on
    // a black key, plain white and black keys otherwise.
    QWidget* client = k.client();
    const QImage image = client->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.devicePixelRatio(), 1.0);
    for (int key = 0; key < Keyboard::KeyCount; ++key) {
        const bool black = k.key(key)->isBlack();
        const bool mark = key == 24 || key == 31 || key == 34;
        auto at = [&](int y) {
            return image.pixel(k.key(key)->mapTo(client, QPoint((black ? 60 : 100) / 15, y / 15))) &
                   0xFFFFFF;
        };
        const QRgb plain = black ? 0x000000u : 0xFFFFFFu;
        EXPECT_EQ(at(black ? 711 : 1175), mark ? (black ? 0x00FF00u : 0x000000u) : plain) << key;
        EXPECT_EQ(at(black ? 300 : 1050), plain) << key;
    }
}

TEST(Keyboard, ComputerKeysPlayAsClicksDo) {
    // Click, hold and chord mode at key shift 2: keys pressed and released one by one with the
    // mouse, then with the computer keys in a fresh window: the same messages, marks, latches
    // and note box after each.
    for (int mode : {0, 1, 2}) {
        std::vector<std::string> seen[2];
        for (bool computer : {false, true}) {
            PartHost h;
            KeyboardDriver& k = openPart(h, 2, 1, mode > 0);
            if (mode == 2) {
                k.clickKeys({0, 4});
                k.clickHoldChord();
            }
            k.focus();
            h.take();
            for (auto [key, scan] : {std::pair{0, Z}, {13, Two}, {23, U}, {13, Two}, {12, Q}})
                for (bool down : {true, false}) {
                    if (computer)
                        h.pointer.key(down, scan);
                    else
                        down ? k.pressKey(key) : k.releaseKey(key);
                    std::string line;
                    for (const auto& m : h.take())
                        line += m + ",";
                    for (auto v : {k.marks(), h.latched()})
                        for (int n : v)
                            line += " " + std::to_string(n);
                    seen[computer].push_back(line + " " + k.noteBox().toStdString());
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
    KeyboardDriver& k = openPart(h, 2, 0, 0);
    Pointer& p = h.pointer;
    // A click on a key gives the keyboard the focus. Hover mode: a key plays while held, beside
    // the note under the pointer.
    k.clickKeys({30});
    EXPECT_EQ(QApplication::focusWidget(), k.control("Frame1"));
    h.take();
    p.key(true, Z);
    k.hover(5);
    p.key(false, Z);
    p.move(k.onWindow());
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 42 40", "90 29 50", "80 24 40", "80 29 40"}));
    // Click mode: auto-repeat ignored, two keys held at once; an AZERTY W (Z's place) and a key
    // with no scan code, by its US key; a press with a modifier plays nothing.
    k.clickClickKey();
    k.focus();
    p.key(true, Z, Qt::Key_W);
    p.key(false, Z, Qt::Key_W, {}, true);
    p.key(true, Z, Qt::Key_W, {}, true);
    p.key(true, 0, Qt::Key_S);
    p.key(true, Q, Qt::Key_A, Qt::ShiftModifier);
    p.key(false, Z, Qt::Key_W);
    p.key(false, 0, Qt::Key_S);
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "90 25 50", "80 24 40", "80 25 40"}));
    // One note started by two keys on either side of a key shift: its release stops both Note
    // Ons and takes both marks off (the first key now carries another note).
    p.key(true, 43); // key 8: note 44
    k.turnKeyShift(-1);
    k.focus();
    p.key(true, 15); // key 20: note 44 an octave down
    EXPECT_EQ(k.marks(), (Ints{8, 20}));
    p.key(false, 15);
    p.key(false, 43);
    EXPECT_EQ(h.take(), (Lines{"90 2c 50", "90 2c 50", "80 2c 40", "80 2c 40"}));
    EXPECT_EQ(k.marks(), Ints{});
    k.turnKeyShift(1);
    // Focus, window and visibility lost: what the keys hold stops.
    p.key(true, Z);
    k.control("CheckClickKey")->setFocus();
    k.focus();
    p.key(true, S);
    h.main.mdiArea()->setActiveSubWindow(h.main.PartWindow(2));
    h.main.mdiArea()->setActiveSubWindow(h.w);
    k.focus();
    p.key(true, U);
    h.w->showMinimized();
    EXPECT_EQ(h.take(),
              (Lines{"90 24 50", "80 24 40", "90 25 50", "80 25 40", "90 3b 50", "80 3b 40"}));
    // Alt+C closes the window (its Close button), Ctrl+X exits.
    h.w->showNormal();
    k.focus();
    p.key(true, 54, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&h] { return h.w.isNull(); }, 1000)); // the click is animated
    h.open(3);
    h.keys().focus();
    p.key(true, 53, Qt::Key_X, Qt::ControlModifier);
    EXPECT_FALSE(h.main.isVisible());
}

namespace {

// Computer keys as X11 delivers them on a busy machine: down or up, scan code, stamped with the
// server's time in ms, and a repeat's release and press not marked as such.
struct X11Key {
    bool down;
    int scanCode;
    quint64 time;
};
void x11Keys(std::initializer_list<X11Key> keys) {
    for (const X11Key& k : keys) {
        QKeyEvent e(k.down ? QEvent::KeyPress : QEvent::KeyRelease, 0, {}, k.scanCode, 0, 0);
        e.setTimestamp(k.time);
        QApplication::sendEvent(QApplication::focusWidget(), &e);
    }
}

// Waits for the grace to count a release (a Note Off goes out, no sooner than the grace of 250 ms
// set below allows); what was sent, and forgets it.
Lines afterGrace(PartHost& h) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(QTest::qWaitFor(
        [&h] {
            const Lines sent = h.sent();
            return std::any_of(sent.begin(), sent.end(), [](auto& m) { return m[0] == '8'; });
        },
        3000));
    EXPECT_GE(clock.elapsed(), 200) << "the release waits for its grace";
    return h.take();
}

} // namespace

TEST(Keyboard, AHeldComputerKeySoundsOnceHoweverItsX11RepeatsArrive) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 2, 1, 0);
    // Long enough that two events sent one after the other never see it run out.
    h.kb->SetReleaseGrace(250);
    k.focus();
    // Z held 0.8 s: each repeat a release and a press of one instant (or the next ms), the press
    // at times only after the event loop has run; then the real release.
    quint64 t = 1000;
    x11Keys({{true, Z, t}});
    for (int r = 0; r < 10; ++r) {
        t += r == 0 ? 500 : 33;
        x11Keys({{false, Z, t}});
        if (r % 3 == 1)
            QCoreApplication::processEvents();
        x11Keys({{true, Z, t + (r % 4 == 2 ? 1 : 0)}});
    }
    x11Keys({{false, Z, t + 20}});
    EXPECT_EQ(h.take(), Lines{"90 24 50"});
    EXPECT_EQ(afterGrace(h), Lines{"80 24 40"});

    // The user's own release and press play twice, the press after the grace or within it.
    x11Keys({{true, Z, 5000}, {false, Z, 5100}});
    EXPECT_EQ(afterGrace(h), (Lines{"90 24 50", "80 24 40"}));
    x11Keys({{true, Z, 5500}, {false, Z, 5600}, {true, Z, 5660}});
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40", "90 24 50"}));
    // Another key pressed within the grace: the release counts first.
    x11Keys({{false, Z, 5700}, {true, S, 5701}});
    EXPECT_EQ(h.take(), (Lines{"80 24 40", "90 25 50"}));
    x11Keys({{false, S, 5750}});
    EXPECT_EQ(afterGrace(h), Lines{"80 25 40"});

    // A repeat's press that comes only after the grace counted its release: the note has ended
    // and does not start again; the repeats that follow and the release send nothing.
    x11Keys({{true, Z, 7000}, {false, Z, 7500}});
    EXPECT_EQ(afterGrace(h), (Lines{"90 24 50", "80 24 40"}));
    x11Keys({{true, Z, 7500}, {false, Z, 7533}, {true, Z, 7533}, {false, Z, 7540}});
    QTest::qWait(400);
    EXPECT_EQ(h.take(), Lines{});

    // Hold mode: the repeats do not unlatch the note.
    k.clickHoldNote();
    k.focus();
    h.take();
    x11Keys({{true, U, 9000}, {false, U, 9500}, {true, U, 9500}, {false, U, 9520}});
    QTest::qWait(400);
    EXPECT_EQ(h.take(), Lines{"90 3b 50"});
    EXPECT_EQ(h.latched(), Ints{59});

    // Losing the focus, or the window minimized, releases at once, a release in its grace too.
    k.clickHoldNote();
    k.focus();
    h.take();
    x11Keys({{true, Z, 10000}, {false, Z, 10500}});
    k.control("CheckClickKey")->setFocus();
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40"}));
    k.focus();
    x11Keys({{true, S, 11000}, {false, S, 11500}});
    h.w->showMinimized();
    EXPECT_EQ(h.take(), (Lines{"90 25 50", "80 25 40"}));
}
