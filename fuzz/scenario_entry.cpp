#include "scenario_entry.h"

#include <cstdlib>
#include <string>

#include "runner/files/flows_store.h"
#include "runner/reports/html_report.h"
#include "runner/scenario/loader.h"
#include "runner/suite/scenario_run.h"

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

void fuzz_flows(const uint8_t* data, size_t size) {
    FlowsFile file, again;
    std::string error;
    if (!parse_flows(std::string(reinterpret_cast<const char*>(data), size), "fuzz.json", file, error))
        return;
    // Times are written to the millisecond, so a pass count read back may
    // differ from one read from a hand-written file; the frames may not.
    if (!parse_flows(flows_text(file), "again.json", again, error) || again.flows.size() != file.flows.size())
        std::abort();
    for (const auto& [key, flow] : file.flows) {
        const Flow& other = again.flows[key];
        if (other.size() != flow.size()) std::abort();
        for (std::size_t i = 0; i < flow.size(); ++i)
            if (other[i].hash != flow[i].hash || other[i].line != flow[i].line) std::abort();
    }
}

void fuzz_report(const uint8_t* data, size_t size) {
    Report report;
    std::string error;
    if (parse_report_json(std::string(reinterpret_cast<const char*>(data), size), "fuzz.json", report, error))
        (void)report_json(report);
}
