// What a whole run writes beside its scenarios' own files: the flows file
// (--flows, rewritten by --update) and the report (--report).
#pragma once

#include <string>
#include <vector>

#include "runner/files/flows_store.h"
#include "runner/reports/html_report.h"
#include "runner/scenario/scenario.h"
#include "runner/suite/scenario_run.h"

struct FlowsCheck {
    std::string path;                  // the flows file
    FlowsFile file;                    // as read
    std::vector<std::string> keys;     // each scenario's key in it
    std::vector<const Flow*> expected; // each scenario's stored flow, or nullptr
};

// Reads the flows file and finds each scenario in it; error is one line.
bool prepare_flows(const std::string& path, bool update, const std::vector<Scenario>& scenarios,
                   FlowsCheck& check, std::string& error);
// --update: the flows of the scenarios that ran and passed replace theirs;
// every other scenario's flow stays as it was. Stored screens no flow names
// any more are removed.
bool update_flows(FlowsCheck& check, const std::vector<ScenarioResult>& results, std::string& why);
// The report of the run in dir; flows (or nullptr) lends the stored frames
// of changed flows.
bool write_run_report(const std::string& dir, const Report& report, const FlowsCheck* flows,
                      std::string& why);
