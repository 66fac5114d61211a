// Random play on a real part window leaves no note sounding that the keyboard does not show
// latched. QUINTARO_RANDOM_SEED replays a run.
#include "RandomPlay.h"

#include <gtest/gtest.h>

TEST(KeyboardRandom, NothingSoundsButTheLatchedNotesAfterRandomPlay) {
    const QByteArray env = qgetenv("QUINTARO_RANDOM_SEED");
    const std::uint32_t seed =
        env.isEmpty() ? std::random_device{}() : static_cast<std::uint32_t>(env.toULong());
    RandomPlay play(seed);
    while (play.events() < 3000) {
        const std::string problem = play.sequence();
        ASSERT_TRUE(problem.empty()) << problem << "\n  replay with QUINTARO_RANDOM_SEED=" << seed;
    }
}
