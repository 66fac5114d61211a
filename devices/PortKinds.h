#pragma once

#include "midi/MidiPort.h"

#include <QString>
#include <memory>
#include <span>
#include <string>
#include <vector>

// One output or input the user can choose now: its value ("synth", "alsa:NAME", "jack:NAME",
// "none"; an ALSA port's NAME is its stable identity, as RememberMidiChoice keeps it), its kind
// (the value's part before the colon) and what it is called: the port's full name, or the
// SoundFont's file name for the built-in synthesizer.
struct PortChoice {
    QString choice;
    QString kind;
    QString name;
};

// A kind of port a choice names by its part before the colon: the built-in synthesizer, an ALSA
// sequencer port, a JACK port, the capture file, none. Everything that differs between the kinds
// is here; what reads a choice looks its kind up instead of comparing prefixes.
struct PortKind {
    // Whether a choice of this kind has a part after the colon: "synth" and "none" never,
    // "alsa:NAME" and "jack:NAME" may (the first port without), "capture:FILE" must.
    enum class Argument { Refused, Optional, Required };

    QString prefix;
    Argument argument;
    // Ports of this kind come and go while the program runs: the device watch looks after them.
    bool comesAndGoes;
    // What an entry of this kind shows in the "MIDI..." dialog for the port `name` (languageCode 1
    // Italian, 2 English; `input` for the list of inputs); null for a kind the dialog never
    // offers.
    QString (*caption)(const QString& name, int languageCode, bool input);
    // The entries of this kind the dialog offers now, outputs and inputs.
    std::vector<PortChoice> (*outputs)();
    std::vector<PortChoice> (*inputs)();
    // A port for the part after the colon (`argument`), not yet open.
    std::unique_ptr<MidiPort> (*createOutput)(const QString& argument);
    // Whether an input port of this kind and an output port are one device, so that what the
    // program sends would come back in.
    bool (*sameDevice)(const std::string& inputPortName, const std::string& outputPortName);
};

// Every kind, in the order the dialog lists them.
std::span<const PortKind> PortKinds();
// The kind `choice` names (an empty choice: the built-in synthesizer); null for none known.
const PortKind* KindOf(const QString& choice);

// Picks the output port from StartOutputChoice(), the way the system's MIDI mapper is set outside
// the program: unset or "synth" the built-in synthesizer, "alsa[:NAME]", "jack[:NAME]",
// "capture:FILE", "none". Null when the user chose no output in the program (remembered "none"):
// the program then starts silent without a device message.
std::unique_ptr<MidiPort> CreateMappedPort();
// The port of a choice; a choice not understood is warned about and gives a port of no device.
std::unique_ptr<MidiPort> CreatePortFor(const QString& choice);

// The built-in synthesizer, the ALSA and JACK output ports present now, and none, in that order.
std::vector<PortChoice> OutputChoices();
// The ALSA and JACK input ports present now (this program's own left out), and none.
std::vector<PortChoice> InputChoices();

// Whether a choice names a port that can come and go ("alsa…" or "jack…").
bool IsWatchedChoice(const QString& choice);
