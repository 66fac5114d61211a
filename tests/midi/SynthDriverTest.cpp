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
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstring>

namespace {

// Sets (or with a null value unsets) an environment variable for its lifetime.
struct ScopedEnv {
    ScopedEnv(const char* name, const QByteArray& value)
        : name(name), saved(qgetenv(name)), wasSet(qEnvironmentVariableIsSet(name)) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { wasSet ? qputenv(name, saved) : qunsetenv(name); }
    const char* name;
    QByteArray saved;
    bool wasSet;
};

// Runs a PulseAudio tool with the runtime folder and home of the private server.
bool RunPulse(QProcess& process, const QString& folder, const QString& tool,
              const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", folder);
    env.insert("HOME", folder); // its cookie and state stay in there too
    env.remove("PULSE_SERVER");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable(tool), arguments);
    return process.waitForStarted(5000);
}

} // namespace

TEST(SynthDriver, PlaysMiddleCThroughARunningPulseAudioServer) {
    if (SynthPort(audio::TestSoundFont).deviceCount() == 0)
        GTEST_SKIP() << audio::TestSoundFont << " is not installed (scripts/setup installs it)";
    ScopedEnv noDriver("QUINTARO_SYNTH_DRIVER", QByteArray());
    ScopedEnv noServer("PULSE_SERVER", QByteArray());
    QTemporaryDir folder;
    {
        // No server to be found: ALSA, and JACK is neither found nor started.
        ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
        ScopedEnv noJack("JACK_DEFAULT_SERVER", "quintaro-no-such-server");
        EXPECT_EQ(SynthPort::ChooseAudioDriver(), "alsa");
        EXPECT_EQ(qgetenv("JACK_NO_START_SERVER"), "1");
        ScopedEnv chosen("QUINTARO_SYNTH_DRIVER", "file");
        EXPECT_EQ(SynthPort::ChooseAudioDriver(), "file");
    }

    // A PulseAudio server of the test's own, playing into a null sink "out" whose monitor is
    // recorded into a file (a pipe nobody reads while the test waits would stop the recorder).
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
        QStandardPaths::findExecutable("parec").isEmpty())
        GTEST_SKIP() << "pulseaudio and parec are not installed (scripts/setup installs them)";
    QProcess daemon;
    RunPulse(daemon, folder.path(), "pulseaudio",
             {"-n", "--daemonize=yes", "--exit-idle-time=-1",
              "--load=module-null-sink sink_name=out", "--load=module-native-protocol-unix"});
    if (!daemon.waitForFinished(20000) || daemon.exitCode() != 0)
        GTEST_SKIP() << "the PulseAudio daemon did not start: " << daemon.readAll().toStdString();
    const auto stop = qScopeGuard([&folder] {
        QProcess kill;
        RunPulse(kill, folder.path(), "pulseaudio", {"-k"});
        kill.waitForFinished(10000);
    });
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "pulseaudio");

    QProcess parec;
    const QString recorded = folder.filePath("recorded.raw");
    parec.setStandardOutputFile(recorded);
    ASSERT_TRUE(RunPulse(parec, folder.path(), "parec",
                         {"-d", "out.monitor", "--raw", "--format=s16le", "--rate=44100",
                          "--channels=2", "--latency-msec=20"}));
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
