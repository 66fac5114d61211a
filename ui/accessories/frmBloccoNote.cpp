#include "ui/accessories/frmBloccoNote.h"

#include "app/SettingsFile.h"
#include "app/strings/Translation.h"
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <array>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined stand for the
// control characters of the same number, as Windows reads them.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const QByteArray Utf8Mark("\xEF\xBB\xBF");

// The Windows-1252 byte of a character; false when the code page has none.
bool ToCp1252(char16_t c, char& byte) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        byte = static_cast<char>(c);
        return true;
    }
    for (std::size_t i = 0; i < Cp1252High.size(); ++i) {
        if (Cp1252High[i] == c) {
            byte = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

char16_t FromCp1252(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? Cp1252High[byte - 0x80] : char16_t(byte);
}

QString WithCrLf(const QString& note) {
    QString stored = note;
    stored.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return stored;
}

} // namespace

namespace notepad {

QByteArray EncodeNote(const QString& note) {
    const QString stored = WithCrLf(note);
    QByteArray bytes;
    bytes.reserve(stored.size());
    bool fits = true;
    for (QChar c : stored) {
        char byte = 0;
        if (!ToCp1252(c.unicode(), byte)) {
            fits = false;
            break;
        }
        bytes.append(byte);
    }
    if (fits && !bytes.startsWith(Utf8Mark))
        return bytes;
    return Utf8Mark + stored.toUtf8();
}

std::vector<std::uint8_t> EncodeRecord(const QString& note) {
    const QByteArray bytes = EncodeNote(note);
    std::vector<std::uint8_t> record;
    record.reserve(2 + bytes.size());
    record.push_back(static_cast<std::uint8_t>(bytes.size() & 0xFF));
    record.push_back(static_cast<std::uint8_t>((bytes.size() >> 8) & 0xFF));
    record.insert(record.end(), bytes.begin(), bytes.end());
    return record;
}

ReadNote ReadRecord(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 2)
        return {};
    std::size_t n = bytes[0] | (bytes[1] << 8);
    n = std::min({n, bytes.size() - 2, std::size_t(MaxNoteBytes)});
    const QByteArray stored(reinterpret_cast<const char*>(bytes.data() + 2),
                            static_cast<qsizetype>(n));
    ReadNote read;
    QString& note = read.note;
    if (stored.startsWith(Utf8Mark)) {
        // A stateful decoder keeps a character cut at the end to itself: what decodes is shown,
        // and a note that does not encode back to the same bytes is not whole.
        const QByteArray utf8 = stored.mid(Utf8Mark.size());
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        note = decoder.decode(utf8);
        read.whole = !decoder.hasError() && note.toUtf8() == utf8;
    } else {
        note.reserve(stored.size());
        for (char byte : stored)
            note.append(QChar(FromCp1252(static_cast<unsigned char>(byte))));
    }
    // Every CR LF, lone CR and lone LF is one line break.
    note.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    note.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return read;
}

} // namespace notepad

frmBloccoNote::frmBloccoNote(AppState& state, QWidget* parent)
    : ChildWindow(state, WindowKind::Notepad, parent) {
    auto* client = new QWidget;
    setWidget(client);
    Text1 = new QPlainTextEdit(client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(9);
    Text1->setFont(font);
    connect(Text1, &QPlainTextEdit::textChanged, this, &frmBloccoNote::Text1_Change);
}

QString frmBloccoNote::fileTitle() const {
    return state_.ResString(111) + QFileInfo(state_.NotepadFile).fileName();
}

// The text as the editor holds it, with its paragraph and line separators as "\n" and every
// other character (non-breaking spaces included) as typed.
QString frmBloccoNote::editorText() const {
    QString text = Text1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void frmBloccoNote::Form_Load() {
    Text1->move(twips::point(0, 10));

    std::error_code error;
    const auto bytes = ReadFileHead(state_.NotepadFile, notepad::RecordLength, error);
    if (error) {
        keepFile_ = true;
        state_.messages.ReportFileError(fileTitle(), error.value());
    }
    notepad::ReadNote read = notepad::ReadRecord(bytes);
    QString& note = read.note;

    setWindowTitle(Language::ofBase(state_.LanguageBase).translate("frmBloccoNote", "Blocco Note"));

    // Trailing blanks go; putting the text in counts as a change of it.
    qsizetype end = note.size();
    while (end > 0 && note.at(end - 1) == QLatin1Char(' '))
        --end;
    note.truncate(end);
    // The note is shown whole even when it would not fit the record once written back; the
    // file then keeps it as it is until the user edits it. So does a note the box would change.
    const qsizetype size = notepad::EncodeNote(note).size();
    sizeLimit_ = std::max<qsizetype>(notepad::MaxNoteBytes, size);
    Text1->setPlainText(note);
    loaded_ = editorText();
    NotepadText = accepted_ = loaded_;
    keepFile_ = keepFile_ || !read.whole || size > notepad::MaxNoteBytes || loaded_ != note;
}

void frmBloccoNote::Text1_Change() {
    const QString text = editorText();
    if (notepad::EncodeNote(text).size() > sizeLimit_) {
        // The edit would not fit the record: the text stays as it was.
        refuseEdit();
        QApplication::beep();
        return;
    }
    NotepadText = text;
    accepted_ = text;
}

void frmBloccoNote::refuseEdit() {
    const QSignalBlocker block(Text1);
    QTextDocument* document = Text1->document();
    // The last undo step holds the edit, and with it the typing before it that it joined, if
    // any: that step is undone and forgotten, and the typing put back as a step of its own, so
    // the history reads as if the edit had never come.
    if (document->isUndoAvailable()) {
        document->undo();
        document->clearUndoRedoStacks(QTextDocument::RedoStack);
    }
    const QString now = editorText();
    if (now == accepted_)
        return;
    // What differs is one span: what lies before and after it is the same in both texts.
    const qsizetype common = std::min(now.size(), accepted_.size());
    qsizetype head = 0;
    while (head < common && now.at(head) == accepted_.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < common - head &&
           now.at(now.size() - 1 - tail) == accepted_.at(accepted_.size() - 1 - tail))
        ++tail;
    QTextCursor cursor(document);
    cursor.setPosition(static_cast<int>(head));
    cursor.setPosition(static_cast<int>(now.size() - tail), QTextCursor::KeepAnchor);
    cursor.insertText(accepted_.mid(head, accepted_.size() - head - tail));
    Text1->setTextCursor(cursor);
}

bool frmBloccoNote::save() {
    // A file marked read-only is not replaced, although its folder would allow it.
    std::error_code error;
    const QByteArray name = QFile::encodeName(state_.NotepadFile);
    struct stat info {};
    if (::stat(name.constData(), &info) == 0 &&
        ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
         ::access(name.constData(), W_OK) != 0))
        error = std::error_code(EACCES, std::generic_category());
    else {
        const std::vector<std::uint8_t> record = notepad::EncodeRecord(NotepadText);
        WriteWholeFile(state_.NotepadFile, record.data(), record.size(), error);
    }
    if (!error)
        return true;
    state_.messages.ReportFileError(fileTitle(), error.value());
    return false;
}

bool frmBloccoNote::Form_QueryUnload() {
    // A file whose note could not be read, or written back, whole is kept unless the note was
    // edited since.
    if (keepFile_ && NotepadText == loaded_)
        return true;
    bool saved = false;
    if (notepad::EncodeNote(NotepadText).size() > notepad::MaxNoteBytes)
        // Edited, but still too long for the record: cutting it would lose the end of the note,
        // so nothing is written and the save fails as on a full disk.
        state_.messages.ReportFileError(fileTitle(), EFBIG);
    else
        saved = save();
    // The program is ending and cannot wait; a window the user closes stays open with its text.
    return saved || state_.appClosing();
}

void frmBloccoNote::Form_Resize() {
    const int height = Height();
    const int width = Width();
    // The text box follows the window, but not below these sizes.
    if (height > 400)
        Text1->resize(Text1->width(), twips::toPixels(height - 400));
    if (width > 1920)
        Text1->resize(twips::toPixels(width - 80), Text1->height());
}
