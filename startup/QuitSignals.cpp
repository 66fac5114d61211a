#include "startup/QuitSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end the handler uses; only one QuitSignals is live at a time.
int signalSockets[2] = {-1, -1};

constexpr int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP};

void HandleSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; a full socket means a quit is already pending.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> onQuit) : onQuit_(std::move(onQuit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return;
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readSignal);

    struct sigaction action {};
    action.sa_handler = HandleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (int signal : HandledSignals)
        installed_ = ::sigaction(signal, &action, nullptr) == 0 && installed_;
}

QuitSignals::~QuitSignals() {
    for (int signal : HandledSignals)
        std::signal(signal, SIG_DFL);
    for (int& fd : signalSockets) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void QuitSignals::readSignal() {
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(signalSockets[1], &byte, 1);
    if (onQuit_)
        onQuit_();
}
