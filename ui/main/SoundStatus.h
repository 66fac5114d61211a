#pragma once

#include <QString>

// What the status bar says when the built-in synthesizer's sound goes or comes back by itself
// (a SoundStatus of midi/MidiPort.h), in the program's language (1 Italian, else English).
QString SoundStatusText(int status, int languageCode);
