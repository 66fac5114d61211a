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
#include "SynthBench.h"
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

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <vector>

namespace {

using namespace synthbench;

const char* const SoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

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
