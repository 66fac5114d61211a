#pragma once

#include "midi/Recorder.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// What was played, as a type-1 Standard MIDI File: a tempo track (120 beats per minute, 960 ticks
// per quarter note, so a tick is 0.52 ms), then one track per channel that has a Note On, named
// `trackNames[channel]`. Each channel's track starts at tick 0 with the state the channel had
// there (program, controllers, pitch bend), so the file sounds right from its first note in any
// player. A Note Off without its Note On (the Note On left the recorder) is left out; a note still
// sounding at the take's end, or ended by All Notes Off, gets its Note Off there. Silence before
// the first note is cut to LeadIn: what was sent before then counts as the state at tick 0.
// `shown` is what the windows show for each channel: where nothing the recording holds sets a
// channel's program, a controller or its bend (an external output is sent the program only when
// one is chosen), the shown value stands in at tick 0; what was sent always wins.
namespace StandardMidiFile {

constexpr int TicksPerQuarter = 960;
constexpr int MicrosecondsPerQuarter = 500000;
constexpr auto LeadIn = std::chrono::seconds(1);

std::vector<std::uint8_t> Write(const Recorder::Take& take,
                                const std::array<std::string, 16>& trackNames,
                                const std::array<ChannelState, 16>& shown = {});

} // namespace StandardMidiFile
