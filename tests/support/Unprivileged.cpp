#include "support/Unprivileged.h"

#include <QDirIterator>
#include <QFile>

#include <cerrno>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

constexpr unsigned Nobody = 65534; // user and group

int RunUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(CannotDropPrivileges);
        ::_exit(body());
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool GiveToUnprivilegedUser(const QString& path) {
    bool ok = true;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    for (QString file = path; ::geteuid() == 0 && !file.isEmpty();
         file = it.hasNext() ? it.next() : QString())
        ok = ::lchown(QFile::encodeName(file).constData(), Nobody, Nobody) == 0 && ok;
    return ok;
}
