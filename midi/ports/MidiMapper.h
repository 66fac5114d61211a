#pragma once

#include "midi/MidiPort.h"

#include <QString>
#include <memory>

// Picks the output port from QUINTARO_MIDI_OUT, the way the system's MIDI mapper is set outside
// the program: unset or "synth" the built-in synthesizer, "alsa[:NAME]", "jack[:NAME]",
// "capture:FILE", "none".
std::unique_ptr<MidiPort> CreateMappedPort();
std::unique_ptr<MidiPort> CreatePortFor(const QString& choice);
