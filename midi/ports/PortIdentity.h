#pragma once

#include <string>

// What names a MIDI port across replugs and restarts.
//
// RtMidi names an ALSA sequencer port "CLIENT:PORT C:P", C:P being the client and port numbers
// the sequencer hands out as devices come: the same keyboard is "USB Keys:USB Keys MIDI 1 24:0"
// today and "... 28:0" after a replug. The JACK bridge of ALSA ports (a2j) puts the client number
// in brackets: "a2j:USB Keys [24] (capture): USB Keys MIDI 1". The stable identity is the name
// without those numbers; a JACK port's own name ("client:port") is already stable.
std::string StablePortIdentity(const std::string& rtMidiPortName);

// Whether a port matches a filter as the user gave it (the NAME of "alsa:NAME"): an empty filter
// matches every port; otherwise the port's name contains the filter, or its stable identity
// contains the filter's (so a choice remembered with numbers that have since changed still
// finds its device).
bool PortMatches(const std::string& portName, const std::string& filter);

// Whether an input port and an output port are the same device, so that what the program sends
// would come back in: the same stable identity (ALSA: the same client and port names; through
// a2j: the capture and playback sides of one ALSA port). Such an input is refused by the caller.
bool SameDevice(const std::string& inputPortName, const std::string& outputPortName);

// Whether a port is one of this program's own (its input or output port, under any client name
// JACK gave it): never offered, never taken.
bool IsOwnPort(const std::string& portName);

// The names of this program's clients and ports.
inline constexpr const char* OwnClientName = "Quintaro";
inline constexpr const char* OwnInputPortName = "Quintaro input";
inline constexpr const char* OwnOutputPortName = "Quintaro output";
