// The lock-free ring between a MIDI thread and the UI thread: bounded, in order, whole values,
// under a producer and a consumer running at random paces on two threads.
#include "midi/ports/SpscRing.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace {

// A value that shows when it was read half written: `check` is always the complement of `seq`.
struct Entry {
    std::uint64_t seq;
    std::uint64_t check;
};

std::vector<std::uint32_t> Seeds() {
    if (const QByteArray seed = qgetenv("QUINTARO_RANDOM_SEED"); !seed.isEmpty())
        return {seed.toUInt()};
    return {1, 2, 3, 0x5eed, 20261206};
}

} // namespace

TEST(SpscRing, HoldsCapacityValuesAndGivesThemBackInOrderAcrossManyWraps) {
    SpscRing<Entry, 8> ring;
    std::uint64_t pushed = 0, popped = 0;
    Entry entry{};
    EXPECT_FALSE(ring.pop(entry));
    EXPECT_EQ(ring.front(), nullptr);
    for (int round = 0; round < 100; ++round) {
        // Fill it: the ninth value is refused and nothing is overwritten.
        while (ring.push({pushed, ~pushed}))
            ++pushed;
        EXPECT_EQ(ring.size(), 8u);
        EXPECT_FALSE(ring.push({999, 0}));
        // Take a varying part back, oldest first.
        for (int k = 0; k <= round % 8; ++k) {
            ASSERT_NE(ring.front(), nullptr);
            EXPECT_EQ(ring.front()->seq, popped);
            ASSERT_TRUE(ring.pop(entry));
            EXPECT_EQ(entry.seq, popped++);
        }
    }
    while (ring.pop(entry))
        EXPECT_EQ(entry.seq, popped++);
    EXPECT_EQ(popped, pushed);
    EXPECT_EQ(ring.size(), 0u);
}

// Seeded: QUINTARO_RANDOM_SEED picks one seed, else a fixed list runs.
TEST(SpscRing, TwoThreadsAtRandomPacesLoseReorderAndTearNothing) {
    constexpr std::uint64_t Count = 100000;
    for (const std::uint32_t seed : Seeds()) {
        SpscRing<Entry, 64> ring;
        std::uint64_t refusedWhenFull = 0;
        std::thread producer([&] {
            std::mt19937 random(seed);
            for (std::uint64_t seq = 0; seq < Count;) {
                // Bursts of up to 100 values, then a pause of up to 50 spins.
                for (int burst = static_cast<int>(random() % 100); burst >= 0 && seq < Count;
                     --burst) {
                    if (ring.push({seq, ~seq}))
                        ++seq;
                    else
                        ++refusedWhenFull;
                }
                for (int spin = static_cast<int>(random() % 50); spin > 0; --spin)
                    std::this_thread::yield();
            }
        });
        std::mt19937 random(seed ^ 0x9e3779b9u);
        std::uint64_t expected = 0, torn = 0, wrong = 0;
        while (expected < Count) {
            Entry entry{};
            for (int burst = static_cast<int>(random() % 100); burst >= 0 && ring.pop(entry);
                 --burst) {
                torn += entry.check != ~entry.seq;
                wrong += entry.seq != expected;
                expected = entry.seq + 1;
            }
            if (random() % 4 == 0)
                std::this_thread::yield();
        }
        producer.join();
        EXPECT_EQ(expected, Count) << "seed " << seed;
        EXPECT_EQ(torn, 0u) << "seed " << seed;
        EXPECT_EQ(wrong, 0u) << "seed " << seed;
        EXPECT_EQ(ring.size(), 0u) << "seed " << seed;
        EXPECT_GT(refusedWhenFull, 0u) << "seed " << seed << ": the ring was never full";
    }
}
