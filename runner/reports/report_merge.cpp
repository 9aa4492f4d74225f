#include "runner/reports/report_merge.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "runner/files/confined_files.h"
#include "runner/files/evidence_names.h"
#include "runner/files/flows_store.h"
#include "runner/reports/html_report.h"
#include "runner/reports/reporter.h"
#include "runner/scenario/clean_text.h"
#include "runner/suite/output_collisions.h"

namespace {

// Pictures that could not be copied are named on stderr, the first few of them.
constexpr int WARNINGS_SHOWN = 10;

struct Copier {
    const std::string& out;
    std::set<std::string> copied;
    int failed = 0;

    // Copies dir/relative to out, once. A stored frame of a changed flow may
    // be missing (the page says so); anything else the report names must be there.
    void copy(const std::string& dir, const std::string& relative, bool frame, bool may_miss = false) {
        if (!copied.insert(relative).second) return;
        std::string bytes, why;
        const std::size_t most = frame ? MAX_FRAME_PNG_BYTES : MAX_REFERENCE_BYTES;
        if (read_file_beneath(dir, relative, most, bytes, why)) {
            if (bytes.size() > most || (frame && !is_frame_png(bytes)))
                why = frame ? "not a PNG of the display" : "too large";
            else if (write_file_beneath(out, relative, bytes, true, nullptr, why))
                return;
        } else if (may_miss && why == std::strerror(ENOENT)) {
            return;
        }
        if (++failed <= WARNINGS_SHOWN)
            std::fprintf(stderr, "qd5run: warning: %s not copied: %s\n",
                         printable(dir + "/" + relative).c_str(), printable(why).c_str());
    }
};

} // namespace

int merge_reports(const std::string& out, const std::vector<std::string>& dirs) {
    Report merged;
    std::vector<std::size_t> ends;                   // merged.scenarios of dirs[i] end at ends[i]
    std::map<std::string, std::string> files, pages; // the scenarios and pages claimed, by whom
    std::size_t read = 0;
    for (const std::string& dir : dirs) {
        Report report;
        std::string text, why;
        if (!read_file_beneath(dir, "report.json", MAX_REPORT_JSON_BYTES, text, why)) {
            std::fprintf(stderr, "qd5run: %s\n", printable(dir + "/report.json: " + why).c_str());
            return 2;
        }
        read += text.size();
        if (read > MAX_REPORT_JSON_BYTES) {
            std::fprintf(stderr, "qd5run: %s/report.json: the reports together are larger than %zu MB\n",
                         printable(dir).c_str(), MAX_REPORT_JSON_BYTES >> 20);
            return 2;
        }
        if (!parse_report_json(text, dir + "/report.json", report, why)) {
            std::fprintf(stderr, "qd5run: %s\n", why.c_str());
            return 2;
        }
        for (const ReportScenario& s : report.scenarios) {
            if (!files.emplace(s.file, dir).second) {
                std::fprintf(stderr, "qd5run: %s: the scenario %s is in more than one report\n",
                             printable(dir).c_str(), quoted_input(s.file).c_str());
                return 2;
            }
            if (const auto [at, fresh] = pages.emplace(s.stem, s.file); !fresh) {
                std::fprintf(stderr, "qd5run: %s: the scenarios %s and %s claim one page %s\n",
                             printable(dir).c_str(), quoted_input(at->second).c_str(),
                             quoted_input(s.file).c_str(), quoted_input(scenario_page(s.stem)).c_str());
                return 2;
            }
        }
        merge_report(merged, report);
        ends.push_back(merged.scenarios.size());
    }
    Copier copier{out, {}, 0};
    for (std::size_t d = 0, i = 0; d < dirs.size(); ++d)
        for (; i < ends[d]; ++i) {
            const ReportScenario& s = merged.scenarios[i];
            for (int k = 0; k < EVIDENCE_KINDS; ++k)
                if (s.evidence[k])
                    copier.copy(dirs[d], evidence_picture(s.stem, static_cast<Evidence>(k)), false);
            for (const std::string& save : s.outputs)
                copier.copy(dirs[d], report_output(s.stem, save), false);
            for (const FlowEntry& e : s.flow) copier.copy(dirs[d], screen_picture(e.hash), true);
            for (const ReportStep& step : s.steps) copier.copy(dirs[d], screen_picture(step.hash), true);
            for (const FlowEntry& e : s.expected_flow)
                copier.copy(dirs[d], screen_picture(e.hash), true, true);
        }
    std::stable_sort(merged.scenarios.begin(), merged.scenarios.end(),
                     [](const ReportScenario& a, const ReportScenario& b) { return a.file < b.file; });
    std::printf("merged %zu reports (%zu scenarios)\n", dirs.size(), merged.scenarios.size());
    std::string why;
    if (!html_reporter(out, nullptr)->finish(merged, why)) {
        std::fprintf(stderr, "qd5run: %s\n", printable(why).c_str());
        return 2;
    }
    if (copier.failed == 0) return 0;
    std::fprintf(stderr, "qd5run: %d pictures the reports name are missing from the merged report\n",
                 copier.failed);
    return 1;
}
