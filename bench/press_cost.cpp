// What a key press costs the program, and what reopening sixteen part windows at start costs:
//   QT_QPA_PLATFORM=offscreen build/bench/press_cost [clicks] [startups]   (defaults 200, 5)
//   build/bench/press_cost folder DIR [N]   makes DIR a program folder reopening N part windows
//   scripts/press-cost   the same under callgrind: instructions per press + release
//
// Start-up: the real start routine (Main) in a fresh program folder whose settings record has
// the sixteen part windows open, run until the event loop is idle with all of them shown. Prints
// the CPU time of that, and of the whole process up to the moment the first run goes idle (Qt's
// own start-up, fonts, the main window included; the teardown that follows is not). As the
// program does, the application carries the program's icon, which the child windows' title bars
// show.
//
// Clicks: part window 1 (click mode) alone in a main window. The pointer is moved onto a key, then
// pressed and released; the time counted runs from the press to the end of the repaint that the
// release causes (the event loop run until nothing is left to do). Under callgrind
// (--instr-atstart=no) only that part is collected, after a warm-up, so the totals divided by the
// number of clicks are the instructions of one press + release.
#include "app/Settings.h"
#include "startup/Main.h"
#include "support/RecordingPort.h"
#include "support/RecordingSink.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/CachingStyle.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Runs the event loop until an iteration delivers nothing: posted events (update requests,
// layout requests, deferred deletions) and due timers included.
void runUntilIdle() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int i = 0; i < 1000; ++i) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            break;
    }
}

bool allPartsShown(const frmMain& main) {
    for (int n = 1; n <= 16; ++n)
        if (main.PartWindow(n) == nullptr || !main.PartWindow(n)->isVisible())
            return false;
    return true;
}

// Counts the paint events each widget receives, by class, for a report of what a click repaints;
// with PRESS_COST_DEBUG set it also lists every paint event with its region's bounding box.
class PaintCounter : public QObject {
  public:
    QMap<QString, int> counts;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++counts[QString::fromLatin1(watched->metaObject()->className())];
            if (qEnvironmentVariableIsSet("PRESS_COST_DEBUG")) {
                const QRect r = static_cast<QPaintEvent*>(event)->region().boundingRect();
                std::printf("  paint %s %s %d,%d %dx%d\n", watched->metaObject()->className(),
                            qPrintable(watched->objectName()), r.x(), r.y(), r.width(), r.height());
            }
        }
        return false;
    }
};

// Makes `dir` a program folder whose settings record has the first `parts` part windows open.
void writePartFolder(const QDir& dir, int parts = 16) {
    QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                dir.filePath("QuintaroProgGM.txt"));
    SettingsTables tables;
    ApplyFirstRunDefaults(tables);
    tables.LanguageCode = 2;
    for (int part = 1; part <= parts; ++part) {
        WindowRec& rec = tables.WindowRecs.at(part);
        rec.Open = 1;
        rec.Top = 330 * (part - 1);
        rec.Left = 300 * (part - 1);
    }
    const SettingsRecord record = EncodeSettings(NewSettingsRecord(), tables);
    QFile settings(dir.filePath("QuintaroV10.ini"));
    if (settings.open(QIODevice::WriteOnly))
        settings.write(reinterpret_cast<const char*>(record.data()),
                       static_cast<qint64>(record.size()));
    settings.close();
}

// One start-up with the sixteen part windows open in the stored record. Returns the CPU
// milliseconds from the start routine to idle; `shown` tells whether all sixteen appeared and
// `idleAt` is the process's CPU time at that moment.
double startupRun(bool& shown, double& idleAt) {
    QTemporaryDir folder;
    writePartFolder(QDir(folder.path()));

    AppState state;
    RecordingSink sink;
    state.messages.setSink(&sink);
    StartupHooks hooks;
    hooks.chooseLanguage = [](AppState&) {};
    hooks.makePort = [] { return std::make_unique<RecordingPort>(); };

    const double start = cpuMs();
    std::unique_ptr<frmMain> main = Main(state, folder.path(), hooks);
    if (!main) {
        shown = false;
        return 0;
    }
    // The windows open from timers shortly after the main window shows: wait (not counted as
    // CPU) until they have, then until the loop is idle.
    for (int i = 0; i < 2000; ++i) {
        runUntilIdle();
        if (allPartsShown(*main))
            break;
        QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
    }
    runUntilIdle();
    idleAt = cpuMs();
    CALLGRIND_DUMP_STATS_AT("start-up idle");
    const double spent = idleAt - start;
    shown = allPartsShown(*main);
    state.beginClosing();
    main.reset();
    runUntilIdle();
    return spent;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const double processStart = cpuMs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setWindowIcon(ProgramIcon());
    // "folder DIR [PARTS]": only makes DIR a program folder that reopens the first PARTS part
    // windows, sixteen by default (for a start-up of the program itself: press-cost --vmpk).
    if (argc > 2 && qstrcmp(argv[1], "folder") == 0) {
        writePartFolder(QDir(QString::fromLocal8Bit(argv[2])), argc > 3 ? std::atoi(argv[3]) : 16);
        return 0;
    }
    const int clicks = argc > 1 ? std::max(0, std::atoi(argv[1])) : 200;
    const int startups = argc > 2 ? std::max(0, std::atoi(argv[2])) : 5;

    // --- Sixteen part windows reopened at start.
    std::vector<double> startupMs;
    for (int i = 0; i < startups; ++i) {
        bool shown = false;
        double idleAt = 0;
        const double ms = startupRun(shown, idleAt);
        if (!shown) {
            std::printf("start-up: the sixteen part windows did not all open\n");
            return 1;
        }
        if (i == 0)
            std::printf("start-up, whole process to idle with 16 part windows: %.1f ms CPU\n",
                        idleAt - processStart);
        startupMs.push_back(ms);
    }
    if (startups > 0) {
        std::printf("start-up, start routine to idle with 16 part windows: median %.1f ms CPU "
                    "(first %.1f, %d runs)\n",
                    median(startupMs), startupMs.front(), startups);
    }

    if (clicks == 0)
        return 0;

    // --- Clicks on part window 1, with the style the program installs at start.
    CachingStyle::install();
    AppState state;
    RecordingSink sink;
    state.messages.setSink(&sink);
    ApplyFirstRunDefaults(state);
    state.LanguageCode = 2;
    auto recording = std::make_unique<RecordingPort>();
    RecordingPort& port = *recording;
    state.midi.setPort(std::move(recording));
    state.midi.OpenMidiOutput();

    frmMain main(state);
    main.resize(1000, 700);
    main.show();
    main.mnuPart_Click(1); // first-run part 1: click mode, key shift 2
    frmPart* part = main.PartWindow(1);
    runUntilIdle();
    QWindow* window = main.windowHandle();
    Keyboard& kb = part->keyboard();

    // Keys spread over the keyboard, white and black, pressed near their top.
    std::vector<QPoint> points;
    for (int k = 0; k < Keyboard::KeyCount; k += 7)
        points.push_back(kb.Keys->mapTo(&main, kb.Keys->keyRect(k).topLeft() +
                                                   QPoint(kb.Keys->keyRect(k).width() / 2, 10)));

    auto click = [&](int i, bool collect, double* ms) {
        const QPoint p = points[static_cast<std::size_t>(i) % points.size()];
        QTest::mouseMove(window, p);
        runUntilIdle();
        if (collect)
            CALLGRIND_TOGGLE_COLLECT;
        const double start = cpuMs();
        QTest::mousePress(window, Qt::LeftButton, {}, p);
        runUntilIdle();
        QTest::mouseRelease(window, Qt::LeftButton, {}, p);
        runUntilIdle();
        const double spent = cpuMs() - start;
        if (collect)
            CALLGRIND_TOGGLE_COLLECT;
        if (ms)
            *ms = spent;
    };

    // What one press + release repaints, counted once outside the timed clicks.
    {
        PaintCounter counter;
        const QList<QWidget*> widgets = main.findChildren<QWidget*>();
        for (QWidget* w : widgets)
            w->installEventFilter(&counter);
        const int perPass = 10;
        for (int i = 0; i < perPass; ++i)
            click(i, false, nullptr);
        for (QWidget* w : widgets)
            w->removeEventFilter(&counter);
        std::printf("paint events per press + release:");
        for (auto it = counter.counts.cbegin(); it != counter.counts.cend(); ++it)
            std::printf("  %s %.1f", qPrintable(it.key()), it.value() / double(perPass));
        std::printf("\n");
    }

    for (int i = 0; i < 50; ++i) // warm-up
        click(i, false, nullptr);

    const long messagesBefore = static_cast<long>(port.messages().size());
    // Under callgrind with --instr-atstart=no: instrument from here, collect only the clicks.
    CALLGRIND_START_INSTRUMENTATION;
    CALLGRIND_TOGGLE_COLLECT;
    std::vector<double> ms(static_cast<std::size_t>(clicks));
    for (int i = 0; i < clicks; ++i)
        click(i, true, &ms[static_cast<std::size_t>(i)]);
    CALLGRIND_STOP_INSTRUMENTATION;
    const long sent = static_cast<long>(port.messages().size()) - messagesBefore;

    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("press + release on part window 1 (%d clicks, %ld messages): CPU median %.1f us, "
                "mean %.1f us\n",
                clicks, sent, median(ms) * 1e3, sum / clicks * 1e3);
    if (sent != 2L * clicks) {
        std::printf("expected a Note On and a Note Off per click\n");
        return 1;
    }
    return 0;
}
