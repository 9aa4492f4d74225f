// libFuzzer target: any bytes as a report.json to merge.
#include "scenario_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_report(data, size);
    return 0;
}
