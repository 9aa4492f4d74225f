// The changes a run found, as a person reviews them: each failed comparison
// and each changed flow of a report, what accepting it would write, and
// accepting it. The report is untrusted: the scenario files it names are
// taken relative to the folder the review runs in, as the run named them,
// and nothing it names may lead out of that folder, out of the scenario's
// folder (a reference) or out of the flows file's folder (a flow).
#pragma once

#include <string>
#include <vector>

#include "runner/reports/html_report.h"

enum class ChangeKind { screenshot, flow };
enum class Decision { undecided, accepted, rejected };

struct Change {
    std::size_t scenario = 0; // in the report's scenarios
    ChangeKind kind = ChangeKind::screenshot;
    std::string target;  // the file accepting writes: the reference or the flows file
    std::string key;     // a flow's key in the flows file
    std::string refused; // why it cannot be accepted, or empty
    Decision decision = Decision::undecided;
    std::string outcome; // after a decision: what was written, or why nothing was
};

const char* kind_name(ChangeKind kind);
const char* decision_name(Decision decision);

// Every change of report, with its targets resolved and checked.
std::vector<Change> find_changes(const Report& report);
// Writes what --update would write for change, from the report in dir;
// false with why when nothing could be written.
bool accept_change(const std::string& dir, const Report& report, const Change& change, std::string& why);
