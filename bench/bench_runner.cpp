// The scenario runner: an hour of simulated time on the run screen (with and
// without its flow recorded), a 60 s GIF recording, loading a scenario of 1000
// steps and a flows file of 1000 scenarios, and the report of the shipped
// scenarios.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "runner/files/flows_store.h"
#include "runner/files/scenario_file.h"
#include "runner/reports/run_outputs.h"
#include "runner/suite/scenario_run.h"

namespace {

// Four channels on the run screen; channel 1's input creeps up and down once
// a minute, through the caution and alarm zones and back.
std::string hour_scenario() {
    std::string text = "name: an hour\nsteps:\n  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}\n"
                       "  - power: on\n";
    for (int minute = 0; minute < 60; ++minute) {
        const int raw = 20 + (minute % 20) * 20;
        text += "  - set: {ch1: " + std::to_string(raw) + ", ch3: " + std::to_string(2048 + minute) + "}\n";
        text += "  - wait: 1min\n";
    }
    return text;
}

// A minute of the alarm flashing on the run screen, recorded at scale 2.
std::string gif_scenario() {
    std::string text =
        "name: a minute recorded\nsteps:\n  - set: {ch1: 40, ch2: 156, ch3: 2048, volts: 1440}\n"
        "  - power: on\n  - record: {save: minute.gif, scale: 2}\n";
    for (int second = 0; second < 60; ++second) {
        text += "  - set: {ch2: " + std::to_string(150 + second) + "}\n";
        text += "  - wait: 1s\n";
    }
    return text + "  - record: stop\n";
}

// 1000 steps of every kind, as a long hand-written scenario has them.
std::string long_scenario() {
    static const char* const STEPS[] = {
        "  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}\n",
        "  - press: {key: up, times: 2}\n",
        "  - wait: 500ms\n",
        "  - expect: {text: \"4.0\", colour: 15, lamp: dark, page: hbar}\n",
        "  - wait-for: {reading: {ch1: {min: 30, max: 50}}, timeout: 2s}\n",
        "  - mode: {ch1: pressure, ch2: 2}\n",
        "  - expect: [alarm: {ch1: false, volts: false}, pixel: {x: 10, y: 20, colour: 9}]\n",
        "  - screenshot: {save: shots/a.png, scale: 3, view: device}\n",
    };
    std::string text = "name: long\ndescription: a thousand steps\nsteps:\n  - power: on\n";
    for (int i = 1; i < 1000; ++i) text += STEPS[i % 8];
    return text;
}

Scenario load(const std::string& text) {
    Scenario scenario;
    std::string error;
    if (!load_scenario_text(text, "bench.yaml", scenario, error)) std::abort();
    return scenario;
}

void BM_qd5run_hour_run_screen(benchmark::State& state) {
    const Scenario scenario = load(hour_scenario());
    RunOptions options;
    options.write_files = false;
    double simulated_ms = 0;
    for (auto _ : state) simulated_ms = run_scenario(scenario, options).sim_ms;
    state.counters["simulated_s"] = simulated_ms / 1000;
}
BENCHMARK(BM_qd5run_hour_run_screen)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same hour with its flow and coverage recorded, as --flows and --report do.
void BM_qd5run_hour_run_screen_flow(benchmark::State& state) {
    const Scenario scenario = load(hour_scenario());
    RunOptions options;
    options.write_files = false;
    options.record = true;
    double frames = 0;
    for (auto _ : state) frames = static_cast<double>(run_scenario(scenario, options).record.flow.size());
    state.counters["frames"] = frames;
}
BENCHMARK(BM_qd5run_hour_run_screen_flow)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_qd5run_gif_60s_scale2(benchmark::State& state) {
    const Scenario scenario = load(gif_scenario());
    RunOptions options;
    options.out_dir = (std::filesystem::temp_directory_path() / "qd5run-bench").string();
    for (auto _ : state) benchmark::DoNotOptimize(run_scenario(scenario, options).passed());
    state.counters["gif_kB"] = static_cast<double>(std::filesystem::file_size(
                                   std::filesystem::path(options.out_dir) / "minute.gif")) /
                               1024;
}
BENCHMARK(BM_qd5run_gif_60s_scale2)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_qd5run_load_1000_steps(benchmark::State& state) {
    const std::string text = long_scenario();
    for (auto _ : state) {
        Scenario scenario;
        std::string error;
        benchmark::DoNotOptimize(load_scenario_text(text, "long.yaml", scenario, error));
    }
}
BENCHMARK(BM_qd5run_load_1000_steps)->Unit(benchmark::kMillisecond);

// A flows file of 1000 scenarios of 60 frames each, about as a large suite has.
void BM_qd5run_load_flows_1000_scenarios(benchmark::State& state) {
    FlowsFile file;
    uint64_t hash = 88172645463325252ull;
    for (int i = 0; i < 1000; ++i) {
        Flow& flow = file.flows["suite/scenario_" + std::to_string(i) + ".yaml"];
        for (int f = 0; f < 60; ++f) {
            hash ^= hash << 13, hash ^= hash >> 7, hash ^= hash << 17;
            flow.push_back(FlowEntry{hash, 3 + f, 6 * f});
        }
    }
    const std::string text = flows_text(file);
    for (auto _ : state) {
        FlowsFile read;
        std::string error;
        benchmark::DoNotOptimize(parse_flows(text, "flows.json", read, error));
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_qd5run_load_flows_1000_scenarios)->Unit(benchmark::kMillisecond);

// The report of the shipped scenarios: their runs first, then only the
// writing of the pages and report.json is timed (as qd5run prints it).
void BM_qd5run_report_shipped_scenarios(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "qd5run-bench-report";
    std::vector<Scenario> scenarios;
    for (const auto& entry : fs::directory_iterator(fs::path(QD5_SOURCE_DIR) / "scenarios"))
        if (entry.path().extension() == ".yaml") {
            Scenario scenario;
            std::string error;
            if (!load_scenario_file(entry.path().string(), scenario, error)) std::abort();
            scenarios.push_back(std::move(scenario));
        }
    RunOptions options;
    options.out_dir = (dir / "out").string();
    options.report_dir = (dir / "report").string();
    options.record = true;
    std::vector<ScenarioResult> results;
    for (const Scenario& scenario : scenarios) results.push_back(run_scenario(scenario, options));
    for (auto _ : state) {
        std::string why;
        const Report report = make_report(scenarios, results, {}, "");
        if (!write_run_report(options.report_dir, report, nullptr, why)) std::abort();
    }
    state.counters["scenarios"] = static_cast<double>(scenarios.size());
}
BENCHMARK(BM_qd5run_report_shipped_scenarios)->Unit(benchmark::kMillisecond);

} // namespace
