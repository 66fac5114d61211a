// Random play on a real part window, at length: the randomized keyboard test's events, counted,
// timed, with every violation of its check reported.
//   QT_QPA_PLATFORM=offscreen build/bench/random_play [events] [seed]   (default 100000)
#include "support/RandomPlay.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const long wanted = argc > 1 ? std::atol(argv[1]) : 100000;
    const std::uint32_t seed =
        argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 20261206;
    const auto start = std::chrono::steady_clock::now();
    long sequences = 0;
    long violations = 0;
    // A violation ends its sequence; play goes on from a fresh window with the next seed.
    std::uint32_t runSeed = seed;
    while (true) {
        RandomPlay play(runSeed++);
        bool broken = false;
        while (play.events() < wanted && !broken) {
            const std::string problem = play.sequence();
            ++sequences;
            if (!problem.empty()) {
                ++violations;
                std::printf("violation (seed %u): %s\n", runSeed - 1, problem.c_str());
                broken = true;
            }
        }
        if (!broken)
            break;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("events %ld, sequences %ld, time %.1f s (%.0f events/s), violations %ld, seed %u\n",
                wanted, sequences, seconds, wanted / seconds, violations, seed);
    return violations == 0 ? 0 : 1;
}
