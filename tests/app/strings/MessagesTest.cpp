#include "app/strings/Messages.h"
#include "support/RecordingSink.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(Messages, FileErrorsInBothLanguagesUnknownNumbersShowNothingAndInsertTakesOneUnderscore) {
    int base = 200;
    RecordingSink sink;
    Messages messages(base);
    messages.setSink(&sink);
    // One errno of each kind; every errno not named reads as a disk error.
    for (int value : {EIO, ENXIO, ENOTDIR, EACCES})
        messages.ReportFileError(QStringLiteral("Opening x"), value);
    base = 0; // the language is read when a message is shown
    messages.ReportFileError(QStringLiteral("Opening x"), EIO);
    for (int number : {0, 19, 29, 32, 112}) // numbers without a message
        messages.ShowMessage(number, QStringLiteral("Opening x"));
    EXPECT_EQ(
        sink.texts(QStringLiteral("Opening x")),
        (std::vector<QString>{"Error I/O device", "Disk not ready or not formatted",
                              "Path not found", "Disk reading error", "Errore I/O periferica"}));
    EXPECT_EQ(LoadResString(0) + LoadResString(115) + LoadResString(200) + LoadResString(315), "");

    // Only the first "_" takes the insert, and an inserted "_" is not substituted again.
    EXPECT_EQ(InsertIntoMessage("File _ assente", "Pippo.txt"), "File Pippo.txt assente");
    EXPECT_EQ(InsertIntoMessage("a_b_c", "X"), "aXb_c");
    EXPECT_EQ(InsertIntoMessage("[_]", "_"), "[_]");
}
