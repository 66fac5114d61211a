#pragma once

#include "midi/ports/SynthPort.h"

#include <vector>

// Measuring what the built-in synthesizer renders offline.
namespace audio {

constexpr double Rate = SynthPort::SampleRate;

// The left and right channels of interleaved stereo mixed to one.
std::vector<double> Mono(const std::vector<float>& stereo);
// The next `seconds` of the synthesizer's output, mixed to mono.
std::vector<double> RenderSeconds(SynthPort& synth, double seconds);
double Rms(const std::vector<double>& x);
// The fundamental frequency by autocorrelation: the first lag, between 1 and 20 ms, whose
// normalised autocorrelation is a local maximum within 10 % of the best one; refined by a
// parabola through its neighbours. 0 for silence.
double FundamentalHz(const std::vector<double>& x);
// The equal-tempered frequency of a MIDI note (A4 = 440 Hz).
double NoteHz(int note);

} // namespace audio
