// Fingers on the keyboards of a part window and the master keyboard, and the velocity taken from
// where a key is struck, through a real main window and the recording port.
#include "../part/PartHost.h"
#include "midi/ports/MidiMapper.h"
#include "support/drivers/TouchDriver.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <map>

using Sent = std::vector<std::vector<std::uint8_t>>;

namespace {

enum class Mode { Click, Hover, Hold, Chord };

// Puts the keyboard in `mode` (for the chord, keys 10 and 14 latched and taken) after an All
// Notes Off, the pointer off the keys, and forgets what was sent.
void setMode(PartHost& h, KeyboardDriver& k, Mode mode) {
    k.p.click(k.control("CommAllNoteOff"));
    if (k.control<QCheckBox>("CheckClickKey")->isChecked() != (mode != Mode::Hover))
        k.p.click(k.control("CheckClickKey"));
    if (mode != Mode::Hover &&
        k.control<QCheckBox>("CheckHoldNote")->isChecked() != (mode >= Mode::Hold))
        k.clickHoldNote();
    if (mode == Mode::Chord) {
        k.clickKeys({10, 14});
        k.clickHoldChord();
    }
    k.p.move(k.onWindow());
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

// How many notes the messages leave sounding (not ended by a Note Off or an All Notes Off).
long soundingAfter(const Sent& messages) {
    std::map<std::pair<int, int>, int> on;
    for (const auto& m : messages) {
        const int ch = m[0] & 0x0F, status = m[0] & 0xF0;
        if (status == 0x90 || status == 0x80)
            on[{ch, m[1]}] += status == 0x90 ? 1 : -1;
        else if (status == 0xB0 && m[1] == 123)
            std::erase_if(on, [ch](const auto& e) { return e.first.first == ch; });
    }
    return std::ranges::count_if(on, [](const auto& e) { return e.second > 0; });
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
    for (bool onMaster : {false, true})
        for (Mode mode : {Mode::Click, Mode::Hover, Mode::Hold, Mode::Chord})
            for (const auto& fingers : gestures) {
                SCOPED_TRACE(testing::Message() << onMaster << int(mode) << fingers.size());
                KeyboardDriver& k = onMaster ? master.keys : h.keys();
                const bool hover = mode == Mode::Hover;
                // The mouse, one finger after the other: the button held (in hover mode, none)
                // from the first key over the others, then let go (or the pointer off the keys).
                setMode(h, k, mode);
                for (const auto& path : fingers) {
                    hover ? k.p.move(k.onKey(path[0])) : k.p.press(k.onKey(path[0]));
                    for (int key : path)
                        k.p.move(k.onKey(key));
                    hover ? k.p.move(k.onWindow()) : k.p.release(k.onKey(path.back()));
                }
                const Sent mouse = h.t.port->messages();
                // The fingers: down together, sliding together step by step, lifted one by one.
                setMode(h, k, mode);
                Fingers f(h.main);
                for (std::size_t step = 0; step < 3; ++step) {
                    Fingers::Points at;
                    for (std::size_t id = 0; id < fingers.size(); ++id)
                        if (step < fingers[id].size())
                            at.push_back({int(id), k.onKey(fingers[id][step])});
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
    for (Mode mode : {Mode::Click, Mode::Hover, Mode::Hold, Mode::Chord}) {
        SCOPED_TRACE(int(mode));
        setMode(h, k, mode);
        // Two fingers down, one sliding, a third down (in hold mode on the first one's key,
        // which unlatches it), then the system takes the touch away.
        Fingers f(h.main);
        f.press({{1, k.onKey(24)}, {2, k.onKey(31)}});
        f.move({{2, k.onKey(33)}});
        f.press({{3, k.onKey(mode == Mode::Hold ? 24 : 40)}});
        EXPECT_GT(soundingAfter(h.t.port->messages()), 0);
        f.cancel({k.control("Frame1")});
        EXPECT_EQ(soundingAfter(h.t.port->messages()), 0);
        EXPECT_TRUE(k.marks().empty());
        EXPECT_TRUE(h.latched().empty());
        f.press({{1, k.onKey(50)}}); // the keys play again
        EXPECT_EQ(soundingAfter(h.t.port->messages()), mode == Mode::Chord ? 2 : 1);
        f.lift(1);
    }
    // A finger whose note All Notes Off stopped (Hold Note checked under it) lifts without
    // releasing the same note latched since.
    setMode(h, k, Mode::Click);
    Fingers f(h.main);
    f.press({{1, k.onKey(24)}});
    k.clickHoldNote();
    k.clickKeys({24});
    h.take();
    f.lift(1);
    EXPECT_TRUE(h.sent().empty());
    EXPECT_EQ(h.latched(), std::vector<int>{60});
}

TEST(KeyboardTouch, VelocityFromTheClicksHeightIsChosenInTheMenuAndKeptForTheNextStart) {
    PartHost h;                   // English
    for (int n = 1; n <= 16; ++n) // the master keyboard on channels 1 and 4
        h.t.state.MasterKbSettings.at(MasterKbElement::FirstChannel + n - 1) = n == 1 || n == 4;
    MasterKbDriver master = h.openMaster();
    h.open(1);
    h.main.MasterKbWindow()->move(0, h.w->geometry().bottom() + 1);
    KeyboardDriver& k = h.keys();
    setMode(h, k, Mode::Click);
    const int slider = h.row(1, PartRow::VelocityOn);
    auto velocities = [&h] { // of the Note Ons sent since the last call
        std::vector<int> v;
        for (const auto& m : h.t.port->messages())
            if ((m[0] & 0xF0) == 0x90)
                v.push_back(m[2]);
        h.t.port->clear();
        return v;
    };
    // A point `depth` down key `key` (0 its top row of pixels, 1 its bottom row).
    auto at = [&h](KeyboardDriver& kb, int key, double depth) {
        KeyWidget* w = kb.key(key);
        return w->mapTo(&h.main, QPoint(3, static_cast<int>(depth * (w->height() - 1))));
    };
    QAction* item = h.main.findChild<QAction*>(QStringLiteral("mnuVelocita"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Velocity from the click's height"));
    EXPECT_FALSE(item->isChecked()); // off at the first start
    k.p.click(at(k, 0, 1.0));
    EXPECT_EQ(velocities(), std::vector<int>{slider});

    item->trigger();
    // Top, middle and bottom of a white key, then of a black key; the Note Off keeps Vel Off.
    for (int key : {0, 1}) {
        for (double depth : {0.0, 0.5, 1.0})
            k.p.click(at(k, key, depth));
        const auto v = velocities();
        EXPECT_TRUE(v.size() == 3 && v[0] == 1 && v[0] < v[1] && v[1] < v[2] && v[2] == 127)
            << testing::PrintToString(v);
    }
    k.p.click(at(k, 0, 1.0));
    EXPECT_EQ(h.take(), (std::vector<std::string>{"90 24 7f", "80 24 40"}));
    // Fingers by their height, or by their pressure when the screen reports one (QTest's fingers
    // press at 1.0); the master keyboard on each of its channels; the computer keys and hovering
    // by the slider.
    for (auto caps : {QInputDevice::Capabilities(QInputDevice::Capability::Position),
                      QInputDevice::Capability::Position | QInputDevice::Capability::Pressure}) {
        Fingers f(h.main, caps);
        f.press({{1, at(k, 1, 0.0)}});
        f.lift(1);
    }
    master.keys.p.click(at(master.keys, 0, 0.0));
    k.focus();
    k.p.key(true, Scan::Z);
    k.p.key(false, Scan::Z);
    k.p.key(true, 0, Qt::Key_Space); // the focused key, played from the keyboard
    k.p.key(false, 0, Qt::Key_Space);
    EXPECT_EQ(velocities(), (std::vector<int>{1, 127, 1, 1, slider, slider}));
    setMode(h, k, Mode::Hover);
    k.p.move(at(k, 3, 1.0));
    k.p.move(k.onWindow());
    EXPECT_EQ(velocities(), std::vector<int>{slider});

    // The choice is in its own file beside midi.conf, and the next start (here in Italian)
    // finds it; turned off there, the start after finds it off.
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(QFileInfo::exists(QFileInfo(MidiChoiceFile()).dir().filePath("preferences.conf")));
    for (bool on : {true, false}) {
        TestState next(1);
        qputenv("XDG_CONFIG_HOME", config);
        frmMain again(next.state);
        QAction* remembered = again.findChild<QAction*>(QStringLiteral("mnuVelocita"));
        EXPECT_EQ(remembered->text(), QStringLiteral("Velocità dall'altezza del clic"));
        EXPECT_EQ(remembered->isChecked(), on);
        EXPECT_EQ(next.state.VelocityFromHeight, on);
        if (on)
            remembered->trigger();
    }
}
