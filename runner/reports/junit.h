// A JUnit XML report (pugixml): one test case per scenario, a failing step's
// file:line and message as its failure, interrupted ones skipped.
#pragma once

#include <string>

#include "runner/reports/html_report.h"

// The report's text: XML 1.0 in UTF-8, whatever the scenarios hold; the
// report's shard ("K/N", or empty) names the slice of a suite the run was.
std::string junit_text(const Report& report);
// Written under a temporary name and renamed when complete.
bool write_junit(const std::string& path, const Report& report);
