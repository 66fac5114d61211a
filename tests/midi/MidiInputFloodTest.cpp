// A JACK client floods the MIDI input: every message arrives, in order, on the UI thread, and the
// input's JACK client is never late in the server's process cycle.
#include "midi/ports/MidiInput.h"
#include "support/JackServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Note pair `i` (0..20479): channel, note and velocity together name it, so a lost, doubled or
// swapped message shows.
Bytes NoteOn(int i) {
    return {static_cast<std::uint8_t>(0x90 | (i & 15)), static_cast<std::uint8_t>((i >> 4) & 127),
            static_cast<std::uint8_t>(1 + (i >> 11))};
}
Bytes NoteOff(int i) {
    Bytes bytes = NoteOn(i);
    bytes[0] = static_cast<std::uint8_t>(0x80 | (i & 15));
    return bytes;
}

} // namespace

// Depends on jackd and jack_wait (the JACK server is private, on the dummy backend).
TEST(MidiInputFlood, FortyThousandMessagesArriveInOrderOnTheUiThreadWithoutXRun) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    JackMidiSender keyboard("midi-flood", "out");
    ASSERT_EQ(keyboard.error(), "") << server.log().toStdString();

    MidiInput in;
    std::vector<Bytes> received;
    received.reserve(40000);
    bool onUiThread = true;
    in.setHandler([&](const Bytes& message) {
        onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
        received.push_back(message);
    });
    ASSERT_TRUE(in.open("jack:midi-flood:out")) << in.lastError();
    ASSERT_TRUE(keyboard.waitConnected(10000)) << server.log().toStdString();

    constexpr int Pairs = 20000;
    std::vector<Bytes> expected;
    for (int i = 0; i < Pairs; ++i) {
        expected.push_back(NoteOn(i));
        expected.push_back(NoteOff(i));
    }
    QElapsedTimer clock;
    clock.start();
    for (const Bytes& message : expected)
        ASSERT_TRUE(keyboard.send(message));
    // Waits for all of them, or until none has come for five seconds.
    std::size_t seen = 0;
    qint64 lastArrival = 0;
    for (QDeadlineTimer quiet(5000); received.size() < expected.size() && !quiet.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (received.size() != seen) {
            seen = received.size();
            lastArrival = clock.nsecsElapsed();
            quiet.setRemainingTime(5000);
        }
    }
    const double seconds = lastArrival / 1e9;
    // The sender's port got every message out, so a missing one was lost by the input.
    EXPECT_EQ(keyboard.pending(), 0u);
    EXPECT_EQ(keyboard.lost(), 0u);
    EXPECT_EQ(keyboard.sent(), expected.size());

    std::size_t firstWrong = 0;
    while (firstWrong < received.size() && firstWrong < expected.size() &&
           received[firstWrong] == expected[firstWrong])
        ++firstWrong;
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_EQ(firstWrong, expected.size()) << "the first message out of order or lost";
    EXPECT_TRUE(onUiThread);
    const QStringList xruns = server.xruns(QStringLiteral("Quintaro"));
    if (server.realTime()) {
        EXPECT_TRUE(xruns.isEmpty()) << xruns.join(u'\n').toStdString();
    }
    std::printf("[ measure ] %zu messages sent, %zu received in %.3f s (most in one cycle %u), "
                "%zu lost, %lld XRuns naming Quintaro (%s server)\n",
                expected.size(), received.size(), seconds, keyboard.mostInOneCycle(),
                expected.size() - std::min(received.size(), expected.size()),
                static_cast<long long>(xruns.size()),
                server.realTime() ? "real-time" : "not real-time");
}
