// The built-in synthesizer through a private PulseAudio server: what it costs while nothing plays,
// and how long a key press takes to sound, for notes in a row and for first notes after 10 s of
// silence. Optionally the same for VMPK beside it, as the peer to compare with. Not a test: it
// prints what it measured.
//   build/bench/synth_idle_latency [presses] [vmpk]
//     presses  presses of each kind (default 20); the ones after silence take 10 s each
//              (QUINTARO_BENCH_SILENCE sets another silence, in seconds)
//     vmpk     runs on an X server of its own (Xvfb :57) and also measures VMPK (Debian's vmpk,
//              FluidSynth output with the same SoundFont, everything else VMPK's defaults)
//
// A private server (pulseaudio -n, a null sink "out") runs in a temporary folder. The sound is
// read from the sink's monitor by a record stream of this program with 64-frame fragments. A
// chunk of the monitor arrives after the sink rendered its last sample, never before, so the
// earliest arrival among the chunks of the 50 ms from the onset, less the samples before it,
// tells when the onset left the sink's mixer; press -> sound is from the press to then (the
// sink's own buffer, which plays it, comes after). The onset is the first sample after the press
// above -54 dBFS and four times the loudest of the 20 ms before it.
//
// Idle: the program itself (build/quintaro, offscreen, built-in synthesizer, English first-run
// record so no dialog) is started, left 8 s to open and fall asleep, then its CPU time and the
// server's are read from /proc over 15 s (100 clock ticks a second: 0.07 % of a core is one
// tick), with the threads' voluntary context switches, each one a wake-up. The same for VMPK.
//
// Press -> sound for the program: a part window in this process, a key clicked through QTest on
// the window (Qt's event queue on), each press timed from the call; with vmpk, also through
// XTest on the X server (X server -> Qt -> key included), the pointer moved onto the key first.
// VMPK's keys are pressed the same way through XTest.
#include "app/Settings.h"
#include "midi/Midi.h"
#include "midi/ports/SynthPort.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWindow>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <mutex>
#include <signal.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double Rate = 44100;
const char* const SoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// A PulseAudio server of our own with a null sink "out".
class PulseServer {
  public:
    bool start() {
        QProcess daemon;
        daemon.setProcessEnvironment(environment());
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        daemon.start(QStandardPaths::findExecutable("pulseaudio"),
                     {"-n", "--daemonize=yes", "--exit-idle-time=-1",
                      "--load=module-null-sink sink_name=out",
                      "--load=module-native-protocol-unix"});
        if (!daemon.waitForFinished(20000) || daemon.exitCode() != 0) {
            std::fprintf(stderr, "pulseaudio did not start: %s\n", daemon.readAll().constData());
            return false;
        }
        QFile pidFile(folder.filePath("pulse/pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return false;
        pid = pidFile.readAll().trimmed().toInt();
        return pid > 0;
    }
    ~PulseServer() {
        QProcess kill;
        kill.setProcessEnvironment(environment());
        kill.start(QStandardPaths::findExecutable("pulseaudio"), {"-k"});
        kill.waitForFinished(10000);
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", folder.path());
        env.insert("HOME", folder.path());
        env.remove("PULSE_SERVER");
        return env;
    }
    QTemporaryDir folder;
    int pid = 0;
};

// CPU time (seconds) and voluntary context switches of a process, all its threads.
struct Usage {
    double cpu = 0;
    long wakeups = 0;
};

Usage ReadUsage(int pid) {
    Usage u;
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name
        if (fields.size() > 13)
            u.cpu = (fields[11].toDouble() + fields[12].toDouble()) /
                    static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + "/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                u.wakeups += line.mid(24).trimmed().toLong();
    }
    return u;
}

struct IdleCost {
    double programPercent = 0, serverPercent = 0;
    double programWakeups = 0, serverWakeups = 0; // per second
};

// Both processes' cost over `seconds` of the event loop running here (so the processes in this
// one keep running normally).
IdleCost MeasureIdle(int program, int server, double seconds) {
    const Usage p0 = ReadUsage(program), s0 = ReadUsage(server);
    const auto start = Clock::now();
    QTest::qWait(static_cast<int>(seconds * 1000));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const Usage p1 = ReadUsage(program), s1 = ReadUsage(server);
    return {100 * (p1.cpu - p0.cpu) / wall, 100 * (s1.cpu - s0.cpu) / wall,
            static_cast<double>(p1.wakeups - p0.wakeups) / wall,
            static_cast<double>(s1.wakeups - s0.wakeups) / wall};
}

// Records the sink's monitor, each sample's playing time known from the stream's timing info.
class MonitorRecorder {
  public:
    explicit MonitorRecorder(double seconds) {
        level_.reserve(static_cast<std::size_t>(seconds * Rate));
        chunks_.reserve(static_cast<std::size_t>(seconds * 1000));
    }
    bool start() {
        mainloop_ = pa_threaded_mainloop_new();
        context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "monitor recorder");
        pa_context_set_state_callback(
            context_, [](pa_context*, void* m) { pa_threaded_mainloop_signal(Loop(m), 0); },
            mainloop_);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        pa_threaded_mainloop_lock(mainloop_);
        pa_threaded_mainloop_start(mainloop_);
        while (pa_context_get_state(context_) != PA_CONTEXT_READY) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
                pa_threaded_mainloop_unlock(mainloop_);
                return false;
            }
            pa_threaded_mainloop_wait(mainloop_);
        }
        const pa_sample_spec sampleFormat = {PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(Rate),
                                             2};
        stream_ = pa_stream_new(context_, "monitor", &sampleFormat, nullptr);
        pa_stream_set_state_callback(
            stream_, [](pa_stream*, void* m) { pa_threaded_mainloop_signal(Loop(m), 0); },
            mainloop_);
        pa_stream_set_read_callback(stream_, onRead, this);
        pa_buffer_attr attr;
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = 64 * 8;
        attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
        const auto flags = PA_STREAM_ADJUST_LATENCY;
        pa_stream_connect_record(stream_, "out.monitor", &attr, flags);
        while (pa_stream_get_state(stream_) != PA_STREAM_READY) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
                pa_threaded_mainloop_unlock(mainloop_);
                return false;
            }
            pa_threaded_mainloop_wait(mainloop_);
        }
        pa_threaded_mainloop_unlock(mainloop_);
        return true;
    }
    ~MonitorRecorder() {
        if (mainloop_ != nullptr)
            pa_threaded_mainloop_stop(mainloop_);
        if (stream_ != nullptr) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_ != nullptr) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (mainloop_ != nullptr)
            pa_threaded_mainloop_free(mainloop_);
    }
    void stop() { pa_threaded_mainloop_stop(mainloop_); }

    // Seconds from `press` to the note's onset; negative when none is found within `within`.
    //
    // The sink renders the monitor's samples at its own pace, but its timeline jumps when it
    // starts or stops playing a stream, so times are reckoned locally: a chunk arrives after the
    // sink rendered its last sample, never before, so the earliest arrival, less the samples
    // before it, among the chunks of the 50 ms from the onset on tells when the onset was
    // rendered. The search starts with the last chunk that arrived before the press (what
    // arrived before it cannot hold the note); the threshold is -54 dBFS and four times the
    // loudest of the 20 ms before that.
    double onsetAfter(Clock::time_point press, double within = 0.4) const {
        const double pressed = Seconds(press);
        const auto after =
            std::partition_point(chunks_.begin(), chunks_.end(),
                                 [pressed](const Chunk& c) { return c.arrived < pressed; });
        if (after == chunks_.begin() || after == chunks_.end())
            return -1;
        const std::size_t from = std::prev(after)->end;
        const std::size_t before = from > 882 ? from - 882 : 0;
        const std::size_t end =
            std::min(level_.size(), from + static_cast<std::size_t>(within * Rate));
        float floor = 0;
        for (std::size_t i = before; i < from; ++i)
            floor = std::max(floor, level_[i]);
        const float threshold = std::max(2e-3f, 4 * floor);
        std::size_t onset = from;
        while (onset < end && level_[onset] <= threshold)
            ++onset;
        if (onset == end)
            return -1;
        auto chunk = std::partition_point(chunks_.begin(), chunks_.end(),
                                          [onset](const Chunk& c) { return c.end <= onset; });
        double start = chunk->arrived - static_cast<double>(chunk->end) / Rate;
        for (auto c = chunk; c != chunks_.end() && c->arrived < chunk->arrived + 0.05; ++c)
            start = std::min(start, c->arrived - static_cast<double>(c->end) / Rate);
        const double seconds = start + static_cast<double>(onset) / Rate - pressed;
        if (qEnvironmentVariableIsSet("QUINTARO_BENCH_DEBUG"))
            std::printf("  press: floor %.5f, onset %.2f ms after the press, its chunk arrived "
                        "%.2f ms after it\n",
                        floor, 1000 * seconds, 1000 * (chunk->arrived - pressed));
        return seconds;
    }

  private:
    struct Chunk {
        std::size_t end; // index after its last sample
        double arrived;  // steady clock seconds
    };
    static pa_threaded_mainloop* Loop(void* m) { return static_cast<pa_threaded_mainloop*>(m); }

    static void onRead(pa_stream* stream, std::size_t, void* self) {
        auto* r = static_cast<MonitorRecorder*>(self);
        const void* data = nullptr;
        std::size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0) {
            if (bytes == 0)
                break;
            const double now = Seconds(Clock::now());
            const std::size_t frames = bytes / 8;
            r->chunks_.push_back({r->level_.size() + frames, now});
            const auto* samples = static_cast<const float*>(data);
            for (std::size_t i = 0; i < frames; ++i)
                r->level_.push_back(data == nullptr ? 0.0f
                                                    : std::max(std::fabs(samples[2 * i]),
                                                               std::fabs(samples[2 * i + 1])));
            pa_stream_drop(stream);
        }
    }

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::vector<float> level_;
    std::vector<Chunk> chunks_;
};

struct Summary {
    std::size_t n = 0;
    double median = 0, p90 = 0, min = 0, max = 0;
    std::size_t missed = 0;
};

Summary Summarise(std::vector<double> ms, std::size_t missed) {
    Summary s;
    s.missed = missed;
    s.n = ms.size();
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(std::ceil(q * ms.size()) - 1))];
    };
    s.median =
        ms.size() % 2 ? ms[ms.size() / 2] : 0.5 * (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]);
    s.p90 = at(0.9);
    s.min = ms.front();
    s.max = ms.back();
    return s;
}

void Print(const char* who, const char* kind, const Summary& s) {
    std::printf("%-9s %-22s presses %2zu  median %6.2f ms  p90 %6.2f ms  min %6.2f  max %6.2f"
                "  (no onset: %zu)\n",
                who, kind, s.n, s.median, s.p90, s.min, s.max, s.missed);
    std::fflush(stdout);
}

// A press function returns the press's time; release lets go of it.
struct Presser {
    std::function<Clock::time_point(int)> press;
    std::function<void(int)> release;
    std::function<bool()> sleeping; // may be empty
};

// Presses in a row (one every 0.5 s, held 0.2 s), then presses each after `silence` seconds
// of silence; the onsets read from the recording.
void MeasurePresses(const char* who, const Presser& p, int presses, double silence) {
    MonitorRecorder recorder(presses * (silence + 1.5) + 30);
    if (!recorder.start()) {
        std::printf("%s: the monitor cannot be recorded\n", who);
        return;
    }
    QTest::qWait(1500);
    std::vector<Clock::time_point> row, first;
    int asleepBefore = 0, asleepInRow = 0;
    for (int i = 0; i < presses + 2; ++i) { // the first two warm up
        if (i >= 2 && p.sleeping && p.sleeping())
            ++asleepInRow;
        const auto t = p.press(i);
        if (i >= 2)
            row.push_back(t);
        QTest::qWait(100);
        p.release(i);
        QTest::qWait(900);
    }
    for (int i = 0; i < presses; ++i) {
        QTest::qWait(static_cast<int>(silence * 1000));
        if (p.sleeping && p.sleeping())
            ++asleepBefore;
        first.push_back(p.press(i));
        QTest::qWait(200);
        p.release(i);
    }
    QTest::qWait(1000);
    recorder.stop();
    for (int kind = 0; kind < 2; ++kind) {
        std::vector<double> ms;
        std::size_t missed = 0;
        for (const auto& t : kind == 0 ? row : first) {
            const double s = recorder.onsetAfter(t);
            if (s < 0)
                ++missed;
            else
                ms.push_back(1000 * s);
        }
        Print(who, kind == 0 ? "notes in a row" : "after silence", Summarise(ms, missed));
    }
    if (p.sleeping)
        std::printf("%-9s asleep before %d of %d presses in a row, %d of %d after silence\n", who,
                    asleepInRow, presses, asleepBefore, presses);
}

// The program as a process, in a folder of its own with an English first-run record.
bool StartProgram(QProcess& program, const PulseServer& server, const QTemporaryDir& folder) {
    const QDir dir(folder.path());
    QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                dir.filePath("QuintaroProgGM.txt"));
    const SettingsRecord first = FirstRunRecord(2); // English: no language dialog
    QFile settings(dir.filePath("QuintaroV10.ini"));
    if (!settings.open(QIODevice::WriteOnly))
        return false;
    settings.write(reinterpret_cast<const char*>(first.data()), first.size());
    settings.close();
    QProcessEnvironment env = server.environment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("QUINTARO_MIDI_OUT", "synth");
    env.insert("QUINTARO_SOUNDFONT", SoundFont);
    env.remove("QUINTARO_MIDI_IN");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(QUINTARO_BUILD_DIR "/quintaro"), {});
    return program.waitForStarted(5000);
}

// XTest through the libraries at run time (the benchmark needs no X11 headers to build).
struct XTest {
    using Display = void;
    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
    Display* (*openDisplay)(const char*) = nullptr;
    int (*motion)(Display*, int, int, int, unsigned long) = nullptr;
    int (*button)(Display*, unsigned, int, unsigned long) = nullptr;
    int (*sync)(Display*, int) = nullptr;
    Display* display = nullptr;
    bool open(const char* name) {
        if (x11 == nullptr || xtst == nullptr)
            return false;
        openDisplay = reinterpret_cast<decltype(openDisplay)>(dlsym(x11, "XOpenDisplay"));
        sync = reinterpret_cast<decltype(sync)>(dlsym(x11, "XSync"));
        motion = reinterpret_cast<decltype(motion)>(dlsym(xtst, "XTestFakeMotionEvent"));
        button = reinterpret_cast<decltype(button)>(dlsym(xtst, "XTestFakeButtonEvent"));
        if (!openDisplay || !sync || !motion || !button)
            return false;
        display = openDisplay(name);
        return display != nullptr;
    }
};

QString Run(const QString& tool, const QStringList& arguments, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStandardPaths::findExecutable(tool), arguments);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

void MeasureVmpk(const PulseServer& server, const QString& display, int presses, double silence,
                 double idleSeconds) {
    if (QStandardPaths::findExecutable("vmpk").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty()) {
        std::printf("VMPK: vmpk or xdotool is not installed\n");
        return;
    }
    QProcessEnvironment env = server.environment();
    env.insert("DISPLAY", display);
    env.remove("QT_QPA_PLATFORM");
    // VMPK's own settings in a folder of their own: FluidSynth output with the same SoundFont,
    // everything else (FluidSynth's pulseaudio driver, its periods) as VMPK sets it by default.
    // QUINTARO_VMPK_CONFIG replaces the whole file.
    QTemporaryDir home;
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    const QString configDir = home.filePath("config/vmpk.sourceforge.net");
    QDir().mkpath(configDir);
    QFile config(configDir + "/VMPK.conf");
    if (config.open(QIODevice::WriteOnly))
        config.write(qgetenv("QUINTARO_VMPK_CONFIG").isEmpty()
                         ? QByteArray("[Connections]\nOutputDriver=FluidSynth\n"
                                      "OutPort=FluidSynth\n[FluidSynth]\n"
                                      "InstrumentsDefinition=") +
                               SoundFont + "\n"
                         : qgetenv("QUINTARO_VMPK_CONFIG"));
    config.close();
    QProcess vmpk;
    vmpk.setProcessEnvironment(env);
    vmpk.setProcessChannelMode(QProcess::ForwardedChannels);
    vmpk.start(QStandardPaths::findExecutable("vmpk"), {});
    if (!vmpk.waitForStarted(5000)) {
        std::printf("VMPK did not start\n");
        return;
    }
    QTest::qWait(8000);
    const IdleCost idle = MeasureIdle(static_cast<int>(vmpk.processId()), server.pid, idleSeconds);
    std::printf("VMPK      idle %.0f s: program %.2f %% of a core, %.0f wake-ups/s; server "
                "%.2f %%, %.0f wake-ups/s\n",
                idleSeconds, idle.programPercent, idle.programWakeups, idle.serverPercent,
                idle.serverWakeups);
    std::fflush(stdout);

    // A white key: the keyboard fills the lower part of VMPK's main window.
    const QString window = Run("xdotool",
                               {"search", "--sync", "--onlyvisible", "--pid",
                                QString::number(vmpk.processId()), "--name", "Virtual MIDI"},
                               env)
                               .split('\n')
                               .value(0);
    const QStringList geometry =
        Run("xdotool", {"getwindowgeometry", "--shell", window}, env).split('\n');
    QMap<QString, int> g;
    for (const QString& line : geometry)
        if (const QStringList kv = line.split('='); kv.size() == 2)
            g[kv[0]] = kv[1].toInt();
    const int x = g.value("X"), y = g.value("Y"), w = g.value("WIDTH"), h = g.value("HEIGHT");
    XTest xt;
    if (window.isEmpty() || w == 0 || !xt.open(display.toLatin1().constData())) {
        std::printf("VMPK: its window or the X display cannot be reached: press -> sound not "
                    "measured\n");
    } else {
        std::printf("VMPK window %s at %d,%d %dx%d\n", qPrintable(window), x, y, w, h);
        Presser p;
        p.press = [&](int i) {
            const int keyX = x + w / 2 + ((i % 5) - 2) * 24;
            xt.motion(xt.display, -1, keyX, y + h - 25, 0);
            xt.sync(xt.display, 0);
            QTest::qWait(20);
            const auto t = Clock::now();
            xt.button(xt.display, 1, 1, 0);
            xt.sync(xt.display, 0);
            return t;
        };
        p.release = [&](int) {
            xt.button(xt.display, 1, 0, 0);
            xt.sync(xt.display, 0);
        };
        MeasurePresses("VMPK", p, presses, silence);
    }
    vmpk.terminate();
    vmpk.waitForFinished(5000);
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::atoi(argv[1]) : 20;
    const bool withVmpk = argc > 2 && QByteArray(argv[2]) == "vmpk";
    // With VMPK both programs run on one X server of their own, both pressed through XTest; the
    // program is pressed through QTest too (offscreen only, without VMPK).
    const QString display = ":57";
    QProcess xvfb;
    if (withVmpk) {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()) {
            std::printf("Xvfb is not installed\n");
            return 1;
        }
        xvfb.start(QStandardPaths::findExecutable("Xvfb"),
                   {display, "-screen", "0", "1280x800x24"});
        xvfb.waitForStarted(5000);
        QThread::msleep(1500);
        qputenv("DISPLAY", display.toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const double silence = qEnvironmentVariableIsEmpty("QUINTARO_BENCH_SILENCE")
                               ? 10
                               : qgetenv("QUINTARO_BENCH_SILENCE").toDouble();
    const double idleSeconds = 15;

    if (QStandardPaths::findExecutable("pulseaudio").isEmpty()) {
        std::printf("pulseaudio is not installed (scripts/setup installs it)\n");
        return 1;
    }
    PulseServer server;
    if (!server.start())
        return 1;
    qputenv("XDG_RUNTIME_DIR", server.folder.path().toLocal8Bit());
    qunsetenv("PULSE_SERVER");
    qunsetenv("QUINTARO_SYNTH_DRIVER");

    {
        QTemporaryDir folder;
        QProcess program;
        if (!StartProgram(program, server, folder)) {
            std::printf("build/quintaro did not start\n");
            return 1;
        }
        QTest::qWait(8000);
        const IdleCost idle =
            MeasureIdle(static_cast<int>(program.processId()), server.pid, idleSeconds);
        std::printf("Quintaro  idle %.0f s: program %.2f %% of a core, %.0f wake-ups/s; server "
                    "%.2f %%, %.0f wake-ups/s\n",
                    idleSeconds, idle.programPercent, idle.programWakeups, idle.serverPercent,
                    idle.serverWakeups);
        std::fflush(stdout);
        program.terminate();
        program.waitForFinished(10000);
    }

    {
        TestState t;
        auto owned = std::make_unique<SynthPort>(SoundFont);
        SynthPort& synth = *owned;
        t.state.midi.setPort(std::move(owned));
        t.port = nullptr;
        if (t.state.midi.OpenMidiOutput() != 0) {
            std::printf("the synthesizer does not open: %s\n", synth.lastError().c_str());
            return 1;
        }
        const SynthPort::AudioSetup& a = synth.audioSetup();
        std::printf("Quintaro  %s: requests of %d frames, %d queued at most (%.2f ms)\n",
                    a.driver.c_str(), a.periodSize, a.periodSize * a.periods,
                    a.bufferMilliseconds());
        frmMain main(t.state);
        main.resize(1000, 700);
        main.show();
        main.mnuPart_Click(1); // first-run part 1: click mode
        QCoreApplication::processEvents();
        QWindow* window = main.windowHandle();
        Keyboard& kb = main.PartWindow(1)->keyboard();
        const auto point = [&](int i) {
            const int k = 24 + (i % 5) * 2;
            return kb.Keys->mapTo(&main, kb.Keys->keyRect(k).topLeft() +
                                             QPoint(kb.Keys->keyRect(k).width() / 2, 10));
        };
        Presser p;
        p.press = [&](int i) {
            const auto t = Clock::now();
            QTest::mousePress(window, Qt::LeftButton, {}, point(i));
            return t;
        };
        p.release = [&](int i) { QTest::mouseRelease(window, Qt::LeftButton, {}, point(i)); };
        p.sleeping = [&synth] { return synth.sleeping(); };
        MeasurePresses("Quintaro", p, presses, silence);
        XTest xt;
        if (withVmpk && QTest::qWaitForWindowExposed(window) &&
            xt.open(display.toLatin1().constData())) {
            Presser x;
            x.press = [&](int i) {
                const int k = 24 + (i % 5) * 2;
                const QPoint at = kb.Keys->mapToGlobal(kb.Keys->keyRect(k).topLeft() +
                                                       QPoint(kb.Keys->keyRect(k).width() / 2, 10));
                xt.motion(xt.display, -1, at.x(), at.y(), 0);
                xt.sync(xt.display, 0);
                QTest::qWait(20);
                const auto t = Clock::now();
                xt.button(xt.display, 1, 1, 0);
                xt.sync(xt.display, 0);
                return t;
            };
            x.release = [&](int) {
                xt.button(xt.display, 1, 0, 0);
                xt.sync(xt.display, 0);
            };
            x.sleeping = p.sleeping;
            MeasurePresses("Quintaro/XTest", x, presses, silence);
        }
        std::printf("Quintaro  the stream slept %ld times and woke %ld times\n", synth.sleeps(),
                    synth.wakes());
    }

    if (withVmpk) {
        MeasureVmpk(server, display, presses, silence, idleSeconds);
        xvfb.terminate();
        xvfb.waitForFinished(5000);
    }
    return 0;
}
