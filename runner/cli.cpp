#include "runner/cli.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "runner/junit.h"
#include "runner/launcher.h"
#include "runner/loader.h"

namespace {

enum Exit { EXIT_PASSED = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

std::string seconds_text(double ms) {
    char text[40];
    if (ms >= 60000) {
        const long long seconds = std::llround(ms / 1000);
        std::snprintf(text, sizeof text, "%lld min %lld s", seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", ms / 1000);
    }
    return text;
}

void print_result(const Scenario& scenario, const ScenarioResult& r) {
    std::printf("%s  %s (%s)  sim %s  wall %s\n", r.passed ? "PASS" : "FAIL", scenario.file.c_str(),
                scenario.name.c_str(), seconds_text(r.sim_ms).c_str(), seconds_text(r.wall_ms).c_str());
    if (!r.notes.empty()) std::printf("%s", r.notes.c_str());
    if (!r.passed) std::printf("      %s\n", r.message.c_str());
    std::fflush(stdout);
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
    app.add_option("--out", options.out_dir, "Folder for saved pictures, recordings and failure frames")
        ->type_name("DIR")
        ->capture_default_str();
    app.add_option("--junit", junit, "Write a JUnit XML report to FILE")->type_name("FILE");
    app.add_flag("--update", options.update,
                 "Write missing or differing reference pictures instead of failing");
    app.add_option("-j,--jobs", jobs, "Scenarios run in parallel")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    app.add_flag("-v,--verbose", options.verbose, "Print each step as it runs, with its simulated time");
    app.set_version_flag("--version", std::string("qd5run ") + QD5_VERSION);
    app.add_option("SCENARIO", files, "Scenario files (YAML)")->required()->check(CLI::ExistingFile);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? EXIT_PASSED : EXIT_USAGE;
    }

    // Every file is loaded and checked before anything runs or is written.
    std::vector<Scenario> scenarios(files.size());
    bool all_loaded = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string error;
        if (!load_scenario_file(files[i], scenarios[i], error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            all_loaded = false;
        }
    }
    if (!all_loaded) return EXIT_USAGE;

    const auto started = std::chrono::steady_clock::now();
    const std::vector<ScenarioResult> results =
        run_all(scenarios, options, jobs,
                [&](std::size_t i, const ScenarioResult& r) { print_result(scenarios[i], r); });
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    int failed = 0;
    double sim = 0;
    for (const ScenarioResult& r : results) failed += r.passed ? 0 : 1, sim += r.sim_ms;
    std::printf("%zu scenario%s: %zu passed, %d failed (simulated %s, wall %s)\n", results.size(),
                results.size() == 1 ? "" : "s", results.size() - failed, failed, seconds_text(sim).c_str(),
                seconds_text(wall).c_str());
    if (!junit.empty() && !write_junit(junit, scenarios, results)) {
        std::fprintf(stderr, "qd5run: cannot write %s\n", junit.c_str());
        return EXIT_USAGE;
    }
    return failed == 0 ? EXIT_PASSED : EXIT_FAILED;
}
