// The files a run may write, known before anything runs: the scenarios' saved
// screenshots and recordings, the references that --update rewrites, the
// failure pictures, and the run's own --junit, --flows (with its frames
// folder) and --report. Two writers of one file are refused, since under -j
// they would corrupt it, and either would silently overwrite the other.
#pragma once

#include <string>
#include <vector>

#include "runner/scenario/scenario.h"
#include "runner/suite/scenario_run.h"

// Empty, or one line naming the file and its two writers. options gives
// --out, --update, --report (report_dir) and --flows (flows_name); junit is
// the --junit file or empty.
std::string first_collision(const std::vector<Scenario>& scenarios, const RunOptions& options,
                            const std::string& junit);
