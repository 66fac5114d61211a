#include "support/TestState.h"

#include <gtest/gtest.h>

TEST(Smoke, StateBuilds) {
    TestState t;
    EXPECT_EQ(t.state.LanguageBase, 200);
}
