// The notepad through its real window: the bytes of its file, the trimmed reopening, its record
// while minimized, its text box sizes, and the faults it mends (notes that do not fit, characters
// outside Windows-1252, stale tails, failed saves, lying length prefixes, notes from other
// editors that do not fit once written back, line breaks of every form, the undo history at the
// limit).
#include "ui/accessories/frmBloccoNote.h"
#include "support/TestState.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace {

// A record of the note file: the little-endian length, then the note's bytes.
QByteArray record(const QByteArray& note) {
    const char length[2] = {char(note.size() & 0xFF), char(note.size() >> 8)};
    return QByteArray(length, 2) + note;
}

// Two texts alike, or where they first part.
testing::AssertionResult Same(const QString& a, const QString& b) {
    if (a == b)
        return testing::AssertionSuccess();
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    auto around = [i](const QString& s) {
        return s.mid(std::max<qsizetype>(0, i - 8), 16).toUtf8().toHex(' ').toStdString();
    };
    return testing::AssertionFailure()
           << "sizes " << a.size() << " and " << b.size() << ", first difference at " << i << ": "
           << around(a) << " | " << around(b);
}

testing::AssertionResult Same(const QByteArray& a, const QByteArray& b) {
    return Same(QString::fromLatin1(a), QString::fromLatin1(b));
}

// Lines "line1", "line2", ... joined by `lineBreak`, cut to exactly `size` bytes.
QByteArray lines(const QByteArray& lineBreak, int size) {
    QByteArray text;
    for (int i = 1; text.size() < size; ++i)
        text += "line" + QByteArray::number(i) + lineBreak;
    return text.left(size);
}

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

    // Selects the text of Text1 from `from` to its end and deletes it with the Delete key.
    void deleteFrom(frmBloccoNote* w, int from) {
        QTextCursor cursor = w->Text1->textCursor();
        cursor.setPosition(from);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        w->Text1->setTextCursor(cursor);
        QTest::keyClick(w->Text1, Qt::Key_Delete);
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
    ASSERT_EQ(t.sink.shown().size(), 1u);
    EXPECT_EQ(t.sink.shown()[0].title, QStringLiteral("Opening BloccoNote.txt"));
    EXPECT_EQ(t.sink.shown()[0].text, QStringLiteral("Disk reading error"));
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
    EXPECT_TRUE(t.sink.shown().empty());
}

TEST(NotepadAtStart, ANoteThatGrowsPastTheRecordWhenWrittenBackIsShownAndKeptThroughStartAndExit) {
    // Written by another editor with bare LF: CR LF would not fit the record. The notepad was
    // open at the last exit, so it opens at start; the program then exits.
    TestState t;
    const QByteArray note = lines("\n", notepad::MaxNoteBytes);
    {
        QFile f(t.state.NotepadFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(record(note));
    }
    t.state.WindowRecs[22].Open = 1;
    frmMain main(t.state);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor([&main] { return main.NotepadWindow() != nullptr; }, 2000));
    EXPECT_TRUE(Same(main.NotepadWindow()->Text1->toPlainText(), QString::fromLatin1(note)));
    main.close();
    QFile f(t.state.NotepadFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(Same(f.readAll(), record(note)));
    EXPECT_TRUE(t.sink.texts().empty());
}

TEST_F(NotepadTest, NotesThatCannotBeWrittenBackWholeAreShownAndTheFileKeptUntilEdited) {
    const QByteArray mark("\xEF\xBB\xBF");
    const QByteArray utf8 = QStringLiteral("\u65e5\u672c").toUtf8();
    const struct {
        const char* name;
        QByteArray note; // as stored in the file
        QString shown;
    } cases[] = {
        {"bare LF, full", lines("\n", 14998), QString::fromLatin1(lines("\n", 14998))},
        {"bare CR, full", lines("\r", 14998),
         QString::fromLatin1(lines("\r", 14998)).replace(u'\r', u'\n')},
        {"UTF-8 cut mid-character", mark + "ab" + utf8.left(4), QStringLiteral("ab\u65e5")},
        {"UTF-8 full, cut mid-character",
         mark + utf8.repeated(2500).left(notepad::MaxNoteBytes - 3),
         QStringLiteral("\u65e5\u672c").repeated(2499)},
        {"not UTF-8", mark + "a\xFF" + "b", QStringLiteral("a\ufffdb")},
    };
    for (const auto& c : cases) {
        writeFile(record(c.note));
        frmBloccoNote* w = open();
        EXPECT_TRUE(Same(w->Text1->toPlainText(), c.shown)) << c.name;
        EXPECT_TRUE(Same(w->NotepadText, c.shown)) << c.name;
        EXPECT_TRUE(closeByHand()) << c.name;
        EXPECT_TRUE(Same(file(), record(c.note))) << c.name;
        // An edit that leaves the text as it came keeps the file too.
        w = open();
        w->Text1->moveCursor(QTextCursor::End);
        QTest::keyClick(w->Text1, Qt::Key_Backspace);
        QTest::keyClick(w->Text1, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(Same(w->Text1->toPlainText(), c.shown)) << c.name;
        EXPECT_TRUE(closeByHand()) << c.name;
        EXPECT_TRUE(Same(file(), record(c.note))) << c.name;
    }
    EXPECT_TRUE(t.sink.texts().empty());

    // Edited, the cut note is written as it shows.
    writeFile(record(cases[2].note));
    type(QStringLiteral("!"));
    EXPECT_TRUE(Same(file(), record(mark + "ab" + utf8.left(3) + "!")));
}

TEST_F(NotepadTest, ANoteTooLongForTheRecordCanBeShortenedButNotLengthenedAndIsNeverCut) {
    const QByteArray note = lines("\n", notepad::MaxNoteBytes);
    const QString shown = QString::fromLatin1(note);
    writeFile(record(note));
    frmBloccoNote* w = open();
    w->Text1->moveCursor(QTextCursor::End);
    QTest::keyClicks(w->Text1, QStringLiteral("x"));
    EXPECT_TRUE(Same(w->Text1->toPlainText(), shown));
    QTest::keyClick(w->Text1, Qt::Key_Backspace);
    QTest::keyClicks(w->Text1, QStringLiteral("yz"));
    EXPECT_TRUE(Same(w->Text1->toPlainText(), shown.chopped(1) + "y"));
    EXPECT_TRUE(Same(w->NotepadText, w->Text1->toPlainText()));

    // Still too long to store: closing saves nothing, says so, and keeps the window and its text.
    EXPECT_FALSE(closeByHand());
    EXPECT_EQ(t.sink.texts(QStringLiteral("Opening BloccoNote.txt")),
              std::vector<QString>{QStringLiteral("Disk reading error")});
    EXPECT_TRUE(Same(file(), record(note)));

    // Shortened until it fits: written with CR LF.
    const int keep = static_cast<int>(note.indexOf("line1000\n"));
    deleteFrom(w, keep);
    EXPECT_TRUE(closeByHand());
    EXPECT_TRUE(Same(file(), record(note.left(keep).replace("\n", "\r\n"))));
}

TEST_F(NotepadTest, EveryLineBreakFormIsALineBreakAndIsWrittenBackAsCrLf) {
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"a\r\r\nb", "a\r\n\r\nb"},
        {"a\n\rb", "a\r\n\r\nb"},
        {"a\rb\nc\r\nd\r\n", "a\r\nb\r\nc\r\nd\r\n"},
        {"\r\r\n\n", "\r\n\r\n\r\n"},
    };
    for (const auto& [stored, written] : cases) {
        writeFile(record(stored));
        frmBloccoNote* w = open();
        EXPECT_EQ(w->Text1->blockCount(), written.count('\n') + 1) << stored.toHex(' ').data();
        EXPECT_TRUE(closeByHand());
        EXPECT_TRUE(Same(file(), record(written))) << stored.toHex(' ').data();
        open();
        EXPECT_TRUE(closeByHand());
        EXPECT_TRUE(Same(file(), record(written))) << stored.toHex(' ').data();
    }
}

TEST_F(NotepadTest, AnEditRefusedAtTheLimitKeepsTheUndoHistory) {
    writeFile(record(QByteArray(14990, 'a')));
    frmBloccoNote* w = open();
    w->Text1->moveCursor(QTextCursor::End);
    QTest::keyClicks(w->Text1, QStringLiteral("bcdefghij")); // "j" does not fit
    const QString full = QString(14990, u'a') + QStringLiteral("bcdefghi");
    EXPECT_TRUE(Same(w->Text1->toPlainText(), full));
    // A paste over a selection that would not fit leaves the selected text where it was.
    QTextCursor cursor = w->Text1->textCursor();
    cursor.setPosition(14991);
    cursor.setPosition(14995, QTextCursor::KeepAnchor);
    w->Text1->setTextCursor(cursor);
    w->Text1->insertPlainText(QStringLiteral("0123456789"));
    EXPECT_TRUE(Same(w->Text1->toPlainText(), full));
    EXPECT_TRUE(Same(w->NotepadText, full));

    // Ctrl+Z takes back the typing, as it would have without the refused edits: each press
    // takes some of it away (however Qt groups typing into steps), none is left doing nothing.
    QString before = full;
    while (w->Text1->document()->isUndoAvailable()) {
        QTest::keyClick(w->Text1, Qt::Key_Z, Qt::ControlModifier);
        const QString now = w->Text1->toPlainText();
        ASSERT_TRUE(now.size() < before.size() && full.startsWith(now)) << now.size();
        before = now;
    }
    EXPECT_TRUE(Same(w->Text1->toPlainText(), QString(14990, u'a')));
    EXPECT_TRUE(Same(w->NotepadText, QString(14990, u'a')));
    EXPECT_TRUE(closeByHand());
    EXPECT_TRUE(Same(file(), record(QByteArray(14990, 'a'))));
}

TEST_F(NotepadTest, RandomNotesFromOtherEditorsLoseNothingWhenOpenedAndClosed) {
    // A note of random lines in Windows-1252 or UTF-8, line breaks of every form, up to the
    // record's size and cut there (mid-character or mid-CR-LF as it falls). The notepad must
    // show every character the bytes hold (trailing blanks aside) and, closed without an edit,
    // either keep the file or write the same lines back with CR LF.
    struct Token {
        QString text;
        QByteArray cp1252, utf8;
    };
    const Token tokens[] = {
        {"a", "a", "a"},
        {"Z", "Z", "Z"},
        {" ", " ", " "},
        {"\u00e9", "\xE9", "\xC3\xA9"},
        {"\u20ac", "\x80", "\xE2\x82\xAC"},
        {"\u65e5", {}, "\xE6\x97\xA5"},
        {"\U0001F3B9", {}, "\xF0\x9F\x8E\xB9"},
        {"\n", "\r\n", "\r\n"},
        {"\n", "\n", "\n"},
        {"\n", "\r", "\r"},
    };
    // Seeds 4k to 4k + 3 give each code page a full note and a short one.
    std::vector<std::uint32_t> seeds(12);
    std::iota(seeds.begin(), seeds.end(), 0);
    if (const QByteArray env = qgetenv("QUINTARO_RANDOM_SEED"); !env.isEmpty())
        seeds = {static_cast<std::uint32_t>(env.toULong())};
    for (std::uint32_t seed : seeds) {
        std::mt19937 random(seed);
        const bool utf8 = seed % 2 == 0;
        const int size = seed % 4 < 2 ? notepad::MaxNoteBytes : int(random() % 300);
        QByteArray bytes = utf8 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
        QString expected;
        while (bytes.size() < size) {
            const Token& token = tokens[random() % std::size(tokens)];
            const QByteArray& b = utf8 ? token.utf8 : token.cp1252;
            // A lone CR before a lone LF would be a CR LF.
            if (b.isEmpty() || (bytes.endsWith('\r') && b.startsWith('\n')))
                continue;
            bytes += b.left(size - bytes.size());
            // A cut character shows nothing; a CR LF cut after its CR is still a line break.
            if (bytes.endsWith(b) || b.startsWith('\r'))
                expected += token.text;
        }
        while (expected.endsWith(u' '))
            expected.chop(1);
        const QByteArray before = record(bytes);
        writeFile(before);
        frmBloccoNote* w = open();
        EXPECT_TRUE(Same(w->Text1->toPlainText(), expected)) << "seed " << seed;
        EXPECT_TRUE(closeByHand()) << "seed " << seed;
        const QByteArray after = file();
        if (after != before) {
            // Written again: the same lines, every break CR LF, in either form.
            QByteArray stored = after.mid(2);
            EXPECT_EQ(after, record(stored)) << "seed " << seed;
            stored.replace("\r\n", "\n");
            EXPECT_FALSE(stored.contains('\r')) << "seed " << seed;
            QString written;
            if (stored.startsWith("\xEF\xBB\xBF"))
                written = QString::fromUtf8(stored.mid(3));
            else
                for (char byte : stored)
                    written += byte == '\x80' ? QChar(0x20AC) : QChar(uchar(byte));
            EXPECT_TRUE(Same(written, expected)) << "seed " << seed;
        }
    }
}

} // namespace
