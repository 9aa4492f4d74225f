// The static report of a run (--report DIR): index.html with a line per
// scenario, a page per scenario with its filmstrip, its failure pictures and
// its changed flow, a page of all unique screens, a page of coverage, and
// report.json with the same data for other tools. It opens from disk in any
// browser: no script, no server, no network. report.json also holds all that
// the pages are made of, so that --merge-reports makes one report of several.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runner/play/flow.h"
#include "runner/play/run_record.h"
#include "runner/scenario/scenario.h"
#include "runner/suite/scenario_run.h"

// report.json read, by one report and by all the reports of a merge together
// (a merge takes about ten times this in memory).
constexpr std::size_t MAX_REPORT_JSON_BYTES = std::size_t{64} << 20;
// The changed frames of flows that a report draws marked; those beyond are
// listed without the picture, so that a report asking for many diffs stays quick.
constexpr std::size_t MAX_FLOW_DIFFS = 2000;

struct ReportStep {
    int line = 0;
    std::string summary;
    int64_t pass = 0;
    uint64_t hash = 0;
};

struct ReportScenario {
    std::string file, name;
    std::string stem; // of its page and pictures: evidence_stem of file, or as its report names them
    Verdict verdict = Verdict::fail;
    std::string message;
    double sim_s = 0, wall_s = 0;
    Flow flow;
    std::vector<ReportStep> steps;
    bool flow_changed = false;
    Flow expected_flow; // the flows file's, when the flow changed
    bool evidence[EVIDENCE_KINDS] = {};
    std::vector<std::string> outputs; // saved screenshots and recordings copied in, by save path
    // What accepting a change writes, relative to the scenario's folder: the
    // reference of a failed comparison, and the flows file of a changed flow.
    std::string reference, flows;
    // The page's link fragment that plays the scenario (page_link.h); "" in
    // reports written before the page could play scenarios.
    std::string live;
};

struct Report {
    std::string shard; // "K/N" when the run was one shard of several
    std::vector<ReportScenario> scenarios;
    std::map<uint64_t, std::string> texts; // what each frame shows, as text
    std::vector<uint64_t> coverage;        // counts by coverage point
    bool live_page = false;                // the page is in the report's live/: "Open live" links
    std::string live_note;                 // why it is not, when a built page could not be copied
};

// The report of a run; expected[i] is the flows file's flow of scenario i or nullptr.
Report make_report(const std::vector<Scenario>& scenarios, const std::vector<ScenarioResult>& results,
                   const std::vector<const Flow*>& expected, const std::string& shard);
// Adds from's scenarios, texts and coverage to into.
void merge_report(Report& into, const Report& from);

// The changed flow's stored and new frames, aligned, as a table; dir is the
// report's folder, whose diffs/ holds the marked changes.
std::string changed_flow_table(const std::string& dir, const ReportScenario& s, const Report& report);
// Text for HTML, printable and escaped.
std::string html_text(const std::string& s);

// Writes the pages and report.json into dir, whose screens/ already holds
// every frame named; the diff pictures of changed flows are made here.
bool write_report(const std::string& dir, const Report& report, std::string& why);
std::string report_json(const Report& report);
// Reads a report.json (untrusted: bounded, strictly checked); error is one line.
bool parse_report_json(const std::string& text, const std::string& source, Report& report,
                       std::string& error);
// The same from dir/report.json, reached without following a symlink in dir.
bool read_report(const std::string& dir, Report& report, std::string& error);
