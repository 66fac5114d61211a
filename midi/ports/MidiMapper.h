#pragma once

#include "midi/MidiPort.h"

#include <QString>
#include <memory>
#include <vector>

// Picks the output port from StartOutputChoice(), the way the system's MIDI mapper is set outside
// the program: unset or "synth" the built-in synthesizer, "alsa[:NAME]", "jack[:NAME]",
// "capture:FILE", "none". Null when the user chose no output in the program (remembered "none"):
// the program then starts silent without a device message.
std::unique_ptr<MidiPort> CreateMappedPort();
std::unique_ptr<MidiPort> CreatePortFor(const QString& choice);

// The user's choice of ports, made in the program, is kept in a small file of its own:
// quintaro/midi.conf under the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config).
QString MidiChoiceFile();
// The choice remembered under `key` ("output" or "input"); empty when none was made. A choice of
// an ALSA port written with its client:port numbers (files of earlier versions) is read as its
// stable identity, so it finds the device whatever numbers it has now.
QString RememberedMidiChoice(const QString& key);
// Remembers `choice` under `key`, an ALSA port by its stable identity (StableChoice); false when
// the file cannot be written.
bool RememberMidiChoice(const QString& key, const QString& choice);
// A choice as it is remembered and offered: "alsa:NAME" with NAME's stable identity (without the
// client:port numbers that change at every replug), every other choice as it is.
QString StableChoice(const QString& choice);
// The output at start: QUINTARO_MIDI_OUT when it is set and not empty, else the remembered choice
// (empty: the built-in synthesizer).
QString StartOutputChoice();

// One output the user can choose now: its mapper value ("synth", "alsa:NAME", "jack:NAME",
// "none"; an ALSA port's NAME is its stable identity, as RememberMidiChoice keeps it), its kind
// (the value's part before the colon) and what it is called: the port's full name, or the
// SoundFont's file name for the built-in synthesizer.
struct PortChoice {
    QString choice;
    QString kind;
    QString name;
};
// The built-in synthesizer, the ALSA and JACK output ports present now, and none, in that order.
std::vector<PortChoice> OutputChoices();

// The input at start: QUINTARO_MIDI_IN when it is set and not empty, else the remembered choice,
// else "none".
QString StartInputChoice();
// The ALSA and JACK input ports present now (this program's own left out), and none.
std::vector<PortChoice> InputChoices();
