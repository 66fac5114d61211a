// The built-in synthesizer picks the desktop's sound server by itself, plays through it and
// sleeps there when silent. Depends on pulseaudio and parec (scripts/setup installs them): the
// test starts a PulseAudio server of its own that plays into a null sink and records it.
#include "midi/Midi.h"
#include "support/Audio.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs a PulseAudio tool; what it printed once it has finished, or within `ms`.
QByteArray Pulse(QProcess& process, const QString& tool, const QStringList& arguments, int ms = 0) {
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable(tool), arguments);
    return process.waitForStarted(5000) && ms > 0 && process.waitForFinished(ms) ? process.readAll()
                                                                                 : QByteArray();
}

} // namespace

// The synthesizer opened on the server goes to sleep there, silent; the note that wakes it is the
// first thing heard, at its pitch.
TEST(SynthDriver, PrefersAPulseAudioServerAndIsHeardThroughItAfterASleep) {
    using namespace audio;
    if (SynthPort(TestSoundFont).deviceCount() == 0)
        GTEST_SKIP() << TestSoundFont << " is not installed (scripts/setup installs it)";
    // The program's own environment, changed for good: this is its only test.
    qunsetenv("QUINTARO_SYNTH_DRIVER");
    qunsetenv("PULSE_SERVER");
    QTemporaryDir folder;
    const QString dir = folder.path();
    // No server to be found: ALSA, and JACK is neither found nor started. The folder is the
    // runtime folder and home of the PulseAudio server started next (its cookie and state).
    qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    qputenv("HOME", dir.toLocal8Bit());
    qputenv("JACK_DEFAULT_SERVER", "quintaro-no-such-server");
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "alsa");
    EXPECT_EQ(qgetenv("JACK_NO_START_SERVER"), "1");
    for (const char* tool : {"pulseaudio", "parec"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/setup installs it)";
    QProcess daemon, parec;
    const QByteArray printed =
        Pulse(daemon, "pulseaudio",
              {"-n", "--daemonize=yes", "--exit-idle-time=-1",
               "--load=module-null-sink sink_name=out", "--load=module-native-protocol-unix"},
              20000);
    if (daemon.state() != QProcess::NotRunning || daemon.exitCode() != 0)
        GTEST_SKIP() << "the PulseAudio daemon did not start: " << printed.toStdString();
    const auto stop = qScopeGuard([&] {
        QProcess kill;
        Pulse(kill, "pulseaudio", {"-k"}, 10000);
    });
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "pulseaudio");

    // The sink's monitor recorded into a file (a pipe nobody reads while the test waits would
    // stop the recorder), which takes a second or two to begin.
    QFile recorded(dir + "/recorded.raw");
    parec.setStandardOutputFile(recorded.fileName());
    Pulse(parec, "parec",
          {"-d", "out.monitor", "--raw", "--format=float32le", "--rate=44100", "--channels=1",
           "--latency-msec=20"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.size() > 0; }, 15000)) << "parec records";

    SynthPort synth(TestSoundFont);
    ASSERT_EQ(synth.open(), 0u) << synth.lastError();
    ASSERT_TRUE(QTest::qWaitFor([&] { return synth.sleeping(); }, 10000));
    synth.shortMessage(PackShortMessage(0x90, 67, 100));
    EXPECT_EQ(synth.wakes(), 1);
    QTest::qWait(600);
    synth.close();
    parec.terminate();
    parec.waitForFinished(5000);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QByteArray raw = recorded.readAll();
    const auto* first = reinterpret_cast<const float*>(raw.constData()); // float32le, mixed to one
    const std::vector<double> mono(first, first + raw.size() / qsizetype(sizeof(float)));
    // The first 5 ms step above -70 dBFS, and the 60 steps (of 220 frames) from there.
    const auto level = RmsSteps(mono, 0.005);
    const auto onset = std::ranges::find_if(level, [](double v) { return v >= 3e-4; });
    ASSERT_GE(level.end() - onset, 60) << "nothing heard";
    const auto start = mono.begin() + (onset - level.begin()) * 220;
    const std::vector<double> note(start, start + 60 * 220);
    EXPECT_GT(Rms(note), 0.01);
    EXPECT_NEAR(FundamentalHz(note), NoteHz(67), NoteHz(67) * 0.02);
}
