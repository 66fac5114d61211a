#pragma once

#include "midi/MidiPort.h"
#include "midi/Recorder.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

struct AppState;

// Sends every part's state from PartParams on the part's channel, parts 1..16 in order: its
// program change when it has a program, then the message of each slider in slider order (volume,
// pan, attack, release, bend, mod 1, mod 2, reverb, chorus), so a synthesizer that has just been
// connected sounds as the windows show.
void SendPartStates(AppState& state);

// While the master keyboard is open: its sliders' messages from MasterKbSettings, slider by
// slider, each to every channel switched on, as the window's own sliders send them.
void SendMasterKbState(AppState& state);

// The name of each channel's track in a saved MIDI file: "Part n" for the first part on that
// channel, else "Master keyboard" where the master keyboard plays it, else "Channel n".
std::array<std::string, 16> MidiFileTrackNames(const AppState& state);

// What the windows show for each channel, as the messages SendAllStates sends would set it: the
// first part set to the channel (its program when it has one, its sliders), else the open master
// keyboard's sliders where it plays the channel, else nothing. A saved MIDI file starts each
// track with it where the recording does not say.
std::array<ChannelState, 16> ShownChannelStates(const AppState& state);

// Everything a device that has just been connected needs to sound as the windows show: the
// parts' states, then the open master keyboard's.
void SendAllStates(AppState& state);

// Replaces the output with `port` (see Midi::ReplacePort) and, when the new port works, sends
// every part's and the open master keyboard's state to it. Returns whether the output works.
// `report` false: a port that fails to open is not shown in a message.
bool SwitchOutput(AppState& state, std::unique_ptr<MidiPort> port, bool report = true);
