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
inline std::uint8_t& RecordByte(SettingsRecord& r, int pos) { return r.at(pos - 1); }
inline std::uint8_t RecordByte(const SettingsRecord& r, int pos) { return r.at(pos - 1); }

// True when the bytes begin with the 11-character signature.
bool HasSignature(const std::vector<std::uint8_t>& bytes);

// A fresh record: 250 zero bytes, 525 spaces, the signature at 1-11.
SettingsRecord NewSettingsRecord();

// First-run values of every table but LanguageCode (which the language dialog sets).
void ApplyFirstRunDefaults(SettingsTables& t);

// Reads a record that carries the signature. A field holding a value it cannot mean takes its
// first-run default; every other field is read as stored.
void DecodeSettings(const SettingsRecord& record, SettingsTables& t);

// Writes the tables over `old` (which keeps the bytes the program does not own) and returns the
// new record. Positions 101-108 are written only when WindowExtras(5) is Normal; values the word
// fields cannot hold are clamped.
SettingsRecord EncodeSettings(const SettingsRecord& old, const SettingsTables& t);
