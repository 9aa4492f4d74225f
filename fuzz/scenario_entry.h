// What the scenario fuzz target does with one input: any bytes through the
// scenario loader, and whatever loads run for a few simulated seconds with no
// file output.
#pragma once

#include <cstddef>
#include <cstdint>

void fuzz_scenario(const uint8_t* data, size_t size);
// Any bytes through the flows file reader, and what it reads written and
// read again, which must give the same flows.
void fuzz_flows(const uint8_t* data, size_t size);
// Any bytes through the reader of report.json that --merge-reports uses.
void fuzz_report(const uint8_t* data, size_t size);
