// Latency of a key press in a part window: from the mouse press reaching the window to the Note On
// leaving through the MIDI port (the port's shortMessage call), over many presses in click mode.
//   QT_QPA_PLATFORM=offscreen build/bench/keypress_latency [presses]   (default 10000)
//
// Two ways in, each timed separately:
//   window  a QMouseEvent sent to the part window's top-level QWindow (what the platform's event
//           dispatch hands the window), so the time covers the window's mouse dispatch, the
//           key's handler, the keyboard, the part's policy and the MIDI module;
//   system  QTest::mousePress on the QWindow, which queues the press in the window-system
//           interface and has the event loop deliver it: the above plus Qt's queueing.
// Each press is followed by its release (the Note Off), which is not timed.
#include "midi/MidiPort.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A port that notes when each short message arrives.
class TimingPort : public MidiPort {
  public:
    int deviceCount() override { return 1; }
    std::uint32_t open() override { return 0; }
    std::uint32_t close() override { return 0; }
    std::uint32_t shortMessage(std::uint32_t message) override {
        lastTime = Clock::now();
        lastMessage = message;
        ++count;
        return 0;
    }
    std::uint32_t prepareHeader(MidiHdr&, int) override { return 0; }
    std::uint32_t longMessage(MidiHdr&, int) override { return 0; }
    std::uint32_t unprepareHeader(MidiHdr&, int) override { return 0; }

    Clock::time_point lastTime;
    std::uint32_t lastMessage = 0;
    long count = 0;
};

struct Stats {
    double median = 0, p99 = 0, min = 0, max = 0, mean = 0;
};

Stats summarise(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    Stats s;
    auto at = [&](double q) {
        return us[std::min(us.size() - 1, static_cast<std::size_t>(q * (us.size() - 1) + 0.5))];
    };
    s.median = at(0.5);
    s.p99 = at(0.99);
    s.min = us.front();
    s.max = us.back();
    double sum = 0;
    for (double v : us)
        sum += v;
    s.mean = sum / static_cast<double>(us.size());
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int presses = argc > 1 ? std::atoi(argv[1]) : 10000;

    TestState t;
    auto timing = std::make_unique<TimingPort>();
    TimingPort& port = *timing;
    t.state.midi.setPort(std::move(timing));
    t.port = nullptr;

    frmMain main(t.state);
    main.resize(1000, 700);
    main.show();
    main.mnuPart_Click(1); // first-run part 1: click mode, key shift 2
    frmPart* w = main.PartWindow(1);
    QCoreApplication::processEvents();
    QWindow* window = main.windowHandle();
    Keyboard& kb = w->keyboard();

    // Press points in window coordinates, a few spots on every key.
    std::vector<QPoint> points;
    for (int k = 0; k < Keyboard::KeyCount; ++k)
        points.push_back(kb.Keys->mapTo(&main, kb.Keys->keyRect(k).topLeft() +
                                                   QPoint(kb.Keys->keyRect(k).width() / 2, 10)));

    for (int way = 0; way < 2; ++way) {
        std::vector<double> us;
        us.reserve(presses);
        long wrong = 0;
        for (int i = 0; i < presses + 200; ++i) { // the first 200 warm up
            const int k = i % Keyboard::KeyCount;
            const QPoint p = points[k];
            const long before = port.count;
            Clock::time_point start;
            if (way == 0) {
                QMouseEvent press(QEvent::MouseButtonPress, p, window->mapToGlobal(p),
                                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                start = Clock::now();
                QApplication::sendEvent(window, &press);
            } else {
                start = Clock::now();
                QTest::mousePress(window, Qt::LeftButton, {}, p);
            }
            const Clock::time_point sent = port.lastTime;
            const bool noteOn =
                port.count == before + 1 && (port.lastMessage & 0xF0) == 0x90 &&
                static_cast<int>((port.lastMessage >> 8) & 0x7F) == kb.KeyBase() + k;
            if (!noteOn)
                ++wrong;
            else if (i >= 200)
                us.push_back(std::chrono::duration<double, std::micro>(sent - start).count());
            if (way == 0) {
                QMouseEvent release(QEvent::MouseButtonRelease, p, window->mapToGlobal(p),
                                    Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(window, &release);
            } else {
                QTest::mouseRelease(window, Qt::LeftButton, {}, p);
            }
        }
        if (us.empty()) {
            std::printf("%s: no Note On measured (%ld presses sent nothing or the wrong note)\n",
                        way == 0 ? "window" : "system", wrong);
            return 1;
        }
        const Stats s = summarise(us);
        std::printf("%-6s  presses %zu  wrong %ld  median %.2f us  p99 %.2f us  mean %.2f us  "
                    "min %.2f us  max %.2f us\n",
                    way == 0 ? "window" : "system", us.size(), wrong, s.median, s.p99, s.mean,
                    s.min, s.max);
    }
    return 0;
}
