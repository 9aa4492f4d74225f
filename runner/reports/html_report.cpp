#include "runner/reports/html_report.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "picture/picture.h"
#include "runner/files/confined_files.h"
#include "runner/files/evidence_names.h"
#include "runner/files/flows_store.h"
#include "runner/files/live_page.h"
#include "runner/files/path_rule.h"
#include "runner/play/coverage.h"
#include "runner/scenario/clean_text.h"
#include "runner/scenario/loader.h"
#include "runner/scenario/page_link.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* FORMAT = "qd5run report 1";
constexpr int JSON_DEPTH = 8;      // the format's own nesting is 5
constexpr std::size_t CONTEXT = 2; // unchanged frames shown around a change of a flow
constexpr int FRAME_SCALE = 2;     // the filmstrip's frames, drawn by the browser pixel for pixel

std::string html(const std::string& s) { return html_escaped(s); }

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", s);
    return text;
}

std::string page_of(const ReportScenario& s) { return scenario_page(s.stem); }

std::string page_head(const std::string& title) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + html(title) +
           "</title>\n<style>\n"
           "body{font-family:sans-serif;margin:1.5em;color:#111;background:#fff}\n"
           "nav a{margin-right:1em}\n"
           "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:.25em .5em;text-align:left;"
           "vertical-align:top}\n"
           ".pass{color:#060}.fail,.error{color:#a00}.interrupted{color:#a60}\n"
           "img.frame{image-rendering:pixelated;width:" +
           std::to_string(160 * FRAME_SCALE) + "px;height:" + std::to_string(128 * FRAME_SCALE) +
           "px;border:1px solid #888}\n"
           "img.small{image-rendering:pixelated;width:160px;height:128px;border:1px solid #888}\n"
           "img.evidence,img.output{image-rendering:pixelated;max-width:480px;border:1px solid #888}\n"
           ".strip{display:flex;flex-wrap:wrap;gap:1em}figure{margin:0}figcaption{font-size:.85em;"
           "max-width:320px}\n"
           "tr.added td.new,tr.changed td{background:#fee}tr.removed td.old{background:#fee}\n"
           ".unreached{color:#a00}\n"
           "</style>\n</head>\n<body>\n<nav><a href=\"index.html\">Scenarios</a><a "
           "href=\"screens.html\">Unique "
           "screens</a><a href=\"coverage.html\">Coverage</a></nav>\n";
}

std::string frame_img(uint64_t hash, const std::map<uint64_t, std::string>& texts, const char* css) {
    const auto at = texts.find(hash);
    const std::string words = at == texts.end() ? "frame " + hash_text(hash) : "Display: " + at->second;
    return "<img class=\"" + std::string(css) + "\" src=\"" + screen_picture(hash) + "\" alt=\"" +
           html(words) + "\" title=\"" + html(words) + "\">";
}

bool write_page(const std::string& dir, const std::string& name, const std::string& text, std::string& why) {
    return write_file_beneath(dir, name, text, true, nullptr, why);
}

// The flows of a changed scenario, aligned: rows of (old index or -1, new index or -1).
struct Row {
    long old_at, new_at;
    const char* kind; // "same", "added", "removed", "changed", "gap"
};
std::vector<Row> aligned_rows(const Flow& expected, const Flow& actual) {
    const FlowDifference difference = compare_flows(expected, actual);
    std::vector<Row> rows;
    std::size_t old_at = 0, new_at = 0;
    auto same_rows = [&](std::size_t old_end, bool last) {
        // Unchanged frames: a little context after a change and before the next one.
        const std::size_t count = old_end - old_at;
        const std::size_t after = rows.empty() ? 0 : std::min(CONTEXT, count);
        const std::size_t before = last ? 0 : std::min(CONTEXT, count - after);
        for (std::size_t i = 0; i < count; ++i) {
            if (i == after && count > after + before) rows.push_back(Row{-1, -1, "gap"});
            if (i >= after && i < count - before) continue;
            rows.push_back(Row{static_cast<long>(old_at + i), static_cast<long>(new_at + i), "same"});
        }
        new_at += count;
        old_at = old_end;
    };
    for (const FlowHunk& h : difference.hunks) {
        same_rows(h.expected_at, false);
        const std::size_t paired = std::min(h.expected_count, h.actual_count);
        for (std::size_t i = 0; i < std::max(h.expected_count, h.actual_count); ++i) {
            const long o = i < h.expected_count ? static_cast<long>(h.expected_at + i) : -1;
            const long n = i < h.actual_count ? static_cast<long>(h.actual_at + i) : -1;
            rows.push_back(Row{o, n, i < paired ? "changed" : o < 0 ? "added" : "removed"});
        }
        old_at = h.expected_at + h.expected_count;
        new_at = h.actual_at + h.actual_count;
    }
    same_rows(expected.size(), true);
    return rows;
}

std::string diff_picture_name(uint64_t old_hash, uint64_t new_hash) {
    return "diffs/" + hash_text(old_hash) + "-" + hash_text(new_hash) + ".png";
}

// The changed frames of a flow marked: the new frame dimmed, the changed pixels red.
void write_flow_diffs(const std::string& dir, const ReportScenario& s, std::set<std::string>& made) {
    for (const Row& row : aligned_rows(s.expected_flow, s.flow)) {
        if (std::string(row.kind) != "changed") continue;
        const uint64_t o = s.expected_flow[static_cast<std::size_t>(row.old_at)].hash;
        const uint64_t n = s.flow[static_cast<std::size_t>(row.new_at)].hash;
        const std::string name = diff_picture_name(o, n);
        if (made.size() >= MAX_FLOW_DIFFS || !made.insert(name).second) continue;
        std::string old_png, new_png, why, bytes;
        RgbPicture old_picture, new_picture;
        if (!read_file_beneath(dir, screen_picture(o), MAX_FRAME_PNG_BYTES, old_png, why) ||
            !read_file_beneath(dir, screen_picture(n), MAX_FRAME_PNG_BYTES, new_png, why) ||
            !is_frame_png(old_png) || !is_frame_png(new_png) || !decode_png(old_png, old_picture) ||
            !decode_png(new_png, new_picture) || differing_pixels(new_picture, old_picture) < 0 ||
            !encode_png(diff_picture(new_picture, old_picture), bytes))
            continue;
        write_file_beneath(dir, name, bytes, true, nullptr, why);
    }
}

std::string flow_cell(const Flow& flow, long at, const std::map<uint64_t, std::string>& texts) {
    if (at < 0) return "";
    const FlowEntry& e = flow[static_cast<std::size_t>(at)];
    return frame_img(e.hash, texts, "small") + "<br>frame " + std::to_string(at + 1) + ", line " +
           std::to_string(e.line) + ", " + seconds(pass_seconds(e.pass));
}

std::string flow_section(const std::string& dir, const ReportScenario& s, const Report& report) {
    std::string out = "<h2>Changed flow</h2>\n<p>The stored flow (" + std::to_string(s.expected_flow.size()) +
                      " frames) and this run's (" + std::to_string(s.flow.size()) +
                      " frames), aligned; changed pixels are red in the third column.</p>\n"
                      "<table>\n<tr><th>Stored</th><th>This run</th><th>Changed pixels</th></tr>\n";
    for (const Row& row : aligned_rows(s.expected_flow, s.flow)) {
        if (std::string(row.kind) == "gap") {
            out += "<tr class=\"gap\"><td colspan=\"3\">&hellip; unchanged frames &hellip;</td></tr>\n";
            continue;
        }
        std::string marked;
        if (std::string(row.kind) == "changed") {
            const std::string name =
                diff_picture_name(s.expected_flow[static_cast<std::size_t>(row.old_at)].hash,
                                  s.flow[static_cast<std::size_t>(row.new_at)].hash);
            std::error_code error;
            marked = fs::exists(fs::path(dir) / name, error)
                         ? "<img class=\"small\" src=\"" + name + "\" alt=\"Changed pixels marked red\">"
                         : "(the stored frame is not in the report)";
        } else if (std::string(row.kind) != "same") {
            marked = row.kind;
        }
        out += "<tr class=\"" + std::string(row.kind) + "\"><td class=\"old\">" +
               flow_cell(s.expected_flow, row.old_at, report.texts) + "</td><td class=\"new\">" +
               flow_cell(s.flow, row.new_at, report.texts) + "</td><td>" + marked + "</td></tr>\n";
    }
    return out + "</table>\n";
}

// A path inside the report as a link: each byte but letters, digits, "/", "-",
// "_" and "." percent-encoded, so that "#", "?" or a space in a save path
// stays part of it.
std::string url_path(const std::string& path) { return percent_encoded(path, "/-_."); }

// The distinct frames of the flow, each where it first appeared.
std::string flow_frames(const ReportScenario& s, const Report& report) {
    std::vector<std::size_t> first;
    std::map<uint64_t, std::size_t> times;
    for (std::size_t i = 0; i < s.flow.size(); ++i)
        if (times[s.flow[i].hash]++ == 0) first.push_back(i);
    std::string out = "<h2>Flow</h2>\n<p>" + std::to_string(s.flow.size()) + " changes of the screen, " +
                      std::to_string(first.size()) + " distinct frames, each as it first appeared.</p>\n" +
                      "<div class=\"strip\">\n";
    for (const std::size_t i : first) {
        const FlowEntry& e = s.flow[i];
        const std::size_t shown = times[e.hash];
        out += "<figure>" + frame_img(e.hash, report.texts, "small") + "<figcaption>frame " +
               std::to_string(i + 1) + ", line " + std::to_string(e.line) + ", " +
               seconds(pass_seconds(e.pass)) +
               (shown > 1 ? ", shown " + std::to_string(shown) + " times" : std::string()) +
               "</figcaption></figure>\n";
    }
    return out + "</div>\n";
}

// The page in the report's live/, opened at the step on line with the
// controls handed over; nothing where the report has no page.
std::string live_link(const ReportScenario& s, const Report& report, int line, const char* words) {
    if (!report.live_page || s.live.empty()) return "";
    return "<a class=\"live\" href=\"" + html(std::string(LIVE_PAGE) + "#" + fragment_at(s.live, line)) +
           "\">" + words + "</a>";
}

std::string scenario_page(const std::string& dir, const ReportScenario& s, const Report& report) {
    std::string out = page_head(s.name + " - qd5run report");
    const std::string verdict = verdict_name(s.verdict);
    out += "<h1>" + html(s.name) + "</h1>\n<p>" + html(s.file) + " &middot; <span class=\"" + verdict +
           "\">" + verdict + "</span> &middot; simulated " + seconds(s.sim_s) + " &middot; wall " +
           seconds(s.wall_s) + "</p>\n";
    if (!s.message.empty())
        out += "<p class=\"" + verdict + "\">" + html(s.message) +
               (s.steps.empty() ? ""
                                : " " + live_link(s, report, s.steps.back().line, "Open the failure live")) +
               "</p>\n";
    bool any = false;
    for (const bool e : s.evidence) any = any || e;
    if (any) {
        out += "<h2>Failure</h2>\n<div class=\"strip\">\n";
        static const char* const captions[EVIDENCE_KINDS] = {
            "The display at the failure", "Expected (reference)", "Actual", "Differing pixels in red"};
        for (int k = 0; k < EVIDENCE_KINDS; ++k) {
            if (!s.evidence[k]) continue;
            out += "<figure><img class=\"evidence\" src=\"" +
                   evidence_picture(s.stem, static_cast<Evidence>(k)) + "\" alt=\"" + captions[k] +
                   "\"><figcaption>" + captions[k] + "</figcaption></figure>\n";
        }
        out += "</div>\n";
    }
    if (s.flow_changed) out += flow_section(dir, s, report);
    out += "<h2>Steps</h2>\n<p>After each step, the screen it left.</p>\n<div class=\"strip\">\n";
    for (std::size_t i = 0; i < s.steps.size(); ++i) {
        const ReportStep& step = s.steps[i];
        out += "<figure id=\"step-" + std::to_string(i + 1) + "\">" +
               frame_img(step.hash, report.texts, "frame") + "<figcaption>" + std::to_string(i + 1) +
               ". line " + std::to_string(step.line) + ", " + seconds(pass_seconds(step.pass)) + ": <code>" +
               html(step.summary) + "</code> " + live_link(s, report, step.line, "Open live") +
               "</figcaption></figure>\n";
    }
    out += "</div>\n";
    if (!s.outputs.empty()) {
        out += "<h2>Outputs</h2>\n<p>The screenshots and recordings the scenario saved.</p>\n"
               "<div class=\"strip\">\n";
        for (const std::string& save : s.outputs) {
            const std::string link = url_path(report_output(s.stem, save));
            out += "<figure><a href=\"" + link + "\"><img class=\"output\" src=\"" + link + "\" alt=\"" +
                   html(save) + "\"></a><figcaption><a href=\"" + link + "\">" + html(save) +
                   "</a></figcaption></figure>\n";
        }
        out += "</div>\n";
    }
    out += flow_frames(s, report);
    return out + "</body>\n</html>\n";
}

std::string index_page(const Report& report) {
    VerdictCounts counts;
    double sim = 0;
    for (const ReportScenario& s : report.scenarios) counts.add(s.verdict), sim += s.sim_s;
    std::string out = page_head("qd5run report");
    out += "<h1>qd5run report" +
           (report.shard.empty() ? std::string() : " (shard " + html(report.shard) + ")") + "</h1>\n<p>" +
           std::to_string(report.scenarios.size()) + " scenarios: " + counts.text() + "; simulated " +
           seconds(sim) + ".</p>\n" +
           (report.live_note.empty() ? std::string() : "<p>" + html(report.live_note) + "</p>\n") +
           "<table>\n<tr><th>Result</th><th>Scenario</th><th>Name</th><th>Simulated</th><th>Wall</th>"
           "<th>Failure</th></tr>\n";
    for (const ReportScenario& s : report.scenarios)
        out += "<tr><td class=\"" + std::string(verdict_name(s.verdict)) + "\">" + verdict_name(s.verdict) +
               "</td><td><a href=\"" + page_of(s) + "\">" + html(s.file) + "</a></td><td>" + html(s.name) +
               "</td><td>" + seconds(s.sim_s) + "</td><td>" + seconds(s.wall_s) + "</td><td>" +
               html(s.message) + "</td></tr>\n";
    return out + "</table>\n</body>\n</html>\n";
}

std::string screens_page(const Report& report) {
    // Every frame in order of first appearance, with every step it appears at
    // (scenario by scenario, in step order).
    std::vector<uint64_t> order;
    std::map<uint64_t, std::set<std::pair<std::size_t, std::size_t>>> places; // (scenario, step)
    auto add = [&](uint64_t hash, std::size_t scenario, std::size_t step) {
        auto [at, fresh] = places.emplace(hash, std::set<std::pair<std::size_t, std::size_t>>{});
        if (fresh) order.push_back(hash);
        at->second.emplace(scenario, step);
    };
    for (std::size_t k = 0; k < report.scenarios.size(); ++k) {
        const ReportScenario& s = report.scenarios[k];
        std::map<int, std::size_t> step_of_line;
        for (std::size_t i = 0; i < s.steps.size(); ++i) step_of_line.emplace(s.steps[i].line, i + 1);
        // A frame of the flow is put down to the step that was running; the
        // steps themselves to the frame they left.
        std::size_t i = 0;
        for (const FlowEntry& e : s.flow) {
            const auto at = step_of_line.find(e.line);
            add(e.hash, k, at == step_of_line.end() ? 0 : at->second);
            for (; i < s.steps.size() && s.steps[i].pass <= e.pass; ++i) add(s.steps[i].hash, k, i + 1);
        }
        for (; i < s.steps.size(); ++i) add(s.steps[i].hash, k, i + 1);
    }
    std::string out = page_head("Unique screens - qd5run report");
    out += "<h1>Unique screens</h1>\n<p>" + std::to_string(order.size()) +
           " distinct frames, in the order the scenarios first showed them, each with the steps that show it."
           "</p>\n<div class=\"strip\">\n";
    for (const uint64_t hash : order) {
        std::string links;
        for (const auto& [k, step] : places[hash]) {
            const ReportScenario& s = report.scenarios[k];
            if (step == 0) continue;
            links += (links.empty() ? "" : ", ") + std::string("<a href=\"") + page_of(s) + "#step-" +
                     std::to_string(step) + "\">" + html(s.file) + ":" +
                     std::to_string(s.steps[step - 1].line) + "</a>";
        }
        out += "<figure id=\"" + hash_text(hash) + "\">" + frame_img(hash, report.texts, "frame") +
               "<figcaption><code>" + hash_text(hash) + "</code>: " + links + "</figcaption></figure>\n";
    }
    return out + "</div>\n</body>\n</html>\n";
}

std::string coverage_page(const Report& report) {
    const std::vector<CoveragePoint>& points = coverage_points();
    auto count = [&](std::size_t i) { return i < report.coverage.size() ? report.coverage[i] : 0; };
    std::string out = page_head("Coverage - qd5run report");
    out += "<h1>Coverage</h1>\n<p>What the scenarios reached, counted in frames that showed it.</p>\n<ul>\n";
    std::vector<std::string> groups;
    for (const CoveragePoint& p : points)
        if (groups.empty() || groups.back() != p.group) groups.push_back(p.group);
    for (const std::string& g : groups) {
        std::size_t all = 0, reached = 0;
        for (std::size_t i = 0; i < points.size(); ++i)
            if (points[i].group == g) ++all, reached += count(i) > 0 ? 1 : 0;
        out += "<li>" + html(g) + ": " + std::to_string(reached) + " of " + std::to_string(all) +
               " reached</li>\n";
    }
    // What was not reached, by the screen or menu it is part of, each list in the order of the points.
    std::vector<std::string> places;
    std::map<std::string, std::string> unreached;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (count(i) != 0) continue;
        const std::string& where = points[i].where;
        if (unreached.count(where) == 0) places.push_back(where);
        // An item is named after its list, which heads it here.
        std::string name = points[i].name;
        if (name.rfind(where + ": ", 0) == 0) name.erase(0, where.size() + 2);
        unreached[where] += "<li>" + html(name) + "</li>\n";
    }
    out += "</ul>\n<h2>Not reached</h2>\n";
    if (places.empty()) out += "<p>Every point was reached.</p>\n";
    for (const std::string& where : places)
        out += "<h3>" + html(where) + "</h3>\n<ul class=\"unreached\">\n" + unreached[where] + "</ul>\n";
    for (const std::string& g : groups) {
        out += "<h2>" + html(g) + "</h2>\n<table>\n<tr><th>Point</th><th>Frames</th></tr>\n";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (points[i].group != g) continue;
            out += "<tr" + std::string(count(i) == 0 ? " class=\"unreached\"" : "") + "><td>" +
                   html(points[i].name) + "</td><td>" + std::to_string(count(i)) + "</td></tr>\n";
        }
        out += "</table>\n";
    }
    return out + "</body>\n</html>\n";
}

json flow_json(const Flow& flow) {
    json list = json::array();
    for (const FlowEntry& e : flow)
        list.push_back({{"hash", hash_text(e.hash)},
                        {"line", e.line},
                        {"time_s", std::round(pass_seconds(e.pass) * 1000) / 1000}});
    return list;
}

// Reading report.json: every value checked, so that a hostile file gives one
// line and nothing else.
struct Reader {
    std::string why;
    bool fail(const std::string& what) {
        if (why.empty()) why = what;
        return false;
    }
    const json* field(const json& object, const char* key, json::value_t type, bool optional = false) {
        const auto at = object.find(key);
        if (at == object.end())
            return optional ? nullptr : (fail(std::string("no \"") + key + "\""), nullptr);
        const bool matches = at->type() == type || (type == json::value_t::number_float && at->is_number());
        if (!matches) return fail(std::string("\"") + key + "\" has the wrong type"), nullptr;
        return &*at;
    }
    bool text(const json& object, const char* key, std::string& out, bool optional = false) {
        const json* v = field(object, key, json::value_t::string, optional);
        if (v != nullptr) out = v->get<std::string>();
        return why.empty();
    }
    bool number(const json& object, const char* key, double& out, double most) {
        const json* v = field(object, key, json::value_t::number_float);
        if (v == nullptr) return false;
        out = v->get<double>();
        if (!std::isfinite(out) || out < 0 || out > most)
            return fail(std::string("\"") + key + "\" is out of range");
        return true;
    }
    bool hash(const json& object, const char* key, uint64_t& out) {
        std::string t;
        if (!text(object, key, t)) return false;
        if (!parse_hash(t, out)) return fail("a hash is not 16 lower-case hex digits");
        return true;
    }
    bool flow(const json& list, Flow& out) {
        if (!list.is_array() || list.size() > MAX_FLOW_FRAMES) return fail("a flow is not a list of frames");
        for (const json& e : list) {
            FlowEntry entry;
            double line = 0, time = 0;
            if (!e.is_object() || !hash(e, "hash", entry.hash) || !number(e, "line", line, 1e7) ||
                !number(e, "time_s", time, 48 * 3600.0))
                return fail("a frame of a flow is not {hash, line, time_s}");
            entry.line = static_cast<int>(line);
            entry.pass = std::llround(time * 1000 / MS_PER_TICK * PASSES_PER_TICK);
            out.push_back(entry);
        }
        return true;
    }
};

} // namespace

std::string html_text(const std::string& s) { return html(s); }

std::string changed_flow_table(const std::string& dir, const ReportScenario& s, const Report& report) {
    return flow_section(dir, s, report);
}

Report make_report(const std::vector<Scenario>& scenarios, const std::vector<ScenarioResult>& results,
                   const std::vector<const Flow*>& expected, const std::string& shard) {
    Report report;
    report.shard = shard;
    report.coverage.assign(coverage_points().size(), 0);
    for (std::size_t i = 0; i < scenarios.size() && i < results.size(); ++i) {
        const ScenarioResult& r = results[i];
        ReportScenario s;
        s.file = scenarios[i].file;
        s.stem = evidence_stem(s.file);
        s.name = scenarios[i].name;
        s.verdict = r.verdict;
        s.message = r.message;
        s.sim_s = r.sim_ms / 1000;
        s.wall_s = r.wall_ms / 1000;
        s.flow = r.record.flow;
        for (const StepTrace& t : r.record.steps)
            if (t.index < scenarios[i].steps.size())
                s.steps.push_back(ReportStep{scenarios[i].steps[t.index].line,
                                             scenarios[i].steps[t.index].summary, t.pass, t.hash});
        s.flow_changed = r.record.flow_changed && i < expected.size() && expected[i] != nullptr;
        if (s.flow_changed) s.expected_flow = *expected[i];
        for (int k = 0; k < EVIDENCE_KINDS; ++k) s.evidence[k] = r.record.evidence[k];
        // A failed comparison is the last step the run traced.
        if (s.evidence[static_cast<int>(Evidence::actual)] && !r.record.steps.empty()) {
            const std::size_t last = r.record.steps.back().index;
            if (last < scenarios[i].steps.size() &&
                scenarios[i].steps[last].kind == StepKind::screenshot_compare)
                s.reference = scenarios[i].steps[last].image.path;
        }
        s.outputs = r.record.outputs;
        s.live = scenario_fragment(scenarios[i].source, scenarios[i].file);
        report.texts.insert(r.record.texts.begin(), r.record.texts.end());
        add_counts(report.coverage, r.record.coverage);
        report.scenarios.push_back(std::move(s));
    }
    return report;
}

void merge_report(Report& into, const Report& from) {
    into.scenarios.insert(into.scenarios.end(), from.scenarios.begin(), from.scenarios.end());
    into.texts.insert(from.texts.begin(), from.texts.end());
    add_counts(into.coverage, from.coverage);
}

std::string report_json(const Report& report) {
    json root = {{"format", FORMAT}};
    if (!report.shard.empty()) root["shard"] = report.shard;
    json list = json::array();
    for (const ReportScenario& s : report.scenarios) {
        json steps = json::array();
        for (const ReportStep& step : s.steps)
            steps.push_back({{"line", step.line},
                             {"step", step.summary},
                             {"time_s", std::round(pass_seconds(step.pass) * 1000) / 1000},
                             {"hash", hash_text(step.hash)}});
        json pictures = json::object();
        for (int k = 0; k < EVIDENCE_KINDS; ++k)
            if (s.evidence[k])
                pictures[EVIDENCE_NAMES[k]] = evidence_picture(s.stem, static_cast<Evidence>(k));
        json outputs = json::object();
        for (const std::string& save : s.outputs) outputs[save] = report_output(s.stem, save);
        json one = {{"file", s.file},
                    {"name", s.name},
                    {"passed", s.verdict == Verdict::pass},
                    {"result", verdict_name(s.verdict)},
                    {"message", s.message},
                    {"sim_s", s.sim_s},
                    {"wall_s", s.wall_s},
                    {"flow", flow_json(s.flow)},
                    {"steps", steps},
                    {"page", page_of(s)},
                    {"pictures", pictures},
                    {"outputs", outputs}};
        if (s.flow_changed) one["expected_flow"] = flow_json(s.expected_flow);
        if (!s.reference.empty()) one["reference"] = s.reference;
        if (!s.flows.empty()) one["flows"] = s.flows;
        if (!s.live.empty()) one["live"] = s.live;
        list.push_back(std::move(one));
    }
    root["scenarios"] = std::move(list);
    json texts = json::object();
    for (const auto& [hash, words] : report.texts) texts[hash_text(hash)] = words;
    root["screens"] = std::move(texts);
    const std::vector<CoveragePoint>& points = coverage_points();
    json screens = json::object(), counts = json::object(), unreached = json::array();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const uint64_t n = i < report.coverage.size() ? report.coverage[i] : 0;
        counts[points[i].name] = n;
        if (!points[i].screen.empty()) screens[points[i].screen] = n;
        if (n == 0) unreached.push_back(points[i].name);
    }
    root["coverage"] = {{"screens", screens}, {"points", counts}, {"unreached", unreached}};
    return root.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

bool write_report(const std::string& dir, const Report& given, std::string& why) {
    Report report = given;
    // The page goes beside the report once, and every step links to it. A
    // page that cannot be copied (one being rebuilt, say) leaves the report
    // whole, without the links, and the index says why.
    const std::string page = built_page_dir();
    std::string not_copied;
    report.live_page = !page.empty() && copy_live_page(page, dir, not_copied);
    if (!page.empty() && !report.live_page)
        report.live_note = "The web page could not be copied: " + not_copied;
    std::map<std::string, const std::string*> pages; // a page and its scenario
    for (const ReportScenario& s : report.scenarios) {
        if (!is_evidence_stem(s.stem)) {
            why = quoted_input(s.file) + " would have the page " + quoted_input(page_of(s)) +
                  ", which is not free";
            return false;
        }
        if (const auto [at, fresh] = pages.emplace(s.stem, &s.file); !fresh) {
            why = quoted_input(*at->second) + " and " + quoted_input(s.file) + " would share the page " +
                  quoted_input(page_of(s));
            return false;
        }
    }
    std::set<std::string> made;
    for (const ReportScenario& s : report.scenarios)
        if (s.flow_changed) write_flow_diffs(dir, s, made);
    for (const ReportScenario& s : report.scenarios)
        if (!write_page(dir, page_of(s), scenario_page(dir, s, report), why)) return false;
    return write_page(dir, "screens.html", screens_page(report), why) &&
           write_page(dir, "coverage.html", coverage_page(report), why) &&
           write_page(dir, "report.json", report_json(report), why) &&
           write_page(dir, "index.html", index_page(report), why);
}

bool read_report(const std::string& dir, Report& report, std::string& error) {
    std::string text, why;
    if (!read_file_beneath(dir, "report.json", MAX_REPORT_JSON_BYTES, text, why)) {
        error = printable(dir + "/report.json: " + why);
        return false;
    }
    if (text.size() > MAX_REPORT_JSON_BYTES) {
        error = printable(dir) + "/report.json: larger than " + std::to_string(MAX_REPORT_JSON_BYTES >> 20) +
                " MB";
        return false;
    }
    return parse_report_json(text, dir + "/report.json", report, error);
}

bool parse_report_json(const std::string& text, const std::string& source, Report& report,
                       std::string& error) {
    report = Report{};
    Reader r;
    // Nesting and duplicate keys are refused while the document is read.
    std::vector<std::set<std::string>> keys;
    const json::parser_callback_t check = [&](int depth, json::parse_event_t event, json& parsed) {
        if (depth > JSON_DEPTH) return r.fail("nested deeper than " + std::to_string(JSON_DEPTH)), false;
        if (event == json::parse_event_t::object_start) keys.emplace_back();
        if (event == json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
        if (event == json::parse_event_t::key && !keys.empty() &&
            !keys.back().insert(parsed.get<std::string>()).second)
            return r.fail("the key " + quoted_input(parsed.get<std::string>()) + " appears twice"), false;
        return true;
    };
    json root = json::parse(text, check, false);
    auto failed = [&](const std::string& what) {
        error = printable(source) + ": " + (r.why.empty() ? what : r.why);
        report = Report{};
        return false;
    };
    if (!r.why.empty() || root.is_discarded() || !root.is_object()) return failed("not valid JSON");
    std::string format;
    if (!r.text(root, "format", format) || format != FORMAT)
        return failed("not a qd5run report (\"format\")");
    if (!r.text(root, "shard", report.shard, true)) return failed("");
    const json* list = r.field(root, "scenarios", json::value_t::array);
    const json* texts = r.field(root, "screens", json::value_t::object);
    const json* coverage = r.field(root, "coverage", json::value_t::object);
    if (list == nullptr || texts == nullptr || coverage == nullptr) return failed("");
    for (const json& one : *list) {
        ReportScenario s;
        std::string verdict;
        if (!one.is_object()) return failed("a scenario is not an object");
        const json* p = r.field(one, "passed", json::value_t::boolean);
        const json* flow = r.field(one, "flow", json::value_t::array);
        const json* steps = r.field(one, "steps", json::value_t::array);
        const json* pictures = r.field(one, "pictures", json::value_t::object);
        if (!r.text(one, "file", s.file) || !r.text(one, "name", s.name) || !r.text(one, "result", verdict) ||
            !r.text(one, "message", s.message) || p == nullptr || flow == nullptr || steps == nullptr ||
            pictures == nullptr || !r.number(one, "sim_s", s.sim_s, 1e9) ||
            !r.number(one, "wall_s", s.wall_s, 1e9) || !r.flow(*flow, s.flow) ||
            !r.text(one, "reference", s.reference, true) || !r.text(one, "flows", s.flows, true))
            return failed("");
        // Reports written before the one verdict type said "stop" for interrupted; they still merge.
        if (verdict == "stop") verdict = verdict_name(Verdict::interrupted);
        if (!parse_verdict(verdict, s.verdict))
            return failed("a result is not pass, fail, error or interrupted");
        if (p->get<bool>() != (s.verdict == Verdict::pass))
            return failed("\"passed\" and \"result\" disagree");
        if (steps->size() > MAX_STEPS) return failed("too many steps");
        for (const json& step : *steps) {
            ReportStep st;
            double line = 0, time = 0;
            if (!step.is_object() || !r.number(step, "line", line, 1e7) ||
                !r.text(step, "step", st.summary) || !r.number(step, "time_s", time, 48 * 3600.0) ||
                !r.hash(step, "hash", st.hash))
                return failed("a step is not {line, step, time_s, hash}");
            st.line = static_cast<int>(line);
            st.pass = std::llround(time * 1000 / MS_PER_TICK * PASSES_PER_TICK);
            s.steps.push_back(std::move(st));
        }
        // The names are the shard's, which the merging folder cannot work out again, but only
        // as a stem that stays in the report's folder, and pictures named as the page is.
        std::string page;
        if (!r.text(one, "page", page)) return failed("");
        s.stem = page.ends_with(".html") ? page.substr(0, page.size() - 5) : "";
        if (!is_evidence_stem(s.stem))
            return failed("the page name " + quoted_input(page) + " is not one qd5run makes");
        for (int k = 0; k < EVIDENCE_KINDS; ++k) {
            const auto at = pictures->find(EVIDENCE_NAMES[k]);
            s.evidence[k] = at != pictures->end();
            if (s.evidence[k] && (!at->is_string() || at->get<std::string>() !=
                                                          evidence_picture(s.stem, static_cast<Evidence>(k))))
                return failed("a picture is not named as its page " + quoted_input(page));
        }
        // The link to the page holds only what the page's link writer makes.
        if (!r.text(one, "live", s.live, true)) return failed("");
        if (!s.live.empty() && !is_scenario_fragment(s.live))
            return failed("\"live\" is not a link to a scenario");
        // Outputs are named by their save paths, which must stay inside the report's outputs/.
        const json* outputs = r.field(one, "outputs", json::value_t::object, true);
        if (outputs != nullptr) {
            if (outputs->size() > MAX_STEPS) return failed("too many outputs");
            for (const auto& [save, ignored] : outputs->items()) {
                std::string why;
                if (!confined_relative_path(save, why))
                    return failed("an output's path " + quoted_input(save) + ": " + why);
                s.outputs.push_back(save);
            }
        }
        if (const auto e = one.find("expected_flow"); e != one.end()) {
            if (!r.flow(*e, s.expected_flow)) return failed("");
            s.flow_changed = true;
        }
        report.scenarios.push_back(std::move(s));
    }
    for (const auto& [key, value] : texts->items()) {
        uint64_t hash = 0;
        if (!parse_hash(key, hash) || !value.is_string()) return failed("\"screens\" maps hashes to texts");
        report.texts[hash] = cut_utf8(value.get<std::string>(), MAX_SCREEN_TEXT);
    }
    const json* points = r.field(*coverage, "points", json::value_t::object);
    if (points == nullptr) return failed("");
    report.coverage.assign(coverage_points().size(), 0);
    for (const auto& [name, value] : points->items()) {
        const int at = coverage_point_index(name);
        if (at < 0) return failed("unknown coverage point " + quoted_input(name));
        if (!value.is_number_unsigned()) return failed("a coverage count is not a whole number");
        report.coverage[static_cast<std::size_t>(at)] = value.get<uint64_t>();
    }
    return true;
}
