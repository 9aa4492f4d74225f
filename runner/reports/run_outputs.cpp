#include "runner/reports/run_outputs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "runner/files/confined_files.h"
#include "runner/files/evidence_names.h"
#include "runner/files/reference_check.h"
#include "runner/play/coverage.h"
#include "runner/reports/html_report.h"
#include "runner/scenario/clean_text.h"

namespace {

// path as seen from the folder of scenario_file, both as the run named them.
std::string seen_from_scenario(const std::string& scenario_file, const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::absolute(scenario_folder(scenario_file), error).lexically_normal();
    return fs::absolute(path, error).lexically_normal().lexically_relative(folder).generic_string();
}

} // namespace

bool prepare_flows(const std::string& path, bool update, const std::vector<Scenario>& scenarios,
                   FlowsCheck& check, std::string& error) {
    check = FlowsCheck{};
    check.path = path;
    if (!load_flows_file(path, update, check.file, error)) return false;
    for (const Scenario& s : scenarios) {
        std::string key, why;
        if (!flows_key(path, s.file, key, why)) {
            error = printable(why);
            return false;
        }
        const auto at = check.file.flows.find(key);
        check.keys.push_back(key);
        check.expected.push_back(at == check.file.flows.end() ? nullptr : &at->second);
    }
    return true;
}

bool update_flows(FlowsCheck& check, const std::vector<ScenarioResult>& results, std::string& why) {
    for (std::size_t i = 0; i < results.size() && i < check.keys.size(); ++i)
        if (results[i].passed() && results[i].record.recorded)
            check.file.flows[check.keys[i]] = results[i].record.flow;
    check.expected.clear(); // the pointers may no longer hold
    if (!write_flows_file(check.path, check.file, why)) return false;
    prune_stored_screens(check.path, check.file);
    return true;
}

void note_flows_file(Report& report, const FlowsCheck& flows) {
    for (ReportScenario& s : report.scenarios)
        if (s.flow_changed) s.flows = seen_from_scenario(s.file, flows.path);
}

bool write_run_report(const std::string& dir, const Report& report, const FlowsCheck* flows,
                      std::string& why) {
    // The stored frames of a changed flow, so that its page shows the old sequence.
    std::string unread;
    if (flows != nullptr)
        for (const ReportScenario& s : report.scenarios)
            for (const FlowEntry& e : s.expected_flow) {
                std::string bytes, failed;
                const bool read = read_stored_screen(flows->path, e.hash, bytes, failed);
                // A frame never stored shows as missing on the page; one that cannot be read is a fault.
                if (read ? !write_file_beneath(dir, screen_picture(e.hash), bytes, true, nullptr, failed)
                         : failed != std::strerror(ENOENT))
                    if (unread.empty()) unread = "the stored frame " + hash_text(e.hash) + ": " + failed;
            }
    if (!write_report(dir, report, why)) return false;
    if (unread.empty()) return true;
    why = "written without " + unread;
    return false;
}

bool write_screen_report(const std::string& dir, const std::vector<ScreenFailure>& failures,
                         std::string& why) {
    Report report;
    report.coverage.assign(coverage_points().size(), 0);
    for (const ScreenFailure& f : failures) {
        ReportScenario s;
        s.file = f.test;
        s.stem = evidence_stem(s.file);
        s.name = f.name;
        s.verdict = Verdict::fail;
        s.message = f.message;
        s.reference = f.reference;
        // Each picture is copied when it is there: a missing reference has no expected, a size apart no diff.
        auto copy = [&](Evidence kind, const std::string& root, const std::string& relative) {
            std::string bytes, unread;
            s.evidence[static_cast<int>(kind)] =
                read_file_beneath(root, relative, MAX_REFERENCE_BYTES, bytes, unread) &&
                bytes.size() <= MAX_REFERENCE_BYTES &&
                write_file_beneath(dir, evidence_picture(s.stem, kind), bytes, true, nullptr, unread);
        };
        copy(Evidence::expected, f.folder, f.reference);
        copy(Evidence::actual, f.out_dir, reference_evidence_name(f.stem, ReferenceEvidence::actual));
        copy(Evidence::diff, f.out_dir, reference_evidence_name(f.stem, ReferenceEvidence::diff));
        if (!f.failure.empty()) {
            std::string folder, name;
            split_named_path(f.failure, folder, name);
            copy(Evidence::failure, folder, name);
        }
        report.scenarios.push_back(std::move(s));
    }
    return write_report(dir, report, why);
}
