#include "app/SettingsFile.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

// Closes a descriptor once, keeping errno of an earlier failure intact.
void CloseQuietly(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

// Writes all of `size` bytes, going on after short writes and interrupted calls.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Flushes the folder's entry of a renamed file. Best effort: the rename has happened already and
// the new file is in place either way.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A new, exclusive file beside `target`; its name is returned in `tempName`.
int CreateTempBeside(const std::string& target, std::string& tempName) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1; // errno is EEXIST
}

} // namespace

std::vector<std::uint8_t> ReadSettingsFile(const QString& path, std::error_code& error) {
    error.clear();
    std::vector<std::uint8_t> bytes;
    const QByteArray name = QFile::encodeName(path);
    // The file is opened as a fixed-record file is: created empty when it does not exist.
    int fd;
    do
        fd = ::open(name.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = LastError();
        return bytes;
    }
    bytes.resize(SettingsRecordLength);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = LastError();
            CloseQuietly(fd);
            return {};
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    ::close(fd);
    return bytes;
}

bool WriteSettingsFile(const QString& path, const SettingsRecord& record, std::error_code& error) {
    error.clear();
    // A settings file that is a link to another place is replaced there, and the link kept.
    const QFileInfo info(path);
    const QFileInfo real(info.isSymLink() ? info.symLinkTarget() : path);
    const std::string target = QFile::encodeName(real.absoluteFilePath()).toStdString();
    const std::string folder = QFile::encodeName(real.absolutePath()).toStdString();

    std::string tempName;
    const int fd = CreateTempBeside(target, tempName);
    if (fd < 0) {
        error = LastError();
        return false;
    }

    const auto fail = [&](bool open) {
        error = LastError();
        if (open)
            ::close(fd);
        ::unlink(tempName.c_str());
        return false;
    };

    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
        return fail(true);
    if (!WriteAll(fd, record.data(), record.size()))
        return fail(true);
    if (::fsync(fd) != 0)
        return fail(true);
    if (::close(fd) != 0)
        return fail(false);
    if (::rename(tempName.c_str(), target.c_str()) != 0)
        return fail(false);
    SyncFolder(folder);
    return true;
}
