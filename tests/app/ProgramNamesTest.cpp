#include "app/ProgramNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

const QString DeliveredFile = QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

ProgramNameTable Delivered() {
    ProgramNameTable table;
    table.loadFromBytes(ReadAll(DeliveredFile));
    return table;
}

// A line of the file: `text` padded to 27 characters, then CR LF.
QByteArray Line(const char* text) {
    return QByteArray(text).leftJustified(ProgramNameTable::RecordLength, ' ') + "\r\n";
}

} // namespace

TEST(ProgramNames, DeliveredFileHasFixedLines) {
    const QByteArray bytes = ReadAll(DeliveredFile);
    ASSERT_EQ(bytes.size(), 191 * 29);
    for (int i = 0; i < 191; ++i) {
        const QByteArray line = bytes.mid(i * 29, 29);
        EXPECT_EQ(line.right(2), QByteArray("\r\n")) << "line " << i + 1;
        const QByteArray text = line.left(27);
        EXPECT_FALSE(text.contains('\r') || text.contains('\n')) << "line " << i + 1;
        EXPECT_NE(text.trimmed(), QByteArray()) << "line " << i + 1;
        for (char c : text)
            EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "line " << i + 1;
    }
}

TEST(ProgramNames, DeliveredFileLayout) {
    const ProgramNameTable table = Delivered();
    // Titles head each group of nine; every program record carries its own number.
    for (int group = 0; group < 16; ++group) {
        const QString title = table.record(9 * group + 1);
        EXPECT_FALSE(title.at(0).isDigit()) << title.toStdString();
        for (int k = 0; k < 8; ++k) {
            const int program = 8 * group + k + 1;
            const QString record = table.record(ProgramNameTable::recordOfProgram(program));
            EXPECT_EQ(record.left(4), QStringLiteral("%1 ").arg(program, 3, 10, QChar(u'0')));
        }
    }
    EXPECT_EQ(table.record(1).trimmed(), QStringLiteral("Piano"));
    EXPECT_EQ(table.record(73).trimmed(), QStringLiteral("Reed"));
    EXPECT_EQ(table.record(136).trimmed(), QStringLiteral("Sound Effects"));
    // Then the percussion keys of notes 35..81.
    for (int note = 35; note <= 81; ++note)
        EXPECT_EQ(table.record(145 + note - 35).left(4), QStringLiteral("0%1 ").arg(note));
    EXPECT_EQ(table.record(145), QStringLiteral("035 Acoustic Bass Drum     "));
    EXPECT_EQ(table.record(191), QStringLiteral("081 Open Triangle          "));
}

TEST(ProgramNames, RecordOfProgram) {
    EXPECT_EQ(ProgramNameTable::recordOfProgram(1), 2);
    EXPECT_EQ(ProgramNameTable::recordOfProgram(8), 9);
    EXPECT_EQ(ProgramNameTable::recordOfProgram(9), 11);
    EXPECT_EQ(ProgramNameTable::recordOfProgram(64), 72);
    EXPECT_EQ(ProgramNameTable::recordOfProgram(65), 74);
    EXPECT_EQ(ProgramNameTable::recordOfProgram(128), 144);
}

TEST(ProgramNames, Lookups) {
    const ProgramNameTable table = Delivered();
    EXPECT_EQ(GMProgramName(table, 1, 1, 0), QStringLiteral("Acoustic Grand Piano"));
    EXPECT_EQ(GMProgramCode(table, 1, 1, 0), QStringLiteral("001"));
    // Program 8 is the last of the first group, not the next group's title.
    EXPECT_EQ(GMProgramName(table, 1, 8, 0), QStringLiteral("Clavi"));
    EXPECT_EQ(GMProgramCode(table, 1, 8, 0), QStringLiteral("008"));
    EXPECT_EQ(GMProgramName(table, 1, 9, 0), QStringLiteral("Celesta"));
    EXPECT_EQ(GMProgramName(table, 1, 27, 0), QStringLiteral("Electric Guitar (jazz)"));
    EXPECT_EQ(GMProgramName(table, 1, 65, 0), QStringLiteral("Soprano Sax"));
    EXPECT_EQ(GMProgramCode(table, 1, 65, 0), QStringLiteral("065"));
    EXPECT_EQ(GMProgramName(table, 1, 81, 0), QStringLiteral("Lead 1 (square)"));
    EXPECT_EQ(GMProgramName(table, 1, 128, 0), QStringLiteral("Gunshot"));
    EXPECT_EQ(GMProgramCode(table, 1, 128, 0), QStringLiteral("128"));
    // The third value plays no part.
    EXPECT_EQ(GMProgramName(table, 1, 128, 77), QStringLiteral("Gunshot"));

    // Bank other than 1: nothing chosen.
    for (int bank : {0, 2, 255}) {
        EXPECT_EQ(GMProgramName(table, bank, 1, 0), QString());
        EXPECT_EQ(GMProgramCode(table, bank, 1, 0), QString());
    }
    // Programs outside 1..128.
    for (int program : {0, -1, 129, 255, 1000}) {
        EXPECT_EQ(GMProgramName(table, 1, program, 0), QString()) << program;
        EXPECT_EQ(GMProgramCode(table, 1, program, 0), QString()) << program;
    }
}

TEST(ProgramNames, ShortInputLeavesBlankRecords) {
    // Two whole lines and a third one cut after 10 characters.
    QByteArray bytes = Line("Piano") + Line("001 Grand");
    bytes += QByteArray("002 Bright Acoustic").left(10);
    ProgramNameTable table;
    table.loadFromBytes(Delivered().record(1).toLatin1()); // not blank before
    table.loadFromBytes(bytes);
    EXPECT_EQ(table.record(1), QStringLiteral("Piano").leftJustified(27));
    EXPECT_EQ(GMProgramName(table, 1, 1, 0), QStringLiteral("Grand"));
    EXPECT_EQ(table.record(3), QStringLiteral("002 Bright").leftJustified(27));
    EXPECT_EQ(GMProgramName(table, 1, 2, 0), QStringLiteral("Bright"));
    const QString blank(27, u' ');
    for (int i = 4; i <= 191; ++i)
        EXPECT_EQ(table.record(i), blank) << i;
    EXPECT_EQ(GMProgramName(table, 1, 3, 0), QString());
    EXPECT_EQ(GMProgramCode(table, 1, 3, 0), QStringLiteral("   "));
}

TEST(ProgramNames, BytesAreLatin1AndLineEndsAreSkipped) {
    // A record may use the whole 27 characters; only those are read, whatever follows.
    QByteArray bytes = Line("Piano");
    bytes += QByteArray("001 Caf\xe9 Piano Extra Long!!").left(27) + "\r\n";
    ProgramNameTable table;
    table.loadFromBytes(bytes);
    EXPECT_EQ(table.record(2).size(), 27);
    EXPECT_EQ(GMProgramName(table, 1, 1, 0), QString::fromUtf8("Café Piano Extra Long!!"));
}

TEST(ProgramNames, LoadFileReadsItAndReturnsItsLength) {
    ProgramNameTable table;
    std::error_code error;
    EXPECT_EQ(LoadProgramNameFile(DeliveredFile, table, error), 5539);
    EXPECT_FALSE(error);
    EXPECT_EQ(GMProgramName(table, 1, 128, 0), QStringLiteral("Gunshot"));
}

TEST(ProgramNames, MissingFileIsCreatedEmpty) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("QuintaroProgGM.txt");
    ProgramNameTable table;
    std::error_code error;
    EXPECT_EQ(LoadProgramNameFile(path, table, error), 0);
    EXPECT_FALSE(error);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST(ProgramNames, FileErrorsComeBackAsErrno) {
    QTemporaryDir dir;
    ProgramNameTable table;
    std::error_code error;
    const QString missingFolder = QDir(dir.path()).filePath("nowhere/QuintaroProgGM.txt");
    EXPECT_EQ(LoadProgramNameFile(missingFolder, table, error), -1);
    EXPECT_EQ(error.value(), ENOENT);
    EXPECT_FALSE(QFile::exists(missingFolder));

    // A folder in place of the file cannot be read.
    error = {};
    EXPECT_EQ(LoadProgramNameFile(dir.path(), table, error), -1);
    EXPECT_EQ(error.value(), EISDIR);
}

TEST(ProgramNames, ReadOnlyFileIsRead) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("QuintaroProgGM.txt");
    QFile::copy(DeliveredFile, path);
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    ProgramNameTable table;
    std::error_code error;
    EXPECT_EQ(LoadProgramNameFile(path, table, error), 5539);
    EXPECT_EQ(GMProgramName(table, 1, 65, 0), QStringLiteral("Soprano Sax"));
}
