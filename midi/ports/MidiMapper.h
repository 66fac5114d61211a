#pragma once

#include <QString>

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

// The input at start: QUINTARO_MIDI_IN when it is set and not empty, else the remembered choice,
// else "none".
QString StartInputChoice();
