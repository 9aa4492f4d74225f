// The files that scenarios may write, known before anything runs: the saved
// screenshots and recordings, the references that --update rewrites, and the
// failure pictures. Two scenarios that would write the same file are refused,
// since under -j they would corrupt it and each report the other's evidence.
#pragma once

#include <string>
#include <vector>

#include "runner/scenario/scenario.h"
#include "runner/suite/scenario_run.h"

// The start of the names of a scenario's failure pictures under --out: the
// file's stem and a hash of its whole path, so that a/check.yaml and
// b/check.yaml keep their evidence apart.
std::string evidence_stem(const std::string& scenario_file);
// The stem of the evidence of a scenario's `screenshot: {compare}` of the
// reference at path: the evidence stem and the reference's own stem.
std::string comparison_stem(const std::string& evidence, const std::string& reference_path);
// The same made of letters, digits, "-" and "_" only, for the report's file
// names, which its pages link to.
std::string report_stem(const std::string& scenario_file);
// The folder that a scenario's references are relative to.
std::string scenario_folder(const std::string& scenario_file);

// Empty, or one line naming the file and the two scenarios that would both
// write it.
std::string first_collision(const std::vector<Scenario>& scenarios, const RunOptions& options);
