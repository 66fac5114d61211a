#include "midi/Midi.h"

#include "app/strings/Messages.h"

int ShortMessageLength(std::uint8_t) { return 3; }
Midi::Midi(Messages& messages) : messages_(messages) {}
Midi::~Midi() = default;
void Midi::setPort(std::unique_ptr<MidiPort> port) { port_ = std::move(port); }
std::uint32_t Midi::OpenMidiOutput() { return 0; }
void Midi::CloseMidiOutput() {}
void Midi::CheckMidiResult() {}
void Midi::SendShortMessage() {}
void Midi::SendNoteOn(int, int, int) {}
void Midi::SendNoteOff(int, int, int) {}
void Midi::SendAllNotesOff(int) {}
void Midi::SendLongMessage() {}
