#pragma once

#include "app/RecordLayout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

// The settings record "QuintaroV10.ini": one 775-byte binary record. The codec here is pure
// (bytes in, tables out; tables plus the old bytes in, bytes out); SettingsFile.h reads and
// writes the file around it.

constexpr int SettingsRecordLength = 775;
using SettingsRecord = std::array<std::uint8_t, SettingsRecordLength>;
inline constexpr char SettingsSignature[] = "QuintaroV10";

struct WindowRec {
    int Open = 0;
    int Top = 0;
    int Left = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const WindowRec&) const = default;
};

// Every table the record stores. Indices follow the record's own numbering: PartParams[part][row]
// with part 1..16 (index 0 unused) and row 0..24; MasterKbSettings 1..32; WindowExtras 1..7;
// WindowRecs 0..24.
struct SettingsTables {
    std::uint8_t LanguageCode = 0;
    bool SettingsFlag23 = false;
    bool StatusBarVisible = true;
    std::array<int, 33> MasterKbSettings{};
    std::array<std::array<std::uint8_t, 25>, 17> PartParams{};
    std::array<int, 8> WindowExtras{};
    std::array<WindowRec, 25> WindowRecs{};
};

// Positions (1-based) of the fields in the record. Words are two bytes, high byte first; Top and
// Left are stored plus 16000.
namespace RecordPos {
constexpr int Signature = 1;   // 1-11
constexpr int Reserved21 = 21; // never rewritten
constexpr int Language = 22;
constexpr int Flag23 = 23;
constexpr int StatusBar = 24;
constexpr int MainTop = 101; // words 101-108: the main window's Top, Left, Height, Width
constexpr int MainLeft = 103;
constexpr int MainHeight = 105;
constexpr int MainWidth = 107;
constexpr int MainState = 109;
constexpr int WindowRecSize = 9; // a window record: Top, Left, Height, Width words, Open byte
constexpr int RecTop = 0;        // offsets inside a window record
constexpr int RecLeft = 2;
constexpr int RecHeight = 4;
constexpr int RecWidth = 6;
constexpr int RecOpen = 8;

// MasterKbSettings element 1..32: bytes 51-82.
constexpr int MasterKb(int element) {
    return 50 + element;
}
// PartParams part 1..16, row 0..24: bytes 176-575, part-major.
constexpr int PartParam(int part, int row) {
    return 176 + PartRow::Count * (part - 1) + row;
}
// Window record of kind 1..22: bytes 576-773.
constexpr int WindowRecord(int kind) {
    return 576 + WindowRecSize * (kind - 1);
}
} // namespace RecordPos

// Byte at 1-based position `pos` of the record.
inline std::uint8_t& RecordByte(SettingsRecord& r, int pos) {
    return r.at(pos - 1);
}
inline std::uint8_t RecordByte(const SettingsRecord& r, int pos) {
    return r.at(pos - 1);
}

// First-run values of single fields, numbered as the tables are: part 1..16, row 0..24;
// MasterKbSettings element 1..32. The window records' first-run sizes are in WindowKindTable.
std::uint8_t PartParamDefault(int part, int row);
int MasterKbDefault(int element);

// True when the record begins with the 11-character signature.
bool HasSignature(const SettingsRecord& record);

// A fresh record: 250 zero bytes, 525 spaces, the signature at 1-11.
SettingsRecord NewSettingsRecord();

// The record a settings file holds: its first 775 bytes, when it has that many and they begin
// with the signature. A missing, empty, short or foreign file holds none.
std::optional<SettingsRecord> RecordFromFile(const std::vector<std::uint8_t>& bytes);

// The record a first run writes at once: a new record with `languageCode` at position 22.
SettingsRecord FirstRunRecord(std::uint8_t languageCode);

// First-run values of every table but LanguageCode (which the language dialog sets).
void ApplyFirstRunDefaults(SettingsTables& t);

// Reads a record that carries the signature. A field holding a value it cannot mean takes its
// first-run default; every other field is read as stored.
void DecodeSettings(const SettingsRecord& record, SettingsTables& t);

// Writes the tables over `old` (which keeps the bytes the program does not own) and returns the
// new record. Positions 101-108 are written only when WindowExtras(5) is Normal; values the word
// fields cannot hold are clamped (Top and Left to -16000..16000, Height and Width to 0..32767,
// bytes to 0..255). When `old` does not carry the signature (the file was removed or replaced
// while the program ran) the tables are written over a new record instead, so that the next start
// reads them rather than starting over.
SettingsRecord EncodeSettings(const SettingsRecord& old, const SettingsTables& t);
