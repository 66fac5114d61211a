#include "app/Settings.h"

#include "app/SliderTable.h"
#include "app/WindowKinds.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int SignatureLength = 11;
constexpr int ZeroFilledLength = 250; // positions 1-250 of a new record; spaces follow

using namespace RecordPos;

// Top and Left are stored plus this offset, so that the word holds -16000..16000 as 0..32000.
constexpr int PositionOffset = 16000;
constexpr int MaxPosition = 16000;
constexpr int MaxSize = 32767; // the largest size a 16-bit integer holds

// First-run values of rows 0..24 of a part; row 0 (the channel) is the part number instead, rows
// 1..11 are the sliders' (SliderTable.h).
constexpr std::array<std::uint8_t, PartRow::Count> PartRowDefaults = [] {
    std::array<std::uint8_t, PartRow::Count> rows = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12,
                                                     2, 1, 0, 2, 1, 1, 0, 0, 0, 0, 0, 0};
    for (const SliderRow& slider : Sliders)
        rows[slider.partRow] = slider.partDefault;
    return rows;
}();

// First-run values of MasterKbSettings 1..32 (index 0 unused); 17..27 are the sliders'.
constexpr std::array<int, 33> MasterKbDefaults = [] {
    std::array<int, 33> elements = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 1..16
                                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 17..27 the sliders
                                    0, 0,                            // 28, 29 not used
                                    1, 0, 2}; // 30 Click Key, 31 Hold Note, 32 key shift
    for (const SliderRow& slider : Sliders)
        elements[slider.masterKbElement] = slider.masterKbDefault;
    return elements;
}();

int ReadWord(const SettingsRecord& r, int pos) {
    return RecordByte(r, pos) * 256 + RecordByte(r, pos + 1);
}

void WriteWord(SettingsRecord& r, int pos, int value) {
    RecordByte(r, pos) = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    RecordByte(r, pos + 1) = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint8_t ClampByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

void WritePosition(SettingsRecord& r, int pos, int value) {
    WriteWord(r, pos, std::clamp(value, -MaxPosition, MaxPosition) + PositionOffset);
}

void WriteSize(SettingsRecord& r, int pos, int value) {
    WriteWord(r, pos, std::clamp(value, 0, MaxSize));
}

// A stored Top or Left, or 0 when the word lies beyond +16000 (no placement the program writes).
int ReadPosition(const SettingsRecord& r, int pos) {
    const int word = ReadWord(r, pos);
    return word <= PositionOffset + MaxPosition ? word - PositionOffset : 0;
}

// A stored Height or Width, or `fallback` when it does not fit a 16-bit integer.
int ReadSize(const SettingsRecord& r, int pos, int fallback) {
    const int word = ReadWord(r, pos);
    return word <= MaxSize ? word : fallback;
}

// Whether a part row holds a value it can mean; rows without a limit take any byte.
bool PartValueValid(int row, int value) {
    switch (row) {
    case PartRow::Channel:
        return value >= 1 && value <= 16;
    case PartRow::Transposition:
        return value <= 24;
    case PartRow::ClickKey:
    case PartRow::HoldNote:
        return value <= 1;
    case PartRow::KeyShift:
        return value <= 3;
    case PartRow::ProgramNumber:
        return value >= 1 && value <= 128;
    default:
        if (row >= PartRow::FirstSlider && row <= PartRow::Chorus)
            return value <= 127;
        return true;
    }
}

bool MasterKbValueValid(int element, int value) {
    if (element <= MasterKbElement::LastChannel)
        return value <= 1;
    if (element <= MasterKbElement::LastSlider)
        return value <= 127;
    if (element == MasterKbElement::ClickKey || element == MasterKbElement::HoldNote)
        return value <= 1;
    if (element == MasterKbElement::KeyShift)
        return value <= 3;
    return true; // 28 and 29 are not used: kept as stored
}

} // namespace

std::uint8_t PartParamDefault(int part, int row) {
    if (row == PartRow::Channel)
        return static_cast<std::uint8_t>(part);
    return PartRowDefaults.at(row);
}

int MasterKbDefault(int element) {
    return MasterKbDefaults.at(element);
}

bool HasSignature(const SettingsRecord& record) {
    return std::memcmp(record.data(), SettingsSignature, SignatureLength) == 0;
}

SettingsRecord NewSettingsRecord() {
    SettingsRecord r;
    std::fill(r.begin(), r.begin() + ZeroFilledLength, std::uint8_t{0});
    std::fill(r.begin() + ZeroFilledLength, r.end(), std::uint8_t{' '});
    std::memcpy(r.data(), SettingsSignature, SignatureLength);
    return r;
}

std::optional<SettingsRecord> RecordFromFile(const std::vector<std::uint8_t>& bytes) {
    // A cut record would read its missing fields as zeros and blanks, which mean wrong values
    // (sliders at 32, windows off the screen): only a whole record counts.
    if (bytes.size() < SettingsRecord().size())
        return std::nullopt;
    SettingsRecord r;
    std::copy_n(bytes.begin(), r.size(), r.begin());
    if (!HasSignature(r))
        return std::nullopt;
    return r;
}

SettingsRecord FirstRunRecord(std::uint8_t languageCode) {
    SettingsRecord r = NewSettingsRecord();
    RecordByte(r, Language) = languageCode;
    return r;
}

void ApplyFirstRunDefaults(SettingsTables& t) {
    t.SettingsFlag23 = false;
    t.StatusBarVisible = true;
    for (int i = 1; i <= MasterKbElement::Count; ++i)
        t.MasterKbSettings[i] = MasterKbDefault(i);
    for (int p = 1; p <= 16; ++p)
        for (int r = 0; r < PartRow::Count; ++r)
            t.PartParams[p][r] = PartParamDefault(p, r);
    for (int i = WindowExtra::Top; i <= WindowExtra::Width; ++i)
        t.WindowExtras[i] = 0;
    t.WindowExtras[WindowExtra::State] = MainWindowState::Maximized;
    for (int k = 0; k < static_cast<int>(t.WindowRecs.size()); ++k) {
        WindowRec& w = t.WindowRecs[k];
        w.Open = 0;
        w.Top = 0;
        w.Left = 0;
        w.Height = KindInfo(k).firstRun.height;
        w.Width = KindInfo(k).firstRun.width;
    }
}

void DecodeSettings(const SettingsRecord& record, SettingsTables& t) {
    // The language is chosen on the first run, so there is no stored default to fall back on.
    // English is the language both users of a damaged file are most likely to read.
    const std::uint8_t language = RecordByte(record, Language);
    t.LanguageCode = (language == 1 || language == 2) ? language : std::uint8_t{2};
    t.SettingsFlag23 = RecordByte(record, Flag23) == 1;
    t.StatusBarVisible = RecordByte(record, StatusBar) != 0;

    for (int i = 1; i <= MasterKbElement::Count; ++i) {
        const int value = RecordByte(record, MasterKb(i));
        t.MasterKbSettings[i] = MasterKbValueValid(i, value) ? value : MasterKbDefault(i);
    }

    for (int p = 1; p <= 16; ++p)
        for (int r = 0; r < PartRow::Count; ++r) {
            const std::uint8_t value = RecordByte(record, PartParam(p, r));
            t.PartParams[p][r] = PartValueValid(r, value) ? value : PartParamDefault(p, r);
        }

    t.WindowExtras[WindowExtra::Top] = ReadPosition(record, MainTop);
    t.WindowExtras[WindowExtra::Left] = ReadPosition(record, MainLeft);
    t.WindowExtras[WindowExtra::Height] = ReadSize(record, MainHeight, 0);
    t.WindowExtras[WindowExtra::Width] = ReadSize(record, MainWidth, 0);
    // Any state is kept: the main window leaves its state as it is for one it does not know.
    t.WindowExtras[WindowExtra::State] = RecordByte(record, MainState);

    for (int k = 0; k < static_cast<int>(t.WindowRecs.size()); ++k) {
        WindowRec& w = t.WindowRecs[k];
        if (k < WindowKind::FirstPart || k > WindowKind::LastStored) {
            w = WindowRec{};
            continue;
        }
        const int pos = WindowRecord(k);
        w.Top = ReadPosition(record, pos + RecTop);
        w.Left = ReadPosition(record, pos + RecLeft);
        w.Height = ReadSize(record, pos + RecHeight, KindInfo(k).firstRun.height);
        w.Width = ReadSize(record, pos + RecWidth, KindInfo(k).firstRun.width);
        // 1 open, 0 closed; the notepad stores 2 while it is minimized.
        const int open = RecordByte(record, pos + RecOpen);
        w.Open = open <= 2 ? open : 0;
    }
}

SettingsRecord EncodeSettings(const SettingsRecord& old, const SettingsTables& t) {
    SettingsRecord r = HasSignature(old) ? old : NewSettingsRecord();

    RecordByte(r, Language) = t.LanguageCode;
    RecordByte(r, Flag23) = t.SettingsFlag23 ? 1 : 0;
    RecordByte(r, StatusBar) = t.StatusBarVisible ? 1 : 0;

    for (int i = 1; i <= MasterKbElement::Count; ++i)
        RecordByte(r, MasterKb(i)) = ClampByte(t.MasterKbSettings[i]);

    for (int p = 1; p <= 16; ++p)
        for (int row = 0; row < PartRow::Count; ++row)
            RecordByte(r, PartParam(p, row)) = t.PartParams[p][row];

    // A minimized or maximized window's geometry is not the one to restore: the last normal
    // placement stays in the file.
    if (t.WindowExtras[WindowExtra::State] == MainWindowState::Normal) {
        WritePosition(r, MainTop, t.WindowExtras[WindowExtra::Top]);
        WritePosition(r, MainLeft, t.WindowExtras[WindowExtra::Left]);
        WriteSize(r, MainHeight, t.WindowExtras[WindowExtra::Height]);
        WriteSize(r, MainWidth, t.WindowExtras[WindowExtra::Width]);
    }
    RecordByte(r, MainState) = ClampByte(t.WindowExtras[WindowExtra::State]);

    for (int k = WindowKind::FirstPart; k <= WindowKind::LastStored; ++k) {
        const WindowRec& w = t.WindowRecs[k];
        const int pos = WindowRecord(k);
        WritePosition(r, pos + RecTop, w.Top);
        WritePosition(r, pos + RecLeft, w.Left);
        WriteSize(r, pos + RecHeight, w.Height);
        WriteSize(r, pos + RecWidth, w.Width);
        RecordByte(r, pos + RecOpen) = ClampByte(w.Open);
    }
    return r;
}
