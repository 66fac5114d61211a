// Devices for real: JACK clients of the test stand for a MIDI keyboard that plays, is unplugged
// and plugged in again, and for a synthesizer that restarts. Depends on jackd and jack_wait (a
// private server on the dummy backend); skipped where they are missing.
#include "midi/ports/MidiInput.h"
#include "support/JackServer.h"
#include "support/TestState.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Processes events until `done` or `ms` have passed; the milliseconds it took, or -1.
template <typename Done> qint64 within(int ms, Done done) {
    QElapsedTimer clock;
    clock.start();
    for (QDeadlineTimer deadline(ms); !deadline.hasExpired();) {
        if (done())
            return clock.elapsed();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done() ? clock.elapsed() : -1;
}

} // namespace

// The keyboard plays through the current part (its channel, its transposition) on the UI
// thread; each Note Off goes where its Note On went. Unplugged with a key and the pedal down, both
// are released within a second; plugged in again, it is reopened by itself.
TEST(LiveMidiJack, AKeyboardPlaysIsReleasedWhenUnpluggedAndComesBackByItself) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    auto keys = std::make_unique<JackMidiSender>("usb-keys", "midi-out");
    ASSERT_EQ(keys->error(), "") << server.log().toStdString();
    TestState t;
    t.state.PartParams.at(2).at(PartRow::Channel) = 3;
    t.state.PartParams.at(2).at(PartRow::Transposition) = 11;
    t.state.PartParams.at(5).at(PartRow::Channel) = 7;
    frmMain main(t.state);
    MainWindowDriver ui(main);
    main.show();
    frmPart* part5 = ui.openPart(5);
    ui.openPart(2);
    ASSERT_TRUE(main.ChooseInput(QStringLiteral("jack:usb-keys:midi-out")));
    EXPECT_EQ(t.state.midiIn.openPortName(), "usb-keys:midi-out");
    ASSERT_TRUE(keys->waitConnected(10000)) << server.log().toStdString();
    bool onUiThread = true;
    const MidiInput::Handler route = t.state.midiIn.handler();
    t.state.midiIn.setHandler([&](const std::vector<std::uint8_t>& message) {
        onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
        route(message);
    });
    t.port->clear();
    const auto play = [&](std::initializer_list<std::uint8_t> bytes, std::size_t count) {
        keys->send(bytes);
        return within(10000, [&] { return t.port->messageLines().size() >= count; });
    };
    const qint64 first = play({0x90, 60, 0x64}, 1);
    ui.activate(part5);
    play({0x90, 64, 0x50}, 2);
    play({0x80, 60, 0x00}, 3); // to part 2, where its Note On went
    play({0xB0, 64, 127}, 4);
    EXPECT_EQ(t.port->messageLines(), (Lines{"92 3b 64", "96 40 50", "82 3b 00", "b6 40 7f"}));
    EXPECT_TRUE(onUiThread);
    std::printf("[ measure ] JACK client to the program's output: %lld ms\n",
                static_cast<long long>(first));

    t.port->clear();
    keys.reset(); // unplugged with the key and the pedal down
    const qint64 released = within(3000, [&] { return t.port->messageLines().size() >= 2; });
    EXPECT_GE(released, 0);
    EXPECT_LE(released, 1000);
    EXPECT_EQ(t.port->messageLines(), (Lines{"86 40 40", "b6 40 00"}));
    EXPECT_EQ(ui.midiStatus(), "MIDI In gone: jack:usb-keys:midi-out");

    keys = std::make_unique<JackMidiSender>("usb-keys", "midi-out");
    ASSERT_EQ(keys->error(), "");
    const qint64 back = within(5000, [&] { return keys->connected(); });
    EXPECT_GE(back, 0);
    EXPECT_LE(back, 2000);
    EXPECT_EQ(ui.midiStatus(), "MIDI In back: jack:usb-keys:midi-out");
    t.port->clear();
    keys->send({0x90, 62, 80});
    ASSERT_GE(within(5000, [&] { return !t.port->messageLines().empty(); }), 0);
    EXPECT_EQ(t.port->messageLines(), Lines{"96 3e 50"});
}

TEST(LiveMidiJack, ASynthesizerThatRestartsGetsEveryPartsStateAgain) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    auto synth = std::make_unique<JackMidiReceiver>("soft-synth", "midi-in");
    ASSERT_EQ(synth->error(), "") << server.log().toStdString();
    TestState t;
    t.state.PartParams.at(5).at(PartRow::ProgramFlag) = 1;
    t.state.PartParams.at(5).at(PartRow::ProgramNumber) = 41;
    frmMain main(t.state);
    MainWindowDriver ui(main);
    main.show();
    ASSERT_TRUE(main.ChooseOutput(QStringLiteral("jack:soft-synth:midi-in")));
    ASSERT_TRUE(synth->waitReceived(16 * 10, 5000)) << synth->received().size();
    const Lines first = synth->received();
    EXPECT_NE(std::find(first.begin(), first.end(), "c4 28"), first.end());

    synth.reset();
    EXPECT_GE(within(3000, [&] { return ui.midiStatus().startsWith("MIDI Out gone"); }), 0);
    synth = std::make_unique<JackMidiReceiver>("soft-synth", "midi-in");
    ASSERT_EQ(synth->error(), "");
    EXPECT_GE(within(3000, [&] { return ui.midiStatus().startsWith("MIDI Out back"); }), 0);
    ASSERT_TRUE(synth->waitReceived(first.size(), 5000)) << synth->received().size();
    EXPECT_EQ(synth->received(), first);
    EXPECT_TRUE(t.sink.shown().empty()) << "said in the status line only";
}
