// The built-in synthesizer picks the desktop's sound server by itself: played through a private
// PulseAudio server, middle C comes out of it.
#include "midi/Midi.h"
#include "midi/ports/SynthPort.h"
#include "support/Audio.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstring>

namespace {

// Sets an environment variable for its lifetime, then puts back what was there.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), saved_(qgetenv(name)), wasSet_(qEnvironmentVariableIsSet(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv() {
        if (wasSet_)
            qputenv(name_, saved_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    QByteArray saved_;
    bool wasSet_;
};

// A PulseAudio server of this test's own, in a runtime folder of its own, playing into a null
// sink "out" whose monitor can be recorded. Stopped when it goes out of scope, whatever happened.
class PrivatePulse {
  public:
    PrivatePulse() {
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert("XDG_RUNTIME_DIR", folder_.path());
        environment_.insert("HOME", folder_.path()); // its cookie and state stay in here too
        environment_.remove("PULSE_SERVER");
        const QString pulseaudio = QStandardPaths::findExecutable("pulseaudio");
        if (pulseaudio.isEmpty() || QStandardPaths::findExecutable("parec").isEmpty()) {
            failure_ = "pulseaudio and parec are not installed (scripts/setup installs them)";
            return;
        }
        QProcess daemon;
        daemon.setProcessEnvironment(environment_);
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        daemon.start(pulseaudio, {"-n", "--daemonize=yes", "--exit-idle-time=-1",
                                  "--load=module-null-sink sink_name=out",
                                  "--load=module-native-protocol-unix"});
        if (!daemon.waitForFinished(20000) || daemon.exitCode() != 0) {
            failure_ = "the PulseAudio daemon did not start: " + daemon.readAll().toStdString();
            return;
        }
        started_ = true;
    }
    ~PrivatePulse() {
        if (!started_)
            return;
        QProcess stop;
        stop.setProcessEnvironment(environment_);
        stop.start(QStandardPaths::findExecutable("pulseaudio"), {"-k"});
        stop.waitForFinished(10000);
    }
    PrivatePulse(const PrivatePulse&) = delete;
    PrivatePulse& operator=(const PrivatePulse&) = delete;

    // Why the server is not there; empty when it runs.
    const std::string& failure() const { return failure_; }
    QByteArray runtimeFolder() const { return folder_.path().toLocal8Bit(); }

    // Starts recording what the null sink plays, 16-bit stereo at the synthesizer's rate, into
    // a file (a pipe nobody reads while the test waits would fill and stop the recorder).
    QString startRecording(QProcess& parec) const {
        const QString file = folder_.filePath("recorded.raw");
        parec.setProcessEnvironment(environment_);
        parec.setStandardOutputFile(file);
        parec.start(QStandardPaths::findExecutable("parec"),
                    {"-d", "out.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                     "--latency-msec=20"});
        return file;
    }

  private:
    QTemporaryDir folder_;
    QProcessEnvironment environment_;
    std::string failure_;
    bool started_ = false;
};

} // namespace

TEST(SynthDriver, PlaysMiddleCThroughARunningPulseAudioServer) {
    if (SynthPort(audio::TestSoundFont).deviceCount() == 0)
        GTEST_SKIP() << audio::TestSoundFont << " is not installed (scripts/setup installs it)";
    ScopedEnv noDriver("QUINTARO_SYNTH_DRIVER", QByteArray());
    ScopedEnv noServer("PULSE_SERVER", QByteArray());
    {
        // No server to be found: ALSA, and JACK is neither found nor started.
        QTemporaryDir empty;
        ScopedEnv runtime("XDG_RUNTIME_DIR", empty.path().toLocal8Bit());
        ScopedEnv noJack("JACK_DEFAULT_SERVER", "quintaro-no-such-server");
        EXPECT_EQ(SynthPort::ChooseAudioDriver(), "alsa");
        EXPECT_EQ(qgetenv("JACK_NO_START_SERVER"), "1");
        ScopedEnv chosen("QUINTARO_SYNTH_DRIVER", "file");
        EXPECT_EQ(SynthPort::ChooseAudioDriver(), "file");
    }

    PrivatePulse pulse;
    if (!pulse.failure().empty())
        GTEST_SKIP() << pulse.failure();
    ScopedEnv runtime("XDG_RUNTIME_DIR", pulse.runtimeFolder());
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "pulseaudio");

    QProcess parec;
    const QString recorded = pulse.startRecording(parec);
    ASSERT_TRUE(parec.waitForStarted(5000));
    // The recorder takes a second or two before the first bytes come.
    QDeadlineTimer deadline(15000);
    while (QFileInfo(recorded).size() == 0 && !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_GT(QFileInfo(recorded).size(), 0) << "parec records nothing";
    SynthPort synth(audio::TestSoundFont);
    ASSERT_EQ(synth.open(), 0u) << synth.lastError();
    EXPECT_EQ(synth.audioSetup().driver, "pulseaudio");
    synth.shortMessage(PackShortMessage(0x90, 60, 100));
    QThread::msleep(1500);
    synth.shortMessage(PackShortMessage(0x80, 60, 64));
    QThread::msleep(200);
    synth.close();
    parec.terminate();
    parec.waitForFinished(5000);
    QFile file(recorded);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();

    // The recording as floats; the note is the loudest half second of it.
    std::vector<float> stereo(static_cast<std::size_t>(raw.size()) / 2);
    for (std::size_t i = 0; i < stereo.size(); ++i) {
        std::int16_t sample = 0;
        std::memcpy(&sample, raw.constData() + 2 * i, 2);
        stereo[i] = sample / 32768.0f;
    }
    const auto mono = audio::Mono(stereo);
    const auto window = static_cast<std::size_t>(0.5 * audio::Rate);
    ASSERT_GT(mono.size(), window) << "parec recorded " << raw.size() << " bytes";
    const auto level = audio::Envelope(mono, 0.05);
    const auto loudest = std::max_element(level.begin(), level.end()) - level.begin();
    const auto start =
        std::min(static_cast<std::size_t>(loudest) * window / 10, mono.size() - window);
    const std::vector<double> note(mono.begin() + static_cast<std::ptrdiff_t>(start),
                                   mono.begin() + static_cast<std::ptrdiff_t>(start + window));
    EXPECT_GT(audio::Rms(note), 0.01);
    const double hz = audio::FundamentalHz(note);
    std::printf("middle C through PulseAudio: %.1f Hz\n", hz);
    EXPECT_NEAR(hz, audio::NoteHz(60), audio::NoteHz(60) * 0.02);
}
