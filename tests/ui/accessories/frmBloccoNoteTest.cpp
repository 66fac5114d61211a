// The notepad through its real window: the bytes of its file, its record, the notes it cannot
// hold or write back whole, failed saves, the undo history at the limit, and random notes from
// other editors with line breaks of every form.
#include "support/TestState.h"
#include "support/drivers/NotepadDriver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <tuple>

namespace {

// A record of the note file: the little-endian length, then the note's bytes.
QByteArray record(const QByteArray& note) {
    return QByteArray(1, char(note.size() & 0xFF)) + char(note.size() >> 8) + note;
}

class NotepadTest : public ::testing::Test {
  protected:
    NotepadTest() : main(t.state), note(main) {
        main.resize(1400, 1000);
        main.show();
    }
    QByteArray file() const { return ReadFile(t.state.NotepadFile); }
    void write(const QByteArray& bytes) { ASSERT_TRUE(WriteFile(t.state.NotepadFile, bytes)); }
    // Opens the notepad, types `text` at the note's end, closes it: the file then.
    QByteArray typed(const QString& text) {
        EXPECT_TRUE(note.open());
        note.typeAtEnd(text);
        EXPECT_TRUE(note.close());
        return file();
    }

    TestState t;
    frmMain main;
    NotepadDriver note;
};

TEST_F(NotepadTest, ASessionStoresLengthAndBytesInTheCodePageOrUtf8AndMinimizedAtQuitKeepsOpenTwo) {
    // Trailing blanks are stored, and go at the next opening.
    // (A braced list runs the three sessions in order.)
    EXPECT_EQ((std::vector{typed("abc"), typed("  "), typed({})}),
              (std::vector{record("abc"), record("abc  "), record("abc")}));
    // Windows-1252 characters keep one byte each, line breaks CR LF.
    EXPECT_EQ(typed(QStringLiteral("\u00e9\u20ac\nx")), record("abc\xe9\x80\r\nx"));
    // Anything else is UTF-8 behind its byte-order mark, and so is a note that would read as one.
    for (const QString& text : {QStringLiteral("\u00ef\u00bb\u00bf looks like a mark"),
                                QStringLiteral("\ufeff begins with the character of a mark")}) {
        write({});
        EXPECT_EQ(typed(text), record("\xef\xbb\xbf" + text.toUtf8()));
    }
    EXPECT_TRUE(t.sink.shown().empty());

    ASSERT_TRUE(note.open());
    note.window()->setHeight(3000);
    note.window()->setWidth(4000);
    note.window()->showMinimized();
    main.close();
    EXPECT_EQ(t.state.WindowRecs[22], (WindowRec{2, 0, 0, 4000, 3000}));
}

TEST_F(NotepadTest, AFailedSaveIsReportedAndKeepsTheWindowItsTextAndTheOldNoteWhole) {
    // A file marked read-only is not replaced.
    ASSERT_TRUE(note.open());
    QTest::keyClicks(note.box(), "keep me");
    QFile::setPermissions(t.state.NotepadFile, QFile::ReadOwner | QFile::ReadGroup);
    EXPECT_FALSE(note.close());
    EXPECT_EQ(note.text(), "keep me");
    EXPECT_EQ(file(), QByteArray()); // as the opening created it
    QFile::setPermissions(t.state.NotepadFile, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_TRUE(note.close());
    EXPECT_EQ(file(), record("keep me"));

    // A save that stops part-way (the disk full, here a file-size limit of the process, its
    // signal ignored) leaves the old note whole on disk and no temporary file beside it.
    ASSERT_TRUE(note.open());
    note.typeAtEnd(QString(3000, u'x'));
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{std::min<rlim_t>(1000, saved.rlim_max), saved.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(note.close());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(t.sink.texts("Opening BloccoNote.txt"),
              std::vector<QString>(2, "Disk reading error"));
    EXPECT_EQ(file(), record("keep me"));
    EXPECT_EQ(QDir(QFileInfo(t.state.NotepadFile).path()).entryList({"*.tmp-*"}), QStringList());
    EXPECT_TRUE(note.close());
    EXPECT_EQ(file(), record("keep me" + QByteArray(3000, 'x')));
}

TEST_F(NotepadTest,
       NotesThatCannotBeWrittenBackWholeAreKeptUntilEditedAndEditsPastTheRecordRefused) {
    const QByteArray mark("\xEF\xBB\xBF"), utf8 = QStringLiteral("\u65e5\u672c").toUtf8();
    const QByteArray full = QByteArray("line\n").repeated(3000).left(14998); // bare LF
    // The file, what it shows, the file once closed (and once edited and the edit undone).
    const std::tuple<QByteArray, QString, QByteArray> cases[] = {
        {"\x05", "", QByteArray(2, 0)}, // shorter than a length: an empty note
        // Windows-1252 written back exactly, its undefined bytes and non-breaking space too (which
        // the box's plain text gives as a space).
        {record("a\x81\x9f\r\nb\xa0z"), "a\u0081\u0178\nb z", record("a\x81\x9f\r\nb\xa0z")},
        {record(full), QString::fromLatin1(full), record(full)},
        {record(mark + "ab" + utf8.left(4)), "ab\u65e5", record(mark + "ab" + utf8.left(4))},
        {record(mark + "a\xFF" + "b"), "a\ufffdb", record(mark + "a\xFF" + "b")},
        // A length that lies: what is there is read, up to the record's size, and written back.
        {QByteArray("\xff\x00", 2) + "AB", "AB", record("AB")},
        {"\xff\xff" + QByteArray(15010, 'c'), QString(14998, u'c'), record(QByteArray(14998, 'c'))},
    };
    for (const auto& [stored, shown, after] : cases) {
        for (bool edit : {false, true}) {
            write(stored);
            ASSERT_TRUE(note.open());
            if (edit) { // an edit that leaves the text as it came keeps the file too
                note.typeAtEnd({});
                QTest::keyClick(note.box(), Qt::Key_Backspace);
                QTest::keyClick(note.box(), Qt::Key_Z, Qt::ControlModifier);
            }
            EXPECT_EQ(note.text(), shown);
            EXPECT_TRUE(note.close());
            EXPECT_EQ(file(), after);
        }
    }

    // The full bare-LF note can be shortened but not lengthened, neither by a paste over a
    // selection nor by a character outside the code page (UTF-8, the note would grow further);
    // while it does not fit the record, closing saves nothing, says so, and keeps its text.
    write(record(full));
    ASSERT_TRUE(note.open());
    note.typeAtEnd("x");
    QTest::keyClick(note.box(), Qt::Key_Backspace);
    QTest::keyClicks(note.box(), "yz");
    note.select(100, 105);
    note.box()->insertPlainText("0123456789"); // as a paste does
    note.typeAtEnd(QStringLiteral("\u65e5"));
    EXPECT_EQ(note.text(), QString::fromLatin1(full).chopped(1) + "y");
    EXPECT_FALSE(note.close());
    EXPECT_EQ(t.sink.texts("Opening BloccoNote.txt"), std::vector<QString>{"Disk reading error"});
    EXPECT_EQ(file(), record(full));
    // The refused edits left nothing in the undo history: Ctrl+Z takes back the "y", then the
    // Backspace.
    for (const QString& back : {QString::fromLatin1(full).chopped(1), QString::fromLatin1(full)}) {
        QTest::keyClick(note.box(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(note.text(), back);
    }
    // Shortened until it fits: written with CR LF, and nothing of the longer note left after it.
    note.select(5000, note.text().size());
    QTest::keyClick(note.box(), Qt::Key_Delete);
    EXPECT_TRUE(note.close());
    EXPECT_EQ(file(), record(full.left(5000).replace("\n", "\r\n")));
}

TEST_F(NotepadTest, RandomNotesFromOtherEditorsLoseNothingWhenOpenedAndClosed) {
    // Random lines in Windows-1252 or UTF-8, line breaks of every form, cut at the record's size
    // wherever it falls: every character shows (trailing blanks aside), and what closing writes
    // back or keeps shows the same again.
    // Each token: what it shows, its Windows-1252 bytes (none outside the code page), its UTF-8.
    // clang-format off
    const std::tuple<QString, QByteArray, QByteArray> tokens[] = {
        {"a", "a", "a"}, {" ", " ", " "}, {"\u00e9", "\xE9", "\xC3\xA9"},
        {"\u20ac", "\x80", "\xE2\x82\xAC"}, {"\U0001F3B9", {}, "\xF0\x9F\x8E\xB9"},
        {"\n", "\r\n", "\r\n"}, {"\n", "\n", "\n"}, {"\n", "\r", "\r"}};
    // clang-format on
    // Seeds 0 to 3 give each code page a full note and a short one.
    for (std::uint32_t seed = 0; seed < 4; ++seed) {
        std::mt19937 random(seed);
        const bool utf8 = seed % 2 == 0;
        const int size = seed < 2 ? notepad::MaxNoteBytes : int(random() % 300);
        QByteArray bytes = utf8 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
        QString expected;
        while (bytes.size() < size) {
            const auto& [text, cp1252, inUtf8] = tokens[random() % std::size(tokens)];
            const QByteArray& b = utf8 ? inUtf8 : cp1252;
            // A lone CR before a lone LF would be a CR LF.
            if (b.isEmpty() || (bytes.endsWith('\r') && b.startsWith('\n')))
                continue;
            bytes += b.left(size - bytes.size());
            // A cut character shows nothing; a CR LF cut after its CR is still a line break.
            if (bytes.endsWith(b) || b.startsWith('\r'))
                expected += text;
        }
        while (expected.endsWith(u' '))
            expected.chop(1);
        write(record(bytes));
        for (int round : {1, 2}) { // the second reads what the first wrote or kept
            ASSERT_TRUE(note.open());
            EXPECT_EQ(note.text(), expected) << "seed " << seed << ", round " << round;
            EXPECT_TRUE(note.close());
        }
    }
}

} // namespace
