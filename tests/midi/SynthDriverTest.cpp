// The built-in synthesizer picks the desktop's sound server by itself, plays through it and
// sleeps there when silent. Depends on pulseaudio and parec (scripts/setup installs them): the
// test starts a PulseAudio server of its own that plays into a null sink and records it.
#include "midi/Midi.h"
#include "support/Audio.h"
#include "ui/main/SoundStatus.h"

#include <gtest/gtest.h>

#include <QDir>
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

// Plays note `note` and waits up to 5 s for the sink's monitor (recorded into `file`, float32le
// mono) to carry a sample above -34 dBFS after what it held before.
bool Heard(QFile& file, Midi& midi, int note) {
    const qint64 from = file.size();
    midi.SendNoteOn(0, note, 100);
    return QTest::qWaitFor(
        [&] {
            file.seek(from);
            const QByteArray raw = file.readAll();
            const auto* x = reinterpret_cast<const float*>(raw.constData());
            return std::any_of(x, x + raw.size() / 4, [](float v) { return std::fabs(v) > 0.02f; });
        },
        5000);
}

} // namespace

// The synthesizer opened on the server goes to sleep there, silent; the note that wakes it is the
// first thing heard, at its pitch. Then the server goes and comes back, and its sink is unloaded
// and loaded again: each time the sound comes back by itself, a note is heard within 5 s, and the
// status says what went and that it is back.
TEST(SynthDriver, PrefersAPulseAudioServerAndComesBackWithIt) {
    using namespace audio;
    if (SynthPort(TestSoundFont).deviceCount() == 0)
        GTEST_SKIP() << TestSoundFont << " is not installed (scripts/setup installs it)";
    // The program's own environment, changed for good: this is its only test.
    QTemporaryDir folder;
    const QString dir = folder.path();
    // FluidSynth's file driver (written by a thread of ours): the note played is in the file,
    // 16-bit samples after the 44 bytes of its header, in the folder it runs in.
    qputenv("QUINTARO_SYNTH_DRIVER", "file");
    ASSERT_TRUE(QDir::setCurrent(dir));
    {
        SynthPort synth(TestSoundFont);
        ASSERT_EQ(synth.open(), 0u) << synth.lastError();
        synth.shortMessage(PackShortMessage(0x90, 67, 100));
        EXPECT_TRUE(WavHeard(dir + "/fluidsynth.wav", 44, 5000));
    }
    qunsetenv("QUINTARO_SYNTH_DRIVER");
    qunsetenv("PULSE_SERVER");
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
    QProcess parec;
    const auto startServer = [] {
        QProcess daemon;
        const QByteArray printed =
            Pulse(daemon, "pulseaudio",
                  {"-n", "--daemonize=yes", "--exit-idle-time=-1",
                   "--load=module-null-sink sink_name=out", "--load=module-native-protocol-unix"},
                  20000);
        return daemon.exitCode() == 0 ? QByteArray() : printed + " ";
    };
    const auto stopServer = [] {
        QProcess kill, check;
        Pulse(kill, "pulseaudio", {"-k"}, 10000);
        return QTest::qWaitFor(
            [&] { return Pulse(check, "pulseaudio", {"--check"}, 5000), check.exitCode() != 0; },
            10000);
    };
    if (const QByteArray printed = startServer(); !printed.isEmpty())
        GTEST_SKIP() << "the PulseAudio daemon did not start: " << printed.toStdString();
    const auto stop = qScopeGuard(stopServer);
    EXPECT_EQ(SynthPort::ChooseAudioDriver(), "pulseaudio");

    // The sink's monitor recorded into a file (a pipe nobody reads while the test waits would
    // stop the recorder), which takes a second or two to begin. A recorder ends with its server
    // or its sink: `record` starts another.
    QFile recorded(dir + "/recorded.raw");
    const auto record = [&] {
        parec.close();
        recorded.close();
        recorded.remove();
        parec.setStandardOutputFile(recorded.fileName());
        Pulse(parec, "parec",
              {"-d", "out.monitor", "--raw", "--format=float32le", "--rate=44100", "--channels=1",
               "--latency-msec=20"});
        return QTest::qWaitFor([&] { return recorded.size() > 0; }, 15000) &&
               recorded.open(QIODevice::ReadOnly);
    };
    ASSERT_TRUE(record()) << "parec records";

    Midi midi;
    midi.setPort(std::make_unique<SynthPort>(TestSoundFont));
    QStringList said;
    midi.setStatusHandler([&](int status) { said << SoundStatusText(status, said.size() / 2); });
    auto& synth = *static_cast<SynthPort*>(midi.port());
    ASSERT_EQ(midi.OpenMidiOutput(), 0u) << synth.lastError();
    ASSERT_TRUE(QTest::qWaitFor([&] { return synth.sleeping(); }, 10000));
    EXPECT_TRUE(Heard(recorded, midi, 67));
    EXPECT_EQ(synth.wakes(), 1);
    const auto heardFrom = recorded.size(); // and then half a second more
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.size() > heardFrom + 88200; }, 10000));
    recorded.seek(0);
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

    // The server restarts (the sound goes, said in English), then the sink is unloaded and
    // loaded again (said in Italian).
    ASSERT_TRUE(stopServer());
    ASSERT_TRUE(QTest::qWaitFor([&] { return said.size() == 1; }, 10000));
    ASSERT_EQ(startServer(), QByteArray());
    ASSERT_TRUE(record());
    EXPECT_TRUE(Heard(recorded, midi, 60)) << "after the server came back";
    QProcess pactl;
    Pulse(pactl, "pactl", {"unload-module", "module-null-sink"}, 10000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return said.size() == 3; }, 10000));
    Pulse(pactl, "pactl", {"load-module", "module-null-sink", "sink_name=out"}, 10000);
    ASSERT_TRUE(record());
    EXPECT_TRUE(Heard(recorded, midi, 64)) << "after the sink came back";
    EXPECT_TRUE(QTest::qWaitFor([&] { return said.size() == 4; }, 10000));
    EXPECT_EQ(said, QStringList({SoundStatusText(SoundStatus::ServerGone, 0),
                                 SoundStatusText(SoundStatus::Back, 0),
                                 SoundStatusText(SoundStatus::OutputGone, 1),
                                 SoundStatusText(SoundStatus::Back, 1)}));
    EXPECT_TRUE(said[0].startsWith("Sound gone") && said[3].startsWith("Suono tornato"));
    midi.CloseMidiOutput();
}
