#pragma once

#include "midi/ports/SynthPort.h"

#include <string>
#include <vector>

// Measuring what the built-in synthesizer renders offline.
namespace audio {

constexpr double Rate = SynthPort::SampleRate;

// The SoundFont that tests rendering sound play: the one the setup script installs, whatever
// the system prefers as its default.
constexpr const char* TestSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// TestSoundFont, then Debian's fluid-soundfont-gm when it is installed: the General MIDI
// SoundFonts that checks meant for any of them run with.
std::vector<std::string> InstalledSoundFonts();

// The left and right channels of interleaved stereo mixed to one.
std::vector<double> Mono(const std::vector<float>& stereo);
// The next `seconds` of the synthesizer's output, mixed to mono.
std::vector<double> RenderSeconds(SynthPort& synth, double seconds);
double Rms(const std::vector<double>& x);
// The RMS of the difference of `a` and `b`, over the shorter's length.
double RmsDifference(const std::vector<double>& a, const std::vector<double>& b);
// The fundamental frequency by autocorrelation: the first lag, between 1 and 20 ms, whose
// normalised autocorrelation is a local maximum within 10 % of the best one; refined by a
// parabola through its neighbours. 0 for silence.
double FundamentalHz(const std::vector<double>& x);
// The level in `window`-second steps (RMS of each step), for following an envelope.
std::vector<double> Envelope(const std::vector<double>& x, double window);
// The fundamental in `frame`-second steps, in cents relative to the first step's.
std::vector<double> PitchTrackCents(const std::vector<double>& x, double frame);
// The equal-tempered frequency of a MIDI note (A4 = 440 Hz).
double NoteHz(int note);

} // namespace audio
