#include "midi/ports/MidiMapper.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"
#include "support/JackServer.h"
#include "support/MidiModule.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace {

// A private JACK server on the dummy backend, and jack_midi_dump listening on it: what the
// program sends through "jack:NAME" arrives there as bytes.
class JackPortTest : public ::testing::Test {
  protected:
    // One server and one monitor for the whole suite: starting and stopping them takes seconds.
    static void SetUpTestSuite() {
        const QString dump = QStandardPaths::findExecutable("jack_midi_dump");
        if (dump.isEmpty()) {
            unavailable_ = "JACK tools are not installed";
            return;
        }
        server_ = new JackServer;
        if (server_->unavailable() != nullptr) {
            unavailable_ = server_->unavailable();
            return;
        }
        dump_ = new QProcess;
        dump_->start(dump, {});
        // Wait for its input port to appear.
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() &&
               RtMidiPort(RtMidiPort::Api::Jack, "midi-monitor").deviceCount() == 0)
            QThread::msleep(50);
    }

    static void TearDownTestSuite() {
        if (dump_ != nullptr) {
            dump_->terminate();
            if (!dump_->waitForFinished(10000))
                dump_->kill();
            dump_->waitForFinished(3000);
        }
        delete dump_;
        delete server_; // asked to stop, so that the server clears its entry itself
        dump_ = nullptr;
        server_ = nullptr;
    }

    void SetUp() override {
        if (unavailable_ != nullptr)
            GTEST_SKIP() << unavailable_;
    }

    // The hex bytes of each event jack_midi_dump printed so far ("   0: 90 3c 64 note on").
    static QStringList receivedLines() {
        dump_->waitForReadyRead(100);
        output_ += QString::fromLocal8Bit(dump_->readAllStandardOutput());
        QStringList lines;
        static const QRegularExpression event(QStringLiteral("^\\s*\\d+:((?:\\s[0-9a-f]{2})+)"));
        for (const QString& line : output_.split(u'\n'))
            if (const auto match = event.match(line); match.hasMatch())
                lines << match.captured(1).trimmed();
        return lines;
    }

    static inline const char* unavailable_ = nullptr;
    static inline JackServer* server_ = nullptr;
    static inline QProcess* dump_ = nullptr;
    static inline QString output_;
};

} // namespace

// One test only: each test runs in its own process under CTest, and one JACK server per suite
// keeps it fast.
TEST_F(JackPortTest, MessagesArriveAtTheNamedJackPortAsSent) {
    auto port = CreatePortFor("jack:midi-monitor");
    auto* jack = dynamic_cast<RtMidiPort*>(port.get());
    ASSERT_NE(jack, nullptr);
    MidiModule m(std::move(port));
    Midi& midi = m.midi;
    ASSERT_EQ(midi.OpenMidiOutput(), 0u) << jack->lastError();
    EXPECT_NE(jack->openPortName().find("midi-monitor"), std::string::npos);
    // The monitor's port shows before its client runs, and what arrives before that is lost:
    // All Notes Off goes out until the monitor shows one.
    QDeadlineTimer ready(10000);
    while (!ready.hasExpired() && receivedLines().isEmpty())
        midi.SendAllNotesOff(15);
    midi.SendNoteOn(0, 60, 100);
    midi.SendNoteOff(9, 36, 64);
    midi.sendLong(std::string("\xC0\x28", 2));
    midi.sendShort(PackShortMessage(0xE2, 0x00, 0x60));

    const QStringList expected{"90 3c 64", "89 24 40", "c0 28", "e2 00 60"};
    QStringList received;
    QDeadlineTimer deadline(5000);
    do {
        received = receivedLines();
        while (received.value(0) == "bf 7b 00")
            received.removeFirst();
    } while (!deadline.hasExpired() && received.size() < expected.size());
    EXPECT_EQ(received, expected);
    midi.CloseMidiOutput();
    EXPECT_FALSE(midi.outputOpen());
    EXPECT_TRUE(m.sink.shown().empty());

    // A name that matches no port opens nothing, although the monitor's port is there.
    RtMidiPort unnamed(RtMidiPort::Api::Jack, "NoSuchPort");
    ASSERT_GE(unnamed.deviceCount(), 1);
    EXPECT_NE(unnamed.open(), 0u);

    // With a JACK server running and no PulseAudio server, the synthesizer plays through JACK.
    QTemporaryDir noPulse;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", noPulse.path().toLocal8Bit());
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "jack");
    qputenv("XDG_RUNTIME_DIR", runtime);
}
