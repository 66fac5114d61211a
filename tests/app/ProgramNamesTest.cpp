#include "app/ProgramNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

TEST(ProgramNames, TheDeliveredFileIsReadAndLookedUpAndAShortFileLeavesBlankRecords) {
    QTemporaryDir dir;
    ProgramNameTable table;
    std::error_code error;
    // A read-only copy of the delivered file is read; its length comes back.
    const QString path = dir.filePath("QuintaroProgGM.txt");
    ASSERT_TRUE(QFile::copy(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt", path));
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    ASSERT_EQ(LoadProgramNameFile(path, table, error), 191 * 29);
    // Program 8 is the last of the first family, not the next family's title.
    QStringList names;
    for (int program : {1, 8, 9, 128})
        names << GMProgramCode(table, 1, program, 0) + " " + GMProgramName(table, 1, program, 77);
    EXPECT_EQ(names.join('|'), "001 Acoustic Grand Piano|008 Clavi|009 Celesta|128 Gunshot");
    // A bank other than 1 or a program outside 1..128: nothing chosen.
    for (const auto& [bank, program] : {std::pair{0, 1}, {2, 1}, {1, 0}, {1, 129}})
        EXPECT_EQ(GMProgramName(table, bank, program, 0) + GMProgramCode(table, bank, program, 0),
                  QString());

    // A title, a whole record of 27 Latin-1 characters, a third line without its end: the
    // records after it are blank again.
    table.loadFromBytes(QByteArray("Piano").leftJustified(27) + "\r\n" +
                        QByteArray("001 Caf\xe9 Piano Extra Long!!!!").left(27) + "\r\n" +
                        "002 Bright Acoustic");
    EXPECT_EQ(GMProgramName(table, 1, 1, 0), QString::fromUtf8("Café Piano Extra Long!!"));
    EXPECT_EQ(table.record(3) + table.record(4) + table.record(191),
              QStringLiteral("002 Bright Acoustic").leftJustified(27 * 3));

    // A missing file is created empty; errors come back as errno.
    EXPECT_EQ(LoadProgramNameFile(dir.filePath("new.txt"), table, error), 0);
    EXPECT_TRUE(QFile::exists(dir.filePath("new.txt")));
    EXPECT_EQ(LoadProgramNameFile(dir.filePath("nowhere/x.txt"), table, error), -1);
    EXPECT_EQ(error, std::error_code(ENOENT, std::generic_category()));
}
