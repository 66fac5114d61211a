#include "app/strings/Messages.h"
#include "support/RecordingSink.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

// Shows one message in the given language and returns what the sink received.
std::vector<RecordingSink::Shown> Show(int languageBase, int number, const QString& title,
                                       const QString& insert = {}) {
    RecordingSink sink;
    Messages messages(languageBase);
    messages.setSink(&sink);
    messages.ShowMessage(number, title, insert);
    return sink.shown;
}

std::vector<RecordingSink::Shown> Report(int languageBase, int errnoValue) {
    RecordingSink sink;
    Messages messages(languageBase);
    messages.setSink(&sink);
    messages.ReportFileError(QStringLiteral("Opening x"), errnoValue);
    return sink.shown;
}

} // namespace

TEST(Messages, NumbersMapToTheirTexts) {
    const struct {
        int number;
        const char* italian;
        const char* english;
    } cases[] = {
        {18, "Errore di lettura da disco", "Disk reading error"},
        {20, "Dispositivo MIDI di uscita già in uso", "Output MIDI Device already in use"},
        {21, "Errore Dispositivo MIDI di uscita", "Output MIDI Device error"},
        {22, "Dispositivo MIDI di uscita assente", "Output MIDI Device not found"},
        {23, "Errore chiusura Dispositivo MIDI di uscita", "Output MIDI Device closing error"},
        {24, "Il cambio avrà effetto alla prossima esecuzione del programma",
         "The change will take place next time you will run the programme"},
        {27, "File assente", "File not found"},
        {28, "Disco non pronto o non formattato", "Disk not ready or not formatted"},
        {30, "Impossibile trovare il percorso", "Path not found"},
        {31, "Errore I/O periferica", "Error I/O device"},
    };
    for (const auto& c : cases) {
        auto it = Show(0, c.number, QStringLiteral("Titolo"), QStringLiteral("ignored"));
        ASSERT_EQ(it.size(), 1u) << c.number;
        EXPECT_EQ(it[0].text, QString::fromUtf8(c.italian)) << c.number;
        EXPECT_EQ(it[0].title, QStringLiteral("Titolo"));
        auto en = Show(200, c.number, QStringLiteral("Title"));
        ASSERT_EQ(en.size(), 1u) << c.number;
        EXPECT_EQ(en[0].text, QString::fromUtf8(c.english)) << c.number;
        EXPECT_EQ(en[0].title, QStringLiteral("Title"));
    }
    // Numbers the program does not know show nothing.
    for (int number : {0, 1, 15, 19, 25, 26, 29, 32, 112})
        EXPECT_TRUE(Show(200, number, QStringLiteral("T")).empty()) << number;
}

TEST(Messages, LanguageBaseIsReadWhenTheMessageIsShown) {
    int languageBase = 0;
    RecordingSink sink;
    Messages messages(languageBase);
    messages.setSink(&sink);
    messages.ShowMessage(27, QString());
    languageBase = 200;
    messages.ShowMessage(27, QString());
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("File assente"));
    EXPECT_EQ(sink.shown[1].text, QStringLiteral("File not found"));
}

TEST(Messages, WithoutSinkNothingHappens) {
    Messages messages(200);
    messages.ShowMessage(23, QStringLiteral("T"), QStringLiteral("x")); // must not crash
    EXPECT_EQ(messages.sink(), nullptr);
}

TEST(Messages, InsertReplacesTheFirstUnderscoreOnly) {
    EXPECT_EQ(InsertIntoMessage(QStringLiteral("File _ assente"), QStringLiteral("Pippo.txt")),
              QStringLiteral("File Pippo.txt assente"));
    EXPECT_EQ(InsertIntoMessage(QStringLiteral("a_b_c"), QStringLiteral("X")),
              QStringLiteral("aXb_c"));
    EXPECT_EQ(InsertIntoMessage(QStringLiteral("_"), QStringLiteral(" two words ")),
              QStringLiteral(" two words "));
    EXPECT_EQ(InsertIntoMessage(QStringLiteral("end _"), QString()), QStringLiteral("end "));
    EXPECT_EQ(InsertIntoMessage(QStringLiteral("File assente"), QStringLiteral("X")),
              QStringLiteral("File assente"));
    // An insert that itself holds "_" is not substituted again.
    EXPECT_EQ(InsertIntoMessage(QStringLiteral("[_]"), QStringLiteral("_")), QStringLiteral("[_]"));
}

TEST(Messages, FileErrorsAreClassified) {
    EXPECT_EQ(ClassifyFileError(EIO), FileErrorKind::DeviceIO);
    EXPECT_EQ(ClassifyFileError(ENXIO), FileErrorKind::DiskNotReady);
    EXPECT_EQ(ClassifyFileError(ENODEV), FileErrorKind::DiskNotReady);
#ifdef ENOMEDIUM
    EXPECT_EQ(ClassifyFileError(ENOMEDIUM), FileErrorKind::DiskNotReady);
#endif
    EXPECT_EQ(ClassifyFileError(ENOENT), FileErrorKind::PathNotFound);
    EXPECT_EQ(ClassifyFileError(ENOTDIR), FileErrorKind::PathNotFound);
    for (int other : {0, EACCES, EROFS, ENOSPC, EISDIR, EBUSY, EPERM, ENAMETOOLONG})
        EXPECT_EQ(ClassifyFileError(other), FileErrorKind::Other) << other;
}

TEST(Messages, ReportFileErrorShowsOneMessagePerKind) {
    const struct {
        int errnoValue;
        const char* italian;
        const char* english;
    } cases[] = {
        {EIO, "Errore I/O periferica", "Error I/O device"},
        {ENXIO, "Disco non pronto o non formattato", "Disk not ready or not formatted"},
        {ENOENT, "Impossibile trovare il percorso", "Path not found"},
        {EACCES, "Errore di lettura da disco", "Disk reading error"},
    };
    for (const auto& c : cases) {
        auto it = Report(0, c.errnoValue);
        ASSERT_EQ(it.size(), 1u);
        EXPECT_EQ(it[0].text, QString::fromUtf8(c.italian));
        EXPECT_EQ(it[0].title, QStringLiteral("Opening x"));
        auto en = Report(200, c.errnoValue);
        ASSERT_EQ(en.size(), 1u);
        EXPECT_EQ(en[0].text, QString::fromUtf8(c.english));
        EXPECT_EQ(en[0].title, QStringLiteral("Opening x"));
    }
}
