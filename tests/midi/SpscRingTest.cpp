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
    for (std::uint64_t seq = 0; seq < 64; ++seq)
        EXPECT_TRUE(ring.pop(entry) && entry.seq == seq);
    EXPECT_FALSE(ring.pop(entry));

    const QByteArray chosen = qgetenv("QUINTARO_RANDOM_SEED");
    constexpr std::uint64_t Count = 100000;
    for (const std::uint32_t seed : chosen.isEmpty() ? std::vector<std::uint32_t>{1, 2, 3, 0x5eed}
                                                     : std::vector{chosen.toUInt()}) {
        // Each side yields before one step in eight, at random.
        std::uint64_t refusedWhenFull = 0, expected = 0, wrong = 0;
        std::thread producer([&] {
            std::mt19937 random(seed);
            for (std::uint64_t seq = 0; seq < Count;)
                if (random() % 8 == 0)
                    std::this_thread::yield();
                else
                    ring.push({seq, ~seq}) ? ++seq : ++refusedWhenFull;
        });
        std::mt19937 random(seed ^ 0x9e3779b9u);
        while (expected < Count)
            if (random() % 8 == 0)
                std::this_thread::yield();
            else if (ring.pop(entry))
                wrong += entry.check != ~entry.seq ||
                         entry.seq != std::exchange(expected, entry.seq + 1);
        producer.join();
        EXPECT_EQ(wrong + ring.size(), 0u) << "seed " << seed;
        EXPECT_GT(refusedWhenFull, 0u) << "seed " << seed << ": the ring was never full";
    }
}
