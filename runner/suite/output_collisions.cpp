#include "runner/suite/output_collisions.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>

#include "runner/files/reference_check.h"
#include "runner/scenario/clean_text.h"

namespace fs = std::filesystem;

namespace {

std::string absolute_path(const fs::path& path) {
    std::error_code error;
    const fs::path full = fs::absolute(path, error);
    return (error ? path : full).lexically_normal().string();
}

struct Writer {
    std::size_t scenario;
    int line;
};

} // namespace

std::string evidence_stem(const std::string& scenario_file) {
    uint32_t h = 2166136261u; // FNV-1a
    for (const char c : absolute_path(scenario_file)) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    char hash[16];
    std::snprintf(hash, sizeof hash, "-%08x", h);
    return fs::path(scenario_file).stem().string() + hash;
}

std::string comparison_stem(const std::string& evidence, const std::string& reference_path) {
    return evidence + "." + fs::path(reference_path).stem().string();
}

std::string report_stem(const std::string& scenario_file) {
    std::string stem = evidence_stem(scenario_file);
    for (char& c : stem)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'))
            c = '_';
    return stem;
}

std::string scenario_folder(const std::string& scenario_file) {
    const std::string folder = fs::path(scenario_file).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string first_collision(const std::vector<Scenario>& scenarios, const RunOptions& options) {
    std::map<std::string, Writer> writers;
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        const Scenario& scenario = scenarios[i];
        std::map<std::string, int> own; // a file written twice by one scenario is its own business
        auto add = [&](const fs::path& path, int line) { own.emplace(absolute_path(path), line); };
        const fs::path out = options.out_dir;
        const std::string stem = evidence_stem(scenario.file);
        add(out / (stem + ".failure.png"), 0);
        for (const Step& s : scenario.steps) {
            if (s.kind == StepKind::screenshot_save || s.kind == StepKind::record_start)
                add(out / s.image.path, s.line);
            if (s.kind != StepKind::screenshot_compare) continue;
            const std::string compared = comparison_stem(stem, s.image.path);
            add(out / reference_evidence_name(compared, ReferenceEvidence::actual), s.line);
            add(out / reference_evidence_name(compared, ReferenceEvidence::diff), s.line);
            if (options.update) add(fs::path(scenario_folder(scenario.file)) / s.image.path, s.line);
        }
        for (const auto& [path, line] : own) {
            const auto [at, fresh] = writers.emplace(path, Writer{i, line});
            if (fresh) continue;
            auto where = [&](std::size_t k, int l) {
                return scenarios[k].file + (l > 0 ? ":" + std::to_string(l) : std::string());
            };
            return printable("qd5run: " + where(at->second.scenario, at->second.line) + " and " +
                             where(i, line) + " both write " + path + "; give them different files");
        }
    }
    return "";
}
