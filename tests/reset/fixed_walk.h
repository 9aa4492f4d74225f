// A fixed walk through the instrument: inputs, power-on, every run-screen page,
// the menus and back, in simulated time. Run in a fresh process and after a
// reset, it must show the same frames; the reset test compares the two.
#pragma once

#include <cstdint>
#include <vector>

// A hash of the frame and the lamp after every pass of the walk.
std::vector<uint64_t> fixed_walk_frames();
