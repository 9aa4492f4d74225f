// Flows: a changed frame anywhere in a run is found and named with its step,
// --update rewrites only what ran, a hostile flows file is one line, and the
// shards of a suite run every scenario once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runner/cli.h"
#include "runner/files/flows_store.h"
#include "runner/reports/html_report.h"
#include "runner/run_qd5run.h"
#include "runner/scenario/loader.h"
#include "runner/suite/scenario_run.h"
#include "runner/suite/shard.h"
#include "support/test_output.h"

namespace fs = std::filesystem;

namespace {

const char* const MENU_WALK = R"(name: Menu walk
steps:
  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}
  - power: on
  - wait: 1.2s
  - press: knob
  - press: {key: down, times: 2}
  - press: up
  - press: left
  - wait: 1s
)";

ScenarioResult run_text(const char* text, const Flow* expected) {
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(load_scenario_text(text, "walk.yaml", scenario, error)) << error;
    RunOptions options;
    options.write_files = false;
    options.record = true;
    options.flow_required = expected != nullptr;
    options.expected_flow = expected;
    options.flows_name = "flows.json";
    return run_scenario(scenario, options);
}

TEST(ScenarioFlows, AChangedFrameInTheMiddleIsFoundAndNamedWithItsStep) {
    const ScenarioResult first = run_text(MENU_WALK, nullptr);
    const Flow& flow = first.record.flow;
    ASSERT_GE(flow.size(), 6u);
    EXPECT_EQ(run_text(MENU_WALK, &flow).record.flow.size(), flow.size()) << "a run repeats its flow";
    EXPECT_TRUE(run_text(MENU_WALK, &flow).passed());

    const std::size_t middle = flow.size() / 2;
    Flow changed = flow;
    changed[middle].hash ^= 1;
    const ScenarioResult r = run_text(MENU_WALK, &changed);
    EXPECT_FALSE(r.passed());
    const std::string step = "walk.yaml:" + std::to_string(flow[middle].line) + ":";
    EXPECT_EQ(r.message.rfind(step, 0), 0u) << r.message;
    EXPECT_NE(r.message.find("at frame " + std::to_string(middle + 1) + " "), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("0 added, 0 removed, 1 changed"), std::string::npos) << r.message;

    // A frame the stored flow lacks is added, one it has extra is removed.
    Flow shorter = flow;
    shorter.erase(shorter.begin() + static_cast<long>(middle));
    EXPECT_NE(run_text(MENU_WALK, &shorter).message.find("1 added, 0 removed, 0 changed"), std::string::npos);
    Flow longer = flow;
    longer.insert(longer.begin() + static_cast<long>(middle), FlowEntry{42, 1, 0});
    EXPECT_NE(run_text(MENU_WALK, &longer).message.find("0 added, 1 removed, 0 changed"), std::string::npos);
}

TEST(ScenarioFlows, UpdateRewritesOnlyTheScenariosThatRan) {
    const fs::path d = fs::path(test_output_dir()) / "flows-update";
    fs::remove_all(d);
    fs::create_directories(d);
    std::ofstream(d / "a.yaml") << MENU_WALK;
    std::ofstream(d / "b.yaml") << "name: B\nsteps:\n  - power: on\n  - wait: 2s\n";
    const std::string flows = (d / "flows.json").string(), out = (d / "out").string();
    const std::string a = (d / "a.yaml").string(), b = (d / "b.yaml").string();

    ASSERT_EQ(run_qd5run({"--out", out, "--flows", flows, "--update", b}), 0);
    EXPECT_EQ(run_qd5run({"--out", out, "--flows", flows, a}), 1) << "a scenario the file lacks fails";
    ASSERT_EQ(run_qd5run({"--out", out, "--flows", flows, "--update", a, b}), 0);
    FlowsFile recorded;
    std::string error;
    ASSERT_TRUE(load_flows_file(flows, false, recorded, error)) << error;
    ASSERT_EQ(recorded.flows.size(), 2u);
    for (const auto& [key, flow] : recorded.flows)
        for (const FlowEntry& e : flow)
            EXPECT_TRUE(fs::exists(d / "flows" / screen_file_name(e.hash))) << "every frame is stored";

    // b's flow is made stale by hand; updating a alone keeps it as it is.
    FlowsFile stale = recorded;
    stale.flows["b.yaml"].resize(1);
    ASSERT_TRUE(write_flows_file(flows, stale, error)) << error;
    ASSERT_EQ(run_qd5run({"--out", out, "--flows", flows, "--update", a}), 0);
    FlowsFile after;
    ASSERT_TRUE(load_flows_file(flows, false, after, error)) << error;
    EXPECT_EQ(after.flows["b.yaml"].size(), 1u);
    EXPECT_EQ(after.flows["a.yaml"].size(), recorded.flows["a.yaml"].size());
    EXPECT_EQ(run_qd5run({"--out", out, "--flows", flows, a}), 0);
    EXPECT_EQ(run_qd5run({"--out", out, "--flows", flows, b}), 1);
}

TEST(ScenarioFlows, AHostileFlowsFileIsOneLineAndExitTwo) {
    const char* const hostile[] = {
        R"({"format": "qd5run flows 1", "scenarios": {"../a.yaml": []}})",
        R"({"format": "qd5run flows 1", "scenarios": {"/etc/a.yaml": []}})",
        R"({"format": "qd5run flows 1", "scenarios": {"a.yaml": [], "a.yaml": []}})",
        R"({"format": "qd5run flows 1", "scenarios": {"a.yaml": [["0123456789abcdef", 1, 0, 4]]}})",
        R"({"format": "qd5run flows 1", "scenarios": {"a.yaml": [["0123456789ABCDEF", 1, 0]]}})",
        R"({"format": "qd5run flows 1", "scenarios": {"a.yaml": [[[[[[[["x"]]]]]]]]}})",
        R"({"format": "qd5run flows 2", "scenarios": {}})",
        "{\"format\": \"qd5run flows 1\", \"scenarios\": {\"a\\u0000.yaml\": []}}",
        "{\"format\": \"qd5run flows 1\", \"scenarios\": {",
    };
    for (const char* text : hostile) {
        FlowsFile file;
        std::string error;
        EXPECT_FALSE(parse_flows(text, "f.json", file, error)) << text;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(error.rfind("f.json: ", 0), 0u) << error;
    }
    const fs::path d = fs::path(test_output_dir()) / "flows-hostile";
    fs::remove_all(d);
    fs::create_directories(d);
    std::ofstream(d / "a.yaml") << MENU_WALK;
    std::ofstream(d / "flows.json") << hostile[0];
    EXPECT_EQ(run_qd5run({"--out", (d / "out").string(), "--flows", (d / "flows.json").string(), "--update",
                          (d / "a.yaml").string()}),
              2);
    EXPECT_FALSE(fs::exists(d / "out"));
    EXPECT_EQ(contents(d / "flows.json"), hostile[0]) << "a refused file is left as it was";
}

// A report of one passing scenario.
std::string report_of(const std::string& file, const std::string& page, const std::string& pictures) {
    return R"({"format": "qd5run report 1", "scenarios": [{"file": ")" + file +
           R"(", "name": "n", "passed": true, "result": "pass", "message": "", "sim_s": 0, "wall_s": 0, "flow": [],
           "steps": [], "page": ")" +
           page + R"(", "pictures": )" + pictures + R"(}], "screens": {}, "coverage": {"points": {}}})";
}

TEST(ScenarioFlows, AHostileReportToMergeIsOneLineAndExitTwo) {
    const fs::path d = fs::path(test_output_dir()) / "merge-hostile";
    fs::remove_all(d);
    const std::string hostile[] = {
        R"({"format": "qd5run report 1", "scenarios": [], "screens": {}, "coverage": {"points": {"no such point": 1}}})",
        R"({"format": "qd5run report 1", "scenarios": [{"file": "a"}], "screens": {}, "coverage": {"points": {}}})",
        R"({"format": "qd5run report 1", "format": "qd5run report 1", "scenarios": [], "screens": {}, "coverage": {}})",
        R"({"format": "qd5run report 1", "scenarios": [], "screens": {"../x": "t"}, "coverage": {"points": {}}})",
        "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]"
        "]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]",
        // Names of pages and pictures are the shard's, but never a way out of its folder.
        report_of("a.yaml", "../a.html", "{}"),
        report_of("a.yaml", "a.html", R"({"failure": "../../victim.png"})"),
        // A hostile key is quoted short.
        R"({"format": "qd5run report 1", "scenarios": [], "screens": {}, "coverage": {"points": {")" +
            std::string(1 << 20, 'x') + R"(": 1}}})",
    };
    int i = 0;
    for (const std::string& text : hostile) {
        const fs::path shard = d / ("shard" + std::to_string(i++));
        fs::create_directories(shard);
        std::ofstream(shard / "report.json") << text;
        Report report;
        std::string error;
        EXPECT_FALSE(parse_report_json(text, "r.json", report, error)) << text;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_LT(error.size(), 300u) << error.substr(0, 300);
        EXPECT_EQ(run_qd5run({"--merge-reports", (d / "out").string(), shard.string()}), 2) << text;
    }
    // Two reports whose scenarios claim one page: the second would take over the first's.
    for (const char* file : {"a.yaml", "b.yaml"}) {
        fs::create_directories(d / file);
        std::ofstream(d / file / "report.json") << report_of(file, "a.yaml.html", "{}");
    }
    EXPECT_EQ(run_qd5run({"--merge-reports", (d / "out").string(), (d / "a.yaml").string(),
                          (d / "b.yaml").string()}),
              2);
    EXPECT_FALSE(fs::exists(d / "out")) << "nothing is written";
}

TEST(ScenarioShards, EveryScenarioRunsInExactlyOneShard) {
    const std::vector<std::string> files{"s/e.yaml", "s/a.yaml", "t/b.yaml", "s/d.yaml",
                                         "c.yaml",   "s/f.yaml", "g.yaml"};
    std::vector<std::string> reversed(files.rbegin(), files.rend());
    for (int n = 1; n <= 8; ++n) {
        std::vector<int> runs(files.size(), 0);
        for (int k = 1; k <= n; ++k) {
            const std::vector<std::size_t> mine = shard_indices(files, Shard{k, n});
            for (const std::size_t i : mine) ++runs[i];
            // The same slice whatever order the shell gives the files in.
            std::vector<std::string> named, named_reversed;
            for (const std::size_t i : mine) named.push_back(files[i]);
            for (const std::size_t i : shard_indices(reversed, Shard{k, n}))
                named_reversed.push_back(reversed[i]);
            EXPECT_EQ(named, named_reversed);
        }
        for (const int r : runs) EXPECT_EQ(r, 1) << n << " shards";
    }
    Shard shard;
    std::string why;
    for (const char* bad : {"0/2", "3/2", "1/0", "a/b", "1/2x", "1", "-1/2", "1/1001", ""})
        EXPECT_FALSE(parse_shard(bad, shard, why)) << bad;
    ASSERT_TRUE(parse_shard("2/3", shard, why));
    EXPECT_EQ(shard.k, 2);
    EXPECT_EQ(shard.n, 3);
}

} // namespace
