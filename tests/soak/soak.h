// A seeded random walk through everything a user of the simulator can do:
// keys, slider values (the extremes often), modes in and out of range, the ZOLT
// check box, power-on at any moment, timer ticks at random rates and settings
// overwritten at random. The invariants are checked after every pass.
#pragma once

#include <cstdint>

struct SoakResult {
    uint64_t passes = 0;
    bool ok = true;
    int screens_reached = 0; // distinct screens that drew at least one pass
    char failure[200] = {};
};

SoakResult run_soak(uint64_t seed, uint64_t passes);
