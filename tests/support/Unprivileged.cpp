#include "support/Unprivileged.h"

#include <QDirIterator>
#include <QFile>

#include <cerrno>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;
} // namespace

int RunUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(NoGroup) != 0 || ::setuid(Nobody) != 0))
            ::_exit(CannotDropPrivileges);
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool GiveToUnprivilegedUser(const QString& path) {
    if (::geteuid() != 0)
        return true;
    bool ok = ::lchown(QFile::encodeName(path).constData(), Nobody, NoGroup) == 0;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        ok = ::lchown(QFile::encodeName(it.next()).constData(), Nobody, NoGroup) == 0 && ok;
    return ok;
}
