#include "runner/cli.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <filesystem>

#include "runner/clean_text.h"
#include "runner/junit.h"
#include "runner/launcher.h"
#include "runner/loader.h"
#include "runner/output_plan.h"

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

// Names and messages come from files: shown escaped, each on one line, so
// that no file can move the cursor or paint a line of its own.
void print_result(const Scenario& scenario, const ScenarioResult& r) {
    const char* verdict = r.passed ? "PASS" : r.interrupted ? "STOP" : r.error ? "ERROR" : "FAIL";
    std::printf("%s  %s (%s)  sim %s  wall %s\n", verdict, printable(scenario.file).c_str(),
                printable(scenario.name).c_str(), seconds_text(r.sim_ms).c_str(),
                seconds_text(r.wall_ms).c_str());
    for (std::size_t start = 0; start < r.notes.size();) {
        const std::size_t end = std::min(r.notes.find('\n', start), r.notes.size());
        std::printf("%s\n", printable(r.notes.substr(start, end - start)).c_str());
        start = end + 1;
    }
    if (!r.passed) std::printf("      %s\n", printable(r.message).c_str());
    std::fflush(stdout);
}

// Exit status 2 means that nothing ran and nothing was written, so the
// places to write are checked first. Empty when they will do.
std::string unusable_outputs(const std::string& out, const std::string& junit, bool junit_given) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (out.empty()) return "--out needs a folder";
    if (junit_given && junit.empty()) return "--junit needs a file";
    if (fs::exists(out, error)) {
        if (!fs::is_directory(out, error)) return "--out " + out + " is not a folder";
        if (::access(out.c_str(), W_OK | X_OK) != 0) return "--out " + out + " is not writable";
    } else {
        // The nearest folder that exists must let the rest be made.
        fs::path parent = fs::absolute(out, error).parent_path();
        while (!parent.empty() && !fs::exists(parent, error) && parent != parent.parent_path())
            parent = parent.parent_path();
        if (!fs::is_directory(parent, error) || ::access(parent.c_str(), W_OK | X_OK) != 0)
            return "--out " + out + " cannot be made (" + parent.string() + " is not a writable folder)";
    }
    if (!junit_given) return "";
    if (fs::is_directory(junit, error)) return "--junit " + junit + " is a folder";
    fs::path folder = fs::path(junit).parent_path();
    if (folder.empty()) folder = ".";
    if (!fs::is_directory(folder, error)) return "--junit " + junit + ": no folder " + folder.string();
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "--junit " + junit + ": the folder " + folder.string() + " is not writable";
    return "";
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
    app.add_flag("-v,--verbose", options.verbose,
                 "Print each step as it runs, with its simulated time, and the drawn texts at each expect");
    app.set_version_flag("--version", std::string("qd5run ") + QD5_VERSION);
    app.add_option("SCENARIO", files, "Scenario files (YAML)")->required()->check(CLI::ExistingFile);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? EXIT_PASSED : EXIT_USAGE;
    }

    const std::string unusable = unusable_outputs(options.out_dir, junit, app.count("--junit") > 0);
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
    const std::string collision = first_collision(scenarios, options);
    if (!collision.empty()) {
        std::fprintf(stderr, "%s\n", collision.c_str());
        return EXIT_USAGE;
    }

    const auto started = std::chrono::steady_clock::now();
    const std::vector<ScenarioResult> results =
        run_all(scenarios, options, jobs,
                [&](std::size_t i, const ScenarioResult& r) { print_result(scenarios[i], r); });
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    int failed = 0, interrupted = 0;
    double sim = 0;
    for (const ScenarioResult& r : results)
        failed += r.passed ? 0 : 1, interrupted += r.interrupted ? 1 : 0, sim += r.sim_ms;
    const std::string stopped = interrupted ? " (" + std::to_string(interrupted) + " interrupted)" : "";
    std::printf("%zu scenario%s: %zu passed, %d failed%s (simulated %s, wall %s)\n", results.size(),
                results.size() == 1 ? "" : "s", results.size() - failed, failed, stopped.c_str(),
                seconds_text(sim).c_str(), seconds_text(wall).c_str());
    if (!junit.empty() && !write_junit(junit, scenarios, results)) {
        std::fprintf(stderr, "qd5run: cannot write %s\n", printable(junit).c_str());
        return EXIT_FAILED;
    }
    // As a shell reports a command ended by the signal: 130 for SIGINT, 143 for SIGTERM.
    if (run_stopped_by() != 0) return 128 + run_stopped_by();
    return failed == 0 ? EXIT_PASSED : EXIT_FAILED;
}
