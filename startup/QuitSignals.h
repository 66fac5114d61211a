#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP (Ctrl+C in a terminal, a system shutdown, a closed terminal)
// into a call on the user-interface thread, so that the program can end as if its main window
// had been closed and keep its settings. The signal handler only writes a byte to a socket; the
// event loop reads it and runs `onQuit`.
class QuitSignals : public QObject {
    Q_OBJECT
  public:
    explicit QuitSignals(std::function<void()> onQuit);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // False when the socket pair or the handlers could not be set up.
    bool installed() const { return installed_; }

  private:
    void readSignal();

    std::function<void()> onQuit_;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};
