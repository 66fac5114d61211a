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

SettingsRecord SampleRecord() {
    SettingsRecord r = NewSettingsRecord();
    RecordByte(r, 22) = 2;
    RecordByte(r, 775) = 0x7F;
    return r;
}

} // namespace

TEST(SettingsFile, Reading) {
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    std::error_code error;
    // A missing file is created empty.
    EXPECT_TRUE(ReadSettingsFile(path, error).empty());
    EXPECT_FALSE(error);
    EXPECT_EQ(QFileInfo(path).size(), 0);

    // At most one record is read.
    QByteArray content(900, 'a');
    content[774] = 'z';
    WriteBytes(path, content);
    auto bytes = ReadSettingsFile(path, error);
    ASSERT_EQ(bytes.size(), 775u);
    EXPECT_EQ(bytes[774], 'z');
    WriteBytes(path, QByteArray("Quint", 5));
    EXPECT_EQ(ReadSettingsFile(path, error), (std::vector<std::uint8_t>{'Q', 'u', 'i', 'n', 't'}));
    EXPECT_FALSE(error);

    // Errors carry errno: a missing folder; a folder where the file should be.
    EXPECT_TRUE(ReadSettingsFile(dir.filePath("no-such-folder/x.ini"), error).empty());
    EXPECT_EQ(error, std::error_code(ENOENT, std::generic_category()));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_TRUE(ReadSettingsFile(dir.filePath("folder.ini"), error).empty());
    EXPECT_EQ(error, std::error_code(EISDIR, std::generic_category()));
}

TEST(SettingsFile, WriteReplacesTheFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    WriteBytes(path, QByteArray(1000, 'o')); // longer than a record: nothing of it may remain
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);

    std::error_code error;
    const SettingsRecord record = SampleRecord();
    ASSERT_TRUE(WriteSettingsFile(path, record, error)) << error.message();
    EXPECT_FALSE(error);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(record.data()), 775), ReadAll(path));
    EXPECT_EQ(Entries(dir.path()), QStringList{"QuintaroV10.ini"}) << "no temporary file left";
    EXPECT_EQ(QFileInfo(path).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ReadUser | QFile::WriteUser |
                                                 QFile::ReadGroup)
        << "the permissions of the old file are kept";

    // A link to the settings file stays a link; the file it points to is replaced; a first
    // write, where no file existed, works too.
    const QString fresh = dir.filePath("fresh.ini");
    ASSERT_TRUE(WriteSettingsFile(fresh, record, error));
    const QString link = dir.filePath("link.ini");
    ASSERT_TRUE(QFile::link(fresh, link));
    SettingsRecord other = record;
    RecordByte(other, 22) = 1;
    ASSERT_TRUE(WriteSettingsFile(link, other, error)) << error.message();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(fresh).size(), 775);
    EXPECT_EQ(ReadAll(fresh).at(21), 1);
}

TEST(SettingsFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    QTemporaryDir dir;
    std::error_code error;
    // A folder that does not exist.
    EXPECT_FALSE(WriteSettingsFile(dir.filePath("gone/QuintaroV10.ini"), SampleRecord(), error));
    EXPECT_EQ(error, std::error_code(ENOENT, std::generic_category()));
    EXPECT_TRUE(Entries(dir.path()).isEmpty());

    // The last step fails: a folder stands where the file goes. The temporary file is written
    // and must be removed again; the folder stays as it was.
    const QString blocked = dir.filePath("QuintaroV10.ini");
    ASSERT_TRUE(QDir(dir.path()).mkdir("QuintaroV10.ini"));
    WriteBytes(QDir(blocked).filePath("inside"), "keep");
    EXPECT_FALSE(WriteSettingsFile(blocked, SampleRecord(), error));
    EXPECT_EQ(error, std::error_code(EISDIR, std::generic_category())) << error.message();
    EXPECT_EQ(Entries(dir.path()), QStringList{"QuintaroV10.ini"}) << "no temporary file left";
    EXPECT_EQ(ReadAll(QDir(blocked).filePath("inside")), QByteArray("keep"));
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
    ASSERT_EQ(::chmod(QFile::encodeName(lockedInRo).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(lockedInRw).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(root.filePath("ro")).constData(), 0555), 0);

    // Each case sets one bit when it goes as it should.
    const SettingsRecord record = SampleRecord();
    const int result = RunUnprivileged([&] {
        if (::access(QFile::encodeName(inPlace).constData(), W_OK) != 0)
            return 100; // the ordinary user cannot reach the test's folder
        std::error_code error;
        int passed = 0;
        if (WriteSettingsFile(inPlace, record, error) && !error)
            passed |= 1;
        for (const auto& [path, bit] : {std::pair{lockedInRo, 2}, std::pair{lockedInRw, 4}})
            if (!WriteSettingsFile(path, record, error) &&
                error == std::error_code(EACCES, std::generic_category()))
                passed |= bit;
        return passed;
    });
    ::chmod(QFile::encodeName(root.filePath("ro")).constData(), 0755);
    if (result == CannotDropPrivileges || result == 100)
        GTEST_SKIP() << "no ordinary user can run this test here (result " << result << ")";
    ASSERT_GE(result, 0);
    EXPECT_TRUE(result & 1) << "a writable file in a read-only folder is written in place";
    EXPECT_TRUE(result & 2) << "a read-only file in a read-only folder is reported";
    EXPECT_TRUE(result & 4) << "a read-only file in a writable folder is reported";
    EXPECT_EQ(ReadAll(inPlace), QByteArray(reinterpret_cast<const char*>(record.data()), 775));
    EXPECT_EQ(ReadAll(lockedInRo), old);
    EXPECT_EQ(ReadAll(lockedInRw), old);
    EXPECT_EQ(QFileInfo(lockedInRw).permissions() & QFile::WriteOwner, 0) << "still read-only";
    EXPECT_EQ(Entries(root.filePath("ro")).size(), 2) << "no temporary file left";
    EXPECT_EQ(Entries(root.filePath("rw")), QStringList{"QuintaroV10.ini"})
        << "no temporary file left";
}

TEST(SettingsFile, UnreadableFileIsKeptAsBad) {
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    const QString bad = path + ".bad";
    std::error_code error;
    // Missing or empty: nothing to keep.
    EXPECT_TRUE(KeepUnreadableSettingsFile(path, error));
    WriteBytes(path, QByteArray());
    EXPECT_TRUE(KeepUnreadableSettingsFile(path, error));
    EXPECT_FALSE(QFile::exists(bad));
    // The whole file is kept, however long; a later copy replaces an older one.
    for (const QByteArray& content : {QByteArray(300, 'a'), QByteArray(5000, 'b')}) {
        WriteBytes(path, content);
        ASSERT_TRUE(KeepUnreadableSettingsFile(path, error)) << error.message();
        EXPECT_EQ(ReadAll(bad), content);
        EXPECT_EQ(ReadAll(path), content);
    }
    EXPECT_EQ(Entries(dir.path()).size(), 2) << "no temporary file left";
}
