// qd5run --merge-reports OUT DIR...: the reports of several shards made one,
// their coverage summed. Each DIR/report.json is untrusted input: the reports
// together are read with one bound and checked whole; pictures are copied
// by the names the shard gave them, once each is known to stay in its folder,
// and no two scenarios may claim one page.
#pragma once

#include <string>
#include <vector>

// Exit status: 0 written; 1 written, but pictures the reports name could
// not be copied (each named on stderr); 2 a bad report or folder (then
// nothing is written).
int merge_reports(const std::string& out, const std::vector<std::string>& dirs);
