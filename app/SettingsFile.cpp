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
    return ReadFileHead(path, SettingsRecordLength, error);
}

std::vector<std::uint8_t> ReadFileHead(const QString& path, std::size_t maxBytes,
                                       std::error_code& error) {
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
    bytes.resize(maxBytes);
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

namespace {

// The path a write reaches: a settings file that is a link to another place is written there,
// and the link kept.
std::string ResolvedTarget(const QString& path) {
    const QFileInfo info(path);
    const QFileInfo real(info.isSymLink() ? info.symLinkTarget() : path);
    return QFile::encodeName(real.absoluteFilePath()).toStdString();
}

// Replaces `target` with `size` bytes atomically: a new file in the same folder, flushed, then
// renamed over the old one. On failure `error` is set and no temporary file is left; `created`
// tells whether the temporary file could be made at all.
bool ReplaceAtomically(const std::string& target, const std::uint8_t* data, std::size_t size,
                       std::error_code& error, bool& created) {
    std::string tempName;
    const int fd = CreateTempBeside(target, tempName);
    created = fd >= 0;
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
    if (!WriteAll(fd, data, size))
        return fail(true);
    if (::fsync(fd) != 0)
        return fail(true);
    if (::close(fd) != 0)
        return fail(false);
    if (::rename(tempName.c_str(), target.c_str()) != 0)
        return fail(false);
    SyncFolder(target.substr(0, target.find_last_of('/') + 1));
    return true;
}

// Overwrites the existing file where it is: for a folder the user may not create files in while
// the file itself is writable. Not atomic, but the record is written in one call and flushed.
bool WriteInPlace(const std::string& target, const std::uint8_t* data, std::size_t size,
                  std::error_code& error) {
    int fd;
    do
        fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = LastError();
        return false;
    }
    const bool ok = WriteAll(fd, data, size) && ::ftruncate(fd, static_cast<off_t>(size)) == 0 &&
                    ::fsync(fd) == 0;
    if (!ok) {
        error = LastError();
        CloseQuietly(fd);
        return false;
    }
    if (::close(fd) != 0) {
        error = LastError();
        return false;
    }
    return true;
}

} // namespace

bool WriteSettingsFile(const QString& path, const SettingsRecord& record, std::error_code& error) {
    return WriteWholeFile(path, record.data(), record.size(), error);
}

bool WriteWholeFile(const QString& path, const std::uint8_t* data, std::size_t size,
                    std::error_code& error) {
    error.clear();
    const std::string target = ResolvedTarget(path);

    // The rename would replace a file the user made read-only: that is refused as the write it
    // stands for would be.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        error = LastError();
        return false;
    }

    bool created = false;
    if (ReplaceAtomically(target, data, size, error, created))
        return true;
    if (created)
        return false;
    // No new file can be made beside it (a read-only or shared folder): the existing file is
    // written in place. When that fails too, the first error is the one that explains it.
    std::error_code inPlace;
    if (WriteInPlace(target, data, size, inPlace)) {
        error.clear();
        return true;
    }
    return false;
}

bool KeepUnreadableSettingsFile(const QString& path, std::error_code& error) {
    error.clear();
    const std::string source = ResolvedTarget(path);
    int fd;
    do
        fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        error = LastError();
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = LastError();
            CloseQuietly(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    if (bytes.empty())
        return true;
    bool created = false;
    const std::string bad =
        QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString() + ".bad";
    return ReplaceAtomically(bad, bytes.data(), bytes.size(), error, created);
}
