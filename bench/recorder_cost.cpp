// What the always-on recorder costs per message: the time of Recorder::record for a Note On, a
// Note Off and a control change in turn, the ring full (so each message also folds the oldest
// into the start state), against the same loop that only reads the clock.
//   build/bench/recorder_cost [messages]   (default 20 000 000)
#include "midi/Recorder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const long messages = argc > 1 ? std::atol(argv[1]) : 20000000;
    Recorder recorder;
    const std::uint8_t kinds[3][3] = {{0x90, 60, 100}, {0x80, 60, 64}, {0xB0, 7, 100}};
    for (std::size_t i = 0; i < Recorder::DefaultCapacity; ++i) // fill the ring first
        recorder.record(kinds[i % 3], 3);

    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    for (long i = 0; i < messages; ++i)
        recorder.record(kinds[i % 3], 3);
    const double recordNs =
        std::chrono::duration<double, std::nano>(Clock::now() - start).count() / messages;

    start = Clock::now();
    long long sink = 0;
    for (long i = 0; i < messages; ++i)
        sink += Clock::now().time_since_epoch().count() & 1;
    const double clockNs =
        std::chrono::duration<double, std::nano>(Clock::now() - start).count() / messages;

    std::printf("record: %.1f ns per message (of which reading the clock %.1f ns); %zu kept%s\n",
                recordNs, clockNs, recorder.size(), sink < 0 ? "" : "");
    return 0;
}
