// What the scenario fuzz target does with one input: any bytes through the
// scenario loader, and whatever loads run for a few simulated seconds with no
// file output.
#pragma once

#include <cstddef>
#include <cstdint>

void fuzz_scenario(const uint8_t* data, size_t size);
