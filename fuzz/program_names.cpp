// The program-name file QuintaroProgGM.txt: ProgramNameTable::loadFromBytes, and the file loader
// LoadProgramNameFile over the same bytes written to a file of its own.
//
// Properties:
// - every record is 27 characters, whatever the file holds;
// - a program's name has no trailing blank and at most 23 characters, its code 3; the lookups
//   give nothing for another bank or a program outside 1..128;
// - the loader reading the bytes from a file gives the table the pure parse gives, and returns
//   the file's length.
#include "FuzzCheck.h"
#include "RunFolder.h"
#include "app/ProgramNames.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

void CheckTable(const ProgramNameTable& table) {
    for (int i = 1; i <= ProgramNameTable::RecordCount; ++i)
        FUZZ_CHECK(table.record(i).size() == ProgramNameTable::RecordLength,
                   "record %d has %d characters", i, int(table.record(i).size()));
    for (int p = 1; p <= 128; ++p) {
        const QString name = GMProgramName(table, 1, p, 0);
        FUZZ_CHECK(name.size() <= 23 && !name.endsWith(u' '), "program %d: \"%s\"", p,
                   qUtf8Printable(name));
        FUZZ_CHECK(GMProgramCode(table, 1, p, 0).size() == 3, "program %d's code", p);
        FUZZ_CHECK(GMProgramName(table, 2, p, 0).isEmpty() &&
                       GMProgramCode(table, 0, p, 0).isEmpty(),
                   "program %d of another bank has a name", p);
    }
    for (int p : {0, 129, -1})
        FUZZ_CHECK(GMProgramName(table, 1, p, 0).isEmpty() &&
                       GMProgramCode(table, 1, p, 0).isEmpty(),
                   "program %d has a name", p);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return RunFolder().isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ProgramNameTable parsed;
    parsed.loadFromBytes(bytes);
    CheckTable(parsed);

    const QString path = RunFolder().filePath(QStringLiteral("QuintaroProgGM.txt"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                       file.write(bytes) == bytes.size(),
                   "cannot write %s", qUtf8Printable(path));
    }
    ProgramNameTable loaded;
    std::error_code error;
    const qint64 length = LoadProgramNameFile(path, loaded, error);
    FUZZ_CHECK(!error && length == static_cast<qint64>(size), "loading gave %lld (%s)",
               static_cast<long long>(length), error.message().c_str());
    // An empty file leaves the table as it was.
    if (size > 0)
        for (int i = 1; i <= ProgramNameTable::RecordCount; ++i)
            FUZZ_CHECK(loaded.record(i) == parsed.record(i), "record %d differs from the file", i);
    return 0;
}
