// Devices that come and go, on a private JACK server with JACK clients of the test as the
// keyboard and the synthesizer: the watcher sees them at its next look, the input and the output
// play again once opened again, and a look is cheap. Depends on jackd and jack_wait.
#include "midi/ports/PortWatcher.h"
#include "midi/ports/MidiInput.h"
#include "midi/ports/RtMidiPort.h"
#include "support/JackServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

template <typename Condition> bool WaitFor(Condition condition, int ms) {
    for (QDeadlineTimer deadline(ms); !condition() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return condition();
}

bool Contains(const Names& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// RtMidi's JACK output connects in the call that opens it, and what it sends in the cycles
// before the connection runs is lost: sends Note Off 0 until the receiver shows one.
bool Reached(RtMidiPort& out, JackMidiReceiver& receiver) {
    return WaitFor(
        [&] {
            out.shortMessage(0x00000080);
            return receiver.waitReceived(1, 50);
        },
        10000);
}

} // namespace

TEST(PortWatcher, AJackKeyboardThatGoesAndComesBackIsSeenAtTheNextLookAndPlaysAgainOnReopen) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    PortWatcher watcher;
    const QString choice = QStringLiteral("jack:midi-keyboard");
    EXPECT_FALSE(watcher.inputPresent(choice));
    for (const char* always : {"none", "synth", "capture:/tmp/x", ""})
        EXPECT_TRUE(watcher.inputPresent(always) && watcher.outputPresent(always)) << always;

    auto keys = std::make_unique<JackMidiSender>("midi-keyboard", "keys");
    ASSERT_EQ(keys->error(), "") << server.log().toStdString();
    EXPECT_TRUE(watcher.inputPresent(choice));
    EXPECT_TRUE(watcher.inputPresent("jack:midi-keyboard:keys"));
    EXPECT_TRUE(watcher.inputPresent("jack"));
    EXPECT_FALSE(watcher.outputPresent(choice)) << "a source is no destination";
    EXPECT_FALSE(watcher.inputPresent("alsa:midi-keyboard"));

    MidiInput in;
    std::vector<Bytes> received;
    in.setHandler([&](const Bytes& message) { received.push_back(message); });
    ASSERT_TRUE(in.open(choice)) << in.lastError();
    ASSERT_TRUE(keys->waitConnected(10000));
    keys->send({0x90, 60, 100});
    ASSERT_TRUE(WaitFor([&] { return received.size() == 1; }, 10000));
    EXPECT_FALSE(Contains(watcher.outputs(PortWatcher::Api::Jack), "Quintaro:Quintaro input"));
    for (const std::string& name : watcher.outputs(PortWatcher::Api::Jack))
        EXPECT_EQ(name.find("Quintaro input"), std::string::npos) << "the program's own port";

    // Unplugged: gone at the next look, the choice kept.
    keys.reset();
    EXPECT_FALSE(watcher.inputPresent(in.choice()));
    EXPECT_EQ(in.choice(), choice);

    // Back: seen at the next look; it plays only once the input is opened again.
    keys = std::make_unique<JackMidiSender>("midi-keyboard", "keys");
    ASSERT_EQ(keys->error(), "");
    EXPECT_TRUE(watcher.inputPresent(in.choice()));
    EXPECT_FALSE(keys->waitConnected(300)) << "nothing connects it by itself";
    ASSERT_TRUE(in.reopen()) << in.lastError();
    EXPECT_EQ(in.choice(), choice);
    EXPECT_EQ(in.openPortName(), "midi-keyboard:keys");
    ASSERT_TRUE(keys->waitConnected(10000));
    keys->send({0x80, 60, 0});
    ASSERT_TRUE(WaitFor([&] { return received.size() == 2; }, 10000));
    EXPECT_EQ(received, (std::vector<Bytes>{{0x90, 60, 100}, {0x80, 60, 0}}));

    // The cost of a look, with a handful of clients and ports.
    JackMidiSender pads("midi-pads", "pads");
    JackMidiReceiver synth("midi-synth", "in");
    QElapsedTimer clock;
    clock.start();
    constexpr int Looks = 200;
    for (int i = 0; i < Looks; ++i)
        ASSERT_TRUE(watcher.inputPresent(choice) && watcher.outputPresent("jack:midi-synth"));
    std::printf("[ measure ] inputPresent + outputPresent on JACK: %.3f ms a pair\n",
                clock.nsecsElapsed() / 1e6 / Looks);
}

TEST(PortWatcher, AJackSynthesizerThatComesBackIsPlayedAgainAfterReconnect) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    PortWatcher watcher;
    const QString choice = QStringLiteral("jack:midi-synth");
    auto synth = std::make_unique<JackMidiReceiver>("midi-synth", "in");
    ASSERT_EQ(synth->error(), "") << server.log().toStdString();
    EXPECT_TRUE(watcher.outputPresent(choice));
    EXPECT_FALSE(watcher.inputPresent(choice));

    RtMidiPort out(RtMidiPort::Api::Jack, "midi-synth");
    ASSERT_EQ(out.open(), 0u) << out.lastError();
    EXPECT_EQ(out.openPortName(), "midi-synth:in");
    ASSERT_TRUE(Reached(out, *synth));
    EXPECT_FALSE(Contains(watcher.inputs(PortWatcher::Api::Jack), "midi-synth:in"));

    synth.reset();
    EXPECT_FALSE(watcher.outputPresent(choice));
    synth = std::make_unique<JackMidiReceiver>("midi-synth", "in");
    EXPECT_TRUE(watcher.outputPresent(choice));
    out.shortMessage(0x00643C90);
    EXPECT_FALSE(synth->waitReceived(1, 300)) << "the old connection went with the old client";
    ASSERT_EQ(out.reconnect(), 0u) << out.lastError();
    EXPECT_EQ(out.openPortName(), "midi-synth:in");
    ASSERT_TRUE(Reached(out, *synth));
    out.shortMessage(0x00643C90);
    ASSERT_TRUE(synth->waitReceived(2, 10000));
    EXPECT_EQ(synth->received().back(), "90 3c 64");

    // The server itself restarted: the watcher finds the new one, the output reaches it again.
    synth.reset();
    ASSERT_TRUE(server.restart()) << server.log().toStdString();
    synth = std::make_unique<JackMidiReceiver>("midi-synth", "in");
    ASSERT_EQ(synth->error(), "") << server.log().toStdString();
    EXPECT_TRUE(WaitFor([&] { return watcher.outputPresent(choice); },
                        2000 + static_cast<int>(PortWatcher::RetryInterval.count()) * 1000));
    ASSERT_EQ(out.reconnect(), 0u) << out.lastError();
    ASSERT_TRUE(Reached(out, *synth));
}

// With no JACK server (and no ALSA sequencer), a look finds nothing and stays cheap: a failed
// attempt to reach the server costs milliseconds, so it is made again only after RetryInterval.
TEST(PortWatcher, WithoutAServerALookFindsNothingAndCostsLittle) {
    const QByteArray saved = qgetenv("JACK_DEFAULT_SERVER");
    qputenv("JACK_DEFAULT_SERVER", "quintaro-no-such-server");
    PortWatcher watcher;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(watcher.inputPresent("jack"));
    const double first = clock.nsecsElapsed() / 1e6;
    clock.restart();
    constexpr int Looks = 100;
    for (int i = 0; i < Looks; ++i) {
        EXPECT_FALSE(watcher.inputPresent("jack:midi-keyboard"));
        EXPECT_FALSE(watcher.outputPresent("jack:midi-synth"));
    }
    const double later = clock.nsecsElapsed() / 1e6 / Looks;
    EXPECT_TRUE(watcher.inputs(PortWatcher::Api::Jack).empty());
    if (!QFileInfo::exists("/dev/snd/seq")) {
        EXPECT_TRUE(watcher.inputs(PortWatcher::Api::Alsa).empty());
        EXPECT_FALSE(watcher.outputPresent("alsa"));
    }
    EXPECT_LT(later, 0.5) << "a look in ms, the server tried again each time?";
    std::printf("[ measure ] no JACK server: first look %.3f ms, then %.4f ms a pair of looks\n",
                first, later);
    saved.isEmpty() ? qunsetenv("JACK_DEFAULT_SERVER") : qputenv("JACK_DEFAULT_SERVER", saved);
}
