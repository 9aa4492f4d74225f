#include "runner/reports/run_outputs.h"

#include <cerrno>
#include <cstring>

#include "runner/files/confined_files.h"
#include "runner/files/evidence_names.h"
#include "runner/reports/html_report.h"
#include "runner/scenario/clean_text.h"

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
