#include "app/ProgramNames.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString BlankRecord(ProgramNameTable::RecordLength, u' ');

// The record of `program`, or nullptr when the lookup does not apply.
const QString* ProgramRecord(const ProgramNameTable& table, int bank, int program) {
    if (bank != 1 || program < 1 || program > 128)
        return nullptr;
    return &table.record(ProgramNameTable::recordOfProgram(program));
}

} // namespace

void ProgramNameTable::loadFromBytes(const QByteArray& bytes) {
    for (int i = 0; i < RecordCount; ++i) {
        const qsizetype start = qsizetype(i) * LineLength;
        if (start >= bytes.size()) {
            records_[i] = BlankRecord;
            continue;
        }
        // A line cut short by the end of the file keeps what it has, padded with blanks.
        const QByteArray text = bytes.mid(start, RecordLength);
        records_[i] = QString::fromLatin1(text).leftJustified(RecordLength, u' ');
    }
}

int ProgramNameTable::recordOfProgram(int program) {
    // Each family is a title record followed by its eight programs.
    return 9 * ((program - 1) / 8) + ((program - 1) % 8) + 2;
}

QString GMProgramName(const ProgramNameTable& table, int bank, int program, int) {
    const QString* record = ProgramRecord(table, bank, program);
    if (record == nullptr)
        return {};
    QString name = record->mid(4, 23);
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == u' ')
        --end;
    name.truncate(end);
    return name;
}

QString GMProgramCode(const ProgramNameTable& table, int bank, int program, int) {
    const QString* record = ProgramRecord(table, bank, program);
    if (record == nullptr)
        return {};
    return record->left(3);
}

qint64 LoadProgramNameFile(const QString& path, ProgramNameTable& table, std::error_code& error) {
    const QByteArray name = QFile::encodeName(path);
    // The file is only read, so a read-only copy is fine; a missing one is created empty, as a
    // fixed-record open would.
    int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return -1;
    }

    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = std::error_code(errno, std::generic_category());
        ::close(fd);
        return -1;
    }
    const qint64 length = info.st_size;
    if (length == 0) {
        ::close(fd);
        return 0;
    }

    // Only the 191 lines are of interest; anything after them is not read.
    const qint64 wanted = std::min<qint64>(length, qint64(ProgramNameTable::RecordCount) *
                                                       ProgramNameTable::LineLength);
    QByteArray bytes(wanted, '\0');
    qint64 got = 0;
    while (got < wanted) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(wanted - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = std::error_code(errno, std::generic_category());
            ::close(fd);
            return -1;
        }
        if (n == 0)
            break; // the file shrank meanwhile: keep what was read
        got += n;
    }
    ::close(fd);
    bytes.truncate(got);
    table.loadFromBytes(bytes);
    return length;
}
