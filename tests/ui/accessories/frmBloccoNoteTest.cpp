// The notepad through its real window: the bytes of its file, the trimmed reopening, its record
// while minimized, its text box sizes, and the faults it mends (notes that do not fit, characters
// outside Windows-1252, stale tails, failed saves, lying length prefixes).
#include "ui/accessories/frmBloccoNote.h"
#include "support/TestState.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class NotepadTest : public ::testing::Test {
  protected:
    NotepadTest() : main(t.state) {}
    void SetUp() override {
        main.resize(1400, 1000);
        main.show();
    }
    frmBloccoNote* open() {
        main.mnuBloccoNote->trigger();
        EXPECT_NE(main.NotepadWindow(), nullptr);
        return main.NotepadWindow();
    }
    // Closes the notepad by hand; true when it went.
    bool closeByHand() {
        main.NotepadWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return main.NotepadWindow() == nullptr;
    }
    QByteArray file() const {
        QFile f(t.state.NotepadFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    }
    void writeFile(const QByteArray& bytes) {
        QFile f(t.state.NotepadFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // Opens the notepad, types `text` at its end (keys for ASCII, else as a paste or an input
    // method puts it in) and closes it by hand.
    void type(const QString& text) {
        frmBloccoNote* w = open();
        w->Text1->moveCursor(QTextCursor::End);
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            QTest::keyClicks(w->Text1, text);
        else
            w->Text1->insertPlainText(text);
        EXPECT_TRUE(closeByHand());
    }

    TestState t;
    frmMain main;
};

TEST_F(NotepadTest, FileBytesOfAnEmptyNoteAndOfAbcAndTrailingBlanksTrimmedAtNextOpening) {
    frmBloccoNote* w = open();
    EXPECT_FALSE(main.mnuBloccoNote->isEnabled());
    EXPECT_TRUE(closeByHand());
    EXPECT_EQ(file(), QByteArray("\x00\x00", 2));
    EXPECT_TRUE(main.mnuBloccoNote->isEnabled());
    EXPECT_EQ(t.state.WindowRecs[22].Open, 0);

    type(QStringLiteral("abc"));
    EXPECT_EQ(file(), QByteArray("\x03\x00", 2) + "abc");
    type(QStringLiteral("  "));
    EXPECT_EQ(file(), QByteArray("\x05\x00", 2) + "abc  ");
    w = open();
    EXPECT_EQ(w->Text1->toPlainText(), QStringLiteral("abc"));
    EXPECT_EQ(w->NotepadText, QStringLiteral("abc"));
}

TEST_F(NotepadTest, MinimizedAtQuitKeepsOpenTwoAndTheTextBoxFollowsTheWindow) {
    frmBloccoNote* w = open();
    w->setHeight(3000);
    w->setWidth(4000);
    // At Top 10, Left 0: the window's height less 400 twips, its width less 80.
    EXPECT_EQ(w->Text1->geometry(), QRect(0, 1, 261, 173)) << w->Width() << " " << w->Height();
    w->showMinimized();
    EXPECT_EQ(t.state.WindowRecs[22].Open, 2);
    main.close();
    EXPECT_EQ(t.state.WindowRecs[22].Open, 2);
    EXPECT_EQ(t.state.WindowRecs[22].Height, 3000);
}

TEST_F(NotepadTest, NotesOutsideTheCodePageSurviveCloseAndReopenByteForByte) {
    // Windows-1252 characters keep one byte each, line breaks CR LF.
    type(QStringLiteral("\u00e9\u20ac\nx"));
    EXPECT_EQ(file(), QByteArray("\x05\x00\xe9\x80\r\nx", 7));
    // An existing file is read and written back exactly.
    const QByteArray legacy = QByteArray("\x08\x00", 2) + "a\x81\x9f\r\nb\xa0z";
    writeFile(legacy);
    open();
    EXPECT_TRUE(closeByHand());
    EXPECT_EQ(file(), legacy);

    for (const QString& note : {QStringLiteral("\u65e5\u672c \U0001F3B9 \u0441"),
                                QStringLiteral("\u00ef\u00bb\u00bf looks like a mark"),
                                QStringLiteral("\ufeff begins with the character of a mark")}) {
        writeFile({});
        type(note);
        const QByteArray stored = file();
        const QByteArray utf8 = note.toUtf8();
        EXPECT_EQ(stored.mid(2), QByteArray("\xef\xbb\xbf") + utf8);
        EXPECT_EQ(stored.size(), 2 + 3 + utf8.size());
        frmBloccoNote* w = open();
        EXPECT_EQ(w->Text1->toPlainText(), note);
        EXPECT_TRUE(closeByHand());
        EXPECT_EQ(file(), stored);
    }
}

TEST_F(NotepadTest, ANoteTheRecordCannotHoldIsRefusedAndAShortNoteLeavesNoTail) {
    writeFile(QByteArray("\x96\x3a", 2) + QByteArray(14998, 'a'));
    frmBloccoNote* w = open();
    ASSERT_EQ(w->NotepadText.size(), 14998);
    w->Text1->moveCursor(QTextCursor::End);
    QTest::keyClicks(w->Text1, QStringLiteral("b"));
    w->Text1->insertPlainText(QStringLiteral("\u65e5"));
    EXPECT_EQ(w->NotepadText.size(), 14998);
    EXPECT_EQ(w->Text1->toPlainText().size(), 14998);
    EXPECT_TRUE(closeByHand());
    EXPECT_EQ(file().size(), 15000);

    // A shorter note replaces the file: nothing of the old text is left in it.
    w = open();
    w->Text1->setPlainText(QStringLiteral("short"));
    EXPECT_TRUE(closeByHand());
    EXPECT_EQ(file(), QByteArray("\x05\x00short", 7));
}

TEST_F(NotepadTest, AFailedSaveIsReportedAndTheWindowKeepsItsText) {
    frmBloccoNote* w = open();
    QTest::keyClicks(w->Text1, QStringLiteral("keep me"));
    QFile::setPermissions(t.state.NotepadFile, QFile::ReadOwner | QFile::ReadGroup);
    EXPECT_FALSE(closeByHand());
    ASSERT_EQ(t.sink.shown.size(), 1u);
    EXPECT_EQ(t.sink.shown[0].title, QStringLiteral("Opening BloccoNote.txt"));
    EXPECT_EQ(t.sink.shown[0].text, QStringLiteral("Disk reading error"));
    EXPECT_EQ(w->Text1->toPlainText(), QStringLiteral("keep me"));
    EXPECT_EQ(file(), QByteArray()); // as the opening created it

    QFile::setPermissions(t.state.NotepadFile, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_TRUE(closeByHand());
    EXPECT_EQ(file(), QByteArray("\x07\x00keep me", 9));
}

TEST_F(NotepadTest, ALyingLengthPrefixReadsWhatIsThere) {
    const std::pair<QByteArray, int> cases[] = {
        {QByteArray("\xff\x00", 2) + "AB", 2},
        {QByteArray("\x05", 1), 0},
        {QByteArray("\xff\xff") + QByteArray(15010, 'c'), 14998}};
    for (const auto& [bytes, expected] : cases) {
        writeFile(bytes);
        EXPECT_EQ(open()->NotepadText.size(), expected);
        EXPECT_TRUE(closeByHand());
    }
    EXPECT_TRUE(t.sink.shown.empty());
}

} // namespace
