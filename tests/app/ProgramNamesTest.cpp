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

TEST(ProgramNames, DeliveredFileHasFixedLinesAndItsLayout) {
    const QByteArray bytes = ReadAll(DeliveredFile);
    ASSERT_EQ(bytes.size(), 191 * 29);
    for (int i = 0; i < 191; ++i) {
        const QByteArray line = bytes.mid(i * 29, 29);
        EXPECT_EQ(line.right(2), QByteArray("\r\n")) << "line " << i + 1;
        EXPECT_NE(line.left(27).trimmed(), QByteArray()) << "line " << i + 1;
        for (char c : line.left(27))
            EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "line " << i + 1;
    }
    // Titles head each group of nine; every program record carries its own number; then the
    // percussion keys of notes 35..81.
    const ProgramNameTable table = Delivered();
    for (int group = 0; group < 16; ++group) {
        EXPECT_FALSE(table.record(9 * group + 1).at(0).isDigit()) << group;
        for (int k = 1; k <= 8; ++k) {
            const int program = 8 * group + k;
            EXPECT_EQ(table.record(ProgramNameTable::recordOfProgram(program)).left(4),
                      QStringLiteral("%1 ").arg(program, 3, 10, QChar(u'0')));
        }
    }
    for (int note = 35; note <= 81; ++note)
        EXPECT_EQ(table.record(145 + note - 35).left(4), QStringLiteral("0%1 ").arg(note));
    EXPECT_EQ(table.record(191), QStringLiteral("081 Open Triangle          "));
}

TEST(ProgramNames, Lookups) {
    const ProgramNameTable table = Delivered();
    // Program 8 is the last of the first group, not the next group's title.
    const std::pair<int, const char*> names[] = {{1, "Acoustic Grand Piano"},
                                                 {8, "Clavi"},
                                                 {9, "Celesta"},
                                                 {65, "Soprano Sax"},
                                                 {128, "Gunshot"}};
    for (const auto& [program, name] : names) {
        EXPECT_EQ(GMProgramName(table, 1, program, 77), QString::fromLatin1(name)) << program;
        EXPECT_EQ(GMProgramCode(table, 1, program, 0),
                  QStringLiteral("%1").arg(program, 3, 10, QChar(u'0')));
    }
    // Bank other than 1 or a program outside 1..128: nothing chosen.
    const std::pair<int, int> none[] = {{0, 1}, {2, 1}, {255, 1}, {1, 0}, {1, -1}, {1, 129}};
    for (const auto& [bank, program] : none) {
        EXPECT_EQ(GMProgramName(table, bank, program, 0), QString()) << bank << " " << program;
        EXPECT_EQ(GMProgramCode(table, bank, program, 0), QString()) << bank << " " << program;
    }
}

TEST(ProgramNames, ShortInputLeavesBlankRecordsAndBytesAreLatin1) {
    // Two whole lines and a third one cut after 10 characters.
    QByteArray bytes = Line("Piano") + Line("001 Grand");
    bytes += QByteArray("002 Bright Acoustic").left(10);
    ProgramNameTable table;
    table.loadFromBytes(ReadAll(DeliveredFile)); // not blank before
    table.loadFromBytes(bytes);
    EXPECT_EQ(table.record(1), QStringLiteral("Piano").leftJustified(27));
    EXPECT_EQ(GMProgramName(table, 1, 1, 0), QStringLiteral("Grand"));
    EXPECT_EQ(table.record(3), QStringLiteral("002 Bright").leftJustified(27));
    for (int i = 4; i <= 191; ++i)
        EXPECT_EQ(table.record(i), QString(27, u' ')) << i;
    EXPECT_EQ(GMProgramName(table, 1, 3, 0), QString());
    EXPECT_EQ(GMProgramCode(table, 1, 3, 0), QStringLiteral("   "));

    // A record may use the whole 27 characters; only those are read, whatever follows.
    table.loadFromBytes(Line("Piano") + QByteArray("001 Caf\xe9 Piano Extra Long!!!!").left(27) +
                        "\r\n");
    EXPECT_EQ(GMProgramName(table, 1, 1, 0), QString::fromUtf8("Café Piano Extra Long!!"));
}

TEST(ProgramNames, LoadingTheFile) {
    QTemporaryDir dir;
    ProgramNameTable table;
    std::error_code error;
    // A read-only copy of the delivered file is read; its length comes back.
    const QString path = QDir(dir.path()).filePath("QuintaroProgGM.txt");
    QFile::copy(DeliveredFile, path);
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_EQ(LoadProgramNameFile(path, table, error), 5539);
    EXPECT_FALSE(error);
    EXPECT_EQ(GMProgramName(table, 1, 65, 0), QStringLiteral("Soprano Sax"));

    // A missing file is created empty.
    const QString missing = QDir(dir.path()).filePath("new.txt");
    EXPECT_EQ(LoadProgramNameFile(missing, table, error), 0);
    EXPECT_FALSE(error);
    EXPECT_EQ(QFileInfo(missing).size(), 0);

    // Errors come back as errno: a missing folder, a folder in place of the file.
    EXPECT_EQ(LoadProgramNameFile(QDir(dir.path()).filePath("nowhere/x.txt"), table, error), -1);
    EXPECT_EQ(error.value(), ENOENT);
    error = {};
    EXPECT_EQ(LoadProgramNameFile(dir.path(), table, error), -1);
    EXPECT_EQ(error.value(), EISDIR);
}
