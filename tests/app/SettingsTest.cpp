#include "app/Settings.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace RecordPos;

int Word(const SettingsRecord& r, int pos) {
    return RecordByte(r, pos) * 256 + RecordByte(r, pos + 1);
}
void SetWord(SettingsRecord& r, int pos, int value) {
    RecordByte(r, pos) = static_cast<std::uint8_t>(value >> 8);
    RecordByte(r, pos + 1) = static_cast<std::uint8_t>(value & 0xFF);
}

SettingsTables FirstRunTables(std::uint8_t language = 2) {
    SettingsTables t;
    ApplyFirstRunDefaults(t);
    t.LanguageCode = language;
    return t;
}

// The record a first run leaves when the program is closed at once.
SettingsRecord FirstRunFile(std::uint8_t language = 2) {
    return EncodeSettings(FirstRunRecord(language), FirstRunTables(language));
}

} // namespace

TEST(SettingsRecord, FirstRunFileByteForByte) {
    const SettingsRecord r = FirstRunFile(1);
    // Master keyboard: channel 1 only, sliders 100 64 64 64 0 0 64 0 0 0 0, Click Key on, shift 2.
    const int master[32] = {1,   0,  0,  0,  0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0,
                            100, 64, 64, 64, 0, 0, 64, 0, 0, 0, 0, 0, 0, 1, 0, 2};
    const int part[25] = {0, 100, 64, 80, 64, 0, 0, 64, 0, 0, 0, 0, 12,
                          2, 1,   0,  2,  1,  1, 0, 0,  0, 0, 0, 0};
    SettingsRecord expected{};
    for (int i = 0; i < 11; ++i)
        expected[i] = static_cast<std::uint8_t>("QuintaroV10"[i]);
    expected[Language - 1] = expected[StatusBar - 1] = 1;
    expected[MainState - 1] = MainWindowState::Maximized; // 101-108 stay as created
    // The master keyboard at 51..82, the parts' 25 rows from 176 on, then the window records of
    // nine bytes from 576 on: Top, Left, Height, Width (words, high byte first, positions stored
    // 16000 up), Open.
    for (int e = 1; e <= 32; ++e)
        expected[50 + e - 1] = static_cast<std::uint8_t>(master[e - 1]);
    for (int p = 1; p <= 16; ++p)
        for (int row = 0; row < 25; ++row)
            expected[176 + 25 * (p - 1) + row - 1] =
                static_cast<std::uint8_t>(row == 0 ? p : part[row]);
    for (int k = 1; k <= 22; ++k) {
        const int pos = 576 + 9 * (k - 1);
        SetWord(expected, pos, 16000);
        SetWord(expected, pos + 2, 16000);
        SetWord(expected, pos + 4, k <= 16 ? 5532 : k == 19 ? 5700 : 0);
        SetWord(expected, pos + 6, k <= 16 ? 9288 : k == 19 ? 9372 : 0);
    }
    expected[773] = expected[774] = ' ';
    for (int pos = 1; pos <= 775; ++pos)
        EXPECT_EQ(RecordByte(r, pos), expected[pos - 1]) << "position " << pos;

    // Only a whole signed record is read back: not one byte short, not another signature.
    std::vector<std::uint8_t> bytes(r.begin(), r.end());
    EXPECT_EQ(RecordFromFile(bytes), r);
    bytes[10] = 'x';
    EXPECT_FALSE(RecordFromFile(bytes));
    EXPECT_FALSE(RecordFromFile(std::vector<std::uint8_t>(r.begin(), r.end() - 1)));
}

TEST(SettingsRecord, ReadModifyWriteKeepsUnownedBytes) {
    // An old file with distinctive bytes everywhere the program does not write.
    SettingsRecord old = FirstRunFile(1);
    for (int pos = 12; pos <= 775; ++pos)
        if (!((pos >= 22 && pos <= 24) || (pos >= 51 && pos <= 82) || (pos >= 101 && pos <= 109) ||
              (pos >= 176 && pos <= 773)))
            RecordByte(old, pos) = static_cast<std::uint8_t>(0x80 + pos % 97);
    RecordByte(old, Flag23) = 1;
    RecordByte(old, StatusBar) = 0;
    SetWord(old, MainTop, 16120);
    SetWord(old, MainLeft, 15955);
    SetWord(old, MainHeight, 7000);
    RecordByte(old, MainState) = MainWindowState::Normal;
    SetWord(old, WindowRecord(7) + RecTop, 16070);
    SetWord(old, WindowRecord(7) + RecLeft, 15860);
    RecordByte(old, WindowRecord(7) + RecOpen) = 1;

    SettingsTables t;
    DecodeSettings(old, t);
    EXPECT_EQ(t.LanguageCode, 1);
    EXPECT_TRUE(t.SettingsFlag23);
    EXPECT_FALSE(t.StatusBarVisible);
    EXPECT_EQ(t.WindowExtras[WindowExtra::Top], 120);
    EXPECT_EQ(t.WindowExtras[WindowExtra::Left], -45);
    EXPECT_EQ(t.WindowExtras[WindowExtra::Height], 7000);
    EXPECT_EQ(t.WindowRecs[7], (WindowRec{1, 70, -140, 9288, 5532}));
    EXPECT_EQ(EncodeSettings(old, t), old) << "unchanged tables give back every byte";

    // Changes land at their positions and nowhere else; position 21 is never rewritten.
    t.LanguageCode = 2;
    t.PartParams[3][PartRow::Volume] = 17;
    t.MasterKbSettings[MasterKbElement::FirstChannel + 4] = 1;
    t.WindowRecs[20].Height = 4896;
    t.WindowExtras[WindowExtra::Top] = -300;
    const SettingsRecord changed = EncodeSettings(old, t);
    const std::set<int> expectedChanges = {Language,
                                           PartParam(3, PartRow::Volume),
                                           MasterKb(5),
                                           WindowRecord(20) + RecHeight,
                                           WindowRecord(20) + RecHeight + 1,
                                           MainTop,
                                           MainTop + 1};
    for (int pos = 1; pos <= 775; ++pos)
        EXPECT_EQ(RecordByte(changed, pos) != RecordByte(old, pos), expectedChanges.count(pos) == 1)
            << "position " << pos;
    EXPECT_EQ(Word(changed, MainTop), 15700);

    // A maximized or minimized main window leaves the last normal placement in the file.
    for (int state : {MainWindowState::Maximized, MainWindowState::Minimized}) {
        t.WindowExtras[WindowExtra::State] = state;
        const SettingsRecord r = EncodeSettings(old, t);
        EXPECT_EQ(Word(r, MainTop), 16120) << state;
        EXPECT_EQ(RecordByte(r, MainState), state);
    }

    // A foreign record (the file replaced while the program ran) is not kept: a new one is.
    const SettingsRecord fresh = EncodeSettings(SettingsRecord{'x', 'x', 'x'}, t);
    EXPECT_TRUE(HasSignature(fresh));
    EXPECT_EQ(RecordByte(fresh, PartParam(3, PartRow::Volume)), 17);
}

TEST(SettingsRecord, CorruptedFieldsTakeTheirDefaults) {
    SettingsRecord r = FirstRunFile(1);
    // {part, row, stored, read}: out-of-range values read as defaults, valid ones are kept.
    const int parts[][4] = {
        {2, PartRow::Channel, 0, 2},         {3, PartRow::Channel, 17, 3},
        {5, PartRow::Channel, 16, 16},       {2, PartRow::Volume, 128, 100},
        {2, PartRow::Chorus, 200, 0},        {2, PartRow::Transposition, 25, 12},
        {3, PartRow::Transposition, 24, 24}, {2, PartRow::HoldNote, 7, 0},
        {3, PartRow::ClickKey, 2, 1},        {2, PartRow::KeyShift, 4, 2},
        {3, PartRow::KeyShift, 3, 3},        {2, PartRow::ProgramNumber, 0, 1},
        {3, PartRow::ProgramNumber, 129, 1}, {5, PartRow::ProgramNumber, 128, 128},
        {4, PartRow::Unused13, 200, 200}};
    // {element, stored, read} of the master keyboard.
    const int master[][3] = {{9, 2, 0},      {10, 1, 1}, {17, 128, 100}, {27, 127, 127},
                             {28, 222, 222}, {30, 2, 1}, {31, 9, 0},     {32, 4, 2}};
    for (const auto& c : parts)
        RecordByte(r, PartParam(c[0], c[1])) = static_cast<std::uint8_t>(c[2]);
    for (const auto& c : master)
        RecordByte(r, MasterKb(c[0])) = static_cast<std::uint8_t>(c[1]);
    // {kind, offset, stored word (byte for Open), read}.
    const int windows[][4] = {{3, RecHeight, 32768, 5532},  {19, RecHeight, 40000, 5700},
                              {4, RecHeight, 32767, 32767}, {5, RecTop, 32001, 0},
                              {6, RecTop, 32000, 16000},    {6, RecLeft, 0, -16000},
                              {7, RecOpen, 3, 0},           {22, RecOpen, 2, 2}};
    for (const auto& c : windows) {
        if (c[1] == RecOpen)
            RecordByte(r, WindowRecord(c[0]) + RecOpen) = static_cast<std::uint8_t>(c[2]);
        else
            SetWord(r, WindowRecord(c[0]) + c[1], c[2]);
    }
    SetWord(r, MainTop, 40000);
    SetWord(r, MainWidth, 60000);
    RecordByte(r, MainState) = 7;
    RecordByte(r, Language) = 3;

    SettingsTables t;
    DecodeSettings(r, t);
    for (const auto& c : parts)
        EXPECT_EQ(t.PartParams[c[0]][c[1]], c[3]) << "part " << c[0] << " row " << c[1];
    for (const auto& c : master)
        EXPECT_EQ(t.MasterKbSettings[c[0]], c[2]) << "master element " << c[0];
    for (const auto& c : windows) {
        const WindowRec& w = t.WindowRecs[c[0]];
        const int read = c[1] == RecTop      ? w.Top
                         : c[1] == RecLeft   ? w.Left
                         : c[1] == RecHeight ? w.Height
                                             : w.Open;
        EXPECT_EQ(read, c[3]) << "kind " << c[0] << " at " << c[1];
    }
    EXPECT_EQ(t.WindowExtras[WindowExtra::Top], 0);
    EXPECT_EQ(t.WindowExtras[WindowExtra::Width], 0);
    EXPECT_EQ(t.WindowExtras[WindowExtra::State], 7) << "an unknown state is kept as read";
    EXPECT_EQ(t.LanguageCode, 2) << "an unknown language reads as English";
}

TEST(SettingsRecord, WritingClampsWhatTheFieldsCannotHold) {
    SettingsTables t = FirstRunTables();
    t.WindowExtras = {0, -20000, 40000, -5, 70000, MainWindowState::Normal};
    t.WindowRecs[1] = {300, -16001, 16001, 32768, -1};
    t.MasterKbSettings[MasterKbElement::FirstSlider] = 300;
    const SettingsRecord r = EncodeSettings(FirstRunRecord(2), t);
    // Main window Top, Left, Height, Width, then kind 1's.
    const int words[] = {0, 32000, 0, 32767, 0, 32000, 0, 32767};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Word(r, (i < 4 ? MainTop : WindowRecord(1)) + 2 * (i % 4)), words[i]) << i;
    EXPECT_EQ(RecordByte(r, WindowRecord(1) + RecOpen), 255);
    EXPECT_EQ(RecordByte(r, MasterKb(MasterKbElement::FirstSlider)), 255);
}
