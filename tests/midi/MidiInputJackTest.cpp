// The MIDI input on a private JACK server, with JACK clients of the test as keyboards: a choice
// that cannot be opened leaves the working input alone, a switch or a close drops what the old
// port had queued, system exclusive is counted and not played. Depends on jackd and jack_wait.
#include "midi/ports/MidiInput.h"
#include "support/JackServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Processes Qt's events until `condition` holds or `ms` have passed.
template <typename Condition> bool WaitFor(Condition condition, int ms) {
    for (QDeadlineTimer deadline(ms); !condition() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return condition();
}

// Waits until the sender's process cycles have written everything queued: it is then in the
// input's ring (or lost), whether or not the UI thread has handed it out.
bool WaitSent(const JackMidiSender& sender, std::uint64_t count) {
    QDeadlineTimer deadline(10000);
    while (sender.sent() < count && !deadline.hasExpired())
        QThread::msleep(2);
    return sender.sent() >= count;
}

} // namespace

TEST(MidiInputJack, AFailedChoiceKeepsTheWorkingInputAndASwitchDropsWhatTheOldPortQueued) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    JackMidiSender keys("midi-keyboard", "keys");
    JackMidiSender pads("midi-pads", "pads");
    ASSERT_EQ(keys.error() + pads.error(), "") << server.log().toStdString();

    MidiInput in;
    std::vector<Bytes> received;
    in.setHandler([&](const Bytes& message) { received.push_back(message); });
    ASSERT_TRUE(in.open("jack:midi-keyboard")) << in.lastError();
    ASSERT_TRUE(keys.waitConnected(10000));
    keys.send({0x90, 60, 100});
    ASSERT_TRUE(WaitFor([&] { return received.size() == 1; }, 10000));

    // Choices that cannot be opened: the keyboard still plays, under its choice and name.
    for (const char* choice : {"jack:no-such-port", "serial", "jack:midi-keyboard:pads"}) {
        EXPECT_FALSE(in.open(choice)) << choice;
        EXPECT_FALSE(in.lastError().empty()) << choice;
    }
    // Nor is the output's own device taken, were it a source.
    EXPECT_FALSE(in.open("jack:midi-pads", "midi-pads:pads"));
    EXPECT_NE(in.lastError().find("output"), std::string::npos) << in.lastError();
    EXPECT_TRUE(in.isOpen());
    EXPECT_EQ(in.choice(), "jack:midi-keyboard");
    EXPECT_EQ(in.openPortName(), "midi-keyboard:keys");
    keys.send({0x80, 60, 0});
    ASSERT_TRUE(WaitFor([&] { return received.size() == 2; }, 10000));

    // System exclusive is dropped and counted; the note after it plays.
    keys.send({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    keys.send({0x91, 61, 90});
    ASSERT_TRUE(WaitFor([&] { return received.size() == 3; }, 10000));
    EXPECT_EQ(in.droppedTooLong(), 1u);
    EXPECT_EQ(in.droppedQueueFull(), 0u);

    // Ten messages reach the input's ring but are not handed out before the switch to the pads:
    // they are dropped, and only the pads play after.
    const std::uint64_t before = keys.sent();
    for (std::uint8_t note = 0; note < 10; ++note)
        keys.send({0x92, note, 64});
    ASSERT_TRUE(WaitSent(keys, before + 10));
    ASSERT_TRUE(in.open("jack:midi-pads")) << in.lastError();
    ASSERT_TRUE(pads.waitConnected(10000));
    pads.send({0x99, 36, 127});
    ASSERT_TRUE(WaitFor([&] { return received.size() >= 4; }, 10000));
    EXPECT_EQ(received, (std::vector<Bytes>{
                            {0x90, 60, 100}, {0x80, 60, 0}, {0x91, 61, 90}, {0x99, 36, 127}}));
    EXPECT_TRUE(WaitFor([&] { return !keys.connected(); }, 5000)) << "the old port is closed";
}

// A handler that closes the input while its messages are handed out: the rest of the batch is
// dropped, and the closed port's notifier is not deleted under the hand-out that called it.
TEST(MidiInputJack, AHandlerThatClosesTheInputEndsTheBatch) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    JackMidiSender keys("midi-keyboard", "keys");
    ASSERT_EQ(keys.error(), "") << server.log().toStdString();

    MidiInput in;
    std::vector<Bytes> received;
    in.setHandler([&](const Bytes& message) {
        received.push_back(message);
        if (received.size() == 3)
            in.close();
    });
    ASSERT_TRUE(in.open("jack:midi-keyboard")) << in.lastError();
    ASSERT_TRUE(keys.waitConnected(10000));
    for (std::uint8_t note = 0; note < 10; ++note)
        keys.send({0x90, note, 64});
    ASSERT_TRUE(WaitSent(keys, 10));
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(received, (std::vector<Bytes>{{0x90, 0, 64}, {0x90, 1, 64}, {0x90, 2, 64}}));
    EXPECT_FALSE(in.isOpen());
    EXPECT_EQ(in.choice(), "none");

    // Opened again, it plays again.
    in.setHandler([&](const Bytes& message) { received.push_back(message); });
    ASSERT_TRUE(in.open("jack:midi-keyboard")) << in.lastError();
    ASSERT_TRUE(keys.waitConnected(10000));
    keys.send({0x80, 0, 0});
    ASSERT_TRUE(WaitFor([&] { return received.size() == 4; }, 10000));
    EXPECT_EQ(received.back(), (Bytes{0x80, 0, 0}));
}
