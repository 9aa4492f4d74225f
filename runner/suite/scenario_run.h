// Runs one loaded scenario against the instrument in simulated time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runner/files/confined_files.h"
#include "runner/play/flow.h"
#include "runner/play/run_record.h"
#include "runner/scenario/scenario.h"
#include "runner/suite/verdict.h"

// The scale of the picture of the display that a failure leaves, for every host.
constexpr int FAILURE_SCALE = 3;

struct RunOptions {
    std::string out_dir = "qd5run-out";
    bool update = false;                         // write missing or differing references instead of failing
    bool verbose = false;                        // each step as it runs, with simulated time
    bool write_files = true;                     // false: no pictures at all (the fuzz target)
    int64_t max_passes = -1;                     // a cap on simulated time, in passes; -1 none
    int64_t max_output_bytes = MAX_OUTPUT_BYTES; // what the scenario may write in all
    // The flow and the report (--flows, --report): recorded when either is asked for.
    bool record = false;
    bool flow_required = false;          // --flows: a scenario without a stored flow fails, unless update
    const Flow* expected_flow = nullptr; // the flows file's flow for this scenario, if it has one
    // For run_all: the expected flow of each scenario by index (or nullptr).
    const std::vector<const Flow*>* expected_flows = nullptr;
    std::string flows_screens; // --flows --update: the folder that stores the frames
    std::string flows_name;    // the flows file, for messages
    std::string report_dir;    // --report: frames and failure pictures are written here
    // Called as each step starts, with its index (the launcher tells the
    // parent, so that a crash names its step).
    std::function<void(std::size_t)> on_step;
    // Asked at least once a simulated second: true stops the run, which
    // then ends interrupted (the Python module checks for Ctrl+C here).
    std::function<bool()> interrupted;
};

struct ScenarioResult {
    Verdict verdict = Verdict::fail;
    bool passed() const { return verdict == Verdict::pass; }
    double sim_ms = 0;
    double wall_ms = 0;
    std::string message; // the failure, "file:line:column: ..."
    std::string notes;   // references written by --update, one per line
    uint64_t digest = 0; // of the final state: equal runs give equal digests
    RunRecord record;
};

ScenarioResult run_scenario(const Scenario& scenario, const RunOptions& options);
