// The lock-free ring between a MIDI thread and the UI thread: bounded, in order, whole values,
// under a producer and a consumer running at random paces on two threads.
#include "midi/ports/SpscRing.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace {

// A value that shows when it was read half written: `check` is always the complement of `seq`.
struct Entry {
    std::uint64_t seq, check;
};

} // namespace

// Seeded: QUINTARO_RANDOM_SEED picks one seed, else a fixed list runs.
TEST(SpscRing, HoldsCapacityValuesAndTwoThreadsAtRandomPacesLoseReorderAndTearNothing) {
    SpscRing<Entry, 64> ring;
    Entry entry{};
    std::uint64_t full = 0;
    while (ring.push({full, ~full})) // the 65th is refused, nothing overwritten
        ++full;
    EXPECT_EQ(full, 64u);
    for (std::uint64_t seq = 0; ring.front() != nullptr && ring.front()->seq == seq; ++seq)
        EXPECT_TRUE(ring.pop(entry) && entry.seq == seq);
    EXPECT_FALSE(ring.pop(entry));

    const QByteArray chosen = qgetenv("QUINTARO_RANDOM_SEED");
    const std::vector<std::uint32_t> seeds =
        chosen.isEmpty() ? std::vector<std::uint32_t>{1, 2, 3, 0x5eed, 20261206}
                         : std::vector<std::uint32_t>{chosen.toUInt()};
    constexpr std::uint64_t Count = 100000;
    for (const std::uint32_t seed : seeds) {
        std::uint64_t refusedWhenFull = 0;
        // Both sides in bursts of up to 100 values; the producer pauses up to 50 spins between.
        std::thread producer([&] {
            std::mt19937 random(seed);
            for (std::uint64_t seq = 0; seq < Count;) {
                for (int n = static_cast<int>(random() % 100); n >= 0 && seq < Count; --n)
                    ring.push({seq, ~seq}) ? ++seq : ++refusedWhenFull;
                for (int spin = static_cast<int>(random() % 50); spin > 0; --spin)
                    std::this_thread::yield();
            }
        });
        std::mt19937 random(seed ^ 0x9e3779b9u);
        std::uint64_t expected = 0, torn = 0, wrong = 0;
        while (expected < Count) {
            for (int n = static_cast<int>(random() % 100); n >= 0 && ring.pop(entry); --n) {
                torn += entry.check != ~entry.seq;
                wrong += entry.seq != expected;
                expected = entry.seq + 1;
            }
            if (random() % 4 == 0)
                std::this_thread::yield();
        }
        producer.join();
        EXPECT_EQ(torn + wrong + ring.size(), 0u) << "seed " << seed;
        EXPECT_GT(refusedWhenFull, 0u) << "seed " << seed << ": the ring was never full";
    }
}
