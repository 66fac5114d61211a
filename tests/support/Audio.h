#pragma once

#include "midi/ports/SynthPort.h"

#include <QFile>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <vector>

// Measuring what the built-in synthesizer renders.
namespace audio {

constexpr double Rate = SynthPort::SampleRate;

// The SoundFont that tests rendering sound play: the one the setup script installs, whatever
// the system prefers as its default.
constexpr const char* TestSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// The next `seconds` of the synthesizer's output, mixed to mono.
inline std::vector<double> RenderSeconds(SynthPort& synth, double seconds) {
    const auto stereo = synth.render(static_cast<int>(seconds * Rate));
    std::vector<double> mono(stereo.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5 * (stereo[2 * i] + stereo[2 * i + 1]);
    return mono;
}

inline double Rms(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x)
        sum += v * v;
    return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

// The fundamental frequency by autocorrelation: the first lag, between 1 and 20 ms, whose
// normalised autocorrelation is a local maximum within 10 % of the best one; refined by a
// parabola through its neighbours. 0 for silence.
inline double FundamentalHz(const std::vector<double>& x) {
    const int minLag = static_cast<int>(Rate / 1000), maxLag = static_cast<int>(Rate / 50);
    const int n = static_cast<int>(x.size()) - maxLag - 1;
    std::vector<double> r(maxLag + 2, 0.0);
    for (int lag = minLag - 1; n > 0 && lag <= maxLag + 1; ++lag)
        for (int i = 0; i < n; ++i)
            r[lag] += x[i] * x[i + lag];
    const double best = *std::max_element(r.begin() + minLag, r.begin() + maxLag + 1);
    for (int lag = minLag; best > 0 && lag <= maxLag; ++lag)
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double a = r[lag - 1], b = r[lag], c = r[lag + 1], d = a - 2 * b + c;
            return Rate / (lag + (d != 0 ? 0.5 * (a - c) / d : 0));
        }
    return 0;
}

// The RMS of each `step`-second piece of `x`: its envelope.
inline std::vector<double> RmsSteps(const std::vector<double>& x, double step) {
    const auto n = static_cast<std::ptrdiff_t>(step * Rate);
    std::vector<double> out;
    for (auto i = x.begin(); x.end() - i >= n; i += n)
        out.push_back(Rms(std::vector<double>(i, i + n)));
    return out;
}

// The equal-tempered frequency of a MIDI note (A4 = 440 Hz).
inline double NoteHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Whether FluidSynth's file driver writes into `wav`, within `ms`, a 16-bit sample above 1000
// after its first `from` bytes (44: its header).
inline bool WavHeard(const QString& wav, qint64 from, int ms) {
    QFile file(wav);
    return QTest::qWaitFor(
        [&] {
            file.close();
            const QByteArray raw = file.open(QIODevice::ReadOnly) ? file.readAll().mid(from) : "";
            const auto* x = reinterpret_cast<const qint16*>(raw.constData());
            return std::any_of(x, x + raw.size() / 2, [](qint16 v) { return v > 1000; });
        },
        ms);
}

} // namespace audio
