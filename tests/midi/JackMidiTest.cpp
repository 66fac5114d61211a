// The MIDI output, input and port watcher on a private JACK server, with JACK clients of the test
// as the keyboards and the synthesizer. Depends on jackd and jack_wait; skipped without them.
#include "devices/PortKinds.h"
#include "midi/ports/JackOutput.h"
#include "midi/ports/MidiInput.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/PortWatcher.h"
#include "support/JackServer.h"
#include "support/MidiModule.h"

#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// Sends, then what the receiver got, once it is `count` messages.
Lines Heard(JackMidiReceiver& receiver, std::size_t count, const std::function<void()>& send) {
    const auto start = static_cast<std::ptrdiff_t>(receiver.received().size());
    send();
    (void)receiver.waitReceived(start + count, 10000);
    return {receiver.received().begin() + start, receiver.received().end()};
}

// Waits until the sender's process cycles have written everything queued: it is then in the
// input's ring, whether or not the UI thread has handed it out.
bool WaitSent(const JackMidiSender& sender, std::uint64_t count) {
    for (QDeadlineTimer deadline(10000); sender.sent() < count && !deadline.hasExpired();)
        QThread::msleep(2);
    return sender.sent() >= count;
}

} // namespace

TEST(JackMidi, ASynthesizerGetsTheBytesAsSentAndAgainOnceItsServerCameBack) {
    std::optional<JackServer> server(std::in_place);
    if (server->unavailable() != nullptr)
        GTEST_SKIP() << server->unavailable();
    PortWatcher watcher;
    const QString choice = QStringLiteral("jack:midi-synth");
    auto synth = std::make_unique<JackMidiReceiver>("midi-synth", "in");
    ASSERT_EQ(synth->error(), "") << server->log().toStdString();
    EXPECT_TRUE(watcher.outputPresent(choice) && !watcher.inputPresent(choice));

    MidiModule m(CreatePortFor(choice));
    auto& out = dynamic_cast<JackOutput&>(*m.midi.port());
    ASSERT_EQ(m.midi.OpenMidiOutput(), 0u) << out.lastError();
    EXPECT_EQ(out.openPortName(), "midi-synth:in");
    // Sent at once on opening, as the part states are, before the connection runs in the
    // server's graph: every message still arrives, in order.
    EXPECT_EQ(Heard(*synth, 4,
                    [&] {
                        m.midi.SendNoteOn(0, 60, 100);
                        m.midi.SendNoteOff(9, 36, 64);
                        m.midi.sendLong(std::string("\xC0\x28", 2));
                        m.midi.sendShort(PackShortMessage(0xE2, 0x00, 0x60));
                    }),
              (Lines{"90 3c 64", "89 24 40", "c0 28", "e2 00 60"}));
    // Closed straight after sending, the port still lets each message out first.
    Lines expected;
    EXPECT_EQ(Heard(*synth, 12,
                    [&] {
                        for (std::uint8_t note = 0; note < 12; ++note) {
                            m.midi.CloseMidiOutput();
                            m.midi.OpenMidiOutput();
                            m.midi.SendNoteOn(1, note, 100);
                            expected.push_back(HexLine({0x91, note, 100}));
                        }
                    }),
              expected);

    // Gone with its server; the watcher finds the new server, and the output reaches it again.
    synth.reset();
    EXPECT_FALSE(watcher.outputPresent(choice));
    server.reset();
    ASSERT_EQ(server.emplace().unavailable(), nullptr);
    synth = std::make_unique<JackMidiReceiver>("midi-synth", "in");
    ASSERT_EQ(synth->error(), "") << server->log().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.outputPresent(choice); },
                                2000 + 1000 * PortWatcher::RetryInterval.count()));
    ASSERT_EQ(out.reconnect(), 0u) << out.lastError();
    EXPECT_EQ(Heard(*synth, 1, [&] { m.midi.SendNoteOff(3, 62, 0); }), Lines{"83 3e 00"});
    m.midi.CloseMidiOutput();
    EXPECT_FALSE(m.midi.outputOpen());
    EXPECT_TRUE(m.sink.shown().empty());
}

TEST(JackMidi, AKeyboardPlaysUntilSwitchedAndABurstArrivesWholeInOrder) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    JackMidiSender keys("midi-keyboard", "keys");
    JackMidiSender pads("midi-pads", "pads");
    ASSERT_EQ(keys.error() + pads.error(), "") << server.log().toStdString();

    MidiInput in;
    std::vector<Bytes> received;
    std::size_t closeAt = 0; // the handler closes the input when it has received that many
    in.setHandler([&](const Bytes& message) {
        received.push_back(message);
        if (received.size() == closeAt)
            in.close();
    });
    const auto receivedAll = [&](std::size_t n) {
        return QTest::qWaitFor([&] { return received.size() >= n; }, 10000);
    };
    ASSERT_TRUE(in.open("jack:midi-keyboard")) << in.lastError();
    ASSERT_TRUE(keys.waitConnected(10000));
    keys.send({0x90, 60, 100});
    ASSERT_TRUE(receivedAll(1));

    // Choices that cannot be opened, or the output's own device: the keyboard still plays.
    for (const char* failing : {"jack:no-such-port", "serial", "jack:midi-keyboard:pads"})
        EXPECT_FALSE(in.open(failing) || in.lastError().empty()) << failing;
    EXPECT_FALSE(in.open("jack:midi-pads", "midi-pads:pads"));
    EXPECT_NE(in.lastError().find("output"), std::string::npos) << in.lastError();
    EXPECT_EQ(in.openPortName(), "midi-keyboard:keys");
    // System exclusive longer than the loop-back probe is dropped and counted; one as short as
    // the probe arrives whole; the note after them plays.
    keys.send({0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7});
    keys.send({0xF0, 0x7D, 1, 2, 3, 4, 0xF7});
    keys.send({0x91, 61, 90});
    ASSERT_TRUE(receivedAll(3));
    EXPECT_EQ(in.droppedTooLong(), 1u);

    // Ten messages in the input's ring, not yet handed out, when it switches to the pads: they
    // are dropped, and only the pads play after, a burst of 2000 whole and in order. Message i:
    // its channel and note name it, so a lost, doubled or swapped one shows.
    for (std::uint8_t note = 0; note < 10; ++note)
        keys.send({0x92, note, 64});
    ASSERT_TRUE(WaitSent(keys, 14));
    ASSERT_TRUE(in.open("jack:midi-pads")) << in.lastError();
    ASSERT_TRUE(pads.waitConnected(10000));
    std::vector<Bytes> expected{{0x90, 60, 100}, {0xF0, 0x7D, 1, 2, 3, 4, 0xF7}, {0x91, 61, 90}};
    for (int i = 0; i < 2000; ++i) {
        expected.push_back(
            {static_cast<std::uint8_t>(0x90 | (i & 15)), static_cast<std::uint8_t>(i >> 4), 64});
        pads.send(expected.back());
    }
    receivedAll(expected.size());
    EXPECT_TRUE(received == expected) << received.size() << " messages, in order or not";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keys.connected(); }, 5000)) << "old port closed";

    // A handler that closes the input amid a batch: the rest is dropped, and the closed port's
    // notifier is not deleted under the hand-out that called it.
    closeAt = received.size() + 2;
    for (std::uint8_t note = 0; note < 10; ++note)
        pads.send({0x90, note, 64});
    ASSERT_TRUE(WaitSent(pads, 2010));
    QTest::qWait(300);
    EXPECT_EQ(received.size(), closeAt);
    EXPECT_EQ(received.back(), (Bytes{0x90, 1, 64}));
    EXPECT_EQ(in.choice(), "none");
}
