#include "app/SettingsFile.h"

#include "support/Unprivileged.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray Bytes(const SettingsRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(r.data()), static_cast<qsizetype>(r.size()));
}

std::error_code Errno(int value) {
    return std::error_code(value, std::generic_category());
}

} // namespace

TEST(SettingsFile, WriteReplacesTheFileWholeKeepingItsPermissionsAndLinks) {
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    WriteBytes(path, QByteArray(1000, 'o')); // longer than a record: nothing of it may remain
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    std::error_code error;
    SettingsRecord record = NewSettingsRecord();
    ASSERT_TRUE(WriteSettingsFile(path, record, error)) << error.message();
    EXPECT_EQ(ReadAll(path), Bytes(record));
    EXPECT_EQ(Entries(dir.path()), QStringList{"QuintaroV10.ini"}) << "no temporary file left";
    EXPECT_EQ(QFileInfo(path).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ReadUser | QFile::WriteUser |
                                                 QFile::ReadGroup);

    // A link to the settings file stays a link; the file it points to is replaced.
    const QString link = dir.filePath("link.ini");
    ASSERT_TRUE(QFile::link(path, link));
    RecordByte(record, 22) = 1;
    ASSERT_TRUE(WriteSettingsFile(link, record, error)) << error.message();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(path), Bytes(record));

    // The last step fails (a folder stands where the file goes): the temporary file goes again.
    ASSERT_TRUE(QFile::remove(path) && QDir(dir.path()).mkdir("QuintaroV10.ini"));
    EXPECT_FALSE(WriteSettingsFile(path, record, error));
    EXPECT_EQ(error, Errno(EISDIR)) << error.message();
    EXPECT_EQ(Entries(dir.path()).size(), 2) << "no temporary file left";
}

// As an ordinary user: a folder the user may not create files in, with a settings file the user
// may write, is written in place; a file the user made read-only is never replaced.
TEST(SettingsFile, PermissionsOfAnOrdinaryUserAreRespected) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkdir("ro") && root.mkdir("rw"));
    const QString inPlace = root.filePath("ro/QuintaroV10.ini");
    const QString lockedInRo = root.filePath("ro/locked.ini");
    const QString lockedInRw = root.filePath("rw/QuintaroV10.ini");
    const QByteArray old(800, 'o'); // longer than a record: nothing of it may remain
    for (const QString& path : {inPlace, lockedInRo, lockedInRw})
        WriteBytes(path, old);
    ASSERT_TRUE(GiveToUnprivilegedUser(dir.path()));
    for (const QString& path : {lockedInRo, lockedInRw})
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(root.filePath("ro")).constData(), 0555), 0);

    // Each case sets one bit when it goes as it should.
    const SettingsRecord record = NewSettingsRecord();
    const int result = RunUnprivileged([&] {
        if (::access(QFile::encodeName(inPlace).constData(), W_OK) != 0)
            return 100; // the ordinary user cannot reach the test's folder
        std::error_code error;
        int passed = WriteSettingsFile(inPlace, record, error) && !error ? 1 : 0;
        for (const auto& [path, bit] : {std::pair{lockedInRo, 2}, std::pair{lockedInRw, 4}})
            if (!WriteSettingsFile(path, record, error) && error == Errno(EACCES))
                passed |= bit;
        return passed;
    });
    ::chmod(QFile::encodeName(root.filePath("ro")).constData(), 0755);
    if (result == CannotDropPrivileges || result == 100)
        GTEST_SKIP() << "no ordinary user can run this test here (result " << result << ")";
    EXPECT_EQ(result, 7) << "1: written in place, 2 and 4: a read-only file reported";
    EXPECT_EQ(ReadAll(inPlace), Bytes(record));
    EXPECT_EQ(ReadAll(lockedInRo), old);
    EXPECT_EQ(ReadAll(lockedInRw), old);
    EXPECT_EQ(QFileInfo(lockedInRw).permissions() & QFile::WriteOwner, 0) << "still read-only";
    EXPECT_EQ(Entries(root.filePath("rw")), QStringList{"QuintaroV10.ini"});
}
