#include "app/SettingsFile.h"

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

TEST(SettingsFile, ReadMissingFileCreatesItEmpty) {
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    std::error_code error;
    const auto bytes = ReadSettingsFile(path, error);
    EXPECT_FALSE(error);
    EXPECT_TRUE(bytes.empty());
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST(SettingsFile, ReadsAtMostOneRecord) {
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    QByteArray content(900, 'a');
    content[0] = 'Q';
    content[774] = 'z';
    WriteBytes(path, content);
    std::error_code error;
    auto bytes = ReadSettingsFile(path, error);
    EXPECT_FALSE(error);
    ASSERT_EQ(bytes.size(), 775u);
    EXPECT_EQ(bytes[0], 'Q');
    EXPECT_EQ(bytes[774], 'z');

    WriteBytes(path, QByteArray("Quint", 5));
    bytes = ReadSettingsFile(path, error);
    EXPECT_FALSE(error);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'Q', 'u', 'i', 'n', 't'}));
}

TEST(SettingsFile, ReadErrorsCarryErrno) {
    QTemporaryDir dir;
    std::error_code error;
    auto bytes = ReadSettingsFile(dir.filePath("no-such-folder/QuintaroV10.ini"), error);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(error, std::error_code(ENOENT, std::generic_category()));

    // A folder where the file should be cannot be read as one.
    ASSERT_TRUE(QDir(dir.path()).mkdir("QuintaroV10.ini"));
    bytes = ReadSettingsFile(dir.filePath("QuintaroV10.ini"), error);
    EXPECT_TRUE(bytes.empty());
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
    const QByteArray written = ReadAll(path);
    ASSERT_EQ(written.size(), 775);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(record.data()), 775), written);
    EXPECT_EQ(Entries(dir.path()), QStringList{"QuintaroV10.ini"}) << "no temporary file left";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the permissions of the old file are kept";

    // A first write, where no file existed.
    const QString fresh = dir.filePath("fresh.ini");
    ASSERT_TRUE(WriteSettingsFile(fresh, record, error));
    EXPECT_EQ(QFileInfo(fresh).size(), 775);

    // A link to the settings file stays a link; the file it points to is replaced.
    const QString link = dir.filePath("link.ini");
    ASSERT_TRUE(QFile::link(fresh, link));
    SettingsRecord other = record;
    RecordByte(other, 22) = 1;
    ASSERT_TRUE(WriteSettingsFile(link, other, error)) << error.message();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(fresh).at(21), 1);

    // And back through the reader.
    const auto bytes = ReadSettingsFile(path, error);
    EXPECT_FALSE(error);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(record.begin(), record.end()));
}

TEST(SettingsFile, FailedWriteLeavesTheOldFile) {
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
    error.clear();
    EXPECT_FALSE(WriteSettingsFile(blocked, SampleRecord(), error));
    EXPECT_EQ(error, std::error_code(EISDIR, std::generic_category())) << error.message();
    EXPECT_EQ(Entries(dir.path()), QStringList{"QuintaroV10.ini"}) << "no temporary file left";
    EXPECT_EQ(ReadAll(QDir(blocked).filePath("inside")), QByteArray("keep"));
}

TEST(SettingsFile, FailedWriteInReadOnlyFolder) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    WriteBytes(path, "old content");
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_EQ(::chmod(folder.constData(), 0500), 0);
    std::error_code error;
    const bool ok = WriteSettingsFile(path, SampleRecord(), error);
    ::chmod(folder.constData(), 0700);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, std::error_code(EACCES, std::generic_category()));
    EXPECT_EQ(ReadAll(path), QByteArray("old content"));
    EXPECT_EQ(Entries(dir.path()), QStringList{"QuintaroV10.ini"});
}
