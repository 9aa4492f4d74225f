// What each fuzz target does with one input. The libFuzzer targets call these,
// and the unit tests replay the committed corpora through them.
#pragma once

#include <cstddef>
#include <cstdint>

// Text of any bytes at any position, size, alignment and colour.
void fuzz_text(const uint8_t* data, size_t size);
// Any curve and raw value through curve_lookup, and any record bytes through
// every sampling step.
void fuzz_sampling(const uint8_t* data, size_t size);
// Any settings record, then any sequence of keys, ticks and passes; the
// invariants of the soak are checked after every pass (a failure aborts).
void fuzz_screens(const uint8_t* data, size_t size);
