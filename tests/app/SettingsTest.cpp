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
// A window record's field by its offset inside the nine stored bytes.
int& Field(WindowRec& w, int offset) {
    return offset == RecTop      ? w.Top
           : offset == RecLeft   ? w.Left
           : offset == RecHeight ? w.Height
           : offset == RecWidth  ? w.Width
                                 : w.Open;
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

TEST(SettingsRecord, OnlyAWholeSignedRecordIsRead) {
    const SettingsRecord whole = FirstRunFile(1);
    const std::vector<std::uint8_t> bytes(whole.begin(), whole.end());
    EXPECT_EQ(RecordFromFile(bytes), whole);
    // Longer input: its first 775 bytes.
    std::vector<std::uint8_t> longer = bytes;
    longer.resize(900, 7);
    EXPECT_EQ(RecordFromFile(longer), whole);
    // Cut short by a single byte, or without the signature: no record.
    EXPECT_FALSE(RecordFromFile(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1)));
    EXPECT_FALSE(RecordFromFile(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 300)));
    EXPECT_FALSE(RecordFromFile({}));
    for (int at : {0, 10}) {
        std::vector<std::uint8_t> foreign = bytes;
        foreign[at] ^= 0x20;
        EXPECT_FALSE(RecordFromFile(foreign)) << at;
    }
}

TEST(SettingsRecord, FirstRunFileByteForByte) {
    SettingsTables preset;
    preset.LanguageCode = 1;
    preset.SettingsFlag23 = true;
    preset.WindowRecs[23].Top = 55;
    ApplyFirstRunDefaults(preset);
    EXPECT_EQ(preset.LanguageCode, 1) << "the language is the dialog's, not a default";
    EXPECT_FALSE(preset.SettingsFlag23);
    EXPECT_EQ(preset.WindowRecs[23], WindowRec{});

    const SettingsRecord r = FirstRunFile(1);
    const std::string sig = "QuintaroV10";
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(RecordByte(r, i + 1), static_cast<std::uint8_t>(sig[i]));
    // Master keyboard: channel 1 only, sliders 100 64 64 64 0 0 64 0 0 0 0, Click Key on, shift 2.
    const std::array<int, 32> master = {1,   0,  0,  0,  0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        100, 64, 64, 64, 0, 0, 64, 0, 0, 0, 0, 0, 0, 1, 0, 2};
    const std::array<int, 25> part = {0, 100, 64, 80, 64, 0, 0, 64, 0, 0, 0, 0, 12,
                                      2, 1,   0,  2,  1,  1, 0, 0,  0, 0, 0, 0};
    // Every other position of 12..175 holds what a new record holds: the maximized main window
    // keeps 101-108 as created.
    for (int pos = 12; pos < 176; ++pos) {
        const int expected = pos == Language || pos == StatusBar ? 1
                             : pos == MainState                  ? MainWindowState::Maximized
                             : (pos >= MasterKb(1) && pos <= MasterKb(32))
                                 ? master[pos - MasterKb(1)]
                                 : 0;
        EXPECT_EQ(RecordByte(r, pos), expected) << "position " << pos;
    }
    for (int p = 1; p <= 16; ++p)
        for (int row = 0; row < 25; ++row)
            EXPECT_EQ(RecordByte(r, PartParam(p, row)), row == PartRow::Channel ? p : part[row])
                << "part " << p << " row " << row;
    for (int k = 1; k <= 22; ++k) {
        const int pos = WindowRecord(k);
        EXPECT_EQ(Word(r, pos + RecTop), 16000) << "Top of kind " << k;
        EXPECT_EQ(Word(r, pos + RecLeft), 16000) << "Left of kind " << k;
        EXPECT_EQ(Word(r, pos + RecHeight), k <= 16 ? 5532 : k == 19 ? 5700 : 0) << "Height " << k;
        EXPECT_EQ(Word(r, pos + RecWidth), k <= 16 ? 9288 : k == 19 ? 9372 : 0) << "Width " << k;
        EXPECT_EQ(RecordByte(r, pos + RecOpen), 0) << "Open " << k;
    }
    EXPECT_EQ(RecordByte(r, 774), ' ');
    EXPECT_EQ(RecordByte(r, 775), ' ');
}

TEST(SettingsRecord, FieldPositions) {
    SettingsTables t = FirstRunTables();
    t.PartParams[16][PartRow::Count - 1] = 0xA5;
    t.WindowRecs[22].Open = 1;
    t.WindowRecs[1].Top = -16000;
    t.WindowRecs[2].Top = 0;
    t.WindowRecs[3].Left = 1234;
    t.WindowRecs[4].Width = 0x1234;
    const SettingsRecord r = EncodeSettings(FirstRunRecord(2), t);

    // The named positions are the record's own numbers.
    EXPECT_EQ(MasterKb(1), 51);
    EXPECT_EQ(MasterKb(MasterKbElement::Count), 82);
    EXPECT_EQ(PartParam(1, PartRow::Channel), 176);
    EXPECT_EQ(WindowRecord(1), 576);
    EXPECT_EQ(RecordByte(r, 575), 0xA5) << "part 16, row 24";
    EXPECT_EQ(RecordByte(r, 773), 1) << "kind 22 Open flag";
    // Top = -16000 is the word 0; Top = 0 is 0x3E80, high byte first.
    EXPECT_EQ(Word(r, 576), 0);
    EXPECT_EQ(RecordByte(r, 585), 0x3E);
    EXPECT_EQ(RecordByte(r, 586), 0x80);
    EXPECT_EQ(Word(r, 594 + 2), 17234) << "kind 3 Left";
    EXPECT_EQ(RecordByte(r, 603 + 6), 0x12) << "kind 4 Width";
    EXPECT_EQ(RecordByte(r, 603 + 7), 0x34);
}

TEST(SettingsRecord, ReadModifyWriteKeepsUnownedBytes) {
    // An old file with distinctive bytes everywhere the program does not write, and valid
    // values where it does.
    SettingsRecord old = FirstRunFile(1);
    for (int pos = 12; pos <= 775; ++pos) {
        const bool owned = (pos >= 22 && pos <= 24) || (pos >= 51 && pos <= 82) ||
                           (pos >= 101 && pos <= 109) || (pos >= 176 && pos <= 773);
        if (!owned)
            RecordByte(old, pos) = static_cast<std::uint8_t>(0x80 + pos % 97);
    }
    RecordByte(old, Flag23) = 1;
    RecordByte(old, StatusBar) = 0;
    const int extras[] = {120, -45, 7000, 11000}; // main window Top, Left, Height, Width
    for (int i = 0; i < 4; ++i)
        SetWord(old, MainTop + 2 * i, extras[i] + (i < 2 ? 16000 : 0));
    RecordByte(old, MainState) = MainWindowState::Normal;
    for (int k = 1; k <= 22; ++k) {
        SetWord(old, WindowRecord(k) + RecTop, 16000 + 10 * k);
        SetWord(old, WindowRecord(k) + RecLeft, 16000 - 20 * k);
        RecordByte(old, WindowRecord(k) + RecOpen) = k % 2;
    }

    SettingsTables t;
    DecodeSettings(old, t);
    EXPECT_EQ(t.LanguageCode, 1);
    EXPECT_TRUE(t.SettingsFlag23);
    EXPECT_FALSE(t.StatusBarVisible);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(t.WindowExtras[WindowExtra::Top + i], extras[i]);
    EXPECT_EQ(t.WindowRecs[7], (WindowRec{1, 70, -140, 9288, 5532}));

    // Unchanged tables give back the same bytes, every one.
    EXPECT_EQ(EncodeSettings(old, t), old);

    // Changes land at their positions and nowhere else.
    t.LanguageCode = 2;
    t.PartParams[3][PartRow::Volume] = 17;
    t.MasterKbSettings[MasterKbElement::FirstChannel + 4] = 1;
    t.WindowRecs[22].Open = 2;
    t.WindowRecs[20].Height = 4896;
    t.WindowExtras[WindowExtra::Top] = -300;
    const SettingsRecord changed = EncodeSettings(old, t);
    const std::set<int> expectedChanges = {Language,
                                           PartParam(3, PartRow::Volume),
                                           MasterKb(5),
                                           WindowRecord(22) + RecOpen,
                                           WindowRecord(20) + RecHeight,
                                           WindowRecord(20) + RecHeight + 1,
                                           MainTop,
                                           MainTop + 1};
    for (int pos = 1; pos <= 775; ++pos)
        ASSERT_EQ(RecordByte(changed, pos) != RecordByte(old, pos), expectedChanges.count(pos) == 1)
            << "position " << pos;
    EXPECT_EQ(RecordByte(changed, Language), 2);
    EXPECT_EQ(RecordByte(changed, PartParam(3, PartRow::Volume)), 17);
    EXPECT_EQ(Word(changed, MainTop), 15700);
    EXPECT_EQ(Word(changed, WindowRecord(20) + RecHeight), 4896);

    // Position 21 is never rewritten, whatever it holds.
    RecordByte(old, Reserved21) = 0xEE;
    EXPECT_EQ(RecordByte(EncodeSettings(old, t), Reserved21), 0xEE);

    // A foreign record (the file replaced while the program ran) is not kept: a new one is.
    const SettingsRecord fresh = EncodeSettings(SettingsRecord{'x', 'x', 'x'}, t);
    EXPECT_TRUE(HasSignature(fresh));
    EXPECT_EQ(RecordByte(fresh, Reserved21), 0);
    EXPECT_EQ(RecordByte(fresh, PartParam(3, PartRow::Volume)), 17);
}

TEST(SettingsRecord, MainWindowPlacementOnlyWhenNormal) {
    SettingsRecord old = FirstRunFile();
    for (int i = 0; i < 4; ++i)
        SetWord(old, MainTop + 2 * i, 6000 + i);
    SettingsTables t = FirstRunTables();
    for (int i = WindowExtra::Top; i <= WindowExtra::Width; ++i)
        t.WindowExtras[i] = i;
    for (int state :
         {MainWindowState::Maximized, MainWindowState::Minimized, MainWindowState::Normal}) {
        t.WindowExtras[WindowExtra::State] = state;
        const SettingsRecord r = EncodeSettings(old, t);
        const bool normal = state == MainWindowState::Normal;
        EXPECT_EQ(Word(r, MainTop), normal ? 16001 : 6000) << state;
        EXPECT_EQ(Word(r, MainLeft), normal ? 16002 : 6001) << state;
        EXPECT_EQ(Word(r, MainHeight), normal ? 3 : 6002) << state;
        EXPECT_EQ(Word(r, MainWidth), normal ? 4 : 6003) << state;
        EXPECT_EQ(RecordByte(r, MainState), state);
    }
}

TEST(SettingsRecord, CorruptedFieldsTakeTheirDefaults) {
    SettingsRecord r = FirstRunFile(1);
    // {part, row, stored, read}: out-of-range values read as defaults, valid ones are kept.
    const int parts[][4] = {
        {2, PartRow::Channel, 0, 2},         {3, PartRow::Channel, 17, 3},
        {5, PartRow::Channel, 16, 16},       {2, PartRow::Volume, 128, 100},
        {2, PartRow::Pan, 255, 64},          {2, PartRow::VelocityOn, 127, 127},
        {2, PartRow::Chorus, 200, 0},        {2, PartRow::Transposition, 25, 12},
        {3, PartRow::Transposition, 24, 24}, {2, PartRow::ClickKey, 2, 1},
        {3, PartRow::ClickKey, 0, 0},        {2, PartRow::HoldNote, 7, 0},
        {3, PartRow::HoldNote, 1, 1},        {2, PartRow::KeyShift, 4, 2},
        {3, PartRow::KeyShift, 3, 3},        {2, PartRow::ProgramNumber, 0, 1},
        {3, PartRow::ProgramNumber, 129, 1}, {5, PartRow::ProgramNumber, 128, 128},
        {4, PartRow::Volume, 90, 90},        {4, PartRow::Unused13, 200, 200},
        {4, PartRow::ProgramFlag, 0, 0},     {4, PartRow::ProgramThird, 250, 250}};
    // {element, stored, read} of the master keyboard.
    const int master[][3] = {{1, 2, 1},     {9, 255, 0},    {10, 1, 1},     {17, 128, 100},
                             {23, 240, 64}, {27, 127, 127}, {28, 222, 222}, {29, 111, 111},
                             {30, 2, 1},    {31, 9, 0},     {32, 4, 2}};
    for (const auto& c : parts)
        RecordByte(r, PartParam(c[0], c[1])) = static_cast<std::uint8_t>(c[2]);
    for (const auto& c : master)
        RecordByte(r, MasterKb(c[0])) = static_cast<std::uint8_t>(c[1]);

    SettingsTables t;
    DecodeSettings(r, t);
    for (const auto& c : parts)
        EXPECT_EQ(t.PartParams[c[0]][c[1]], c[3]) << "part " << c[0] << " row " << c[1];
    for (const auto& c : master)
        EXPECT_EQ(t.MasterKbSettings[c[0]], c[2]) << "master element " << c[0];

    // Language: anything but 1 or 2 reads as English. Flags: 23 only for 1; 24 for nonzero.
    for (int code : {0, 1, 2, 3, 255}) {
        RecordByte(r, Language) = static_cast<std::uint8_t>(code);
        DecodeSettings(r, t);
        EXPECT_EQ(t.LanguageCode, code == 1 ? 1 : 2) << code;
    }
    RecordByte(r, Flag23) = 2;
    RecordByte(r, StatusBar) = 0x20;
    DecodeSettings(r, t);
    EXPECT_FALSE(t.SettingsFlag23);
    EXPECT_TRUE(t.StatusBarVisible);
}

TEST(SettingsRecord, CorruptedWindowPlacements) {
    SettingsRecord r = FirstRunFile();
    // {kind, offset, stored word (byte for Open), read}.
    const int cases[][4] = {{3, 4, 32768, 5532}, {3, 6, 65535, 9288},  {19, 4, 40000, 5700},
                            {20, 6, 50000, 0},   {4, 4, 32767, 32767}, {5, 0, 32001, 0},
                            {5, 2, 65535, 0},    {6, 0, 32000, 16000}, {6, 2, 0, -16000},
                            {7, 8, 3, 0},        {8, 8, 255, 0},       {22, 8, 2, 2},
                            {9, 8, 1, 1}};
    for (const auto& c : cases) {
        if (c[1] == RecOpen)
            RecordByte(r, WindowRecord(c[0]) + RecOpen) = static_cast<std::uint8_t>(c[2]);
        else
            SetWord(r, WindowRecord(c[0]) + c[1], c[2]);
    }
    const int mainWindow[] = {40000, 32001, 32768, 60000};
    for (int i = 0; i < 4; ++i)
        SetWord(r, MainTop + 2 * i, mainWindow[i]);
    RecordByte(r, MainState) = 7;

    SettingsTables t;
    t.WindowRecs[0] = {1, 2, 3, 4, 5}; // records that are not stored read as all zero
    t.WindowRecs[24] = {1, 2, 3, 4, 5};
    DecodeSettings(r, t);
    for (const auto& c : cases)
        EXPECT_EQ(Field(t.WindowRecs[c[0]], c[1]), c[3]) << "kind " << c[0] << " at " << c[1];
    for (int i = WindowExtra::Top; i <= WindowExtra::Width; ++i)
        EXPECT_EQ(t.WindowExtras[i], 0) << i;
    EXPECT_EQ(t.WindowExtras[WindowExtra::State], 7) << "an unknown state is kept as read";
    EXPECT_EQ(t.WindowRecs[0], WindowRec{});
    EXPECT_EQ(t.WindowRecs[24], WindowRec{});
}

TEST(SettingsRecord, WritingClampsWhatTheFieldsCannotHold) {
    SettingsTables t = FirstRunTables();
    t.WindowExtras = {0, -20000, 40000, -5, 70000, MainWindowState::Normal};
    t.WindowRecs[1] = {1, -16001, 16001, 32768, -1};
    t.WindowRecs[2] = {300, 16000, -16000, 32767, 0};
    t.WindowRecs[3].Open = -4;
    t.MasterKbSettings[MasterKbElement::FirstSlider] = 300;
    t.MasterKbSettings[MasterKbElement::FirstSlider + 1] = -2;
    const SettingsRecord r = EncodeSettings(FirstRunRecord(2), t);

    // Main window Top, Left, Height, Width; then kinds 1 and 2 the same way (576 and 585).
    const int words[] = {0, 32000, 0, 32767, 0, 32000, 0, 32767, 32000, 0, 0, 32767};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Word(r, i < 4 ? MainTop + 2 * i : WindowRecord(i < 8 ? 1 : 2) + 2 * (i % 4)),
                  words[i])
            << "word " << i;
    EXPECT_EQ(RecordByte(r, WindowRecord(1) + RecOpen), 1);
    EXPECT_EQ(RecordByte(r, WindowRecord(2) + RecOpen), 255);
    EXPECT_EQ(RecordByte(r, WindowRecord(3) + RecOpen), 0);
    EXPECT_EQ(RecordByte(r, MasterKb(MasterKbElement::FirstSlider)), 255);
    EXPECT_EQ(RecordByte(r, MasterKb(MasterKbElement::FirstSlider + 1)), 0);
    SettingsTables back;
    DecodeSettings(r, back);
    EXPECT_EQ(back.WindowRecs[1], (WindowRec{1, -16000, 16000, 32767, 0}));
}
