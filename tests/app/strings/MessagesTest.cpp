#include "app/strings/Messages.h"
#include "support/RecordingSink.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// Shows one message in the given language and returns what the sink received.
using Texts = std::vector<QString>;

// The texts shown, each checked to carry `title`.
Texts Show(int languageBase, int number, const QString& title, const QString& insert = {}) {
    RecordingSink sink;
    Messages messages(languageBase);
    messages.setSink(&sink);
    messages.ShowMessage(number, title, insert);
    return sink.texts(title);
}

Texts Report(int languageBase, int errnoValue) {
    RecordingSink sink;
    Messages messages(languageBase);
    messages.setSink(&sink);
    messages.ReportFileError(QStringLiteral("Opening x"), errnoValue);
    return sink.texts(QStringLiteral("Opening x"));
}

} // namespace

TEST(Messages, NumbersMapToTheirTexts) {
    const std::tuple<int, const char*, const char*> cases[] = {
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
    for (const auto& [number, italian, english] : cases) {
        EXPECT_EQ(Show(0, number, QStringLiteral("Titolo"), QStringLiteral("ignored")),
                  Texts{QString::fromUtf8(italian)});
        EXPECT_EQ(Show(200, number, QStringLiteral("Title")), Texts{QString::fromUtf8(english)});
    }
    // Numbers the program does not know show nothing.
    for (int number : {0, 1, 15, 19, 25, 26, 29, 32, 112})
        EXPECT_TRUE(Show(200, number, QStringLiteral("T")).empty()) << number;
}

TEST(Messages, LanguageBaseIsReadWhenTheMessageIsShownAndNoSinkShowsNothing) {
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
    Messages silent(200);
    silent.ShowMessage(23, QStringLiteral("T"), QStringLiteral("x")); // must not crash
}

TEST(Messages, InsertReplacesTheFirstUnderscoreOnly) {
    const char* cases[][3] = {{"File _ assente", "Pippo.txt", "File Pippo.txt assente"},
                              {"a_b_c", "X", "aXb_c"},
                              {"end _", "", "end "},
                              {"File assente", "X", "File assente"},
                              {"[_]", "_", "[_]"}}; // an inserted "_" is not substituted again
    for (const auto& c : cases)
        EXPECT_EQ(InsertIntoMessage(QString::fromLatin1(c[0]), QString::fromLatin1(c[1])),
                  QString::fromLatin1(c[2]))
            << c[0];
}

TEST(Messages, ReportFileErrorShowsOneMessagePerKind) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {EIO, "Errore I/O periferica", "Error I/O device"},
        {ENXIO, "Disco non pronto o non formattato", "Disk not ready or not formatted"},
        {ENODEV, "Disco non pronto o non formattato", "Disk not ready or not formatted"},
        {ENOENT, "Impossibile trovare il percorso", "Path not found"},
        {ENOTDIR, "Impossibile trovare il percorso", "Path not found"},
        {EACCES, "Errore di lettura da disco", "Disk reading error"},
        {ENOSPC, "Errore di lettura da disco", "Disk reading error"},
        {0, "Errore di lettura da disco", "Disk reading error"},
    };
    for (const auto& [value, italian, english] : cases) {
        EXPECT_EQ(Report(0, value), Texts{QString::fromUtf8(italian)}) << value;
        EXPECT_EQ(Report(200, value), Texts{QString::fromUtf8(english)}) << value;
    }
}
