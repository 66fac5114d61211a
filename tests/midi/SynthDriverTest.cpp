// The built-in synthesizer picks the desktop's sound server by itself, plays through it and
// sleeps there when silent. Depends on pulseaudio, parec and pactl (scripts/setup installs them):
// the test starts a PulseAudio server of its own that plays into a null sink and records it.
#include "midi/Midi.h"
#include "support/Audio.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

// Sets (or with a null value unsets) an environment variable for its lifetime.
struct ScopedEnv {
    ScopedEnv(const char* name, const QByteArray& value) : name(name), saved(qgetenv(name)) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { saved.isNull() ? qunsetenv(name) : qputenv(name, saved); }
    const char* name;
    QByteArray saved;
};

// Runs a PulseAudio tool with `folder` as runtime folder and home (its cookie and state stay in
// there); what it printed once it has finished, or within `ms`.
QByteArray Pulse(QProcess& process, const QString& folder, const QString& tool,
                 const QStringList& arguments, int ms = 0) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", folder);
    env.insert("HOME", folder);
    env.remove("PULSE_SERVER");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable(tool), arguments);
    return process.waitForStarted(5000) && ms > 0 && process.waitForFinished(ms) ? process.readAll()
                                                                                 : QByteArray();
}

} // namespace

// A piano note whose release time (72) is 127 rings for seconds after its Note Off, longer than
// the idle time: the recording shows it whole, not cut. Then the synthesizer has no stream on the
// server and the server plays silence; the note that wakes it is the next thing heard, at its
// pitch.
TEST(SynthDriver, PlaysThroughAPulseAudioServerAndSleepsThereWhenSilent) {
    using namespace audio;
    if (SynthPort(TestSoundFont).deviceCount() == 0)
        GTEST_SKIP() << TestSoundFont << " is not installed (scripts/setup installs it)";
    ScopedEnv noDriver("QUINTARO_SYNTH_DRIVER", QByteArray()), noServer("PULSE_SERVER", {});
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
    QProcess daemon, parec;
    const QByteArray printed =
        Pulse(daemon, dir, "pulseaudio",
              {"-n", "--daemonize=yes", "--exit-idle-time=-1",
               "--load=module-null-sink sink_name=out", "--load=module-native-protocol-unix"},
              20000);
    if (daemon.state() != QProcess::NotRunning || daemon.exitCode() != 0)
        GTEST_SKIP() << "the PulseAudio daemon did not start: " << printed.toStdString();
    const auto stop = qScopeGuard([&] {
        QProcess kill;
        Pulse(kill, dir, "pulseaudio", {"-k"}, 10000);
    });
    const auto streams = [&dir] {
        QProcess pactl;
        return Pulse(pactl, dir, "pactl", {"list", "short", "sink-inputs"}, 10000).count('\n');
    };
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "pulseaudio");

    // The sink's monitor recorded into a file (a pipe nobody reads while the test waits would
    // stop the recorder), which takes a second or two to begin.
    QFile recorded(dir + "/recorded.raw");
    parec.setStandardOutputFile(recorded.fileName());
    Pulse(parec, dir, "parec",
          {"-d", "out.monitor", "--raw", "--format=float32le", "--rate=44100", "--channels=2",
           "--latency-msec=20"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.size() > 0; }, 15000)) << "parec records";

    SynthPort synth(TestSoundFont);
    ASSERT_EQ(synth.open(), 0u) << synth.lastError();
    ASSERT_EQ(synth.audioSetup().driver, "pulseaudio");
    synth.shortMessage(PackShortMessage(0xB0, 72, 127));
    synth.shortMessage(PackShortMessage(0x90, 60, 100));
    QTest::qWait(300);
    synth.shortMessage(PackShortMessage(0x80, 60, 64));
    QElapsedTimer released;
    released.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return synth.sleeping(); }, 20000)) << "20 s after Note Off";
    // Load only delays the sleep: it never comes before the release has rung and the idle time.
    const double asleepAfter = static_cast<double>(released.elapsed()) / 1000;
    EXPECT_GT(asleepAfter, 2.0 + SynthPort::IdleSeconds - 0.1);
    EXPECT_EQ(synth.sleeps(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return streams() == 0; }, 5000)) << "no stream asleep";
    synth.shortMessage(PackShortMessage(0x90, 67, 100));
    EXPECT_FALSE(synth.sleeping());
    EXPECT_EQ(synth.wakes(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return streams() == 1; }, 5000)) << "a stream awake";
    QTest::qWait(600);
    synth.shortMessage(PackShortMessage(0x80, 67, 64));
    QTest::qWait(1000);
    synth.close();
    parec.terminate();
    parec.waitForFinished(5000);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QByteArray raw = recorded.readAll();
    std::vector<float> samples(static_cast<std::size_t>(raw.size()) / sizeof(float)); // float32le
    std::memcpy(samples.data(), raw.constData(), samples.size() * sizeof(float));
    const std::vector<double> mono = Mono(samples);

    // The level in 5 ms steps: the first note from its onset until half a second of silence
    // (below -70 dBFS) begins, then the second note.
    constexpr double Audible = 3e-4;
    const auto level = Steps(mono, 0.005, Rms);
    const auto loud = [](double v) { return v >= Audible; };
    const auto onset1 = std::ranges::find_if(level, loud);
    ASSERT_NE(onset1, level.end()) << "nothing heard";
    auto end1 = onset1;
    for (auto i = onset1; i != level.end() && i - end1 < 100; ++i)
        end1 = loud(*i) ? i + 1 : end1;
    const auto onset2 = std::find_if(end1, level.end(), loud);
    ASSERT_NE(onset2, level.end()) << "the note played to the sleeping synthesizer is not heard";
    // The recording from step `from` for `steps` steps (of 220 frames), or to its end.
    const auto at = [&](auto from, long steps) {
        const auto start = mono.begin() + (from - level.begin()) * 220;
        return std::vector<double>(start, start + std::min(steps * 220, mono.end() - start));
    };
    const double rang = 0.005 * static_cast<double>(end1 - onset1);
    std::printf("heard for %.2f s, slept %.2f s after its Note Off\n", rang, asleepAfter);
    EXPECT_GT(Rms(at(onset1, 60)), 0.01);
    EXPECT_NEAR(FundamentalHz(at(onset1, 60)), NoteHz(60), NoteHz(60) * 0.02);
    EXPECT_GT(rang, 0.3 + 2.0) << "the long release is heard";
    // It fades out: 100 ms before it falls below the threshold it is already near it, where a
    // sound cut off would still be loud.
    ASSERT_GT(end1 - onset1, 20);
    EXPECT_LT(*(end1 - 20), 10 * Audible) << "cut while it sounded";
    // Nothing between the notes above -58 dBFS (no old audio played when the stream came back),
    // up to the 5 ms step before the second note's onset (where its attack may begin already),
    // and the second note's pitch from its start.
    const auto between = at(end1 + 2, onset2 - end1 - 3);
    EXPECT_LT(
        std::abs(*std::ranges::max_element(between, {}, [](double v) { return std::abs(v); })),
        4 * Audible);
    EXPECT_NEAR(FundamentalHz(at(onset2, 60)), NoteHz(67), NoteHz(67) * 0.02);
}
