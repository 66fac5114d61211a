#include "midi/ports/MidiMapper.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"
#include "support/MidiModule.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
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
        const QString jackd = QStandardPaths::findExecutable("jackd");
        const QString dump = QStandardPaths::findExecutable("jack_midi_dump");
        const QString wait = QStandardPaths::findExecutable("jack_wait");
        if (jackd.isEmpty() || dump.isEmpty() || wait.isEmpty()) {
            unavailable_ = "JACK tools are not installed";
            return;
        }

        // A server of our own, found by clients through JACK_DEFAULT_SERVER. Its name is fixed:
        // JACK keeps a small table of servers and reclaims an entry left by a dead server only
        // when a server of the same name starts again.
        const QString name = QStringLiteral("quintaro-test");
        savedServer_ = qgetenv("JACK_DEFAULT_SERVER");
        qputenv("JACK_DEFAULT_SERVER", name.toLocal8Bit());

        server_ = new QProcess;
        server_->setProgram(jackd);
        server_->setArguments(
            {"--no-realtime", "-n", name, "-d", "dummy", "-r", "48000", "-p", "256"});
        server_->setProcessChannelMode(QProcess::MergedChannels);
        server_->start();
        if (!server_->waitForStarted(3000) || QProcess::execute(wait, {"-w", "-t", "5"}) != 0) {
            unavailable_ = "the JACK server did not come up";
            return;
        }

        dump_ = new QProcess;
        dump_->setProgram(dump);
        dump_->start();
        if (!dump_->waitForStarted(3000)) {
            unavailable_ = "jack_midi_dump does not start";
            return;
        }
        // Wait for its input port to appear.
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() &&
               RtMidiPort(RtMidiPort::Api::Jack, "midi-monitor").deviceCount() == 0)
            QThread::msleep(50);
    }

    static void TearDownTestSuite() {
        // Both are asked to stop, so that the server cleans up after itself.
        for (QProcess* process : {dump_, server_}) {
            if (process == nullptr)
                continue;
            process->terminate();
            if (!process->waitForFinished(10000)) {
                process->kill();
                process->waitForFinished(3000);
            }
            delete process;
        }
        dump_ = server_ = nullptr;
        if (savedServer_.isEmpty())
            qunsetenv("JACK_DEFAULT_SERVER");
        else
            qputenv("JACK_DEFAULT_SERVER", savedServer_);
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
        for (const QString& line : output_.split(u'\n')) {
            const auto match = event.match(line);
            if (match.hasMatch())
                lines << match.captured(1).trimmed();
        }
        return lines;
    }

    static inline const char* unavailable_ = nullptr;
    static inline QByteArray savedServer_;
    static inline QProcess* server_ = nullptr;
    static inline QProcess* dump_ = nullptr;
    static inline QString output_;
};

} // namespace

// One test only: each test runs in its own process under CTest, and one JACK server at a time
// keeps the suite fast and free of clashes.
TEST_F(JackPortTest, MessagesArriveAtTheNamedJackPortAsSent) {
    auto port = CreatePortFor("jack:midi-monitor");
    auto* jack = dynamic_cast<RtMidiPort*>(port.get());
    ASSERT_NE(jack, nullptr);
    ASSERT_GE(jack->deviceCount(), 1);

    MidiModule m(std::move(port));
    Midi& midi = m.midi;

    ASSERT_EQ(midi.OpenMidiOutput(), 0u) << jack->lastError();
    EXPECT_NE(jack->openPortName().find("midi-monitor"), std::string::npos);
    midi.SendNoteOn(0, 60, 100);
    midi.SendNoteOff(9, 36, 64);
    midi.SendAllNotesOff(15);
    midi.MidiHeader.data = std::string("\xC0\x28", 2);
    midi.SendLongMessage();
    midi.MidiMessage = PackShortMessage(0xE2, 0x00, 0x60);
    midi.SendShortMessage();

    const QStringList expected{"90 3c 64", "89 24 40", "bf 7b 00", "c0 28", "e2 00 60"};
    QStringList received;
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && received.size() < expected.size())
        received = receivedLines();
    EXPECT_EQ(received, expected);
    midi.CloseMidiOutput();
    EXPECT_EQ(midi.MidiOutOpen, 0);
    EXPECT_TRUE(m.sink.shown.empty());

    // A name that matches no port opens nothing, although ports are there.
    RtMidiPort unnamed(RtMidiPort::Api::Jack, "NoSuchPort");
    ASSERT_GE(unnamed.deviceCount(), 1); // the monitor's port is there, but not by that name
    EXPECT_NE(unnamed.open(), 0u);
    EXPECT_TRUE(unnamed.openPortName().empty());
    EXPECT_NE(unnamed.shortMessage(PackShortMessage(0x90, 60, 100)), 0u);

    // With a JACK server running and no PulseAudio server, the synthesizer plays through JACK.
    QTemporaryDir noPulse;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", noPulse.path().toLocal8Bit());
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "jack");
    qputenv("XDG_RUNTIME_DIR", runtime);
}
