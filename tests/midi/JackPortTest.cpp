#include "midi/ports/MidiMapper.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"
#include "support/MidiModule.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
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
        // JACK keeps a table of eight servers and reclaims the entry a dead server left (a test
        // killed at its timeout) only when a server of the same name starts again. So the
        // name comes from a pool of four, each held by a lock file while its server runs:
        // suites running at once get servers of their own, and no entry is ever lost for good.
        QString name;
        for (int attempt = 0; name.isEmpty() && attempt < 600; ++attempt) {
            for (int k = 0; k < 4 && name.isEmpty(); ++k) {
                lock_ =
                    new QLockFile(QDir::temp().filePath(QString("quintaro-jack-%1.lock").arg(k)));
                if (lock_->tryLock(0))
                    name = QStringLiteral("quintaro-test-%1").arg(k);
                else
                    delete lock_;
            }
            if (name.isEmpty())
                QThread::msleep(100);
        }
        if (name.isEmpty()) {
            lock_ = nullptr;
            unavailable_ = "every JACK test server name stayed in use for a minute";
            return;
        }
        savedServer_ = qgetenv("JACK_DEFAULT_SERVER");
        qputenv("JACK_DEFAULT_SERVER", name.toLocal8Bit()); // how the clients find it

        // A server killed before it could clean up makes the next start of its name fail once
        // ("server already active"), clearing what was left; the second start works.
        for (int attempt = 0; attempt < 2 && server_ == nullptr; ++attempt) {
            server_ = new QProcess;
            server_->setProcessChannelMode(QProcess::MergedChannels);
            server_->start(
                jackd, {"--no-realtime", "-n", name, "-d", "dummy", "-r", "48000", "-p", "256"});
            if (!server_->waitForStarted(3000) || QProcess::execute(wait, {"-w", "-t", "5"}) != 0) {
                server_->kill();
                server_->waitForFinished(3000);
                delete server_;
                server_ = nullptr;
            }
        }
        if (server_ == nullptr) {
            unavailable_ = "the JACK server did not come up";
            return;
        }
        dump_ = new QProcess;
        dump_->start(dump, {});
        // Wait for its input port to appear.
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() &&
               RtMidiPort(RtMidiPort::Api::Jack, "midi-monitor").deviceCount() == 0)
            QThread::msleep(50);
    }

    static void TearDownTestSuite() {
        // Both are asked to stop, so that the server clears its entry itself.
        for (QProcess* process : {dump_, server_}) {
            if (process == nullptr)
                continue;
            process->terminate();
            if (!process->waitForFinished(10000))
                process->kill();
            process->waitForFinished(3000);
            delete process;
        }
        dump_ = server_ = nullptr;
        delete lock_;
        lock_ = nullptr;
        savedServer_.isEmpty() ? qunsetenv("JACK_DEFAULT_SERVER")
                               : qputenv("JACK_DEFAULT_SERVER", savedServer_);
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
    static inline QByteArray savedServer_;
    static inline QLockFile* lock_ = nullptr;
    static inline QProcess* server_ = nullptr;
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
    midi.MidiHeader.data = std::string("\xC0\x28", 2);
    midi.SendLongMessage();
    midi.MidiMessage = PackShortMessage(0xE2, 0x00, 0x60);
    midi.SendShortMessage();

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
    EXPECT_EQ(midi.MidiOutOpen, 0);
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
