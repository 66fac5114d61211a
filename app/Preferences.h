#pragma once

#include "app/Zones.h"

#include <QString>

// The user's preferences made in the Preferences menu that the settings record has no place for,
// kept in quintaro/preferences.conf beside the MIDI choices (midi.conf).
QString PreferencesFile();
// "Velocity from the click's height": false when never chosen or the file cannot be read.
bool RememberedVelocityFromHeight();
// Remembers the choice; false when the file cannot be written.
bool RememberVelocityFromHeight(bool on);
// The master keyboard's zones (keys zones/N/low, high and transpose, N = channel 1..16). A channel
// whose stored zone is incomplete or out of range keeps the default zone.
Zones RememberedZones();
// Remembers the zones; false when the file cannot be written.
bool RememberZones(const Zones& zones);
