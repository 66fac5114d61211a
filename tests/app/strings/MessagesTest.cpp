#include "app/strings/Messages.h"
#include "support/RecordingSink.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(Messages, FileErrorsInBothLanguagesUnknownNumbersShowNothingAndInsertTakesOneUnderscore) {
    // Every errno but the ones listed reads as a disk error.
    // clang-format off
    const std::pair<int, const char*> cases[] = {{EIO, "Error I/O device"},
                                                 {ENXIO, "Disk not ready or not formatted"},
                                                 {ENODEV, "Disk not ready or not formatted"},
                                                 {ENOENT, "Path not found"},
                                                 {ENOTDIR, "Path not found"},
                                                 {EACCES, "Disk reading error"}};
    // clang-format on
    int base = 200;
    RecordingSink sink;
    Messages messages(base);
    messages.setSink(&sink);
    std::vector<QString> expected;
    for (const auto& [value, english] : cases) {
        messages.ReportFileError(QStringLiteral("Opening x"), value);
        expected.push_back(QString::fromLatin1(english));
    }
    base = 0; // the language is read when a message is shown
    messages.ReportFileError(QStringLiteral("Opening x"), EIO);
    expected.push_back(QStringLiteral("Errore I/O periferica"));
    for (int number : {0, 19, 25, 26, 29, 32, 112})
        messages.ShowMessage(number, QStringLiteral("Opening x"));
    EXPECT_EQ(sink.texts(QStringLiteral("Opening x")), expected);
    for (int id : {0, 115, 200, 315})
        EXPECT_TRUE(LoadResString(id).isEmpty()) << id;

    // An inserted "_" is not substituted again.
    const char* inserts[][3] = {{"File _ assente", "Pippo.txt", "File Pippo.txt assente"},
                                {"a_b_c", "X", "aXb_c"},
                                {"end _", "", "end "},
                                {"File assente", "X", "File assente"},
                                {"[_]", "_", "[_]"}};
    for (const auto& c : inserts)
        EXPECT_EQ(InsertIntoMessage(QString::fromLatin1(c[0]), QString::fromLatin1(c[1])),
                  QString::fromLatin1(c[2]));
}
