#include "runner/suite/output_collisions.h"

#include <filesystem>
#include <map>

#include "runner/files/evidence_names.h"
#include "runner/files/flows_store.h"
#include "runner/files/reference_check.h"
#include "runner/scenario/clean_text.h"

namespace fs = std::filesystem;

namespace {

// Symlinks that exist are followed, so that two spellings of one file meet.
fs::path full_path(const fs::path& path) {
    std::error_code error;
    const fs::path full = fs::weakly_canonical(fs::absolute(path, error), error);
    return (error ? fs::absolute(path, error) : full).lexically_normal();
}

// path lies in folder (or is it).
bool inside(const fs::path& path, const fs::path& folder) {
    const std::string p = path.string(), f = folder.string();
    return p == f || (p.starts_with(f) && (f.ends_with("/") || p[f.size()] == '/'));
}

// What the report writes in its folder: the pages and report.json at its
// top, the pictures and frames below.
bool report_writes(const fs::path& path, const fs::path& report) {
    if (!inside(path, report) || path == report) return false;
    const fs::path relative = path.lexically_relative(report);
    const std::string first = relative.begin()->string();
    if (first == "screens" || first == "pictures" || first == "diffs" || first == "outputs") return true;
    return std::distance(relative.begin(), relative.end()) == 1 &&
           (first == "report.json" || relative.extension() == ".html");
}

// What a writer claims: one file, or a folder it fills as it likes (--out:
// only the files its scenarios name), the report's or the stored frames'.
enum class Claims { file, out, report, frames };

struct Writer {
    std::string who; // "a.yaml:3" or "--junit"
    fs::path path;
    Claims claims = Claims::file;
};

std::string clash(const Writer& a, const Writer& b, const std::string& how) {
    return printable("qd5run: " + a.who + " and " + b.who + " " + how + "; give them different " +
                     (a.claims != Claims::file || b.claims != Claims::file ? "places" : "files"));
}

// Empty, or the clash of two writers of the run's own.
std::string run_clash(const Writer& a, const Writer& b) {
    if (a.path == b.path) return clash(a, b, "both name " + a.path.string());
    for (const auto& [x, y] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
        if ((y->claims == Claims::frames && inside(x->path, y->path)) ||
            (y->claims == Claims::report && report_writes(x->path, y->path)))
            return clash(*x, *y, "overlap: " + x->path.string() + " is where " + y->who + " writes");
    }
    return "";
}

} // namespace

std::string first_collision(const std::vector<Scenario>& scenarios, const RunOptions& options,
                            const std::string& junit) {
    // The run's own outputs first: each against the others.
    std::vector<Writer> own{{"--out", full_path(options.out_dir), Claims::out}};
    if (!junit.empty()) own.push_back({"--junit", full_path(junit), Claims::file});
    if (!options.flows_name.empty()) {
        own.push_back({"--flows", full_path(options.flows_name), Claims::file});
        if (options.update)
            own.push_back({"the frames folder of --flows",
                           full_path(flows_screens_folder(options.flows_name)), Claims::frames});
    }
    if (!options.report_dir.empty())
        own.push_back({"--report", full_path(options.report_dir), Claims::report});
    for (std::size_t i = 0; i < own.size(); ++i)
        for (std::size_t k = i + 1; k < own.size(); ++k)
            if (const std::string found = run_clash(own[i], own[k]); !found.empty()) return found;

    std::map<fs::path, std::string> writers; // by file, who writes it
    for (const Writer& w : own)
        if (w.claims == Claims::file) writers.emplace(w.path, w.who);
    for (const Scenario& scenario : scenarios) {
        std::map<fs::path, int> mine; // a file written twice by one scenario is its own business
        auto add = [&](const fs::path& path, int line) { mine.emplace(full_path(path), line); };
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
        for (const auto& [path, line] : mine) {
            const Writer me{scenario.file + (line > 0 ? ":" + std::to_string(line) : std::string()), path,
                            Claims::file};
            for (const Writer& w : own)
                if (w.claims == Claims::report || w.claims == Claims::frames)
                    if (const std::string found = run_clash(me, w); !found.empty()) return found;
            const auto [at, fresh] = writers.emplace(path, me.who);
            if (!fresh) return clash(Writer{at->second, path}, me, "both write " + path.string());
        }
    }
    return "";
}
