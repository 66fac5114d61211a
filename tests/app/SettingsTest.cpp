#include "app/Settings.h"
#include "app/WindowKinds.h"

#include <gtest/gtest.h>

#include <set>

namespace {

int PartPos(int part, int row) {
    return 176 + 25 * (part - 1) + row;
}
int WindowPos(int kind) {
    return 576 + 9 * (kind - 1);
}
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

// Every position the program writes when the main window is in its normal state.
std::set<int> OwnedPositions() {
    std::set<int> owned{22, 23, 24, 101, 102, 103, 104, 105, 106, 107, 108, 109};
    for (int pos = 51; pos <= 82; ++pos)
        owned.insert(pos);
    for (int pos = 176; pos <= 773; ++pos)
        owned.insert(pos);
    return owned;
}

} // namespace

TEST(SettingsRecord, SignatureAndNewRecord) {
    const SettingsRecord r = NewSettingsRecord();
    EXPECT_TRUE(HasSignature(std::vector<std::uint8_t>(r.begin(), r.end())));
    for (int pos = 12; pos <= 250; ++pos)
        ASSERT_EQ(RecordByte(r, pos), 0) << "position " << pos;
    for (int pos = 251; pos <= 775; ++pos)
        ASSERT_EQ(RecordByte(r, pos), ' ') << "position " << pos;

    const std::string sig = "QuintaroV10";
    EXPECT_TRUE(HasSignature(std::vector<std::uint8_t>(sig.begin(), sig.end())));
    EXPECT_FALSE(HasSignature(std::vector<std::uint8_t>(sig.begin(), sig.end() - 1)));
    EXPECT_FALSE(HasSignature({}));
    std::string other = "QuintaroV11 and more";
    EXPECT_FALSE(HasSignature(std::vector<std::uint8_t>(other.begin(), other.end())));
    std::string lower = "quintaroV10";
    EXPECT_FALSE(HasSignature(std::vector<std::uint8_t>(lower.begin(), lower.end())));
}

TEST(SettingsRecord, RecordFromBytesPadsAsANewRecord) {
    std::vector<std::uint8_t> bytes(300, 0xAB);
    const SettingsRecord r = RecordFromBytes(bytes);
    for (int pos = 1; pos <= 300; ++pos)
        ASSERT_EQ(RecordByte(r, pos), 0xAB) << pos;
    for (int pos = 301; pos <= 775; ++pos)
        ASSERT_EQ(RecordByte(r, pos), ' ') << pos;

    const SettingsRecord shortRec = RecordFromBytes({'Q', 'u'});
    EXPECT_EQ(RecordByte(shortRec, 1), 'Q');
    EXPECT_EQ(RecordByte(shortRec, 2), 'u');
    EXPECT_EQ(RecordByte(shortRec, 3), 0);
    EXPECT_EQ(RecordByte(shortRec, 250), 0);
    EXPECT_EQ(RecordByte(shortRec, 251), ' ');

    std::vector<std::uint8_t> longer(900, 7);
    longer[774] = 9;
    const SettingsRecord cut = RecordFromBytes(longer);
    EXPECT_EQ(RecordByte(cut, 775), 9);
    EXPECT_EQ(RecordByte(cut, 1), 7);
}

TEST(SettingsRecord, FirstRunFileByteForByte) {
    const SettingsRecord r = FirstRunFile(1);
    const std::string sig = "QuintaroV10";
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(RecordByte(r, i + 1), static_cast<std::uint8_t>(sig[i]));
    EXPECT_EQ(RecordByte(r, 22), 1);
    EXPECT_EQ(RecordByte(r, 23), 0);
    EXPECT_EQ(RecordByte(r, 24), 1);
    EXPECT_EQ(RecordByte(r, 109), 2);

    // Master keyboard: channel 1 only, sliders 100 64 64 64 0 0 64 0 0 0 0, Click Key on, shift 2.
    const std::array<int, 32> master = {1,   0,  0,  0,  0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        100, 64, 64, 64, 0, 0, 64, 0, 0, 0, 0, 0, 0, 1, 0, 2};
    for (int i = 1; i <= 32; ++i)
        EXPECT_EQ(RecordByte(r, 50 + i), master[i - 1]) << "MasterKbSettings " << i;

    const std::array<int, 25> part = {0, 100, 64, 80, 64, 0, 0, 64, 0, 0, 0, 0, 12,
                                      2, 1,   0,  2,  1,  1, 0, 0,  0, 0, 0, 0};
    for (int p = 1; p <= 16; ++p)
        for (int row = 0; row < 25; ++row)
            EXPECT_EQ(RecordByte(r, PartPos(p, row)), row == 0 ? p : part[row])
                << "part " << p << " row " << row;

    for (int k = 1; k <= 22; ++k) {
        const int pos = WindowPos(k);
        EXPECT_EQ(Word(r, pos), 16000) << "Top of kind " << k;
        EXPECT_EQ(Word(r, pos + 2), 16000) << "Left of kind " << k;
        const bool partWindow = k <= 16;
        EXPECT_EQ(Word(r, pos + 4), partWindow ? 5532 : k == 19 ? 5700 : 0) << "Height " << k;
        EXPECT_EQ(Word(r, pos + 6), partWindow ? 9288 : k == 19 ? 9372 : 0) << "Width " << k;
        EXPECT_EQ(RecordByte(r, pos + 8), 0) << "Open " << k;
    }

    // Every other position holds what a new record holds: the maximized main window keeps
    // 101-108 as created.
    for (int pos = 12; pos < 176; ++pos) {
        if (pos == 22 || pos == 23 || pos == 24 || pos == 109 || (pos >= 51 && pos <= 82))
            continue;
        EXPECT_EQ(RecordByte(r, pos), 0) << "position " << pos;
    }
    EXPECT_EQ(RecordByte(r, 774), ' ');
    EXPECT_EQ(RecordByte(r, 775), ' ');
}

TEST(SettingsRecord, FirstRunDefaultsInMemory) {
    SettingsTables t;
    t.LanguageCode = 1;
    t.SettingsFlag23 = true;
    t.StatusBarVisible = false;
    t.WindowRecs[23].Top = 55;
    ApplyFirstRunDefaults(t);
    EXPECT_EQ(t.LanguageCode, 1) << "the language is the dialog's, not a default";
    EXPECT_FALSE(t.SettingsFlag23);
    EXPECT_TRUE(t.StatusBarVisible);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(t.WindowExtras[i], 0);
    EXPECT_EQ(t.WindowExtras[5], MainWindowState::Maximized);
    EXPECT_EQ(t.WindowRecs[0], (WindowRec{0, 0, 0, 0, 0}));
    EXPECT_EQ(t.WindowRecs[23], (WindowRec{0, 0, 0, 0, 0}));
    EXPECT_EQ(t.WindowRecs[5], (WindowRec{0, 0, 0, 9288, 5532}));
    EXPECT_EQ(t.WindowRecs[19], (WindowRec{0, 0, 0, 9372, 5700}));
    EXPECT_EQ(t.WindowRecs[17], (WindowRec{0, 0, 0, 0, 0}));
    EXPECT_EQ(t.PartParams[7][0], 7);
    EXPECT_EQ(t.PartParams[16][12], 12);
}

TEST(SettingsRecord, FieldPositions) {
    SettingsTables t = FirstRunTables();
    t.PartParams[16][24] = 0xA5;
    t.PartParams[1][0] = 9;
    t.WindowRecs[22].Open = 1;
    t.WindowRecs[1].Top = -16000;
    t.WindowRecs[2].Top = 0;
    t.WindowRecs[3].Left = 1234;
    t.WindowRecs[4].Height = 300;
    t.WindowRecs[4].Width = 0x1234;
    t.MasterKbSettings[32] = 3;
    const SettingsRecord r = EncodeSettings(FirstRunRecord(2), t);

    EXPECT_EQ(RecordByte(r, 575), 0xA5) << "part 16, row 24";
    EXPECT_EQ(RecordByte(r, 176), 9) << "part 1, row 0";
    EXPECT_EQ(RecordByte(r, 773), 1) << "kind 22 Open flag";
    EXPECT_EQ(RecordByte(r, 774), ' ');
    EXPECT_EQ(RecordByte(r, 82), 3) << "MasterKbSettings 32";
    // Top = -16000 is the word 0; Top = 0 is 0x3E80, high byte first.
    EXPECT_EQ(RecordByte(r, 576), 0);
    EXPECT_EQ(RecordByte(r, 577), 0);
    EXPECT_EQ(RecordByte(r, 585), 62);
    EXPECT_EQ(RecordByte(r, 586), 128);
    EXPECT_EQ(Word(r, WindowPos(3) + 2), 17234);
    EXPECT_EQ(Word(r, WindowPos(4) + 4), 300);
    EXPECT_EQ(RecordByte(r, WindowPos(4) + 6), 0x12);
    EXPECT_EQ(RecordByte(r, WindowPos(4) + 7), 0x34);

    SettingsTables back;
    DecodeSettings(r, back);
    EXPECT_EQ(back.WindowRecs[1].Top, -16000);
    EXPECT_EQ(back.WindowRecs[3].Left, 1234);
    EXPECT_EQ(back.WindowRecs[4].Width, 0x1234);
    EXPECT_EQ(back.WindowRecs[22].Open, 1);
    EXPECT_EQ(back.PartParams[1][0], 9);
}

TEST(SettingsRecord, ReadModifyWriteKeepsUnownedBytes) {
    // An old file with distinctive bytes everywhere the program does not write, and valid
    // values where it does.
    SettingsRecord old = FirstRunFile(1);
    const std::set<int> owned = OwnedPositions();
    for (int pos = 12; pos <= 775; ++pos)
        if (!owned.count(pos))
            RecordByte(old, pos) = static_cast<std::uint8_t>(0x80 + pos % 97);
    RecordByte(old, 23) = 1;
    RecordByte(old, 24) = 0;
    SetWord(old, 101, 16000 + 120);
    SetWord(old, 103, 16000 - 45);
    SetWord(old, 105, 7000);
    SetWord(old, 107, 11000);
    RecordByte(old, 109) = MainWindowState::Normal;
    for (int k = 1; k <= 22; ++k) {
        SetWord(old, WindowPos(k), 16000 + 10 * k);
        SetWord(old, WindowPos(k) + 2, 16000 - 20 * k);
        RecordByte(old, WindowPos(k) + 8) = k % 2;
    }

    SettingsTables t;
    DecodeSettings(old, t);
    EXPECT_EQ(t.LanguageCode, 1);
    EXPECT_TRUE(t.SettingsFlag23);
    EXPECT_FALSE(t.StatusBarVisible);
    EXPECT_EQ(t.WindowExtras[1], 120);
    EXPECT_EQ(t.WindowExtras[2], -45);
    EXPECT_EQ(t.WindowExtras[3], 7000);
    EXPECT_EQ(t.WindowExtras[4], 11000);
    EXPECT_EQ(t.WindowRecs[7], (WindowRec{1, 70, -140, 9288, 5532}));

    // Unchanged tables give back the same bytes, every one.
    const SettingsRecord same = EncodeSettings(old, t);
    for (int pos = 1; pos <= 775; ++pos)
        ASSERT_EQ(RecordByte(same, pos), RecordByte(old, pos)) << "position " << pos;

    // Changes land at their positions and nowhere else.
    t.LanguageCode = 2;
    t.PartParams[3][1] = 17;
    t.MasterKbSettings[5] = 1;
    t.WindowRecs[22].Open = 2;
    t.WindowRecs[20].Height = 4896;
    t.WindowExtras[1] = -300;
    const SettingsRecord changed = EncodeSettings(old, t);
    std::set<int> expectedChanges = {
        22, PartPos(3, 1), 55, 773, WindowPos(20) + 4, WindowPos(20) + 5, 101, 102};
    for (int pos = 1; pos <= 775; ++pos) {
        if (expectedChanges.count(pos))
            EXPECT_NE(RecordByte(changed, pos), RecordByte(old, pos)) << "position " << pos;
        else
            ASSERT_EQ(RecordByte(changed, pos), RecordByte(old, pos)) << "position " << pos;
    }
    EXPECT_EQ(RecordByte(changed, 22), 2);
    EXPECT_EQ(RecordByte(changed, PartPos(3, 1)), 17);
    EXPECT_EQ(Word(changed, 101), 15700);
    EXPECT_EQ(Word(changed, WindowPos(20) + 4), 4896);

    // Position 21 is never rewritten, whatever it holds.
    RecordByte(old, 21) = 0xEE;
    EXPECT_EQ(RecordByte(EncodeSettings(old, t), 21), 0xEE);
}

TEST(SettingsRecord, MainWindowPlacementOnlyWhenNormal) {
    SettingsRecord old = FirstRunFile();
    SetWord(old, 101, 16500);
    SetWord(old, 103, 16600);
    SetWord(old, 105, 6000);
    SetWord(old, 107, 9000);

    SettingsTables t = FirstRunTables();
    t.WindowExtras[1] = 1;
    t.WindowExtras[2] = 2;
    t.WindowExtras[3] = 3;
    t.WindowExtras[4] = 4;
    for (int state : {MainWindowState::Maximized, MainWindowState::Minimized}) {
        t.WindowExtras[5] = state;
        const SettingsRecord r = EncodeSettings(old, t);
        EXPECT_EQ(Word(r, 101), 16500);
        EXPECT_EQ(Word(r, 103), 16600);
        EXPECT_EQ(Word(r, 105), 6000);
        EXPECT_EQ(Word(r, 107), 9000);
        EXPECT_EQ(RecordByte(r, 109), state);
    }
    t.WindowExtras[5] = MainWindowState::Normal;
    const SettingsRecord r = EncodeSettings(old, t);
    EXPECT_EQ(Word(r, 101), 16001);
    EXPECT_EQ(Word(r, 103), 16002);
    EXPECT_EQ(Word(r, 105), 3);
    EXPECT_EQ(Word(r, 107), 4);
    EXPECT_EQ(RecordByte(r, 109), 0);
}

TEST(SettingsRecord, EncodeOverAForeignRecordStartsFresh) {
    // The file vanished or was replaced while the program ran: the tables go into a new record
    // so that the next start reads them.
    std::vector<std::uint8_t> foreign(775, 'x');
    SettingsTables t = FirstRunTables(1);
    t.PartParams[2][1] = 33;
    const SettingsRecord r = EncodeSettings(RecordFromBytes(foreign), t);
    EXPECT_TRUE(HasSignature(std::vector<std::uint8_t>(r.begin(), r.end())));
    EXPECT_EQ(RecordByte(r, 21), 0);
    EXPECT_EQ(RecordByte(r, 774), ' ');
    SettingsTables back;
    DecodeSettings(r, back);
    EXPECT_EQ(back.PartParams[2][1], 33);
    EXPECT_EQ(back.LanguageCode, 1);
}

TEST(SettingsRecord, CorruptedFieldsTakeTheirDefaults) {
    SettingsRecord r = FirstRunFile(1);
    // A few good values elsewhere that must survive.
    RecordByte(r, PartPos(4, 1)) = 90;
    RecordByte(r, PartPos(4, 13)) = 200; // not used: any value is kept
    RecordByte(r, PartPos(4, 17)) = 0;   // the flag stays as stored
    RecordByte(r, PartPos(4, 19)) = 250;

    RecordByte(r, PartPos(2, 0)) = 0;    // channel 0
    RecordByte(r, PartPos(3, 0)) = 17;   // channel 17
    RecordByte(r, PartPos(5, 0)) = 16;   // a valid channel other than the part
    RecordByte(r, PartPos(2, 1)) = 128;  // volume
    RecordByte(r, PartPos(2, 2)) = 255;  // pan
    RecordByte(r, PartPos(2, 3)) = 127;  // the top of the range is kept
    RecordByte(r, PartPos(2, 11)) = 200; // chorus
    RecordByte(r, PartPos(2, 12)) = 25;  // transposition
    RecordByte(r, PartPos(3, 12)) = 24;
    RecordByte(r, PartPos(2, 14)) = 2; // Click Key
    RecordByte(r, PartPos(3, 14)) = 0;
    RecordByte(r, PartPos(2, 15)) = 7; // Hold Note
    RecordByte(r, PartPos(3, 15)) = 1;
    RecordByte(r, PartPos(2, 16)) = 4; // key shift
    RecordByte(r, PartPos(3, 16)) = 3;
    RecordByte(r, PartPos(2, 18)) = 0; // program
    RecordByte(r, PartPos(3, 18)) = 129;
    RecordByte(r, PartPos(5, 18)) = 128;

    RecordByte(r, 50 + 1) = 2;    // channel enable 1
    RecordByte(r, 50 + 9) = 255;  // channel enable 9
    RecordByte(r, 50 + 10) = 1;   // a valid enable
    RecordByte(r, 50 + 17) = 128; // volume slider
    RecordByte(r, 50 + 23) = 240; // modulation slider
    RecordByte(r, 50 + 27) = 127;
    RecordByte(r, 50 + 28) = 222; // not used: kept
    RecordByte(r, 50 + 29) = 111;
    RecordByte(r, 50 + 30) = 2;
    RecordByte(r, 50 + 31) = 9;
    RecordByte(r, 50 + 32) = 4;

    SettingsTables t;
    DecodeSettings(r, t);
    EXPECT_EQ(t.PartParams[2][0], 2);
    EXPECT_EQ(t.PartParams[3][0], 3);
    EXPECT_EQ(t.PartParams[5][0], 16);
    EXPECT_EQ(t.PartParams[2][1], 100);
    EXPECT_EQ(t.PartParams[2][2], 64);
    EXPECT_EQ(t.PartParams[2][3], 127);
    EXPECT_EQ(t.PartParams[2][11], 0);
    EXPECT_EQ(t.PartParams[2][12], 12);
    EXPECT_EQ(t.PartParams[3][12], 24);
    EXPECT_EQ(t.PartParams[2][14], 1);
    EXPECT_EQ(t.PartParams[3][14], 0);
    EXPECT_EQ(t.PartParams[2][15], 0);
    EXPECT_EQ(t.PartParams[3][15], 1);
    EXPECT_EQ(t.PartParams[2][16], 2);
    EXPECT_EQ(t.PartParams[3][16], 3);
    EXPECT_EQ(t.PartParams[2][18], 1);
    EXPECT_EQ(t.PartParams[3][18], 1);
    EXPECT_EQ(t.PartParams[5][18], 128);
    EXPECT_EQ(t.PartParams[4][1], 90);
    EXPECT_EQ(t.PartParams[4][13], 200);
    EXPECT_EQ(t.PartParams[4][17], 0);
    EXPECT_EQ(t.PartParams[4][19], 250);

    EXPECT_EQ(t.MasterKbSettings[1], 1);
    EXPECT_EQ(t.MasterKbSettings[9], 0);
    EXPECT_EQ(t.MasterKbSettings[10], 1);
    EXPECT_EQ(t.MasterKbSettings[17], 100);
    EXPECT_EQ(t.MasterKbSettings[23], 64);
    EXPECT_EQ(t.MasterKbSettings[27], 127);
    EXPECT_EQ(t.MasterKbSettings[28], 222);
    EXPECT_EQ(t.MasterKbSettings[29], 111);
    EXPECT_EQ(t.MasterKbSettings[30], 1);
    EXPECT_EQ(t.MasterKbSettings[31], 0);
    EXPECT_EQ(t.MasterKbSettings[32], 2);
    EXPECT_EQ(t.LanguageCode, 1);

    // Language: anything but 1 or 2 reads as English.
    for (int code : {0, 3, 32, 255}) {
        RecordByte(r, 22) = static_cast<std::uint8_t>(code);
        DecodeSettings(r, t);
        EXPECT_EQ(t.LanguageCode, 2) << code;
    }
    RecordByte(r, 22) = 1;
    DecodeSettings(r, t);
    EXPECT_EQ(t.LanguageCode, 1);

    // Flags: 23 is true only for 1; 24 for any nonzero byte.
    RecordByte(r, 23) = 2;
    RecordByte(r, 24) = 0x20;
    DecodeSettings(r, t);
    EXPECT_FALSE(t.SettingsFlag23);
    EXPECT_TRUE(t.StatusBarVisible);
}

TEST(SettingsRecord, CorruptedWindowPlacements) {
    SettingsRecord r = FirstRunFile();
    SetWord(r, WindowPos(3) + 4, 32768);  // Height beyond a 16-bit integer
    SetWord(r, WindowPos(3) + 6, 65535);  // Width
    SetWord(r, WindowPos(19) + 4, 40000); // volume window: its own default size
    SetWord(r, WindowPos(20) + 6, 50000); // program page: no default size, 0
    SetWord(r, WindowPos(4) + 4, 32767);  // the largest size that fits is kept
    SetWord(r, WindowPos(5), 32001);      // Top = 16001
    SetWord(r, WindowPos(5) + 2, 65535);  // Left
    SetWord(r, WindowPos(6), 32000);      // Top = 16000 is kept
    SetWord(r, WindowPos(6) + 2, 0);      // Left = -16000 is kept
    RecordByte(r, WindowPos(7) + 8) = 3;  // Open flags
    RecordByte(r, WindowPos(8) + 8) = 255;
    RecordByte(r, WindowPos(22) + 8) = 2; // the notepad minimized
    RecordByte(r, WindowPos(9) + 8) = 1;
    // Main window.
    SetWord(r, 101, 40000);
    SetWord(r, 103, 32001);
    SetWord(r, 105, 32768);
    SetWord(r, 107, 60000);
    RecordByte(r, 109) = 7;

    SettingsTables t;
    DecodeSettings(r, t);
    EXPECT_EQ(t.WindowRecs[3].Height, 5532);
    EXPECT_EQ(t.WindowRecs[3].Width, 9288);
    EXPECT_EQ(t.WindowRecs[19].Height, 5700);
    EXPECT_EQ(t.WindowRecs[20].Width, 0);
    EXPECT_EQ(t.WindowRecs[4].Height, 32767);
    EXPECT_EQ(t.WindowRecs[5].Top, 0);
    EXPECT_EQ(t.WindowRecs[5].Left, 0);
    EXPECT_EQ(t.WindowRecs[6].Top, 16000);
    EXPECT_EQ(t.WindowRecs[6].Left, -16000);
    EXPECT_EQ(t.WindowRecs[7].Open, 0);
    EXPECT_EQ(t.WindowRecs[8].Open, 0);
    EXPECT_EQ(t.WindowRecs[22].Open, 2);
    EXPECT_EQ(t.WindowRecs[9].Open, 1);
    EXPECT_EQ(t.WindowExtras[1], 0);
    EXPECT_EQ(t.WindowExtras[2], 0);
    EXPECT_EQ(t.WindowExtras[3], 0);
    EXPECT_EQ(t.WindowExtras[4], 0);
    EXPECT_EQ(t.WindowExtras[5], 7) << "an unknown state is kept as read";

    // Records that are not stored read as all zero, whatever the tables held.
    t.WindowRecs[0] = {1, 2, 3, 4, 5};
    t.WindowRecs[24] = {1, 2, 3, 4, 5};
    DecodeSettings(r, t);
    EXPECT_EQ(t.WindowRecs[0], WindowRec{});
    EXPECT_EQ(t.WindowRecs[24], WindowRec{});
}

TEST(SettingsRecord, WritingClampsWhatTheFieldsCannotHold) {
    SettingsTables t = FirstRunTables();
    t.WindowExtras[5] = MainWindowState::Normal;
    t.WindowExtras[1] = -20000;
    t.WindowExtras[2] = 40000;
    t.WindowExtras[3] = -5;
    t.WindowExtras[4] = 70000;
    t.WindowRecs[1] = {1, -16001, 16001, 32768, -1};
    t.WindowRecs[2] = {300, 16000, -16000, 32767, 0};
    t.WindowRecs[3].Open = -4;
    t.MasterKbSettings[17] = 300;
    t.MasterKbSettings[18] = -2;
    const SettingsRecord r = EncodeSettings(FirstRunRecord(2), t);

    EXPECT_EQ(Word(r, 101), 0);
    EXPECT_EQ(Word(r, 103), 32000);
    EXPECT_EQ(Word(r, 105), 0);
    EXPECT_EQ(Word(r, 107), 32767);
    EXPECT_EQ(Word(r, WindowPos(1)), 0);
    EXPECT_EQ(Word(r, WindowPos(1) + 2), 32000);
    EXPECT_EQ(Word(r, WindowPos(1) + 4), 0);     // Height -1
    EXPECT_EQ(Word(r, WindowPos(1) + 6), 32767); // Width 32768
    EXPECT_EQ(RecordByte(r, WindowPos(1) + 8), 1);
    EXPECT_EQ(Word(r, WindowPos(2)), 32000);
    EXPECT_EQ(Word(r, WindowPos(2) + 2), 0);
    EXPECT_EQ(Word(r, WindowPos(2) + 6), 32767);
    EXPECT_EQ(RecordByte(r, WindowPos(2) + 8), 255);
    EXPECT_EQ(RecordByte(r, WindowPos(3) + 8), 0);
    EXPECT_EQ(RecordByte(r, 67), 255);
    EXPECT_EQ(RecordByte(r, 68), 0);
    // The clamped values read back as placements the program can use.
    SettingsTables back;
    DecodeSettings(r, back);
    EXPECT_EQ(back.WindowRecs[1], (WindowRec{1, -16000, 16000, 32767, 0}));
    EXPECT_EQ(back.WindowExtras[4], 32767);
}
