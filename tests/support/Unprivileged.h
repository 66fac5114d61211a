#pragma once

// Permission checks do not apply to root, and the tests may run as root: these run a piece of a
// test as an ordinary user (nobody, 65534) in a forked child, which reports through its exit code
// (not the test framework's assertions).
#include <QProcess>

#include <cerrno>
#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

// Exit code of RunUnprivileged when the child could not become the ordinary user.
constexpr int CannotDropPrivileges = 125;

// `body`'s result (keep it below 125), CannotDropPrivileges, or -1 when no child could be started.
// As root the child runs as user and group 65534, otherwise as the test itself.
inline int RunUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(CannotDropPrivileges);
        ::_exit(body());
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// As root, hands `path` and everything under it to user and group 65534. Returns success.
inline bool GiveToUnprivilegedUser(const QString& path) {
    return ::geteuid() != 0 || QProcess::execute("chown", {"-hR", "65534:65534", path}) == 0;
}
