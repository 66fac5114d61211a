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

// A PulseAudio server of the test's own in `folder`, playing into a null sink "out"; stopped at
// the end of its life. started() is false (with the daemon's words in why) when it cannot start.
class PrivatePulse {
  public:
    explicit PrivatePulse(const QString& folder) : folder_(folder) {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
            QStandardPaths::findExecutable("parec").isEmpty() ||
            QStandardPaths::findExecutable("pactl").isEmpty()) {
            why = "pulseaudio, parec and pactl are not installed (scripts/setup installs them)";
            return;
        }
        QProcess daemon;
        RunPulse(daemon, folder, "pulseaudio",
                 {"-n", "--daemonize=yes", "--exit-idle-time=-1",
                  "--load=module-null-sink sink_name=out", "--load=module-native-protocol-unix"});
        started_ = daemon.waitForFinished(20000) && daemon.exitCode() == 0;
        if (!started_)
            why = "the PulseAudio daemon did not start: " + daemon.readAll().toStdString();
    }
    ~PrivatePulse() {
        if (!started_)
            return;
        QProcess kill;
        RunPulse(kill, folder_, "pulseaudio", {"-k"});
        kill.waitForFinished(10000);
    }
    bool started() const { return started_; }
    // The playback streams the server has now.
    int streams() const {
        QProcess pactl;
        RunPulse(pactl, folder_, "pactl", {"list", "short", "sink-inputs"});
        pactl.waitForFinished(10000);
        return static_cast<int>(pactl.readAll().count('\n'));
    }
    std::string why;

  private:
    QString folder_;
    bool started_ = false;
};

// Records the sink's monitor into a file from construction to stop(): the samples, mixed to mono.
class MonitorRecording {
  public:
    explicit MonitorRecording(const QString& folder) : file_(folder + "/recorded.raw") {
        parec_.setStandardOutputFile(file_);
        RunPulse(parec_, folder, "parec",
                 {"-d", "out.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                  "--latency-msec=20"});
        // The recorder takes a second or two before the first bytes come.
        QDeadlineTimer deadline(15000);
        while (QFileInfo(file_).size() == 0 && !deadline.hasExpired())
            QThread::msleep(50);
    }
    bool recording() const { return QFileInfo(file_).size() > 0; }
    std::vector<double> stop() {
        parec_.terminate();
        parec_.waitForFinished(5000);
        QFile file(file_);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray raw = file.readAll();
        std::vector<float> stereo(static_cast<std::size_t>(raw.size()) / 2);
        for (std::size_t i = 0; i < stereo.size(); ++i) {
            std::int16_t sample = 0;
            std::memcpy(&sample, raw.constData() + 2 * i, 2);
            stereo[i] = sample / 32768.0f;
        }
        return audio::Mono(stereo);
    }

  private:
    QString file_;
    QProcess parec_;
};

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

// Through a PulseAudio server the synthesizer's stream goes once it has been silent for a while,
// so that neither the program nor the server works while nothing sounds, and a note played to
// it then is heard. A piano note whose release time (controller 72) is 127 rings for seconds
// after its Note Off, longer than the idle time: the recording shows it fading away whole, not
// cut. While the synthesizer sleeps the server holds no stream of it and plays silence; the note
// that wakes it is the first thing heard after the silence, at its own pitch.
TEST(SynthDriver, SleepsWhenSilentAndANoteWakesIt) {
    if (SynthPort(audio::TestSoundFont).deviceCount() == 0)
        GTEST_SKIP() << audio::TestSoundFont << " is not installed (scripts/setup installs it)";
    ScopedEnv noDriver("QUINTARO_SYNTH_DRIVER", QByteArray());
    ScopedEnv noServer("PULSE_SERVER", QByteArray());
    QTemporaryDir folder;
    PrivatePulse server(folder.path());
    if (!server.started())
        GTEST_SKIP() << server.why;
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
    MonitorRecording recording(folder.path());
    ASSERT_TRUE(recording.recording()) << "parec records nothing";

    SynthPort synth(audio::TestSoundFont);
    ASSERT_EQ(synth.open(), 0u) << synth.lastError();
    ASSERT_EQ(synth.audioSetup().driver, "pulseaudio");
    synth.shortMessage(PackShortMessage(0xB0, 72, 127));
    synth.shortMessage(PackShortMessage(0x90, 60, 100));
    QThread::msleep(300);
    synth.shortMessage(PackShortMessage(0x80, 60, 64));
    const auto released = std::chrono::steady_clock::now();
    QDeadlineTimer deadline(20000);
    while (!synth.sleeping() && !deadline.hasExpired())
        QThread::msleep(10);
    ASSERT_TRUE(synth.sleeping()) << "still awake 20 s after the Note Off";
    const double asleepAfter =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - released).count();
    EXPECT_EQ(synth.sleeps(), 1);
    QThread::msleep(300);
    EXPECT_EQ(server.streams(), 0) << "asleep, the synthesizer has no stream on the server";

    synth.shortMessage(PackShortMessage(0x90, 67, 100));
    EXPECT_FALSE(synth.sleeping());
    EXPECT_EQ(synth.wakes(), 1);
    QThread::msleep(600);
    EXPECT_EQ(server.streams(), 1);
    synth.shortMessage(PackShortMessage(0x80, 67, 64));
    QThread::msleep(100);
    synth.close();
    const std::vector<double> mono = recording.stop();

    // The level in 5 ms steps: the first note from its onset until it falls below -70 dBFS (ten
    // steps of the recording's 16 bits), then silence, then the second note.
    constexpr double Step = 0.005;
    constexpr double Audible = 3e-4;
    const auto level = audio::Envelope(mono, Step);
    const auto at = [](std::size_t i) { return static_cast<std::ptrdiff_t>(i); };
    const auto loud = [](double v) { return v >= Audible; };
    const auto onset1 = std::find_if(level.begin(), level.end(), loud);
    ASSERT_NE(onset1, level.end()) << "nothing heard";
    // The first note ends where half a second of silence begins (a step below the threshold
    // inside it is a dropout of a loaded machine, counted and shown).
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
    std::printf("dropouts in the first note: %d\n", dropouts);
    const double rang = Step * static_cast<double>(end1 - onset1);
    const double gap = Step * static_cast<double>(onset2 - end1);
    std::printf("first note heard for %.2f s, asleep %.2f s after its Note Off, silence %.2f s "
                "before the second note\n",
                rang, asleepAfter, gap);
    EXPECT_GT(rang, 0.3 + 2.0) << "the long release is heard";
    EXPECT_GT(asleepAfter, rang - 0.3 + SynthPort::IdleSeconds - 0.1) << "slept before its end";
    // It fades out: 100 ms before it falls below the threshold it is already near it, where a
    // sound cut off would still be loud.
    ASSERT_GT(end1 - onset1, 20);
    EXPECT_LT(*(end1 - 20), 10 * Audible) << "cut while it sounded";
    // Nothing between the notes, not a single sample above -58 dBFS (no old audio played when
    // the stream came back), and the second note's pitch from its start.
    EXPECT_GT(gap, 0.5);
    const std::size_t from = static_cast<std::size_t>(end1 - level.begin()) *
                             static_cast<std::size_t>(Step * audio::Rate);
    const std::size_t to = static_cast<std::size_t>(onset2 - level.begin()) *
                           static_cast<std::size_t>(Step * audio::Rate);
    double loudestBetween = 0;
    for (std::size_t i = from + 441; i < to; ++i)
        loudestBetween = std::max(loudestBetween, std::abs(mono[i]));
    EXPECT_LT(loudestBetween, 4 * Audible);
    const std::vector<double> note(mono.begin() + at(to),
                                   mono.begin() + at(std::min(mono.size(), to + 13230)));
    EXPECT_NEAR(audio::FundamentalHz(note), audio::NoteHz(67), audio::NoteHz(67) * 0.02);
}
