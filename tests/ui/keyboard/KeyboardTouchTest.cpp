// Fingers on the keyboards of a part window and the master keyboard, and the velocity taken from
// where a key is struck, through a real main window and the recording port.
#include "../part/PartHost.h"
#include "midi/ports/MidiMapper.h"
#include "support/drivers/TouchDriver.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using Sent = std::vector<std::vector<std::uint8_t>>;

namespace {

enum class Mode { Click, Hover, Hold, Chord };

// Puts the keyboard in `mode` (for the chord, keys 10 and 14 latched and taken) after an All
// Notes Off, the pointer off the keys, and forgets what was sent.
void setMode(PartHost& h, KeyboardDriver& k, Mode mode) {
    k.act("CommAllNoteOff");
    for (auto [box, on] : {std::pair{"CheckClickKey", mode != Mode::Hover},
                           std::pair{"CheckHoldNote", mode >= Mode::Hold}})
        if (k.control<QCheckBox>(box)->isChecked() != on)
            k.act(box);
    k.act(mode == Mode::Chord ? "click 10 14; CommHoldChord; window" : "window");
    h.take();
}

// Each note's messages apart, in order (other messages under -1): fingers held together
// interleave their notes, which one mouse cannot.
std::map<int, Sent> byNote(const Sent& messages) {
    std::map<int, Sent> notes;
    for (const auto& m : messages)
        notes[(m[0] & 0xE0) == 0x80 ? m[1] : -1].push_back(m);
    return notes;
}

} // namespace

TEST(KeyboardTouch, FingersPlayWhatTheMouseWouldKeyByKey) {
    PartHost h;
    h.open(1);
    MasterKbDriver master = h.openMaster();
    h.main.MasterKbWindow()->move(0, h.w->geometry().bottom() + 1); // beside the part window
    QTest::mouseClick(master.channelBox(4), Qt::LeftButton);        // channels 1 and 4
    // Each finger: the key it goes down on, then the keys it slides onto.
    const std::vector<std::vector<std::vector<int>>> gestures = {
        {{5, 7}, {20, 19}}, {{0, 2, 4}, {30, 31, 33}, {52, 51}}, {{12}, {13, 15}, {40, 41, 43}}};
    for (KeyboardDriver* k : {&h.keys(), &master.keys})
        for (Mode mode : {Mode::Click, Mode::Hover, Mode::Hold, Mode::Chord})
            for (const auto& fingers : gestures) {
                SCOPED_TRACE(testing::Message()
                             << (k == &master.keys) << int(mode) << fingers.size());
                // The mouse, one finger after the other: the button held (in hover mode, none)
                // from the first key over the others, then let go (or the pointer off the keys).
                setMode(h, *k, mode);
                for (const auto& path : fingers) {
                    if (mode != Mode::Hover)
                        k->p.press(k->onKey(path[0]));
                    for (int key : path)
                        k->p.move(k->onKey(key));
                    k->act(mode == Mode::Hover ? "window" : "release");
                }
                const Sent mouse = h.t.port->messages();
                // The fingers: down together, sliding together step by step, lifted one by one.
                setMode(h, *k, mode);
                Fingers f(h.main);
                for (std::size_t step = 0; step < 3; ++step) {
                    Fingers::Points at;
                    for (std::size_t id = 0; id < fingers.size(); ++id)
                        if (step < fingers[id].size())
                            at.push_back({int(id), k->onKey(fingers[id][step])});
                    step == 0 ? f.press(at) : f.move(at);
                }
                for (std::size_t id = 0; id < fingers.size(); ++id)
                    f.lift(int(id));
                EXPECT_FALSE(mouse.empty());
                EXPECT_EQ(byNote(h.t.port->messages()), byNote(mouse));
            }
}

TEST(KeyboardTouch, ACancelledTouchLeavesNothingSounding) {
    PartHost h;
    h.open(1);
    KeyboardDriver& k = h.keys();
    // Two fingers down (one after the other: the order of a touch's points is Qt's), one sliding, a
    // third down (in hold mode on the first one's key, which unlatches it); then the system takes
    // the touch away, and a finger plays again after it: what each of the three sends, in each
    // mode.
    const std::map<Mode, std::string> sends = {
        {Mode::Click,
         "90 3c 50 90 43 50 90 4c 50 / 80 3c 40 80 43 40 80 4c 40 / 90 56 50 80 56 40"},
        {Mode::Hover, "90 3c 50 90 43 50 80 43 40 90 45 50 90 4c 50 / 80 3c 40 80 45 40 80 4c 40 / "
                      "90 56 50 80 56 40"},
        {Mode::Hold, "90 3c 50 90 43 50 80 3c 40 / 80 43 40 / 90 56 50"},
        {Mode::Chord, "b0 7b 00 90 3c 50 90 40 50 b0 7b 00 90 43 50 90 47 50 b0 7b 00 90 4c 50 "
                      "90 50 50 / 80 4c 40 80 50 40 / b0 7b 00 90 56 50 90 5a 50"}};
    for (const auto& [mode, bytes] : sends) {
        SCOPED_TRACE(int(mode));
        setMode(h, k, mode);
        Fingers f(h.main);
        f.press({{1, k.onKey(24)}});
        f.press({{2, k.onKey(31)}});
        f.move({{2, k.onKey(33)}});
        f.press({{3, k.onKey(mode == Mode::Hold ? 24 : 40)}});
        std::string sent = h.out() + " / ";
        f.cancel({k.control("Frame1")});
        sent += h.out() + " / ";
        EXPECT_TRUE(k.marks().empty() && h.latched().empty());
        f.press({{1, k.onKey(50)}});
        f.lift(1);
        EXPECT_EQ(sent + h.out(), bytes);
    }
    // A finger whose note All Notes Off stopped (Hold Note checked under it) lifts without
    // releasing the same note latched since.
    setMode(h, k, Mode::Click);
    Fingers f(h.main);
    f.press({{1, k.onKey(24)}});
    k.act("CheckHoldNote; click 24");
    f.lift(1);
    EXPECT_EQ(h.out(), "90 3c 50 b0 7b 00 90 3c 50");
    EXPECT_EQ(h.latched(), std::vector<int>{60});
}

TEST(KeyboardTouch, VelocityFromTheClicksHeightIsChosenInTheMenuAndKeptForTheNextStart) {
    PartHost h;
    MasterKbDriver master = h.openMaster(); // its first-run channel
    h.open(1);
    h.main.MasterKbWindow()->move(0, h.w->geometry().bottom() + 1);
    KeyboardDriver& k = h.keys();
    // A point `depth` down key `key` (0 its top row of pixels, 1 its bottom row).
    auto at = [&h](KeyboardDriver& kb, int key, double depth) {
        KeyWidget* w = kb.key(key);
        return w->mapTo(&h.main, QPoint(3, static_cast<int>(depth * (w->height() - 1))));
    };
    QAction* item = h.main.findChild<QAction*>(QStringLiteral("mnuVelocita"));
    EXPECT_FALSE(item->isChecked()); // off at the first start: Vel On
    k.p.click(at(k, 0, 1.0));
    item->trigger();
    // Top, middle and bottom of a white key, then of a black key; the Note Off keeps Vel Off.
    for (int key : {0, 1})
        for (double depth : {0.0, 0.5, 1.0})
            k.p.click(at(k, key, depth));
    EXPECT_EQ(h.out(), "90 24 50 80 24 40 90 24 01 80 24 40 90 24 3f 80 24 40 90 24 7f 80 24 40 "
                       "90 25 01 80 25 40 90 25 40 80 25 40 90 25 7f 80 25 40");
    // Fingers by their height, or by their pressure when the screen reports one (QTest's fingers
    // press at 1.0); the master keyboard; Space on the focused key and the computer keys by Vel On.
    for (auto caps : {QInputDevice::Capabilities(QInputDevice::Capability::Position),
                      QInputDevice::Capability::Position | QInputDevice::Capability::Pressure}) {
        Fingers f(h.main, caps);
        f.press({{1, at(k, 1, 0.0)}});
        f.lift(1);
    }
    master.keys.p.click(at(master.keys, 0, 0.0));
    k.focus();
    k.act("down 52; up 52");
    k.p.key(true, 0, Qt::Key_Space);
    k.p.key(false, 0, Qt::Key_Space);
    EXPECT_EQ(h.out(), "90 25 01 80 25 40 90 25 7f 80 25 40 90 24 01 80 24 40 90 24 50 80 24 40 "
                       "90 25 50 80 25 40");
    // The choice is in its own file beside midi.conf, and the next start finds it; turned off
    // there, the start after finds it off.
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(QFileInfo::exists(QFileInfo(MidiChoiceFile()).dir().filePath("preferences.conf")));
    for (bool on : {true, false}) {
        TestState next;
        qputenv("XDG_CONFIG_HOME", config);
        frmMain again(next.state);
        QAction* remembered = again.findChild<QAction*>(QStringLiteral("mnuVelocita"));
        EXPECT_EQ(std::pair(remembered->isChecked(), next.state.VelocityFromHeight),
                  std::pair(on, on));
        if (on)
            remembered->trigger();
    }
}
