#include "ui/keyboard/ComputerKeys.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace {

// The computer keys in the order of the notes they play from KeyBase: the physical places of
// Z S X D C V G B H N J M and Q 2 W 3 E R 5 T 6 Y 7 U on a US keyboard, as Linux input codes,
// and the keys those places carry there (used where the platform gives no scan code).
constexpr int InputCodes[ComputerKeys::Count] = {44, 31, 45, 32, 46, 47, 34, 48, 35, 49, 36, 50,
                                                 16, 3,  17, 4,  18, 19, 6,  20, 7,  21, 8,  22};
constexpr int UsKeys[ComputerKeys::Count] = {
    Qt::Key_Z, Qt::Key_S, Qt::Key_X, Qt::Key_D, Qt::Key_C, Qt::Key_V, Qt::Key_G, Qt::Key_B,
    Qt::Key_H, Qt::Key_N, Qt::Key_J, Qt::Key_M, Qt::Key_Q, Qt::Key_2, Qt::Key_W, Qt::Key_3,
    Qt::Key_E, Qt::Key_R, Qt::Key_5, Qt::Key_T, Qt::Key_6, Qt::Key_Y, Qt::Key_7, Qt::Key_U};
// The native scan code of an input code: X11 and Wayland key codes are the input code + 8; the
// PC scan codes that Windows reports are the input codes themselves for these keys.
#ifdef Q_OS_WIN
constexpr int ScanCodeOffset = 0;
#else
constexpr int ScanCodeOffset = 8;
#endif

// How long an X11 release waits for the press of its repeat. The pair is sent as one; the press
// lags only as long as the program is kept from reading it.
constexpr int X11ReleaseGrace = 40;

// Two time stamps of one instant: an X11 repeat stamps its release and press with the server's
// clock read twice, which may tick in between.
bool sameInstant(quint64 a, quint64 b) {
    return (a > b ? a - b : b - a) <= 1;
}

} // namespace

ComputerKeys::ComputerKeys(std::function<void(int)> press, std::function<void(int)> release)
    : press_(std::move(press)), release_(std::move(release)) {}

ComputerKeys::~ComputerKeys() = default;

int ComputerKeys::DefaultReleaseGrace() {
    return QGuiApplication::platformName() == QLatin1String("xcb") ? X11ReleaseGrace : 0;
}

int ComputerKeys::KeyIndex(const QKeyEvent& event) {
    const int scanCode = static_cast<int>(event.nativeScanCode());
    const int* codes = scanCode != 0 ? InputCodes : UsKeys;
    const int code = scanCode != 0 ? scanCode - ScanCodeOffset : event.key();
    const int* found = std::find(codes, codes + Count, code);
    return found == codes + Count ? -1 : static_cast<int>(found - codes);
}

bool ComputerKeys::keyDown(const QKeyEvent& event) {
    const int i = KeyIndex(event);
    if (i < 0 || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const quint64 stamp = event.timestamp();
    PendingRelease& release = pendingReleases_.at(i);
    const quint64 counted = std::exchange(countedReleases_.at(i), 0);
    if (release.pending) {
        release.pending = false;
        // The press of a repeat: the key never went up.
        if (event.isAutoRepeat() || sameInstant(stamp, release.stamp))
            return true;
        release_(i); // released and pressed again by the user within the grace
    } else if (counted != 0 && sameInstant(stamp, counted)) {
        // The press of a repeat whose release came so long before it that the grace counted
        // the release: the note has ended, and plays again only when the key is pressed again.
        return true;
    }
    if (event.isAutoRepeat())
        return true;
    // Releases still in their grace come first, so each Note Off goes before this Note On.
    for (int j = 0; j < Count; ++j)
        if (std::exchange(pendingReleases_[j].pending, false))
            release_(j);
    press_(i);
    return true;
}

bool ComputerKeys::keyUp(const QKeyEvent& event) {
    const int i = KeyIndex(event);
    if (i < 0)
        return false;
    if (event.isAutoRepeat())
        return true;
    if (releaseGrace_ <= 0) {
        release_(i);
        return true;
    }
    // Counts once no press of the key has come for the grace (see the class comment).
    pendingReleases_.at(i) = {true, event.timestamp(),
                              QDeadlineTimer(releaseGrace_, Qt::PreciseTimer)};
    if (releaseTimer_ == nullptr) {
        releaseTimer_ = std::make_unique<QTimer>();
        releaseTimer_->setSingleShot(true);
        releaseTimer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(releaseTimer_.get(), &QTimer::timeout, releaseTimer_.get(),
                         [this] { confirmDueReleases(); });
    }
    if (!releaseTimer_->isActive())
        releaseTimer_->start(releaseGrace_);
    return true;
}

void ComputerKeys::confirmDueReleases() {
    qint64 next = -1;
    for (int i = 0; i < Count; ++i) {
        PendingRelease& release = pendingReleases_[i];
        if (!release.pending)
            continue;
        if (release.due.hasExpired()) {
            release.pending = false;
            countedReleases_[i] = release.stamp;
            release_(i);
        } else {
            const qint64 left = release.due.remainingTime();
            next = next < 0 ? left : std::min(next, left);
        }
    }
    if (next >= 0)
        releaseTimer_->start(static_cast<int>(next));
}

void ComputerKeys::releaseAll() {
    pendingReleases_.fill({});
    countedReleases_.fill(0);
    if (releaseTimer_ != nullptr)
        releaseTimer_->stop();
    for (int i = 0; i < Count; ++i)
        release_(i);
}
