// qd5run --merge-reports OUT DIR...: the reports of several shards made one,
// their coverage summed. Each DIR/report.json is untrusted input: it is read
// with a bound and checked whole, and the pictures are copied by the names
// that follow from its hashes and scenario names, never by a path it holds.
#pragma once

#include <string>
#include <vector>

// Exit status: 0 written, 2 a bad report or folder (then nothing is written).
int merge_reports(const std::string& out, const std::vector<std::string>& dirs);
