// Live MIDI in the main window: what comes in at the input plays through the current window and
// ends where it went, a device error while other events wait, an input that loops back, and JACK
// clients of the test standing for a real keyboard and synthesizer that come and go.
#include "app/Preferences.h"
#include "devices/Devices.h"
#include "devices/MidiInputRouter.h"
#include "midi/Midi.h"
#include "midi/ports/MidiMapper.h"
#include "support/JackServer.h"
#include "support/drivers/KeyboardDriver.h"
#include "support/drivers/MainWindowDriver.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

// Notes follow the current window with its channel and transposition, the incoming velocity
// kept; each Note Off, pedal release and wheel at rest reaches every channel its press went to,
// whichever window is current by then. A failing send shows its message only after the handler
// that sent returned: a box's event loop inside the send let a queued Note On of the same key run
// inside an incoming Note Off.
TEST(LiveMidi, InputPlaysThroughTheCurrentWindowAndEndsWhereItWent) {
    MainHost h;
    h.t.sink.runsEventLoop = true;
    h.in({{0x90, 60, 90}, {0xB0, 64, 127}, {0x80, 60, 0}}); // no window to play through
    EXPECT_EQ(h.take(), "");

    frmPart* part3 = h.part(3, 5, +2);
    frmPart* part4 = h.part(4, 6);
    h.ui.activate(part3);
    h.take();
    // Any incoming channel; controllers other than the pedal and Mod 1, and programs, are dropped.
    h.in({{0x90, 60, 0x45}, {0xB3, 64, 127}, {0xE0, 0, 0x50}});
    h.in({{0xB0, 1, 0x20}, {0xB0, 7, 0x20}, {0xC0, 5}});
    EXPECT_EQ(h.take(), "94 3e 45, b4 40 7f, e4 00 50, b4 01 20");

    h.ui.activate(part4); // a Note On of velocity 0 is a Note Off
    h.in({{0x90, 64, 0x50}, {0x80, 60, 0x30}, {0xB0, 64, 0}, {0xE0, 0, 0x40}});
    h.in({{0xB0, 1, 0}, {0x90, 64, 0}});
    EXPECT_EQ(h.take(), "95 40 50, 84 3e 30, b4 40 00, b5 40 00, e4 00 40, e5 00 40, b4 01 00, "
                        "b5 01 00, 85 40 40");

    // A key pressed again ends its first note; a window that closes silenced its channel, so
    // the Note Off of a note it played then sends nothing.
    h.in({{0x90, 62, 0x40}, {0x90, 62, 0x41}});
    EXPECT_EQ(h.take(), "95 3e 40, 85 3e 40, 95 3e 41");
    part4->close();
    h.take();
    h.in({{0x80, 62, 0}});
    EXPECT_EQ(h.take(), "");

    // The master keyboard current: every channel switched on.
    for (int ch = MasterKbElement::FirstChannel; ch <= MasterKbElement::LastChannel; ++ch)
        h.t.state.MasterKbSettings.at(ch) = ch == 1 || ch == 3;
    ASSERT_TRUE(h.ui.openMasterKb());
    h.take();
    h.in({{0x90, 48, 0x64}, {0xE5, 0x10, 0x40}});
    h.ui.activate(part3);
    h.in({{0x80, 48, 0x20}});
    EXPECT_EQ(h.take(), "90 30 64, 92 30 64, e0 10 40, e2 10 40, 80 30 20, 82 30 20");

    h.in({{0x90, 60, 100}});
    h.t.port->failOn(RecordingPort::Call::Short, 2, MidiError::Error);
    QTimer::singleShot(0, &h.main, [&h] { h.in({{0x90, 60, 101}}); }); // queued
    h.in({{0x80, 60, 64}});
    EXPECT_TRUE(h.t.sink.shownSoFar().empty()) << "shown inside the send";
    EXPECT_EQ(h.t.sink.texts(), std::vector<QString>{"Output MIDI Device error"});
    EXPECT_EQ(h.take(), "94 3e 64, 84 3e 40") << "silent after the error";
}

// The keyboard chosen is remembered for the next start and plays through the current part; each
// Note Off goes where its Note On went.
// Unplugged with a key and the pedal down and plugged in again at once, both are released and it
// is reopened by itself, said in the status line; "No input" ends the note it holds. A
// synthesizer chosen as the output, and again when it restarts at once, gets every part's state,
// then what a key plays, and All Notes Off when left.
TEST(LiveMidiJack, AKeyboardAndASynthesizerThatComeAndGo) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    auto keys = std::make_unique<JackMidiSender>("usb-keys", "midi-out");
    MainHost h;
    frmPart* part5 = h.part(5, 7);
    h.part(2, 3, -1);
    h.ui.openMidiDialog();
    ASSERT_TRUE(h.ui.chooseInput("JACK: usb-keys:midi-out"));
    EXPECT_EQ(StartInputChoice(), "jack:usb-keys:midi-out");
    ASSERT_TRUE(keys->waitConnected(10000)) << server.log().toStdString();
    h.take();
    // Sends from the keyboard and waits until `count` messages went out.
    const auto play = [&](const std::vector<std::uint8_t>& bytes, std::size_t count) {
        keys->send(bytes);
        return QTest::qWaitFor([&] { return h.t.port->messageLines().size() >= count; }, 10000);
    };
    play({0x90, 60, 0x64}, 1);
    h.ui.activate(part5);
    play({0x90, 64, 0x50}, 2);
    play({0x80, 60, 0x00}, 3); // to part 2, where its Note On went
    play({0xB0, 64, 127}, 4);
    EXPECT_EQ(h.take(), "92 3b 64, 96 40 50, 82 3b 00, b6 40 7f");

    // Unplugged with the key and the pedal down and plugged in again 40 ms later, before the
    // program could look: its new port is not connected to the program's input until it is
    // reopened.
    keys.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    keys = std::make_unique<JackMidiSender>("usb-keys", "midi-out");
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.t.port->messageLines().size() >= 2; }, 5000));
    EXPECT_EQ(h.take(), "86 40 40, b6 40 00");
    ASSERT_TRUE(keys->waitConnected(5000)) << "reopened by itself";
    EXPECT_EQ(h.ui.midiStatus(), "MIDI In back: jack:usb-keys:midi-out");
    play({0x90, 62, 80}, 1);
    EXPECT_EQ(h.take(), "96 3e 50");
    h.ui.openMidiDialog();
    ASSERT_TRUE(h.ui.chooseInput("No input"));
    EXPECT_EQ(h.take(), "86 3e 40");
    EXPECT_FALSE(h.t.state.midiIn.isOpen());
    EXPECT_EQ(StartInputChoice(), "none");

    auto synth = std::make_unique<JackMidiReceiver>("soft-synth", "midi-in");
    ASSERT_TRUE(h.main.devices().ChooseOutput(QStringLiteral("jack:soft-synth:midi-in")));
    ASSERT_TRUE(synth->waitReceived(16 * 10, 5000)) << synth->received().size();
    const std::vector<std::string> states = synth->received();
    // Killed and started again 40 ms later: every part's state again, then a key clicked.
    synth.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    synth = std::make_unique<JackMidiReceiver>("soft-synth", "midi-in");
    ASSERT_TRUE(synth->waitReceived(states.size(), 5000)) << synth->received().size();
    EXPECT_EQ(synth->received(), states);
    EXPECT_EQ(h.ui.midiStatus(), "MIDI Out back: jack:soft-synth:midi-in");
    Pointer pointer(h.main);
    KeyboardDriver(pointer, part5).tapKey(5);
    ASSERT_TRUE(synth->waitReceived(states.size() + 2, 5000)) << synth->received().size();
    const std::string on = synth->received().at(states.size());
    EXPECT_EQ(on.substr(0, 3), "96 ");
    EXPECT_EQ(synth->received().back().substr(0, 5), "86 " + on.substr(3, 2)) << on;
    // Another output chosen: the synthesizer still hears All Notes Off on every channel.
    h.main.devices().ChooseOutput(QStringLiteral("none"));
    ASSERT_TRUE(synth->waitReceived(states.size() + 16, 3000)) << synth->received().size();
    EXPECT_EQ(synth->received().back(), "bf 7b 00");
    EXPECT_TRUE(h.t.sink.shown().empty()) << "said in the status line only";
}

// A keyboard on JACK through the master keyboard split at middle C: channel 2 an octave down
// below it, channel 3 from it up; each note on its channel alone, ended where it went.
TEST(LiveMidiJack, AKeyboardPlaysTheMasterKeyboardsSplit) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    JackMidiSender keys("usb-keys", "midi-out");
    MainHost h;
    ASSERT_TRUE(RememberZones({Zone{}, Zone{0, 59, -12}, Zone{60, 127, 0}}));
    for (int ch = MasterKbElement::FirstChannel; ch <= MasterKbElement::LastChannel; ++ch)
        h.t.state.MasterKbSettings.at(ch) = ch == 2 || ch == 3;
    ASSERT_TRUE(h.ui.openMasterKb());
    h.ui.openMidiDialog();
    ASSERT_TRUE(h.ui.chooseInput("JACK: usb-keys:midi-out"));
    ASSERT_TRUE(keys.waitConnected(10000)) << server.log().toStdString();
    h.take();
    for (const auto& m : {std::vector<std::uint8_t>{0x90, 59, 0x30},
                          {0x90, 60, 0x31},
                          {0x80, 59, 0x20},
                          {0x80, 60, 0x21}})
        keys.send(m);
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.t.port->messageLines().size() >= 4; }, 10000));
    EXPECT_EQ(h.take(), "91 2f 30, 92 3c 31, 81 2f 20, 82 3c 21");
}

// Players who repeat faster than a loop returns play through to the synthesizer: a pad's note
// repeat every 42 ms (48 strokes), a wheel flickering between two values and a bend re-sent at
// rest every 10 ms, each message in order on the part's channel, the input open after. Part 1 on
// channel 1 sends exactly what comes in, as a loop would bring it back. A loop-back cable (what
// reaches patch-in comes out of patch-out) returns the program's probe and is refused: when it
// starts looping after the input opened, and when the input comes back through it.
TEST(LiveMidiJack, FastPlayersPlayThroughALoopBackCableIsRefused) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    JackMidiSender keys("usb-keys", "midi-out");
    JackMidiReceiver synth("soft-synth", "midi-in");
    MainHost h;
    h.part(1, 1);
    ASSERT_TRUE(h.main.devices().ChooseOutput(QStringLiteral("jack:soft-synth:midi-in")));
    h.ui.openMidiDialog();
    ASSERT_TRUE(h.ui.chooseInput("JACK: usb-keys:midi-out"));
    ASSERT_TRUE(keys.waitConnected(10000)) << server.log().toStdString();
    const MidiInputRouter& router = h.main.devices().router();
    // Whether the messages the output took last are `expected` (what the JACK graph of a loaded
    // machine may lose on its way to the synthesizer is not the program's doing).
    const auto endsWith = [&h](const std::vector<std::string>& expected) {
        const std::vector<Recorder::Event> took = h.t.state.midi.recorder().take().events;
        return took.size() >= expected.size() &&
               std::equal(expected.begin(), expected.end(), took.end() - expected.size(),
                          [](const std::string& line, const Recorder::Event& e) {
                              return line == HexLine({e.bytes, e.bytes + 3});
                          });
    };
    struct Player {
        const char* name;
        int everyMs;
        std::vector<std::string> messages; // sent in turn, one each everyMs, cycling
        int count;
    };
    for (const Player& p : std::vector<Player>{{"note repeat", 21, {"90 26 64", "80 26 40"}, 96},
                                               {"wheel", 10, {"b0 01 20", "b0 01 21"}, 60},
                                               {"bend at rest", 10, {"e0 00 40"}, 60}}) {
        std::vector<std::string> played;
        for (int i = 0; i < p.count; ++i)
            played.push_back(p.messages[i % p.messages.size()]);
        std::size_t next = 0;
        QTimer pace;
        pace.callOnTimeout([&] {
            if (next < played.size())
                keys.send(MainHost::BytesOf(played[next++]));
        });
        pace.start(p.everyMs);
        EXPECT_TRUE(QTest::qWaitFor([&] { return endsWith(played); }, 30000)) << p.name;
        EXPECT_TRUE(h.t.state.midiIn.isOpen()) << p.name;
        EXPECT_FALSE(router.loopBackFound()) << p.name;
    }
    EXPECT_GE(router.loopBackGuard().probesSent(), 2) << "on opening, and when it looked a loop";

    JackMidiReceiver cableIn("patch-in", "midi-in");
    auto cableOut = std::make_unique<JackMidiSender>("patch-out", "midi-out");
    bool through = false; // until then what reaches patch-in is dropped
    std::size_t passed = 0;
    QTimer cable;
    cable.callOnTimeout([&] {
        for (; passed < cableIn.received().size(); ++passed)
            if (through && cableOut)
                cableOut->send(MainHost::BytesOf(cableIn.received()[passed]));
    });
    cable.start(1);
    // Opens the input through the cable, its probe dropped there.
    const auto openThroughCable = [&] {
        h.ui.openMidiDialog();
        EXPECT_TRUE(h.ui.chooseInput("JACK: patch-out:midi-out"));
        const auto& probe = router.loopBackGuard().probeBytes();
        const std::string line = HexLine({probe.begin(), probe.end()});
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return cableIn.received().back() == line && passed == cableIn.received().size();
            },
            10000));
    };
    ASSERT_TRUE(h.main.devices().ChooseOutput(QStringLiteral("jack:patch-in:midi-in")));
    openThroughCable();
    through = true;
    const std::size_t before = h.t.state.midi.recorder().size();
    h.t.state.midi.SendNoteOn(0, 72, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return router.loopBackFound(); }, 30000));
    const std::size_t sent = h.t.state.midi.recorder().size() - before;
    EXPECT_LE(sent, 24u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !h.t.state.midiIn.isOpen(); }, 5000));
    EXPECT_EQ(h.ui.midiStatus(), "MIDI In refused, it returns the output: jack:patch-out:midi-out");

    through = false;
    openThroughCable();
    ASSERT_FALSE(router.loopBackFound());
    cableOut.reset(); // unplugged, and back looping
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return h.ui.midiStatus().startsWith("MIDI In gone"); }, 5000));
    through = true;
    cableOut = std::make_unique<JackMidiSender>("patch-out", "midi-out");
    EXPECT_TRUE(QTest::qWaitFor([&] { return router.loopBackFound(); }, 10000))
        << "reopened, probed";
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return h.ui.midiStatus().startsWith("MIDI In refused"); }, 5000));
    const std::vector<Recorder::Event> all = h.t.state.midi.recorder().take().events;
    std::string meanwhile; // what was played after the first refusal, for the message
    for (auto e = all.end() - static_cast<long>(all.size() - before - sent); e != all.end(); ++e)
        meanwhile += HexLine({e->bytes, e->bytes + 3}) + ", ";
    EXPECT_EQ(meanwhile, "") << "nothing played meanwhile";
}
