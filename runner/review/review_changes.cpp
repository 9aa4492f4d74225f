#include "runner/review/review_changes.h"

#include <filesystem>

#include "picture/picture.h"
#include "runner/files/confined_files.h"
#include "runner/files/evidence_names.h"
#include "runner/files/flows_store.h"
#include "runner/files/path_rule.h"
#include "runner/files/reference_check.h"
#include "runner/scenario/loader.h"

namespace fs = std::filesystem;

namespace {

// The folder the review runs in: every path of the report lies beneath it.
constexpr const char* ROOT = ".";

// path made lexically normal and checked to stay beneath ROOT; empty with why if it leaves.
std::string inside_root(const fs::path& path, std::string& why) {
    const std::string normal = path.lexically_normal().generic_string();
    if (path.is_absolute() || !confined_relative_path(normal, why)) {
        why = path.generic_string() + " is not inside the folder the review runs in (" + why + ")";
        return "";
    }
    return normal;
}

void resolve(const ReportScenario& s, Change& c) {
    std::string why, bytes;
    // A test of pytest is named "path::name", as pytest names it; its file is the path.
    const std::string file = inside_root(s.file.substr(0, s.file.find("::")), why);
    if (file.empty()) {
        c.refused = "the scenario " + why;
        return;
    }
    // Accepting writes only beside a scenario that is there, reached without a symlink.
    if (!read_file_beneath(ROOT, file, MAX_FILE_BYTES, bytes, why)) {
        c.refused = "the scenario " + file + " cannot be read here: " + why;
        return;
    }
    const fs::path folder = fs::path(file).parent_path();
    if (c.kind == ChangeKind::screenshot) {
        if (!confined_relative_path(s.reference, why)) {
            c.refused = "the reference " + s.reference + " leaves the scenario's folder (" + why + ")";
            return;
        }
        c.target = (folder / s.reference).generic_string();
        return;
    }
    c.target = inside_root(folder / s.flows, why);
    if (c.target.empty() || !c.target.ends_with(".json")) {
        c.refused = "the flows file " + (c.target.empty() ? why : c.target + " is not a .json file");
        c.target.clear();
        return;
    }
    c.key = fs::path(file).lexically_relative(fs::path(c.target).parent_path()).generic_string();
    if (!confined_relative_path(c.key, why)) {
        c.refused = "the scenario " + file + " is not inside the folder of " + c.target;
        c.target.clear();
    }
}

} // namespace

const char* kind_name(ChangeKind kind) { return kind == ChangeKind::screenshot ? "screenshot" : "flow"; }

const char* decision_name(Decision decision) {
    return decision == Decision::accepted   ? "accepted"
           : decision == Decision::rejected ? "rejected"
                                            : "undecided";
}

std::vector<Change> find_changes(const Report& report) {
    std::vector<Change> changes;
    for (std::size_t i = 0; i < report.scenarios.size(); ++i) {
        const ReportScenario& s = report.scenarios[i];
        if (!s.reference.empty() && s.evidence[static_cast<int>(Evidence::actual)]) {
            changes.push_back(Change{i, ChangeKind::screenshot, {}, {}, {}, Decision::undecided, {}});
            resolve(s, changes.back());
        }
        if (s.flow_changed && !s.flows.empty()) {
            changes.push_back(Change{i, ChangeKind::flow, {}, {}, {}, Decision::undecided, {}});
            resolve(s, changes.back());
        }
    }
    return changes;
}

bool accept_change(const std::string& dir, const Report& report, const Change& change, std::string& why) {
    if (!change.refused.empty()) {
        why = change.refused;
        return false;
    }
    const ReportScenario& s = report.scenarios.at(change.scenario);
    if (change.kind == ChangeKind::flow)
        return store_one_flow(ROOT, change.target, change.key, s.flow,
                              (fs::path(dir) / fs::path(screen_picture(0)).parent_path()).string(), why);
    // The actual picture the report holds, written by the comparison's own update.
    std::string bytes;
    RgbPicture actual;
    if (!read_file_beneath(dir, evidence_picture(s.stem, Evidence::actual), MAX_REFERENCE_BYTES, bytes,
                           why) ||
        bytes.size() > MAX_REFERENCE_BYTES || !decode_png(bytes, actual)) {
        why = "the report's actual picture cannot be read" + (why.empty() ? std::string() : ": " + why);
        return false;
    }
    ReferenceCheck check;
    check.root = ROOT;
    check.relative = change.target;
    check.update = true;
    const ReferenceOutcome outcome = check_reference(actual, check);
    why = outcome.message;
    return outcome.kind != ReferenceOutcome::unwritable;
}
