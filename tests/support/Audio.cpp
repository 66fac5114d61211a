#include "support/Audio.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <functional>

namespace audio {

std::vector<std::string> InstalledSoundFonts() {
    std::vector<std::string> found;
    for (const char* path : {TestSoundFont, "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
        if (QFileInfo::exists(QString::fromLatin1(path)))
            found.emplace_back(path);
    return found;
}

std::vector<double> Mono(const std::vector<float>& stereo) {
    std::vector<double> mono(stereo.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5 * (stereo[2 * i] + stereo[2 * i + 1]);
    return mono;
}

std::vector<double> RenderSeconds(SynthPort& synth, double seconds) {
    return Mono(synth.render(static_cast<int>(seconds * Rate)));
}

double Rms(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x)
        sum += v * v;
    return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

double RmsDifference(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> d(std::min(a.size(), b.size()));
    std::transform(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(d.size()), b.begin(),
                   d.begin(), std::minus<>());
    return Rms(d);
}

double FundamentalHz(const std::vector<double>& x) {
    const int minLag = static_cast<int>(Rate / 1000);
    const int maxLag = static_cast<int>(Rate / 50);
    const int n = static_cast<int>(x.size()) - maxLag - 1;
    if (n <= 0)
        return 0;
    double energy = 0;
    for (int i = 0; i < n; ++i)
        energy += x[i] * x[i];
    if (energy <= 0)
        return 0;
    std::vector<double> r(maxLag + 2, 0.0);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag) {
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += x[i] * x[i + lag];
        r[lag] = sum / energy;
    }
    const double best = *std::max_element(r.begin() + minLag, r.begin() + maxLag + 1);
    for (int lag = minLag; lag <= maxLag; ++lag) {
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
            const double d = a - 2 * b + c;
            return Rate / (lag + (d != 0 ? 0.5 * (a - c) / d : 0));
        }
    }
    return 0;
}

std::vector<double> Envelope(const std::vector<double>& x, double window) {
    const auto step = static_cast<std::size_t>(window * Rate);
    std::vector<double> levels;
    for (std::size_t i = 0; step > 0 && i + step <= x.size(); i += step)
        levels.push_back(
            Rms(std::vector<double>(x.begin() + static_cast<std::ptrdiff_t>(i),
                                    x.begin() + static_cast<std::ptrdiff_t>(i + step))));
    return levels;
}

std::vector<double> PitchTrackCents(const std::vector<double>& x, double frame) {
    const auto step = static_cast<std::size_t>(frame * Rate);
    std::vector<double> cents;
    double first = 0;
    for (std::size_t i = 0; step > 0 && i + step <= x.size(); i += step) {
        const double hz =
            FundamentalHz(std::vector<double>(x.begin() + static_cast<std::ptrdiff_t>(i),
                                              x.begin() + static_cast<std::ptrdiff_t>(i + step)));
        if (hz <= 0)
            continue;
        if (first == 0)
            first = hz;
        cents.push_back(1200 * std::log2(hz / first));
    }
    return cents;
}

double NoteHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

} // namespace audio
