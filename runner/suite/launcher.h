// Runs scenarios each in a child process of its own, so that every one starts
// from the state of a freshly started simulator, up to jobs at a time.
// Children end with the parent. On SIGINT or SIGTERM the children are
// stopped, and the scenarios that did not finish are marked interrupted.
#pragma once

#include <functional>
#include <vector>

#include "runner/scenario/scenario.h"
#include "runner/suite/scenario_run.h"

// report is called in the order of the scenarios, as soon as each one and
// all before it are done.
std::vector<ScenarioResult> run_all(const std::vector<Scenario>& scenarios, const RunOptions& options,
                                    int jobs,
                                    const std::function<void(std::size_t, const ScenarioResult&)>& report);

// The signal (SIGINT or SIGTERM) that stopped the last run_all, or 0.
int run_stopped_by();
