// A JUnit XML report (pugixml): one test case per scenario, a failing step's
// file:line and message as its failure.
#pragma once

#include <string>
#include <vector>

#include "runner/scenario.h"
#include "runner/scenario_run.h"

bool write_junit(const std::string& path, const std::vector<Scenario>& scenarios,
                 const std::vector<ScenarioResult>& results);
