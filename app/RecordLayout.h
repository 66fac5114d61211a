#pragma once

// How the settings record numbers the elements of its tables: the rows of a part's column of
// PartParams, the elements of WindowExtras and of MasterKbSettings. Apart from Settings.h so that
// the tables built on these numbers (SliderTable.h) need not include the record's codec.

// Rows of a part's column of PartParams (0..24), as the record numbers them.
namespace PartRow {
constexpr int Channel = 0;     // MIDI channel 1..16
constexpr int FirstSlider = 1; // rows 1..11: the eleven slider values, row = slider index + 1
constexpr int SliderCount = 11;
constexpr int Volume = 1;
constexpr int Pan = 2;
constexpr int VelocityOn = 3;
constexpr int VelocityOff = 4;
constexpr int AttackTime = 5;
constexpr int ReleaseTime = 6;
constexpr int PitchBend = 7;
constexpr int Modulation1 = 8;
constexpr int Modulation2 = 9;
constexpr int Reverb = 10;
constexpr int Chorus = 11;
constexpr int Transposition = 12; // transposition + 12 (0..24, 12 = none)
constexpr int Unused13 = 13;
constexpr int ClickKey = 14;
constexpr int HoldNote = 15;
constexpr int KeyShift = 16;      // 0..3
constexpr int ProgramFlag = 17;   // 1 = the part has a GM program
constexpr int ProgramNumber = 18; // 1..128
constexpr int ProgramThird = 19;  // passed to the program-name lookups, not used by them
constexpr int Count = 25;
} // namespace PartRow

// The channel nibble (0..15) of the messages of a part whose channel row holds `channel` (1..16).
constexpr int partChannel(int channel) {
    return (channel - 1) & 0x0F;
}

// Elements of WindowExtras (1..7): the main window's placement.
namespace WindowExtra {
constexpr int Top = 1;
constexpr int Left = 2;
constexpr int Height = 3;
constexpr int Width = 4;
constexpr int State = 5; // a MainWindowState; 6 and 7 are not used
} // namespace WindowExtra

// Elements of MasterKbSettings (1..32).
namespace MasterKbElement {
constexpr int FirstChannel = 1; // 1..16: channel n enabled (1 = on)
constexpr int LastChannel = 16;
constexpr int FirstSlider = 17; // 17..27: slider values, element = slider index + 17
constexpr int VelocityOff = 20; // the "Vel Off" slider (index 3)
constexpr int LastSlider = 27;
constexpr int ClickKey = 30; // 28 and 29 are not used
constexpr int HoldNote = 31;
constexpr int KeyShift = 32;
constexpr int Count = 32;
} // namespace MasterKbElement

// Main-window states stored in WindowExtras(5).
namespace MainWindowState {
constexpr int Normal = 0;
constexpr int Minimized = 1;
constexpr int Maximized = 2;
} // namespace MainWindowState
