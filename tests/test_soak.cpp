#include <gtest/gtest.h>

#include "soak/soak.h"

// The short form of the random-event soak: about 200,000 passes over a few
// fixed seeds (make soak runs the long one).
TEST(Soak, RandomEventsKeepEveryInvariant) {
    for (uint64_t seed : {1u, 2u, 3u, 4u}) {
        const SoakResult result = run_soak(seed, 50000);
        ASSERT_TRUE(result.ok) << result.failure;
        EXPECT_EQ(result.passes, 50000u);
        // The walk is worth little unless it gets deep into the menus.
        EXPECT_GE(result.screens_reached, 12) << "seed " << seed;
    }
}
