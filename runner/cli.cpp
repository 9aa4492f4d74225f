#include "runner/cli.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <filesystem>

#include "runner/explore/explore_files.h"
#include "runner/files/reference_check.h"
#include "runner/files/scenario_file.h"
#include "runner/play/flow.h"
#include "runner/reports/report_merge.h"
#include "runner/reports/reporter.h"
#include "runner/reports/run_outputs.h"
#include "runner/review/review_server.h"
#include "runner/scenario/clean_text.h"
#include "runner/suite/launcher.h"
#include "runner/suite/output_collisions.h"
#include "runner/suite/shard.h"

namespace {

enum Exit { EXIT_PASSED = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// A folder that the run will make or write into; empty when it will do.
std::string unusable_folder(const std::string& option, const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (folder.empty()) return option + " needs a folder";
    if (fs::exists(folder, error)) {
        if (!fs::is_directory(folder, error)) return option + " " + folder + " is not a folder";
        if (::access(folder.c_str(), W_OK | X_OK) != 0) return option + " " + folder + " is not writable";
        return "";
    }
    // The nearest folder that exists must let the rest be made.
    fs::path parent = fs::absolute(folder, error).parent_path();
    while (!parent.empty() && !fs::exists(parent, error) && parent != parent.parent_path())
        parent = parent.parent_path();
    if (!fs::is_directory(parent, error) || ::access(parent.c_str(), W_OK | X_OK) != 0)
        return option + " " + folder + " cannot be made (" + parent.string() + " is not a writable folder)";
    return "";
}

// A folder the run writes pictures into that is there but is no folder of
// its own (a symlink, a file): its pictures would go missing or elsewhere.
std::string planted_folder(const std::string& option, const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (!fs::exists(status) || fs::is_directory(status)) return "";
    return printable("qd5run: " + option + ": " + folder + " is " +
                     (fs::is_symlink(status) ? "a symlink" : "not a folder") +
                     ", where the run writes its pictures; remove it");
}

// Exit status 2 means that nothing ran and nothing was written, so the
// places to write are checked first. Empty when they will do.
std::string unusable_outputs(const std::string& out, const std::string& junit, bool junit_given) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (junit_given && junit.empty()) return "--junit needs a file";
    const std::string out_unusable = unusable_folder("--out", out);
    if (!out_unusable.empty()) return out_unusable;
    if (!junit_given) return "";
    if (fs::is_directory(junit, error)) return "--junit " + junit + " is a folder";
    fs::path folder = fs::path(junit).parent_path();
    if (folder.empty()) folder = ".";
    if (!fs::is_directory(folder, error)) return "--junit " + junit + ": no folder " + folder.string();
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "--junit " + junit + ": the folder " + folder.string() + " is not writable";
    return "";
}

// --explore and --emit: the exploration, then the map and the scenarios.
int explore_main(const std::string& map, const std::string& emit, const ExploreOptions& bounds) {
    for (const auto& [option, folder] : {std::pair{"--explore", map}, std::pair{"--emit", emit}}) {
        const std::string unusable = folder.empty() ? "" : unusable_folder(option, folder);
        if (!unusable.empty()) {
            std::fprintf(stderr, "qd5run: %s\n", printable(unusable).c_str());
            return EXIT_USAGE;
        }
    }
    StatePictures pictures;
    ExploreOptions options = bounds;
    if (!map.empty()) options.on_new_state = [&](int) { pictures.keep_current_frame(frame_hash()); };
    const Exploration exploration = explore(options);
    std::size_t reached = 0;
    for (const int w : exploration.witness_state) reached += w >= 0 ? 1 : 0;
    const char* stop = exploration.stopped_by_states ? " (stopped by the state bound)"
                       : exploration.stopped_by_time ? " (stopped by the time bound)"
                                                     : "";
    std::printf(
        "explored %zu states, %zu moves between them, in %.1f s%s; %zu of %zu coverage points reached\n",
        exploration.states.size(), exploration.edges.size(), exploration.seconds, stop, reached,
        exploration.witness_state.size());
    std::string why;
    if (!map.empty()) {
        if (!write_map(map, exploration, pictures, why)) {
            std::fprintf(stderr, "qd5run: cannot write the map: %s\n", printable(why).c_str());
            return EXIT_FAILED;
        }
        std::printf("map: %s/map.html\n", printable(map).c_str());
    }
    if (!emit.empty()) {
        int files = 0;
        if (!emit_scenarios(emit, exploration, files, why)) {
            std::fprintf(stderr, "qd5run: cannot write the scenarios: %s\n", printable(why).c_str());
            return EXIT_FAILED;
        }
        std::printf("scenarios: %d in %s\n", files, printable(emit).c_str());
    }
    return EXIT_PASSED;
}

} // namespace

int qd5run_main(int argc, char** argv) {
    CLI::App app{"qd5run: runs scenario files against the simulated Nuva QD-5 instrument, headless and in "
                 "simulated time.",
                 "qd5run"};
    RunOptions options;
    std::string junit;
    std::vector<std::string> files;
    int jobs = 1;
    std::string flows, report, shard_text;
    std::vector<std::string> merge;
    std::string review;
    int port = 0;
    app.add_option("--out", options.out_dir, "Folder for saved pictures, recordings and failure frames")
        ->type_name("DIR")
        ->capture_default_str();
    app.add_option("--junit", junit, "Write a JUnit XML report to FILE")->type_name("FILE");
    app.add_flag(
        "--update", options.update,
        "Write missing or differing reference pictures instead of failing (as QD5_UPDATE_REFS=1 does)");
    app.add_option("-j,--jobs", jobs, "Scenarios run in parallel")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    app.add_flag("-v,--verbose", options.verbose,
                 "Print each step as it runs, with its simulated time, and the drawn texts at each expect");
    app.set_version_flag("--version", std::string("qd5run ") + QD5_VERSION);
    app.add_option(
           "--flows", flows,
           "Check each scenario's flow of screens against FILE (keyed by path relative to its folder); "
           "with --update, rewrite it for the scenarios that ran")
        ->type_name("FILE");
    app.add_option("--report", report, "Write a static HTML report, with report.json, to DIR")
        ->type_name("DIR");
    app.add_option("--shard", shard_text, "Run only the Kth of N slices of the scenarios")->type_name("K/N");
    app.add_option("--merge-reports", merge, "Merge the reports in DIR... into OUT, then stop")
        ->type_name("OUT DIR...")
        ->expected(2, 4096);
    app.add_option("--review", review,
                   "Serve the changes of the report in DIR on 127.0.0.1 to accept or reject, then stop")
        ->type_name("DIR");
    app.add_option("--port", port, "The port of --review (default: a free one)")
        ->type_name("N")
        ->check(CLI::Range(1, 65535));
    std::string explore_dir, emit_dir;
    ExploreOptions bounds;
    app.add_option(
           "--explore", explore_dir,
           "Explore every UI state from power-on and write the map (map.html, map.json, screens/) to DIR")
        ->type_name("DIR");
    app.add_option("--emit", emit_dir,
                   "Explore, and write scenarios that walk the shortest paths to every point reached to DIR")
        ->type_name("DIR");
    app.add_option("--explore-states", bounds.max_states, "The exploration stops after this many states")
        ->check(CLI::Range(1, 1000000))
        ->capture_default_str();
    app.add_option("--explore-seconds", bounds.max_seconds, "The exploration stops after this many seconds")
        ->check(CLI::Range(1.0, 86400.0))
        ->capture_default_str();
    app.add_option("SCENARIO", files, "Scenario files (YAML)")->check(CLI::ExistingFile);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? EXIT_PASSED : EXIT_USAGE;
    }
    // The one switch that rewrites references in every host; --update spells it here.
    if (references_update_requested()) options.update = true;

    if (app.count("--port") > 0 && app.count("--review") == 0) {
        std::fprintf(stderr, "qd5run: --port goes with --review\n");
        return EXIT_USAGE;
    }
    if (app.count("--review") > 0) {
        if (!files.empty() || !merge.empty()) {
            std::fprintf(stderr, "qd5run: --review takes a report folder, not scenarios\n");
            return EXIT_USAGE;
        }
        return run_review(review, port);
    }
    if (app.count("--explore") > 0 || app.count("--emit") > 0) {
        if (!files.empty() || !merge.empty()) {
            std::fprintf(stderr, "qd5run: --explore and --emit take no scenarios\n");
            return EXIT_USAGE;
        }
        if ((app.count("--explore") > 0 && explore_dir.empty()) ||
            (app.count("--emit") > 0 && emit_dir.empty())) {
            std::fprintf(stderr, "qd5run: --explore and --emit need a folder\n");
            return EXIT_USAGE;
        }
        return explore_main(explore_dir, emit_dir, bounds);
    }
    if (!merge.empty()) {
        if (!files.empty()) {
            std::fprintf(stderr, "qd5run: --merge-reports takes report folders, not scenarios\n");
            return EXIT_USAGE;
        }
        const std::string out_unusable = unusable_folder("--merge-reports", merge.front());
        if (!out_unusable.empty()) {
            std::fprintf(stderr, "qd5run: %s\n", printable(out_unusable).c_str());
            return EXIT_USAGE;
        }
        return merge_reports(merge.front(), std::vector<std::string>(merge.begin() + 1, merge.end()));
    }
    if (files.empty()) {
        std::fprintf(stderr, "qd5run: no scenario given (see --help)\n");
        return EXIT_USAGE;
    }
    Shard shard;
    std::string why;
    if (app.count("--shard") > 0 && !parse_shard(shard_text, shard, why)) {
        std::fprintf(stderr, "qd5run: %s\n", printable(why).c_str());
        return EXIT_USAGE;
    }
    if (app.count("--shard") > 0) {
        std::vector<std::string> mine;
        for (const std::size_t i : shard_indices(files, shard)) mine.push_back(files[i]);
        files = std::move(mine);
    }
    std::string unusable = unusable_outputs(options.out_dir, junit, app.count("--junit") > 0);
    if (unusable.empty() && app.count("--report") > 0) unusable = unusable_folder("--report", report);
    if (!unusable.empty()) {
        std::fprintf(stderr, "qd5run: %s\n", printable(unusable).c_str());
        return EXIT_USAGE;
    }

    // Every file is loaded and checked before anything runs or is written.
    std::vector<Scenario> scenarios(files.size());
    bool all_loaded = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string error;
        if (!load_scenario_file(files[i], scenarios[i], error)) {
            for (std::size_t start = 0; start < error.size();) {
                const std::size_t end = std::min(error.find('\n', start), error.size());
                std::fprintf(stderr, "%s\n", printable(error.substr(start, end - start)).c_str());
                start = end + 1;
            }
            all_loaded = false;
        }
    }
    if (!all_loaded) return EXIT_USAGE;
    if (app.count("--flows") > 0) options.flows_name = flows;
    options.report_dir = report;
    std::string collision = first_collision(scenarios, options, junit);
    if (collision.empty() && app.count("--flows") > 0 && (options.update || app.count("--report") > 0))
        collision = planted_folder("--flows", flows_screens_folder(flows));
    for (const char* folder : {"screens", "pictures", "diffs"})
        if (collision.empty() && app.count("--report") > 0)
            collision = planted_folder("--report", report + "/" + folder);
    if (!collision.empty()) {
        std::fprintf(stderr, "%s\n", collision.c_str());
        return EXIT_USAGE;
    }

    FlowsCheck flows_check;
    if (app.count("--flows") > 0) {
        std::string error;
        if (!prepare_flows(flows, options.update, scenarios, flows_check, error)) {
            std::fprintf(stderr, "qd5run: %s\n", error.c_str());
            return EXIT_USAGE;
        }
        options.flow_required = true;
        options.expected_flows = &flows_check.expected;
        if (options.update) options.flows_screens = flows_screens_folder(flows);
    }
    options.record = app.count("--flows") > 0 || app.count("--report") > 0;
    const std::string shard_name =
        app.count("--shard") > 0 ? std::to_string(shard.k) + "/" + std::to_string(shard.n) : std::string();
    if (!shard_name.empty())
        std::printf("shard %s: %zu scenario%s\n", shard_name.c_str(), scenarios.size(),
                    scenarios.size() == 1 ? "" : "s");

    std::vector<std::unique_ptr<Reporter>> reporters;
    reporters.push_back(console_reporter());
    if (app.count("--report") > 0)
        reporters.push_back(html_reporter(report, app.count("--flows") > 0 ? &flows_check : nullptr));
    if (!junit.empty()) reporters.push_back(junit_reporter(junit));
    const std::vector<ScenarioResult> results =
        run_all(scenarios, options, jobs, [&](std::size_t i, const ScenarioResult& r) {
            for (const auto& reporter : reporters) reporter->scenario_done(scenarios[i], r);
        });
    std::vector<const Flow*> expected(scenarios.size(), nullptr);
    if (app.count("--flows") > 0) expected = flows_check.expected;
    Report run_report = make_report(scenarios, results, expected, shard_name);
    if (app.count("--flows") > 0) note_flows_file(run_report, flows_check);
    int status = EXIT_PASSED;
    for (const auto& reporter : reporters) {
        std::string why;
        if (!reporter->finish(run_report, why)) {
            std::fprintf(stderr, "qd5run: %s\n", printable(why).c_str());
            status = EXIT_FAILED;
        }
    }
    // After the report, which takes the stored frames of changed flows from the flows file's folder.
    if (app.count("--flows") > 0 && options.update && run_stopped_by() == 0) {
        std::string flows_why;
        if (update_flows(flows_check, results, flows_why)) {
            std::printf("flows written: %s\n", printable(flows).c_str());
        } else {
            std::fprintf(stderr, "qd5run: cannot write %s: %s\n", printable(flows).c_str(),
                         printable(flows_why).c_str());
            status = EXIT_FAILED;
        }
    }
    // As a shell reports a command ended by the signal: 130 for SIGINT, 143 for SIGTERM.
    if (run_stopped_by() != 0) return 128 + run_stopped_by();
    for (const ScenarioResult& r : results)
        if (!r.passed()) return EXIT_FAILED;
    return status;
}
