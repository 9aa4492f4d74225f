// The web page beside a report: copied into REPORT/live/ so that the
// report's "Open live" links work from disk or any static server.
#pragma once

#include <string>

// The report's folder for the page, and its start page within the report.
constexpr const char* LIVE_FOLDER = "live";
constexpr const char* LIVE_PAGE = "live/index.html";

// Where the built page is: beside an installed qd5run (../share/qd5sim/web),
// else the build's own (make web); "" when neither has one.
std::string built_page_dir();
// Copies the page's files into DIR/live, replacing older copies. False with
// why when a file cannot be written.
bool copy_live_page(const std::string& page_dir, const std::string& dir, std::string& why);
