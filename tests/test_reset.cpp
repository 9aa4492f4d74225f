// instrument_reset: after any random walk, a reset and a fixed walk show the
// frames that a freshly started program shows for the same walk.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/panel/front_panel.h"
#include "reset/fixed_walk.h"
#include "soak/soak.h"

namespace {

std::vector<uint64_t> fresh_process_frames() {
    std::vector<uint64_t> frames;
    FILE* probe = popen(QD5_RESET_PROBE, "r");
    if (probe == nullptr) return frames;
    unsigned long long frame = 0;
    while (std::fscanf(probe, "%llx", &frame) == 1) frames.push_back(frame);
    pclose(probe);
    return frames;
}

TEST(InstrumentReset, AfterRandomWalksShowsTheFramesOfAFreshProcess) {
    const std::vector<uint64_t> fresh = fresh_process_frames();
    ASSERT_GT(fresh.size(), 500u) << "the probe ran the walk";
    for (uint64_t seed : {1u, 2u, 3u}) {
        const SoakResult walk = run_soak(seed, 30000);
        ASSERT_TRUE(walk.ok) << walk.failure;
        front_panel_reset();
        const std::vector<uint64_t> frames = fixed_walk_frames();
        ASSERT_EQ(frames.size(), fresh.size()) << "seed " << seed;
        for (size_t i = 0; i < frames.size(); ++i)
            ASSERT_EQ(frames[i], fresh[i]) << "seed " << seed << ": pass " << i << " differs";
    }
}

} // namespace
