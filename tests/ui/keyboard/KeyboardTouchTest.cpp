// Fingers on the keyboards of a part window and the master keyboard, and the velocity taken from
// where a key is struck, through a real main window and the recording port.
#include "../part/PartHost.h"
#include "midi/ports/MidiMapper.h"
#include "support/drivers/TouchDriver.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <map>

using Lines = std::vector<std::string>;
using Path = std::vector<int>; // the keys a finger goes down on and slides onto, in order

namespace {

enum class Mode { Click, Hover, Hold, Chord };

// Puts the keyboard in `mode` from whatever state it is in: All Notes Off, the boxes clicked as
// needed, and for the chord keys 10 and 14 latched and taken as the chord.
void setMode(KeyboardDriver& k, Mode mode) {
    auto* click = k.control<QCheckBox>("CheckClickKey");
    auto* hold = k.control<QCheckBox>("CheckHoldNote");
    k.clickAllNotesOff();
    if (click->isChecked() != (mode != Mode::Hover))
        k.clickClickKey();
    if (mode != Mode::Hover && hold->isChecked() != (mode >= Mode::Hold))
        k.clickHoldNote();
    if (mode == Mode::Chord) {
        k.clickKeys({10, 14});
        k.clickHoldChord();
    }
    k.p.move(k.onWindow());
}

// The messages of each note apart, in order (control changes under -1): fingers held together
// interleave their notes, which a mouse playing one finger after the other cannot.
std::map<int, Lines> byNote(const std::vector<std::vector<std::uint8_t>>& messages) {
    std::map<int, Lines> notes;
    for (const auto& m : messages) {
        char text[16];
        std::snprintf(text, sizeof text, "%02x %02x %02x", m[0], m[1], m[2]);
        notes[(m[0] & 0xE0) == 0x80 ? m[1] : -1].push_back(text);
    }
    return notes;
}

// The notes left sounding by a stream: Note Ons not matched by a Note Off or an All Notes Off.
std::map<std::pair<int, int>, int> soundingAfter(const std::vector<std::vector<std::uint8_t>>& ms) {
    std::map<std::pair<int, int>, int> on;
    for (const auto& m : ms) {
        const int ch = m[0] & 0x0F;
        if ((m[0] & 0xF0) == 0x90)
            ++on[{ch, m[1]}];
        else if ((m[0] & 0xF0) == 0x80 && --on[{ch, m[1]}] == 0)
            on.erase({ch, m[1]});
        else if ((m[0] & 0xF0) == 0xB0 && m[1] == 123)
            std::erase_if(on, [ch](const auto& e) { return e.first.first == ch; });
    }
    return on;
}

QAction* velocityItem(frmMain& main) {
    return main.findChild<QAction*>(QStringLiteral("mnuVelocita"));
}

} // namespace

TEST(KeyboardTouch, FingersPlayWhatTheMouseWouldKeyByKey) {
    PartHost h;
    h.open(1);
    MasterKbDriver master = h.openMaster();
    h.main.MasterKbWindow()->move(0, h.w->geometry().bottom() + 1); // beside the part window
    master.clickChannel(4);                                         // channels 1 and 4
    const std::vector<std::vector<Path>> gestures = {
        {{5, 7}, {20, 19}},                  // two fingers, each sliding to another key
        {{0, 2, 4}, {30, 31, 33}, {52, 51}}, // three, white and black keys
        {{12}, {13, 15}, {40, 41, 43}}};
    for (bool onMaster : {false, true})
        for (Mode mode : {Mode::Click, Mode::Hover, Mode::Hold, Mode::Chord})
            for (const auto& fingers : gestures) {
                KeyboardDriver& k = onMaster ? master.keys : h.keys();
                const bool hover = mode == Mode::Hover;
                setMode(k, mode);
                h.take();
                // The mouse: one finger after the other, the button held (in hover mode the
                // pointer moved) from its first key over the others, then let go (or moved off).
                for (const Path& path : fingers) {
                    hover ? k.p.move(k.onKey(path[0])) : k.p.press(k.onKey(path[0]));
                    for (std::size_t i = 1; i < path.size(); ++i)
                        k.p.move(k.onKey(path[i]));
                    hover ? k.p.move(k.onWindow()) : k.p.release(k.onKey(path.back()));
                }
                const auto mouse = h.t.port->messages();
                setMode(k, mode);
                h.take();
                // The fingers: down together, sliding together step by step, lifted one by one.
                Fingers f(h.main);
                for (std::size_t id = 0; id < fingers.size(); ++id)
                    f.press(int(id), k.onKey(fingers[id][0]));
                for (std::size_t step = 1; step < 3; ++step)
                    for (std::size_t id = 0; id < fingers.size(); ++id)
                        if (step < fingers[id].size())
                            f.move(int(id), k.onKey(fingers[id][step]));
                for (std::size_t id = 0; id < fingers.size(); ++id)
                    f.lift(int(id));
                const auto touch = h.t.port->messages();
                SCOPED_TRACE(testing::Message() << "master " << onMaster << " mode " << int(mode)
                                                << " fingers " << fingers.size());
                EXPECT_FALSE(mouse.empty());
                EXPECT_EQ(byNote(touch), byNote(mouse)) << testing::PrintToString(h.sent());
            }
}

TEST(KeyboardTouch, ACancelledTouchLeavesNothingSounding) {
    PartHost h;
    h.open(1);
    KeyboardDriver& k = h.keys();
    for (Mode mode : {Mode::Click, Mode::Hover, Mode::Hold, Mode::Chord}) {
        setMode(k, mode);
        h.take();
        Fingers f(h.main);
        // Two fingers down, one sliding to another key, a third down on a key the first latched
        // in hold mode (which unlatches it), then the system takes the touch away.
        f.press({{1, k.onKey(24)}, {2, k.onKey(31)}});
        f.move(2, k.onKey(33));
        f.press(3, k.onKey(mode == Mode::Hold ? 24 : 40));
        const auto before = h.t.port->messages();
        f.cancel({k.control("Frame1")});
        const auto messages = h.t.port->messages();
        SCOPED_TRACE(int(mode));
        EXPECT_FALSE(soundingAfter(before).empty());
        EXPECT_TRUE(soundingAfter(messages).empty()) << testing::PrintToString(h.sent());
        EXPECT_TRUE(k.marks().empty());
        EXPECT_TRUE(h.latched().empty());
        // The keyboard plays again.
        f.press(1, k.onKey(50));
        EXPECT_EQ(soundingAfter(h.t.port->messages()).size(), mode == Mode::Chord ? 2u : 1u);
        f.lift(1);
    }
    // A finger whose note All Notes Off stopped (Hold Note checked under it) does not release the
    // same note latched since when it lifts.
    setMode(k, Mode::Click);
    Fingers f(h.main);
    f.press(1, k.onKey(24));
    k.clickHoldNote();
    k.clickKeys({24});
    h.take();
    f.lift(1);
    EXPECT_TRUE(h.sent().empty());
    EXPECT_EQ(h.latched(), std::vector<int>{60});
}

TEST(KeyboardTouch, VelocityFromTheClicksHeightIsChosenInTheMenuAndKeptForTheNextStart) {
    PartHost h; // English
    h.open(1);
    KeyboardDriver& k = h.keys();
    setMode(k, Mode::Click);
    h.take();
    const int policy = h.row(1, PartRow::VelocityOn);
    // The Note On velocities among the messages sent since the last call.
    auto velocities = [&h] {
        std::vector<int> v;
        for (const auto& m : h.t.port->messages())
            if ((m[0] & 0xF0) == 0x90)
                v.push_back(m[2]);
        h.t.port->clear();
        return v;
    };
    // A point `depth` down key `key` (0 its top row of pixels, 1 its bottom row).
    auto at = [&](KeyboardDriver& kb, int key, double depth) {
        KeyWidget* w = kb.key(key);
        return w->mapTo(&h.main, QPoint(3, static_cast<int>(depth * (w->height() - 1))));
    };
    QAction* item = velocityItem(h.main);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Velocity from the click's height"));
    EXPECT_FALSE(item->isChecked()); // off at the first start
    k.p.click(at(k, 0, 1.0));
    EXPECT_EQ(velocities(), std::vector<int>{policy});

    item->trigger();
    // Top, middle and bottom of a white key, then of a black key; the Note Off keeps its own.
    for (int key : {0, 1}) {
        for (double depth : {0.0, 0.5, 1.0})
            k.p.click(at(k, key, depth));
        const auto v = velocities();
        ASSERT_EQ(v.size(), 3u);
        EXPECT_EQ(v[0], 1) << key;
        EXPECT_LT(v[0], v[1]);
        EXPECT_LT(v[1], v[2]);
        EXPECT_EQ(v[2], 127) << key;
    }
    k.p.press(at(k, 0, 1.0));
    k.p.move(at(k, 5, 0.0)); // a drag with the button held plays nothing else
    k.p.release(at(k, 5, 0.0));
    EXPECT_EQ(h.take(), (Lines{"90 24 7f", "80 24 40"}));
    // Fingers: by their height, or by their pressure when the screen reports it.
    Fingers plain(h.main);
    plain.press(1, at(k, 1, 0.0));
    plain.lift(1);
    Fingers pressing(h.main,
                     QInputDevice::Capability::Position | QInputDevice::Capability::Pressure);
    pressing.press(1, at(k, 1, 0.0));
    pressing.lift(1);
    EXPECT_EQ(velocities(), (std::vector<int>{1, 127})); // QTest's fingers press at 1.0
    // The master keyboard too, on each of its channels.
    MasterKbDriver master = h.openMaster();
    h.main.MasterKbWindow()->move(0, h.w->geometry().bottom() + 1);
    master.keys.p.click(at(master.keys, 0, 0.0));
    const auto onChannels = velocities();
    EXPECT_FALSE(onChannels.empty());
    EXPECT_EQ(onChannels, std::vector<int>(onChannels.size(), 1));

    // Hover playing and the computer keys keep the slider's velocity.
    k.focus();
    k.p.key(true, Scan::Z);
    k.p.key(false, Scan::Z);
    EXPECT_EQ(velocities(), std::vector<int>{policy});
    setMode(k, Mode::Hover);
    h.take();
    k.p.move(at(k, 3, 1.0));
    k.p.move(k.onWindow());
    EXPECT_EQ(velocities(), std::vector<int>{policy});

    // The choice is in its own file beside midi.conf, and the next start (here in Italian)
    // finds it; turned off there, the start after finds it off.
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(QFileInfo::exists(QFileInfo(MidiChoiceFile()).dir().filePath("preferences.conf")));
    for (bool on : {true, false}) {
        TestState next(1);
        qputenv("XDG_CONFIG_HOME", config);
        frmMain again(next.state);
        QAction* remembered = velocityItem(again);
        EXPECT_EQ(remembered->text(), QStringLiteral("Velocità dall'altezza del clic"));
        EXPECT_EQ(remembered->isChecked(), on);
        EXPECT_EQ(next.state.VelocityFromHeight, on);
        if (on)
            remembered->trigger();
    }
}
