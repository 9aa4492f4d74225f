// A JUnit XML report (pugixml): one test case per scenario, a failing step's
// file:line and message as its failure, interrupted ones skipped.
#pragma once

#include <string>
#include <vector>

#include "runner/scenario/scenario.h"
#include "runner/suite/scenario_run.h"

// The report's text: XML 1.0 in UTF-8, whatever the scenarios hold.
// shard ("K/N", or empty) names the slice of a suite the run was.
std::string junit_text(const std::vector<Scenario>& scenarios, const std::vector<ScenarioResult>& results,
                       const std::string& shard = "");
// Written under a temporary name and renamed when complete.
bool write_junit(const std::string& path, const std::vector<Scenario>& scenarios,
                 const std::vector<ScenarioResult>& results, const std::string& shard = "");
