#include "runner/explore/explore_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "picture/picture.h"
#include "runner/files/confined_files.h"
#include "runner/play/coverage.h"
#include "runner/play/flow.h"
#include "runner/scenario/clean_text.h"

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr const char* FORMAT = "qd5run map 1";
constexpr const char* EMIT_PREFIX = "explored_";
// Graphviz lays out thousands of pictures in seconds; a hung one is ended.
constexpr int DOT_PATIENCE_S = 300;
// Moves one generated scenario holds at most, so that a failure points at a short file.
constexpr std::size_t MOVES_PER_FILE = 400;

std::string picture_of(uint64_t hash) { return "screens/" + hash_text(hash) + ".png"; }

std::string path_text(const Exploration& e, const std::vector<int>& path) {
    std::string text;
    for (int m : path) text += (text.empty() ? "" : ", ") + e.moves[static_cast<std::size_t>(m)].name;
    return text.empty() ? "(power-on)" : text;
}

// States with no way back to a run screen over the edges found, other than
// power, of which every state they lead to was explored: a dead end for certain.
std::vector<bool> dead_ends(const Exploration& e) {
    const std::vector<bool> returns = returns_to_run(e);
    const std::size_t n = e.states.size();
    std::vector<std::vector<int>> out(n);
    for (const ExploredEdge& edge : e.edges) out[static_cast<std::size_t>(edge.from)].push_back(edge.to);
    std::vector<bool> dead(n, false);
    for (std::size_t s = 0; s < n; ++s) {
        if (returns[s] || !e.states[s].expanded) continue;
        std::vector<bool> seen(n, false);
        std::vector<int> stack{static_cast<int>(s)};
        seen[s] = true;
        bool closed = true;
        while (!stack.empty() && closed) {
            const auto at = static_cast<std::size_t>(stack.back());
            stack.pop_back();
            closed = e.states[at].expanded;
            for (int to : out[at])
                if (!seen[static_cast<std::size_t>(to)])
                    seen[static_cast<std::size_t>(to)] = true, stack.push_back(to);
        }
        dead[s] = closed;
    }
    return dead;
}

// The target of the edge from a state by a move, or -1 (cut by the state bound).
int edge_target(const Exploration& e, int from, int move) {
    for (const ExploredEdge& edge : e.edges)
        if (edge.from == from && edge.move == move) return edge.to;
    return -1;
}

std::string stopped_by(const Exploration& e) {
    if (e.stopped_by_states) return "states";
    if (e.stopped_by_time) return "time";
    return "";
}

json map_json(const Exploration& e, const std::vector<bool>& dead) {
    json states = json::array(), edges = json::array(), moves = json::array();
    for (const Move& move : e.moves) moves.push_back(move.name);
    for (std::size_t s = 0; s < e.states.size(); ++s) {
        const ExploredState& state = e.states[s];
        states.push_back({{"id", s},
                          {"screen", state.screen},
                          {"depth", state.depth},
                          {"hash", hash_text(state.hash)},
                          {"picture", picture_of(state.hash)},
                          {"dead_end", static_cast<bool>(dead[s])}});
    }
    for (const ExploredEdge& edge : e.edges)
        edges.push_back({{"from", edge.from},
                         {"to", edge.to},
                         {"move", e.moves[static_cast<std::size_t>(edge.move)].name}});
    json reached = json::array(), unreached = json::array(), reasons = json::object(),
         presses = json::object();
    const auto& points = coverage_points();
    for (std::size_t p = 0; p < points.size(); ++p) {
        if (e.witness_state[p] >= 0) {
            reached.push_back(points[p].name);
            presses[points[p].name] = e.states[static_cast<std::size_t>(e.witness_state[p])].depth +
                                      (e.witness_move[p] >= 0 ? 1 : 0);
        } else {
            unreached.push_back(points[p].name);
            reasons[points[p].name] = unreached_reason(e, p);
        }
    }
    const std::string stop = stopped_by(e);
    return {{"format", FORMAT},
            {"bounds",
             {{"max_states", e.max_states},
              {"max_seconds", e.max_seconds},
              {"states", e.states.size()},
              {"seconds", e.seconds},
              {"moves_played", e.moves_played},
              {"stopped_by", stop.empty() ? json(nullptr) : json(stop)}}},
            {"moves", moves},
            {"states", states},
            {"edges", edges},
            {"coverage",
             {{"reached", reached}, {"unreached", unreached}, {"reasons", reasons}, {"presses", presses}}}};
}

std::string dot_quoted(const std::string& s) {
    std::string out = "\"";
    for (const char c : printable(s)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The graph: a cluster per screen, a node per state showing its picture, and
// the arrows by which each state was first reached, named by their move: a
// tree that Graphviz lays out in seconds where every move between thousands
// of states would take it minutes. A state's tooltip lists all its moves, and
// map.json holds them.
std::string map_dot(const Exploration& e, const std::vector<bool>& dead) {
    std::string dot = "digraph map {\n  rankdir=LR; nodesep=0.15; ranksep=0.6;\n"
                      "  node [shape=box, margin=0.02, fontname=\"sans-serif\", fontsize=10, labelloc=b];\n"
                      "  edge [fontname=\"sans-serif\", fontsize=9, color=\"#555555\"];\n";
    std::vector<std::string> moves_of(e.states.size());
    for (const ExploredEdge& edge : e.edges) {
        if (edge.from == edge.to) continue;
        std::string& text = moves_of[static_cast<std::size_t>(edge.from)];
        text += (text.empty() ? "" : "; ") + e.moves[static_cast<std::size_t>(edge.move)].name + " to #" +
                std::to_string(edge.to);
    }
    std::map<std::string, std::vector<std::size_t>> by_screen;
    for (std::size_t s = 0; s < e.states.size(); ++s) by_screen[e.states[s].screen].push_back(s);
    int cluster = 0;
    for (const auto& [screen, members] : by_screen) {
        dot += "  subgraph cluster_" + std::to_string(cluster++) + " {\n    label=" + dot_quoted(screen) +
               "; style=rounded; color=\"#888888\";\n";
        for (std::size_t s : members) {
            const ExploredState& state = e.states[s];
            const std::string& moves = moves_of[s];
            dot +=
                "    s" + std::to_string(s) + " [image=" + dot_quoted(picture_of(state.hash)) +
                ", label=" + dot_quoted("#" + std::to_string(s) + " depth " + std::to_string(state.depth)) +
                ", id=" + dot_quoted("state" + std::to_string(s)) +
                ", tooltip=" + dot_quoted(moves.empty() ? "no move leaves it" : moves) +
                (dead[s] ? ", color=\"#cc0000\", penwidth=3" : "") + "];\n";
        }
        dot += "  }\n";
    }
    for (std::size_t s = 0; s < e.states.size(); ++s)
        if (e.states[s].parent >= 0)
            dot += "  s" + std::to_string(e.states[s].parent) + " -> s" + std::to_string(s) +
                   " [label=" + dot_quoted(e.moves[static_cast<std::size_t>(e.states[s].move)].name) + "];\n";
    return dot + "}\n";
}

// The overview: one node per screen with the picture of its first state,
// joined by the moves that lead from one screen to another.
std::string screens_dot(const Exploration& e) {
    std::map<std::string, std::size_t> first;
    for (std::size_t s = 0; s < e.states.size(); ++s) first.emplace(e.states[s].screen, s);
    std::map<std::pair<std::string, std::string>, std::set<std::string>> joined;
    for (const ExploredEdge& edge : e.edges) {
        const std::string& from = e.states[static_cast<std::size_t>(edge.from)].screen;
        const std::string& to = e.states[static_cast<std::size_t>(edge.to)].screen;
        if (from != to) joined[{from, to}].insert(e.moves[static_cast<std::size_t>(edge.move)].name);
    }
    std::string dot = "digraph screens {\n  rankdir=LR; nodesep=0.3; ranksep=1.2;\n"
                      "  node [shape=box, margin=0.02, fontname=\"sans-serif\", fontsize=12, labelloc=b];\n"
                      "  edge [fontname=\"sans-serif\", fontsize=10, color=\"#555555\"];\n";
    for (const auto& [screen, s] : first)
        dot += "  " + dot_quoted(screen) + " [image=" + dot_quoted(picture_of(e.states[s].hash)) +
               ", label=" + dot_quoted(screen + ", depth " + std::to_string(e.states[s].depth)) + "];\n";
    for (const auto& [ends, names] : joined) {
        std::string label;
        for (const std::string& name : names) label += (label.empty() ? "" : ", ") + name;
        dot += "  " + dot_quoted(ends.first) + " -> " + dot_quoted(ends.second) +
               " [label=" + dot_quoted(label) + "];\n";
    }
    return dot + "}\n";
}

// Runs Graphviz's dot in folder: NAME.dot to NAME.svg.
bool run_dot(const std::string& folder, const std::string& name, std::string& why) {
    const pid_t child = fork();
    if (child < 0) {
        why = "cannot start Graphviz's dot";
        return false;
    }
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) dup2(null, STDIN_FILENO), dup2(null, STDOUT_FILENO);
        if (chdir(folder.c_str()) != 0) _exit(126);
        execlp("dot", "dot", "-Tsvg", "-o", (name + ".svg").c_str(), (name + ".dot").c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto started = std::chrono::steady_clock::now();
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - started > std::chrono::seconds(DOT_PATIENCE_S)) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            why = "Graphviz's dot took more than " + std::to_string(DOT_PATIENCE_S) + " s";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        why = "Graphviz's dot is not installed (apt-get install graphviz)";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        why = "Graphviz's dot failed on " + folder + "/" + name + ".dot";
        return false;
    }
    return true;
}

std::string map_html(const Exploration& e, const std::vector<bool>& dead, const std::string& screens_svg,
                     const std::string& svg) {
    const auto& points = coverage_points();
    std::size_t reached = 0;
    for (int w : e.witness_state) reached += w >= 0 ? 1 : 0;
    std::string h =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Every screen of the instrument</title>\n<style>\n"
        "body{font-family:sans-serif;margin:1.5em;color:#111;background:#fff}\n"
        "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:.25em .5em;"
        "text-align:left;vertical-align:top}\n"
        "img.small{image-rendering:pixelated;width:160px;height:128px;border:1px solid #888}\n"
        "svg image{image-rendering:pixelated}.map{overflow:auto;max-height:90vh;border:1px solid #ccc}\n"
        ".unreached{color:#a00}\n</style>\n</head>\n<body>\n<h1>Every screen of the instrument</h1>\n";
    const std::string stop = stopped_by(e);
    h += "<p>" + std::to_string(e.states.size()) + " states and " + std::to_string(e.edges.size()) +
         " moves between them, found breadth first from power-on with the default settings in " +
         std::to_string(static_cast<int>(e.seconds + 0.5)) + " s (" + std::to_string(e.moves_played) +
         " moves played; bounds " + std::to_string(e.max_states) + " states, " +
         std::to_string(static_cast<int>(e.max_seconds)) + " s" +
         (stop.empty() ? ", neither reached" : ", stopped by its bound of " + stop) + "). " +
         std::to_string(reached) + " of " + std::to_string(points.size()) +
         " coverage points reached. <a href=\"map.json\">map.json</a></p>\n";
    h += "<h2>Screens</h2>\n<p>Each screen as the picture of its first state, with its depth, and the moves "
         "that lead from one screen to another.</p>\n<div class=\"map\">\n" +
         screens_svg + "</div>\n";
    h += "<h2>Map</h2>\n<p>Each state as its picture with its number and depth (the fewest presses from "
         "power-on on the run screen), grouped by screen; each arrow is the move, key or front-panel, by "
         "which a "
         "state was first reached, and a state's tooltip lists every move from it. Dead ends have a red "
         "frame.</p>\n<div class=\"map\">\n" +
         svg + "</div>\n";

    h += "<h2 id=\"presses\">Presses to reach each setting</h2>\n<table>\n<tr><th>Presses</th><th>Item</th>"
         "<th>Way</th></tr>\n";
    std::vector<std::pair<int, std::size_t>> items;
    for (std::size_t p = 0; p < points.size(); ++p)
        if (points[p].group == "item" && e.witness_state[p] >= 0)
            items.push_back({e.states[static_cast<std::size_t>(e.witness_state[p])].depth + 1, p});
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [presses, p] : items) {
        std::vector<int> path = path_to(e, e.witness_state[p]);
        if (e.witness_move[p] >= 0) path.push_back(e.witness_move[p]);
        h += "<tr><td>" + std::to_string(presses) + "</td><td>" + html_escaped(points[p].name) + "</td><td>" +
             html_escaped(path_text(e, path)) + "</td></tr>\n";
    }
    h += "</table>\n";

    h += "<h2 id=\"dead-ends\">Dead ends</h2>\n";
    std::string dead_list;
    for (std::size_t s = 0; s < e.states.size(); ++s)
        if (dead[s])
            dead_list += "<figure><img class=\"small\" src=\"" + picture_of(e.states[s].hash) +
                         "\" alt=\"state " + std::to_string(s) + "\"><figcaption>#" + std::to_string(s) +
                         " " + html_escaped(e.states[s].screen) + ": " +
                         html_escaped(path_text(e, path_to(e, static_cast<int>(s)))) +
                         "</figcaption></figure>\n";
    h += dead_list.empty()
             ? "<p>None: from every state explored a way leads back to the run screen without "
               "power.</p>\n"
             : "<p>States with no way back to the run screen other than power:</p>\n" + dead_list;

    h += "<h2 id=\"unreached\">Coverage points never reached</h2>\n";
    std::string unreached;
    for (std::size_t p = 0; p < points.size(); ++p)
        if (e.witness_state[p] < 0)
            unreached += "<tr><td class=\"unreached\">" + html_escaped(points[p].name) + "</td><td>" +
                         html_escaped(unreached_reason(e, p)) + "</td></tr>\n";
    h += unreached.empty() ? "<p>None: the explorer reached every coverage point.</p>\n"
                           : "<table>\n<tr><th>Point</th><th>Why</th></tr>\n" + unreached + "</table>\n";
    return h + "</body>\n</html>\n";
}

} // namespace

void StatePictures::keep_current_frame(uint64_t hash) {
    if (png.count(hash) != 0) return;
    std::string bytes;
    if (encode_png(frame_picture(), bytes)) png.emplace(hash, std::move(bytes));
}

bool write_map(const std::string& out, const Exploration& e, const StatePictures& pictures,
               std::string& why) {
    for (const auto& [hash, bytes] : pictures.png)
        if (!write_file_beneath(out, picture_of(hash), bytes, true, nullptr, why)) return false;
    const std::vector<bool> dead = dead_ends(e);
    if (!write_file_beneath(out, "map.json", map_json(e, dead).dump(1) + "\n", true, nullptr, why) ||
        !write_file_beneath(out, "map.dot", map_dot(e, dead), true, nullptr, why) ||
        !write_file_beneath(out, "screens.dot", screens_dot(e), true, nullptr, why))
        return false;
    // Each drawing inline, so that the pictures it names load from disk as the page's own.
    std::string svgs[2];
    const char* const names[2] = {"screens", "map"};
    for (int i = 0; i < 2; ++i) {
        std::string svg;
        if (!run_dot(out, names[i], why) ||
            !read_file_beneath(out, std::string(names[i]) + ".svg", std::size_t{1} << 30, svg, why))
            return false;
        const std::size_t begin = svg.find("<svg");
        if (begin == std::string::npos) {
            why = "Graphviz's dot wrote no SVG for " + std::string(names[i]) + ".dot";
            return false;
        }
        svgs[i] = svg.substr(begin);
    }
    return write_file_beneath(out, "map.html", map_html(e, dead, svgs[0], svgs[1]), true, nullptr, why);
}

bool emit_scenarios(const std::string& dir, const Exploration& e, int& files, std::string& why) {
    files = 0;
    const auto& points = coverage_points();
    // One path per reached point: to the state, then the move that showed it.
    struct Target {
        std::vector<int> path;
        int from;
        std::vector<std::size_t> points;
    };
    std::vector<Target> targets;
    for (std::size_t p = 0; p < points.size(); ++p) {
        if (e.witness_state[p] < 0) continue;
        std::vector<int> path = path_to(e, e.witness_state[p]);
        if (e.witness_move[p] >= 0) path.push_back(e.witness_move[p]);
        targets.push_back({path, e.witness_state[p], {p}});
    }
    // The longest first; a path that another begins with is walked by it.
    std::stable_sort(targets.begin(), targets.end(),
                     [](const Target& a, const Target& b) { return a.path.size() > b.path.size(); });
    std::vector<Target> walks;
    for (Target& t : targets) {
        bool merged = false;
        for (Target& w : walks)
            if (std::equal(t.path.begin(), t.path.end(), w.path.begin())) {
                w.points.insert(w.points.end(), t.points.begin(), t.points.end());
                merged = true;
                break;
            }
        if (!merged) walks.push_back(t);
    }
    // Neighbouring paths share their beginnings: sorted, they fill files by theme.
    std::sort(walks.begin(), walks.end(), [](const Target& a, const Target& b) { return a.path < b.path; });

    std::vector<std::string> texts;
    std::string body, covers;
    std::size_t moves_in_file = 0;
    auto finish_file = [&] {
        if (body.empty()) return;
        const std::string number = std::to_string(texts.size() + 1);
        texts.push_back("# Written by qd5run --explore --emit (make explore regenerates it): shortest paths\n"
                        "# from power-on that the explorer found, each covering:\n" +
                        covers + "name: Explored paths " + number + "\nsteps:\n" + body);
        body.clear(), covers.clear(), moves_in_file = 0;
    };
    for (const Target& w : walks) {
        if (moves_in_file > 0 && moves_in_file + w.path.size() > MOVES_PER_FILE) finish_file();
        std::string names;
        for (std::size_t p : w.points) {
            covers += "#   " + printable(points[p].name) + "\n";
            names += (names.empty() ? "" : "; ") + printable(points[p].name);
        }
        body += "  # " + names + "\n";
        for (const Step& s : e.start) body += "  - " + s.summary + "\n";
        std::string screen = e.states[0].screen;
        body += "  - expect: {screen: " + screen + "}\n";
        int at = 0;
        for (int m : w.path) {
            for (const Step& s : e.moves[static_cast<std::size_t>(m)].steps)
                body += "  - " + s.summary + "\n";
            at = at >= 0 ? edge_target(e, at, m) : -1;
            if (at >= 0 && e.states[static_cast<std::size_t>(at)].screen != screen) {
                screen = e.states[static_cast<std::size_t>(at)].screen;
                body += "  - expect: {screen: " + screen + "}\n";
            }
        }
        moves_in_file += w.path.size() + 1;
    }
    finish_file();

    // Files an earlier emit wrote go, so that no stale path stays among them.
    std::error_code error;
    if (fs::is_directory(dir, error))
        for (const auto& entry : fs::directory_iterator(dir, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(EMIT_PREFIX, 0) == 0 && entry.path().extension() == ".yaml")
                remove_file_beneath(dir, name);
        }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        char name[48];
        std::snprintf(name, sizeof name, "%s%02zu.yaml", EMIT_PREFIX, i + 1);
        if (!write_file_beneath(dir, name, texts[i], true, nullptr, why)) return false;
        ++files;
    }
    return true;
}
