#pragma once

#include "ui/child/ChildWindow.h"

#include <QString>
#include <cstdint>
#include <system_error>
#include <vector>

class QPlainTextEdit;

// The note file "BloccoNote.txt": record 1 of a file of 15000-byte records, holding a 2-byte
// little-endian length n and the n bytes of the note. Line breaks are stored as CR LF; a file
// written by another editor may hold bare LF or bare CR, and each CR LF, lone CR and lone LF reads
// as one line break (so CR CR LF is two), written back as CR LF.
//
// A note whose every character Windows-1252 can hold is stored one byte per character in that
// code page, exactly as files have always been written. Any other note is stored as the UTF-8
// byte-order mark EF BB BF followed by the note in UTF-8, in the same record with the same
// length prefix, so nothing is replaced by "?"; a note that happens to begin with the characters
// those three bytes stand for in Windows-1252 is stored that way too, so that reading it back
// cannot mistake it. The record leaves 14998 bytes for the note: the text box accepts no edit
// that would make the stored note longer (14998 characters of Windows-1252, a line break
// counting two).
//
// Nothing the file holds is dropped on reading. A note that would not fit the record once
// written back (bare LF or CR line breaks grow to CR LF), or whose UTF-8 does not decode whole (a
// character cut at the end of the record, bytes that are not UTF-8), is shown as far as it
// decodes and the file is left as it is until the note is edited. Such a note may be edited
// down but no edit makes it longer than it came; closing it while it still does not fit the
// record saves nothing and is reported as a failed save is (see frmBloccoNote::Form_QueryUnload).
namespace notepad {
constexpr int RecordLength = 15000;
constexpr int MaxNoteBytes = RecordLength - 2;

// The stored bytes of a note (without the length prefix); the note uses "\n" for line breaks.
QByteArray EncodeNote(const QString& note);
// Record 1 as written: the length prefix and the note's bytes, nothing after them.
std::vector<std::uint8_t> EncodeRecord(const QString& note);

// A note as read from a file.
struct ReadNote {
    QString note;
    // False when the bytes hold more than `note` can give back: a UTF-8 character cut at the
    // end, or bytes that are not UTF-8 (shown as U+FFFD).
    bool whole = true;
};
// The note of a file's first bytes. A length prefix that claims more than the bytes hold or
// more than a record can hold reads what is there; fewer than two bytes are an empty note.
ReadNote ReadRecord(const std::vector<std::uint8_t>& bytes);
inline QString DecodeRecord(const std::vector<std::uint8_t>& bytes) {
    return ReadRecord(bytes).note;
}
} // namespace notepad

// The notepad (window kind 22): one free-text note, read from the note file when the window
// opens and written back whenever it closes.
class frmBloccoNote : public ChildWindow {
    Q_OBJECT
  public:
    explicit frmBloccoNote(AppState& state, QWidget* parent = nullptr);

  protected:
    void Form_Load() override;
    // Saves the note, unless the file holds a note that could not be read or written back whole
    // and the note was not edited: the file then stays as it is. A save that fails, or an edited
    // note that still does not fit the record, is reported (nothing is written); when the user
    // closes the window (not the program), the window then stays open with its text.
    bool Form_QueryUnload() override;
    // The text box follows the window's size.
    void Form_Resize() override;

  private:
    // The note as typed, line breaks as "\n"; follows every change of Text1 that is accepted.
    QString NotepadText;
    QPlainTextEdit* Text1 = nullptr;

    void Text1_Change();
    QString fileTitle() const;
    bool save();
    QString editorText() const;
    // Takes back an edit of Text1 that does not fit, leaving its undo history as it was.
    void refuseEdit();

    QString accepted_;                            // the text last accepted
    QString loaded_;                              // the text as the file gave it
    qsizetype sizeLimit_ = notepad::MaxNoteBytes; // no edit makes the stored note longer
    bool keepFile_ = false; // the file is not written unless the note is edited
};
