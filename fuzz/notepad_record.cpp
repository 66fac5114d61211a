// The note file's record 1: notepad::DecodeRecord, and EncodeRecord of what it read.
//
// Properties:
// - decoding any bytes gives a note;
// - the record of a note starts with its stored length, low byte first;
// - a note that fits the record (its stored bytes at most MaxNoteBytes) decodes from its record
//   as the same text;
// - a note that fits stores one byte per character, or the UTF-8 mark and the note in UTF-8.
#include "FuzzCheck.h"
#include "ui/accessories/frmBloccoNote.h"

#include <QString>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const QString note = notepad::DecodeRecord(bytes);

    const std::vector<std::uint8_t> record = notepad::EncodeRecord(note);
    FUZZ_CHECK(record.size() >= 2, "a record of %zu bytes", record.size());
    const std::size_t stored = record[0] | (record[1] << 8);
    FUZZ_CHECK(stored == (record.size() - 2) % 65536, "length %zu for %zu bytes", stored,
               record.size() - 2);

    const QByteArray encoded = notepad::EncodeNote(note);
    FUZZ_CHECK(encoded.size() == qsizetype(record.size() - 2), "the record holds other bytes");
    if (encoded.size() > notepad::MaxNoteBytes)
        return 0; // the text box never holds such a note
    const QString back = notepad::DecodeRecord(record);
    FUZZ_CHECK(back == note, "a note of %d characters read back as %d characters", int(note.size()),
               int(back.size()));
    const qsizetype lineBreaks = note.count(u'\n');
    FUZZ_CHECK(
        encoded.size() == note.size() + lineBreaks ||
            (encoded.startsWith("\xEF\xBB\xBF") &&
             encoded.mid(3) == QString(note).replace(u'\n', QStringLiteral("\r\n")).toUtf8()),
        "a note of %d characters stored in %d bytes", int(note.size()), int(encoded.size()));
    return 0;
}
