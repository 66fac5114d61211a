#pragma once

#include "ui/child/ChildWindow.h"

#include <QString>
#include <cstdint>
#include <system_error>
#include <vector>

class QPlainTextEdit;

// The note file "BloccoNote.txt": record 1 of a file of 15000-byte records, holding a 2-byte
// little-endian length n and the n bytes of the note. Line breaks are stored as CR LF.
//
// A note whose every character Windows-1252 can hold is stored one byte per character in that
// code page, exactly as files have always been written. Any other note is stored as the UTF-8
// byte-order mark EF BB BF followed by the note in UTF-8, in the same record with the same
// length prefix, so nothing is replaced by "?"; a note that happens to begin with the characters
// those three bytes stand for in Windows-1252 is stored that way too, so that reading it back
// cannot mistake it. The record leaves 14998 bytes for the note: the text box accepts no edit
// that would make the stored note longer (14998 characters of Windows-1252, a line break
// counting two).
namespace notepad {
constexpr int RecordLength = 15000;
constexpr int MaxNoteBytes = RecordLength - 2;

// The stored bytes of a note (without the length prefix); the note uses "\n" for line breaks.
QByteArray EncodeNote(const QString& note);
// Record 1 as written: the length prefix and the note's bytes, nothing after them.
std::vector<std::uint8_t> EncodeRecord(const QString& note);
// The note of a file's first bytes. A length prefix that claims more than the bytes hold or
// more than a record can hold reads what is there; fewer than two bytes are an empty note.
QString DecodeRecord(const std::vector<std::uint8_t>& bytes);
} // namespace notepad

// The notepad (window kind 22): one free-text note, read from the note file when the window
// opens and written back whenever it closes.
class frmBloccoNote : public ChildWindow {
    Q_OBJECT
  public:
    explicit frmBloccoNote(AppState& state, QWidget* parent = nullptr);

    // The note as typed, line breaks as "\n"; follows every change of Text1.
    QString NotepadText;
    QPlainTextEdit* Text1 = nullptr;

    void Text1_Change();

  protected:
    void Form_Load() override;
    // Saves the note. A save that fails is reported; when the user closes the window (not the
    // program), the window then stays open with its text.
    bool Form_QueryUnload() override;
    void Form_Unload() override;
    void Form_Resize() override;
    void changeEvent(QEvent* event) override;

  private:
    QString fileTitle() const;
    bool save();
    QString editorText() const;

    QString accepted_;        // the text last accepted, put back when an edit does not fit
    int acceptedCursor_ = 0;  // and its cursor position
    bool readFailed_ = false; // the file could not be read: it is not overwritten unless edited
    bool edited_ = false;
};
