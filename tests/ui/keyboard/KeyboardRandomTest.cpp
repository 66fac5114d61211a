// Random play on a real part window leaves no note sounding that the keyboard does not show
// latched. A fixed list of seeds runs by default (the first two once failed, and run past the
// event where they did); QUINTARO_RANDOM_SEED replays one seed instead, 3000 events long.
#include "support/RandomPlay.h"

#include <gtest/gtest.h>

TEST(KeyboardRandom, NothingSoundsButTheLatchedNotesAfterRandomPlay) {
    // Seed and number of events. 1740954830 and 2331933108 left a mark on a master key whose
    // note had shifted away, after one note had been started by two computer keys.
    std::vector<std::pair<std::uint32_t, long>> runs = {
        {1740954830, 1600}, {2331933108, 900}, {1, 600}, {20240601, 600}, {777, 600}};
    if (const QByteArray seed = qgetenv("QUINTARO_RANDOM_SEED"); !seed.isEmpty())
        runs = {{static_cast<std::uint32_t>(seed.toULong()), 3000}};
    for (const auto& [seed, length] : runs)
        for (RandomPlay play(seed); play.events() < length;)
            ASSERT_EQ(play.sequence(), "")
                << "at event " << play.events() << ", replay with QUINTARO_RANDOM_SEED=" << seed;
}
