#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The bytes of a MIDI channel message: the names of the status bytes and controllers the program
// sends, how a short message is packed and how many bytes it has. Everything that reads or writes
// message bytes (the module Midi, its recorder, the ports) shares these.

// Number of bytes of a status byte's message: 3 for note, key pressure, control change and pitch
// bend, 2 for program change and channel pressure; 1..3 for system messages by their kind (song
// position 3, time code and song select 2, the rest 1); 0 for a data byte (below 0x80).
int ShortMessageLength(std::uint8_t status);

// The bytes of a packed short message, lowest first, as many as its status byte calls for; all
// three when the lowest byte is not a status byte, so nothing sent is hidden.
std::vector<std::uint8_t> ShortMessageBytes(std::uint32_t message);

// "90 3c 64": two-digit lowercase hex bytes separated by single blanks.
std::string HexLine(const std::vector<std::uint8_t>& bytes);

// Status bytes of the channel messages the program sends (the channel 0..15 goes in the low
// nibble).
namespace MidiStatus {
constexpr std::uint32_t NoteOff = 0x80;
constexpr std::uint32_t NoteOn = 0x90;
constexpr std::uint32_t ControlChange = 0xB0;
constexpr std::uint32_t ProgramChange = 0xC0;
constexpr std::uint32_t PitchBend = 0xE0;
} // namespace MidiStatus

// Controller numbers of the control changes the program sends.
namespace Controller {
constexpr std::uint32_t Modulation = 1;
constexpr std::uint32_t Breath = 2; // "Mod 2"
constexpr std::uint32_t Volume = 7;
constexpr std::uint32_t Pan = 10;
constexpr std::uint32_t ReleaseTime = 72;
constexpr std::uint32_t AttackTime = 73;
constexpr std::uint32_t Reverb = 91;
constexpr std::uint32_t Chorus = 93;
constexpr std::uint32_t AllNotesOff = 123;
} // namespace Controller

// Packs a short message as the port takes it: status | data1 << 8 | data2 << 16.
constexpr std::uint32_t PackShortMessage(std::uint32_t status, std::uint32_t data1,
                                         std::uint32_t data2) {
    return status | (data1 << 8) | (data2 << 16);
}
