#pragma once

#include <QDeadlineTimer>
#include <QtGlobal>
#include <array>
#include <functional>
#include <memory>

class QKeyEvent;
class QTimer;

// The two rows of the computer keyboard that play the on-screen keyboard: Z S X D C V G B H N J M
// and Q 2 W 3 E R 5 T 6 Y 7 U, keys 0..23, taken by their place on the keyboard (the scan code),
// so that any layout plays the same places. It tells when such a key counts as pressed and as
// released; what a key plays is its owner's business (the keyboard's computer-key paths).
//
// X11 repeats a held key as a release and a press with the same time stamp, and Qt marks the pair
// as a repeat only when the press has already come in when it handles the release, which often
// fails, the more on a busy machine. So on X11 a release counts only once no press of the same
// key has followed it for a grace of 40 ms (the release comes that much later); a press within
// the grace that carries the release's time stamp is the repeat's and is ignored, one with a later
// stamp is the user's and plays again at once. A press of another key ends the grace first.
// Elsewhere repeats come marked and a release counts at once.
class ComputerKeys {
  public:
    static constexpr int Count = 24;

    // `press(i)`: key i counts as pressed; `release(i)`: key i counts as released (also for a key
    // that plays nothing, which the owner ignores).
    ComputerKeys(std::function<void(int)> press, std::function<void(int)> release);
    ~ComputerKeys();
    ComputerKeys(const ComputerKeys&) = delete;
    ComputerKeys& operator=(const ComputerKeys&) = delete;

    // The key (0..23) a key event is, or -1.
    static int KeyIndex(const QKeyEvent& event);
    // How long a release waits for a press of the same key, in ms: 40 on X11 ("xcb"), else 0.
    static int DefaultReleaseGrace();
    void setReleaseGrace(int ms) { releaseGrace_ = ms; }

    // A key went down or up; false when the event is not one of the keys (or, down, carries Ctrl,
    // Alt, Shift or Meta: it is left to the window's shortcuts and mnemonics).
    bool keyDown(const QKeyEvent& event);
    bool keyUp(const QKeyEvent& event);
    // Every key counts as released at once, whatever waits in its grace.
    void releaseAll();

  private:
    // Counts the releases whose grace is over, and waits for the next one.
    void confirmDueReleases();

    std::function<void(int)> press_;
    std::function<void(int)> release_;
    // A release in its grace: its time stamp and when the grace ends.
    struct PendingRelease {
        bool pending = false;
        quint64 stamp = 0;
        QDeadlineTimer due;
    };
    std::array<PendingRelease, Count> pendingReleases_{};
    // The time stamp of each key's release the grace last counted, to know its repeat's press.
    std::array<quint64, Count> countedReleases_{};
    std::unique_ptr<QTimer> releaseTimer_; // created at the first release that waits
    int releaseGrace_ = DefaultReleaseGrace();
};
