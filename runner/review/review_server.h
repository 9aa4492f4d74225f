// qd5run --review DIR: a report's changes served on 127.0.0.1 as a page
// where a person accepts or rejects each one. The server is a way to write
// files into a repository, so every request must carry the token it prints,
// come for 127.0.0.1 or localhost at its port (against DNS rebinding), and
// write only as a POST from its own page's origin; bodies and the requests
// waiting are bounded, and it serves nothing but the report's own files.
#pragma once

#include <string>

// Serves until Finish on the page, SIGINT or SIGTERM, then prints what was
// decided. port 0 takes a free one. Exit status 0, or 2 when the report
// cannot be read or the port cannot be had.
int run_review(const std::string& dir, int port);
