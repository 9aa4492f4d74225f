#include "runner/reports/report_merge.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "runner/files/confined_files.h"
#include "runner/reports/html_report.h"
#include "runner/reports/reporter.h"
#include "runner/scenario/clean_text.h"
#include "runner/suite/output_collisions.h"

namespace {

struct Source {
    std::string dir;
    Report report;
};

// Copies dir/relative to out when it is there and out has none yet.
void copy_picture(const std::string& dir, const std::string& out, const std::string& relative,
                  std::set<std::string>& copied) {
    if (!copied.insert(relative).second) return;
    std::string bytes, why;
    if (!read_file_beneath(dir, relative, MAX_REFERENCE_BYTES, bytes, why) ||
        bytes.size() > MAX_REFERENCE_BYTES)
        return;
    write_file_beneath(out, relative, bytes, true, nullptr, why);
}

void copy_pictures(const Source& source, const std::string& out, std::set<std::string>& copied) {
    for (const ReportScenario& s : source.report.scenarios) {
        for (int k = 0; k < EVIDENCE_KINDS; ++k)
            if (s.evidence[k])
                copy_picture(source.dir, out, evidence_picture(s.file, static_cast<Evidence>(k)), copied);
        for (const std::string& save : s.outputs)
            copy_picture(source.dir, out, report_output(s.file, save), copied);
        for (const FlowEntry& e : s.flow) copy_picture(source.dir, out, screen_picture(e.hash), copied);
        for (const FlowEntry& e : s.expected_flow)
            copy_picture(source.dir, out, screen_picture(e.hash), copied);
        for (const ReportStep& step : s.steps)
            copy_picture(source.dir, out, screen_picture(step.hash), copied);
    }
}

} // namespace

int merge_reports(const std::string& out, const std::vector<std::string>& dirs) {
    std::vector<Source> sources;
    std::set<std::string> files;
    for (const std::string& dir : dirs) {
        Source source{dir, {}};
        std::string text, why;
        if (!read_file_beneath(dir, "report.json", MAX_REPORT_JSON_BYTES, text, why)) {
            std::fprintf(stderr, "qd5run: %s\n", printable(dir + "/report.json: " + why).c_str());
            return 2;
        }
        if (text.size() > MAX_REPORT_JSON_BYTES) {
            std::fprintf(stderr, "qd5run: %s/report.json: larger than %zu MB\n", printable(dir).c_str(),
                         MAX_REPORT_JSON_BYTES >> 20);
            return 2;
        }
        if (!parse_report_json(text, dir + "/report.json", source.report, why)) {
            std::fprintf(stderr, "qd5run: %s\n", why.c_str());
            return 2;
        }
        for (const ReportScenario& s : source.report.scenarios)
            if (!files.insert(s.file).second) {
                std::fprintf(stderr, "qd5run: %s: the scenario %s is in more than one report\n",
                             printable(dir).c_str(), printable(s.file).c_str());
                return 2;
            }
        sources.push_back(std::move(source));
    }
    Report merged;
    std::set<std::string> copied;
    for (const Source& source : sources) {
        copy_pictures(source, out, copied);
        merge_report(merged, source.report);
    }
    std::stable_sort(merged.scenarios.begin(), merged.scenarios.end(),
                     [](const ReportScenario& a, const ReportScenario& b) { return a.file < b.file; });
    std::printf("merged %zu reports (%zu scenarios)\n", sources.size(), merged.scenarios.size());
    std::string why;
    if (!html_reporter(out, nullptr)->finish(merged, why)) {
        std::fprintf(stderr, "qd5run: %s\n", printable(why).c_str());
        return 2;
    }
    return 0;
}
