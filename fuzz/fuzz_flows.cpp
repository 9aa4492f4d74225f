// libFuzzer target: any bytes as a flows file.
#include "scenario_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_flows(data, size);
    return 0;
}
