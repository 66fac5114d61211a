// The keyboard of a real part window, played with the pointer and the computer keys as a user
// plays it (the actions of KeyboardDriver::act). Expected bytes are every message sent, in
// order: "90 3c 50 80 3c 40".
#include "../part/PartHost.h"
#include "support/drivers/TouchDriver.h"

#include <gtest/gtest.h>

namespace {

// Opens part 1 (or `part`) with the modes stored, at the first-run key shift 2 (keys 0..60 play
// 36..96); its keyboard's driver.
KeyboardDriver& openPart(PartHost& h, int clickKey, int holdNote, int part = 1) {
    h.row(part, PartRow::ClickKey) = static_cast<std::uint8_t>(clickKey);
    h.row(part, PartRow::HoldNote) = static_cast<std::uint8_t>(holdNote);
    h.open(part);
    return h.keys();
}

std::string join(const std::vector<int>& v) {
    std::string s;
    for (int n : v)
        s += (s.empty() ? "" : " ") + std::to_string(n);
    return s;
}

// A step of play and what must follow it: the bytes sent, and where given the keys marked, the
// notes latched in the part windows and the note box.
struct Step {
    const char *act, *sent, *marks = nullptr, *latched = nullptr, *box = nullptr;
};
void play(PartHost& h, KeyboardDriver& k, std::initializer_list<Step> steps) {
    for (const Step& s : steps) {
        k.act(s.act);
        const std::string shown[] = {h.out(), join(k.marks()), join(h.latched()),
                                     k.noteBox().toStdString()};
        const char* const want[] = {s.sent, s.marks, s.latched, s.box};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(want[i] ? shown[i] : "", want[i] ? want[i] : "") << s.act;
    }
}

// Computer keys as X11 delivers them on a busy machine, each "+Z1000" (down) or "-Z1000" (up)
// with the server's time in ms, a repeat's release and press not marked as such. "." lets the
// event loop run, "~" waits until the grace (250 ms) counted a release and a Note Off went out.
void x11(PartHost& h, const std::string& keys) {
    std::istringstream in(keys);
    for (std::string k; in >> k;)
        if (k == ".")
            QCoreApplication::processEvents();
        else if (k == "~")
            EXPECT_TRUE(QTest::qWaitFor(
                [&h] { return h.sent().size() && h.sent().back()[0] == '8'; }, 3000));
        else
            h.pointer.key(k[0] == '+', k[1] == 'Z' ? Z : S, 0, {}, false, std::stoull(k.substr(2)));
}

} // namespace

// Part 1 in hold mode, then in click mode.
TEST(Keyboard, ClickAndHoldPlayWhereTheKeyShiftSaysAndEachNoteOffGoesWhereItsNoteOnWent) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 1, 1);
    play(h, k,
         {{"click 10 10; dclick 0; click 24 0 4 30",
           "90 2e 50 80 2e 40 90 24 50 80 24 40 90 3c 50 90 24 50 90 28 50 90 42 50", "0 4 24 30",
           "36 40 60 66", "F#/Fa# (66)"}});
    // A key shift moves the range, the labels and the marks, makes the part current and sends
    // nothing. All Notes Off clears only the latches in view; 36 is marked again when back in
    // view, but was stopped: clicking it only unlatches it.
    h.t.state.makeCurrent(7);
    play(h, k,
         {{"shift 1", "", "12 16 36 42"},
          {"shift 3", "", "12 18"},
          {"CommAllNoteOff", "b0 7b 00", "", "36 40", ""},
          {"shift 2", "", "0 4"},
          {"click 0", "", "4", "40"},
          {"click 24", "90 3c 50"}});
    EXPECT_EQ(h.t.state.currentPart(), 1);
    // The transposition and the release velocity change while 60 sounds.
    h.part().transposition()->setCurrentIndex(10); // +2
    h.part().setSlider(3, 30);                     // Vel Off
    play(h, k, {{"click 24", "80 3c 1e"}, {"CheckHoldNote", "b0 7b 00", "", ""}});

    // Click mode: the button held on a key and dragged over the keys and the window to the
    // key-shift bar; meanwhile the transposition changes and the wheel turns the key shift. A
    // note latched in another part window plays as usual and stays latched.
    h.t.state.HeldNotes[41] = 1;
    play(h, k, {{"press 5", "90 2b 50", "5", "41", "F/Fa (41)"}});
    h.part().transposition()->setCurrentIndex(12);
    play(h, k, {{"hover 6; window; bar; wheel 1; release", "80 2b 1e", "", "41", ""}});
    // Key 60 at key shift 3 plays 108; a key shift with nothing latched leaves its mark, and
    // the release goes where the note went.
    h.t.state.HeldNotes[41] = 0;
    play(h, k, {{"press 60; shift 0", "90 6c 50", "60"}, {"release 60", "80 6c 1e", ""}});
}

TEST(Keyboard, HoldChordTakesEveryLatchedNoteAndReplaysItTransposedOnItsOwnChannel) {
    PartHost h;
    KeyboardDriver two = openPart(h, 1, 1, 2);
    h.row(1, PartRow::Channel) = 10;
    KeyboardDriver& k = openPart(h, 1, 1);         // opening clears the latches of every part
    h.part().transposition()->setCurrentIndex(10); // +2
    k.act("CommHoldChord"); // nothing latched: nothing taken, the keys below play as usual
    k.clickKeys({24, 28});
    two.tapKey(31); // latched in part 2, on its channel
    h.main.mdiArea()->setActiveSubWindow(h.w);
    play(h, k, {{"CommHoldChord", "99 3e 50 99 42 50 91 43 50", "24 28", "60 64 67"}});
    EXPECT_EQ(k.controls(), "click 1 hold 1 [chord]");
    // Replayed from 62 on this part's channel, transposed as every note of the part (the note
    // engine's table has the chord's other rules). Unchecking Hold Note ends the chord, stops
    // the notes and disables Hold Chord: a key plays its own note.
    play(h, k,
         {{"click 26", "b9 7b 00 99 40 50 99 44 50 99 47 50", "26 30 33", "62 66 69", "A/La (69)"},
          {"CheckHoldNote; click 12", "b9 7b 00 99 32 50 89 32 40", "", ""}});
    EXPECT_EQ(join(two.marks()), "31"); // until that window recolours its keys
    EXPECT_EQ(k.controls(), "click 1 hold 0 [chord]");
}

TEST(Keyboard, HoverPlaysEachKeyTheSweepReachesAndReleasesInTheLowestStrip) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 0, 0);
    h.part().setSlider(3, 0x21); // release velocities differ from the Note On's
    // The lowest strip starts at 1368 twips on a white key, 936 on a black one; a release there
    // keeps the text. Moving within the strip replays and releases again; moving up replays.
    // Leaving the keys onto the window releases.
    play(
        h, k,
        {{"window; hover 0; hover 1; hover 2", "90 24 50 80 24 21 90 25 50 80 25 21 90 26 50", "2"},
         {"hover 2 100 1365; hover 2 100 1380", "80 26 21", "", nullptr, "D/Re (38)"},
         {"hover 2 100 1395; hover 2 120 1380; hover 2; hover 3 78 930; hover 3 78 945",
          "90 26 50 80 26 21 90 26 50 80 26 21 90 27 50 80 27 21"},
         {"hover 5 78 1365; hover 5 78 1380; hover 3; window",
          "90 29 50 80 29 21 90 27 50 80 27 21", "", nullptr, ""},
         // No glide while a button is held: the press does nothing and the moves belong to key
         // 0, above its strip; dragging below key 0 reaches its lowest strip.
         {"hover 0; press 0; hover 2; hover 4; release 4; press 0; hover 5 100 1500; release",
          "90 24 50 80 24 21"}});
}

TEST(Keyboard, WhatAKeyHoldsStopsWhenItsWindowIsDeactivatedMinimizedOrClosed) {
    PartHost h;
    h.open(2);
    frmPart* one = h.open(1);
    KeyboardDriver& k = h.keys();
    // A note held by the button or a computer key; then the keyboard loses the focus, another
    // window is activated or the window is minimized: the note stops once, at once or when the
    // button comes up. A hover note stops when its window is minimized.
    for (std::string c : {"press 0/0", "press 0/1", "press 0/2", "down 52/0", "down 52/1",
                          "down 52/2", "hover 0/2"}) {
        SCOPED_TRACE(c);
        h.main.mdiArea()->setActiveSubWindow(one);
        one->showNormal();
        k.control<QCheckBox>("CheckClickKey")->setChecked(c[0] != 'h');
        k.focus();
        h.take();
        k.act(c.substr(0, c.size() - 2));
        if (c.back() == '0')
            k.control("CheckHoldNote")->setFocus();
        else if (c.back() == '1')
            h.main.mdiArea()->setActiveSubWindow(h.main.PartWindow(2));
        else
            one->showMinimized();
        QCoreApplication::processEvents();
        play(h, k, {{c[0] == 'p' ? "release 0" : "", "90 24 50 80 24 40", ""}});
    }
    one->showNormal();
    k.focus();
    // Alt+C closes the window (its Close button, animated). Ctrl+X exits while a key of another
    // part is held: every part's notes stop. Neither plays its key's note.
    h.pointer.key(true, 54, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([one = QPointer(one)] { return one.isNull(); }, 1000));
    h.open(3);
    QTest::mousePress(h.keys().keys(), Qt::LeftButton, {}, h.keys().keys()->keyRect(7).center());
    h.pointer.key(true, 53, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(h.out(), "92 2b 50 b1 7b 00 b2 7b 00");
}

TEST(Keyboard, ComputerKeysPlayAsClicksDo) {
    // Keys pressed and released one by one with the mouse, then with the computer keys in a fresh
    // window: the same messages, marks and note box (the note engine's table has the latching and
    // the chord, whatever plays them).
    std::vector<std::string> seen[2];
    for (bool computer : {false, true}) {
        PartHost h;
        KeyboardDriver& k = openPart(h, 1, 0);
        k.focus();
        for (auto [key, scan] : {std::pair{0, Z}, {13, Two}, {23, U}, {13, Two}, {12, Q}})
            for (bool down : {true, false}) {
                computer ? h.pointer.key(down, scan) : down ? k.pressKey(key) : k.releaseKey(key);
                seen[computer].push_back(h.out() + ", " + join(k.marks()) + ", " +
                                         k.noteBox().toStdString());
            }
    }
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[0][0], "90 24 50, 0, C/Do (36)");
}

TEST(Keyboard, AHeldComputerKeySoundsOnceHoweverItsX11RepeatsArrive) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 1, 0);
    // Long enough that two events sent one after the other never see it run out.
    h.w->keyboard().SetReleaseGrace(250);
    k.focus();
    const std::pair<const char*, const char*> steps[] = {
        // Z held 0.8 s: each repeat a release and a press of one instant (or the next ms), the
        // press at times only after the event loop has run; then the real release.
        {"+Z1000 -Z1500 +Z1500 -Z1533 . +Z1533 -Z1566 +Z1567 -Z1599 +Z1599 -Z1632 . +Z1632 "
         "-Z1665 +Z1665 -Z1698 +Z1699 -Z1731 . +Z1731 -Z1764 +Z1764 -Z1797 +Z1797 -Z1817",
         "90 24 50"},
        {"~", "80 24 40"},
        // The user's own release and press play twice, the press after the grace or within it;
        // another key pressed within the grace: the release counts first.
        {"+Z5000 -Z5100 ~", "90 24 50 80 24 40"},
        {"+Z5500 -Z5600 +Z5660 -Z5700 +S5701", "90 24 50 80 24 40 90 24 50 80 24 40 90 25 50"},
        {"-S5750 ~", "80 25 40"},
        // A repeat's press that comes only after the grace counted its release: the note has
        // ended and does not start again; the repeats that follow and the release send nothing.
        {"+Z7000 -Z7500 ~", "90 24 50 80 24 40"},
        {"+Z7500 -Z7533 +Z7533 -Z7540", ""},
    };
    for (auto [keys, sent] : steps) {
        x11(h, keys);
        EXPECT_EQ(h.out(), sent) << keys;
    }
    // Losing the focus releases at once, a release in its grace too.
    x11(h, "+Z10000 -Z10500");
    k.control("CheckClickKey")->setFocus();
    EXPECT_EQ(h.out(), "90 24 50 80 24 40");
}

// The keys are one widget: a click plays the key under the pointer, a black key before the white
// key beneath it, up to the edges of each. Points in twips inside a key, and the key that plays.
TEST(Keyboard, AClickPlaysTheKeyUnderThePointerBlackKeysLyingOverWhiteOnes) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 1, 0);
    const int table[][4] = {
        {0, 200, 100, 1},  {0, 200, 1100, 0}, {2, 30, 100, 1},     {2, 100, 100, 2},
        {4, 50, 500, 3},   {4, 120, 500, 4},  {59, 20, 960, 58},   {59, 20, 980, 59},
        {58, 140, 10, 58}, {0, 0, 0, 0},      {60, 245, 1395, 60},
    };
    for (const auto& [key, x, y, plays] : table) {
        k.p.click(k.onKey(key, x, y));
        EXPECT_EQ(h.out(), QStringLiteral("90 %1 50 80 %1 40").arg(36 + plays, 2, 16).toStdString())
            << key << " " << x << " " << y;
    }
}

// Two hands on one key: the mouse and a computer key, the mouse and the MIDI keyboard, the mouse
// and Space on the key it focused, two fingers. The note sounds once, from the first press to
// the last release, and its key stays marked until then.
TEST(Keyboard, TwoHandsOnOneKeySoundItOnceUntilBothLetGo) {
    PartHost h;
    KeyboardDriver& k = openPart(h, 1, 0);
    play(h, k, {{"press 0; down 52; up 52", "90 24 50", "0"}, {"release 0", "80 24 40", ""}});
    Fingers f(h.main);
    const auto midi = h.t.state.midiIn.handler();
    const auto space = [&h](bool down) { h.pointer.key(down, 65, Qt::Key_Space); };
    const auto seen = [&] { return h.out() + " / " + join(k.marks()); };
    k.pressKey(12), midi({0x90, 48, 0x30}), midi({0x80, 48, 0x30});
    EXPECT_EQ(seen(), "90 30 50 / 12");
    k.releaseKey(12);
    EXPECT_EQ(seen(), "80 30 40 / ");
    k.pressKey(24), space(true), k.releaseKey(24);
    EXPECT_EQ(seen(), "90 3c 50 / 24");
    space(false);
    EXPECT_EQ(seen(), "80 3c 40 / ");
    f.press(1, k.onKey(24)), f.press(2, k.onKey(24)), f.lift(1);
    EXPECT_EQ(seen(), "90 3c 50 / 24");
    f.lift(2);
    EXPECT_EQ(seen(), "80 3c 40 / ");
}
