// Live MIDI in the main window: what comes in at the input plays through the current window and
// ends where it went, a device error while other events wait, an input that loops back, and JACK
// clients of the test standing for a real keyboard and synthesizer that come and go.
#include "devices/Devices.h"
#include "devices/MidiInputRouter.h"
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

// An input that brings back what the program sends would replay each message for ever: its
// echoes give it away, it is closed, the flood ends and the status line says so. A musician's
// quick roll of twelve strokes on one key, or the same note repeated slower than a loop returns
// it, is not one.
TEST(LiveMidi, AnInputThatLoopsBackIsRefusedAQuickRollIsNot) {
    MainHost h;
    h.part(1, 1); // what comes back looks the same as what went out
    for (int i = 0; i < 12; ++i)
        h.in({{0x90, 70, 100}});
    for (int i = 0; i < 3; ++i) {
        QTest::qWait(MidiInputRouter::EchoWindow.count() + 10);
        h.in({{0x90, 70, 100}});
    }
    EXPECT_FALSE(h.main.devices().router().loopBackFound());

    h.t.port->onShort = [&h](const MainHost::Bytes& bytes) {
        QTimer::singleShot(0, &h.main, [&h, bytes] { h.in({bytes}); });
    };
    h.take();
    h.in({{0x90, 72, 100}});
    QTest::qWait(300);
    EXPECT_TRUE(h.main.devices().router().loopBackFound());
    const int sent = h.t.port->count(RecordingPort::Call::Short);
    EXPECT_LE(sent, 24);
    EXPECT_TRUE(h.ui.midiStatus().startsWith("MIDI In refuse"));
    QTest::qWait(100);
    EXPECT_EQ(h.t.port->count(RecordingPort::Call::Short), sent) << "the flood ended";
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
