#include "scenario_entry.h"

#include <string>

#include "runner/loader.h"
#include "runner/scenario_run.h"

namespace {

// Ten seconds of simulated time: enough to reach every screen, short enough
// for many inputs a second.
constexpr int64_t FUZZ_PASSES = 10 * 1000 / MS_PER_TICK * PASSES_PER_TICK;

} // namespace

void fuzz_scenario(const uint8_t* data, size_t size) {
    Scenario scenario;
    std::string error;
    if (!load_scenario_text(std::string(reinterpret_cast<const char*>(data), size), "fuzz.yaml", scenario,
                            error))
        return;
    RunOptions options;
    options.write_files = false;
    options.max_passes = FUZZ_PASSES;
    (void)run_scenario(scenario, options);
}
