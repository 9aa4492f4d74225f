// Invariants of the instrument that must hold after every pass of the run loop,
// whatever the user did before. Shared by the random-event soak and the fuzzers.
#pragma once

#include <cstdint>

#include "host/panel/device.h"

struct PassContext {
    bool sampled;     // second_tick was raised when the pass began
    bool key_pending; // a key was waiting when the pass began
    uint32_t flags_before;
    ScreenHandler screen; // the screen that the pass draws
};

// Takes note of the state before a pass.
PassContext before_pass();

// Checks every invariant after a pass; on failure writes a description into
// message (at most size bytes) and returns false.
bool check_invariants(const PassContext& context, char* message, int size);
