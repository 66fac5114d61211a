// The built-in synthesizer picks the desktop's sound server by itself, plays through it and
// sleeps there when silent. Depends on pulseaudio, parec and pactl (scripts/setup installs them):
// the test starts a PulseAudio server of its own that plays into a null sink and records it.
#include "midi/Midi.h"
#include "midi/ports/SynthPort.h"
#include "support/Audio.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
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

// Starts a PulseAudio tool with the private server's folder as runtime folder and home (its
// cookie and state stay in there).
void RunPulse(QProcess& process, const QString& folder, const QString& tool,
              const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", folder);
    env.insert("HOME", folder);
    env.remove("PULSE_SERVER");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable(tool), arguments);
    process.waitForStarted(5000);
}

} // namespace

// A piano note whose release time (72) is 127 rings for seconds after its Note Off, longer than
// the idle time: the recording shows it whole, not cut. Then the synthesizer has no stream on the
// server and the server plays silence; the note that wakes it is the next thing heard, at its
// pitch.
TEST(SynthDriver, PlaysThroughAPulseAudioServerAndSleepsThereWhenSilent) {
    if (SynthPort(audio::TestSoundFont).deviceCount() == 0)
        GTEST_SKIP() << audio::TestSoundFont << " is not installed (scripts/setup installs it)";
    ScopedEnv noDriver("QUINTARO_SYNTH_DRIVER", QByteArray());
    ScopedEnv noServer("PULSE_SERVER", QByteArray());
    QTemporaryDir folder;
    const QString dir = folder.path();
    {
        // No server to be found: ALSA, and JACK is neither found nor started.
        ScopedEnv runtime("XDG_RUNTIME_DIR", dir.toLocal8Bit());
        ScopedEnv noJack("JACK_DEFAULT_SERVER", "quintaro-no-such-server");
        EXPECT_EQ(SynthPort::ChooseAudioDriver(), "alsa");
        EXPECT_EQ(qgetenv("JACK_NO_START_SERVER"), "1");
        ScopedEnv chosen("QUINTARO_SYNTH_DRIVER", "file");
        EXPECT_EQ(SynthPort::ChooseAudioDriver(), "file");
    }
    for (const char* tool : {"pulseaudio", "parec", "pactl"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/setup installs it)";
    QProcess daemon;
    RunPulse(daemon, dir, "pulseaudio",
             {"-n", "--daemonize=yes", "--exit-idle-time=-1",
              "--load=module-null-sink sink_name=out", "--load=module-native-protocol-unix"});
    if (!daemon.waitForFinished(20000) || daemon.exitCode() != 0)
        GTEST_SKIP() << "the PulseAudio daemon did not start: " << daemon.readAll().toStdString();
    const auto stop = qScopeGuard([&dir] {
        QProcess kill;
        RunPulse(kill, dir, "pulseaudio", {"-k"});
        kill.waitForFinished(10000);
    });
    const auto streams = [&dir] {
        QProcess pactl;
        RunPulse(pactl, dir, "pactl", {"list", "short", "sink-inputs"});
        pactl.waitForFinished(10000);
        return static_cast<int>(pactl.readAll().count('\n'));
    };
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "pulseaudio");

    // The sink's monitor recorded into a file (a pipe nobody reads while the test waits would
    // stop the recorder), which takes a second or two to begin.
    QFile recorded(dir + "/recorded.raw");
    QProcess parec;
    parec.setStandardOutputFile(recorded.fileName());
    RunPulse(parec, dir, "parec",
             {"-d", "out.monitor", "--raw", "--format=float32le", "--rate=44100", "--channels=2",
              "--latency-msec=20"});
    for (QDeadlineTimer wait(15000); recorded.size() == 0 && !wait.hasExpired();)
        QThread::msleep(50);
    ASSERT_GT(recorded.size(), 0) << "parec records nothing";

    SynthPort synth(audio::TestSoundFont);
    ASSERT_EQ(synth.open(), 0u) << synth.lastError();
    ASSERT_EQ(synth.audioSetup().driver, "pulseaudio");
    synth.shortMessage(PackShortMessage(0xB0, 72, 127));
    synth.shortMessage(PackShortMessage(0x90, 60, 100));
    QThread::msleep(300);
    synth.shortMessage(PackShortMessage(0x80, 60, 64));
    const auto released = std::chrono::steady_clock::now();
    for (QDeadlineTimer wait(20000); !synth.sleeping() && !wait.hasExpired();)
        QThread::msleep(10);
    ASSERT_TRUE(synth.sleeping()) << "still awake 20 s after the Note Off";
    const double asleepAfter =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - released).count();
    EXPECT_EQ(synth.sleeps(), 1);
    QThread::msleep(300);
    EXPECT_EQ(streams(), 0) << "asleep, the synthesizer has no stream on the server";
    synth.shortMessage(PackShortMessage(0x90, 67, 100));
    EXPECT_FALSE(synth.sleeping());
    EXPECT_EQ(synth.wakes(), 1);
    QThread::msleep(600);
    EXPECT_EQ(streams(), 1);
    synth.shortMessage(PackShortMessage(0x80, 67, 64));
    QThread::msleep(100);
    synth.close();
    parec.terminate();
    parec.waitForFinished(5000);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QByteArray raw = recorded.readAll();
    std::vector<float> stereo(static_cast<std::size_t>(raw.size()) / sizeof(float));
    std::memcpy(stereo.data(), raw.constData(), stereo.size() * sizeof(float));
    const std::vector<double> mono = audio::Mono(stereo);

    // The level in 5 ms steps: the first note from its onset until it falls below -70 dBFS, then
    // silence, then the second note. The first note ends where half a second of silence begins
    // (a step below the threshold inside it is a dropout of a loaded machine, counted and shown).
    constexpr double Step = 0.005, Audible = 3e-4;
    constexpr auto StepFrames = static_cast<std::size_t>(Step * audio::Rate);
    const auto level = audio::Envelope(mono, Step);
    const auto loud = [](double v) { return v >= Audible; };
    const auto onset1 = std::find_if(level.begin(), level.end(), loud);
    ASSERT_NE(onset1, level.end()) << "nothing heard";
    auto end1 = onset1;
    int dropouts = 0;
    for (auto i = onset1; i != level.end() && i - end1 < 100; ++i)
        if (loud(*i)) {
            dropouts += i > end1 ? 1 : 0;
            end1 = i + 1;
        }
    const auto onset2 = std::find_if(end1, level.end(), loud);
    ASSERT_NE(onset2, level.end()) << "the note played to the sleeping synthesizer is not heard, "
                                      "or no silence came before it";
    const auto sampleAt = [&](auto step) {
        return static_cast<std::size_t>(step - level.begin()) * StepFrames;
    };
    const auto notePart = [&mono](std::size_t from, double seconds) { // within the recording
        const auto to =
            std::min(mono.size(), from + static_cast<std::size_t>(seconds * audio::Rate));
        return std::vector<double>(mono.begin() + static_cast<std::ptrdiff_t>(std::min(from, to)),
                                   mono.begin() + static_cast<std::ptrdiff_t>(to));
    };
    const auto first = notePart(sampleAt(onset1), 0.3);
    const double rang = Step * static_cast<double>(end1 - onset1);
    const double gap = Step * static_cast<double>(onset2 - end1);
    std::printf("middle C at %.1f Hz, heard for %.2f s with %d dropouts, asleep %.2f s after its "
                "Note Off, silence %.2f s before the second note\n",
                audio::FundamentalHz(first), rang, dropouts, asleepAfter, gap);
    EXPECT_GT(audio::Rms(first), 0.01);
    EXPECT_NEAR(audio::FundamentalHz(first), audio::NoteHz(60), audio::NoteHz(60) * 0.02);
    EXPECT_GT(rang, 0.3 + 2.0) << "the long release is heard";
    EXPECT_GT(asleepAfter, rang - 0.3 + SynthPort::IdleSeconds - 0.1) << "slept before its end";
    // It fades out: 100 ms before it falls below the threshold it is already near it, where a
    // sound cut off would still be loud.
    ASSERT_GT(end1 - onset1, 20);
    EXPECT_LT(*(end1 - 20), 10 * Audible) << "cut while it sounded";
    // Nothing between the notes, not a single sample above -58 dBFS (no old audio played when
    // the stream came back), and the second note's pitch from its start.
    EXPECT_GT(gap, 0.5);
    double loudestBetween = 0;
    for (std::size_t i = sampleAt(end1) + 441; i < sampleAt(onset2); ++i)
        loudestBetween = std::max(loudestBetween, std::abs(mono[i]));
    EXPECT_LT(loudestBetween, 4 * Audible);
    EXPECT_NEAR(audio::FundamentalHz(notePart(sampleAt(onset2), 0.3)), audio::NoteHz(67),
                audio::NoteHz(67) * 0.02);
}
