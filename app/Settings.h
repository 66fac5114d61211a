#pragma once

#include <array>
#include <cstdint>
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

// Main-window states stored in WindowExtras(5).
namespace MainWindowState {
constexpr int Normal = 0;
constexpr int Minimized = 1;
constexpr int Maximized = 2;
} // namespace MainWindowState

// Byte at 1-based position `pos` of the record.
inline std::uint8_t& RecordByte(SettingsRecord& r, int pos) {
    return r.at(pos - 1);
}
inline std::uint8_t RecordByte(const SettingsRecord& r, int pos) {
    return r.at(pos - 1);
}

// First-run values of single fields, numbered as the tables are: part 1..16, row 0..24;
// MasterKbSettings element 1..32; window kind 0..24 (Height, Width).
std::uint8_t PartParamDefault(int part, int row);
int MasterKbDefault(int element);
int DefaultWindowHeight(int kind);
int DefaultWindowWidth(int kind);

// True when the bytes begin with the 11-character signature.
bool HasSignature(const std::vector<std::uint8_t>& bytes);

// A fresh record: 250 zero bytes, 525 spaces, the signature at 1-11.
SettingsRecord NewSettingsRecord();

// The bytes of a settings file as a full record: positions the file does not reach are filled as
// a new record would be (0 at 1-250, spaces at 251-775); longer input is cut at 775 bytes. The
// signature is not added.
SettingsRecord RecordFromBytes(const std::vector<std::uint8_t>& bytes);

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
