// The scenario loader: every class of error as one "file:line:column: ..."
// line, the output-path rule, and the command's exit status 2 with nothing
// written for a bad file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "picture/picture.h"
#include "runner/cli.h"
#include "runner/scenario/loader.h"
#include "support/test_output.h"

namespace {

struct BadScenario {
    const char* what;
    const char* text;
    const char* error; // the expected message, after "f.yaml:"
};

const BadScenario BAD_SCENARIOS[] = {
    {"syntax", "name: x\nsteps: [\n", "3:1: YAML: end of sequence flow not found"},
    {"unknown step", "name: x\nsteps:\n  - pres: knob\n", "3:5: unknown step 'pres'"},
    {"unknown condition", "name: x\nsteps:\n  - expect: {txt: A}\n", "3:14: unknown condition 'txt'"},
    {"unknown top key", "name: x\nstep: []\n", "2:1: unknown key 'step'"},
    {"raw out of range", "name: x\nsteps:\n  - set: {ch1: 4097}\n",
     "3:16: raw value 4097 is out of range 0..4096"},
    {"scale out of range", "name: x\nsteps:\n  - screenshot: {save: a.png, scale: 0}\n",
     "3:38: scale 0 is out of range 1..8"},
    {"colour out of range", "name: x\nsteps:\n  - expect: {pixel: {x: 1, y: 1, colour: 300}}\n",
     "3:42: colour 300 is out of range 0..245"},
    {"unknown key name", "name: x\nsteps:\n  - press: middle\n", "3:12: unknown key 'middle'"},
    {"name on two lines", "name: x\nsteps:\n  - press: \"a\\nb\"\n", "3:12: unknown key 'a\\x0Ab'"},
    {"unknown screen", "name: x\nsteps:\n  - expect: {screen: setup}\n", "3:22: unknown screen 'setup'"},
    {"negative time", "name: x\nsteps:\n  - wait: -5s\n", "3:11: wait: a time cannot be negative"},
    {"time unit", "name: x\nsteps:\n  - wait: 5 hours\n", "3:11: wait: unknown time unit 'hours'"},
    {"too long", "name: x\nsteps:\n  - wait: 25 min\n  - wait: 1439 min\n",
     "4:11: the scenario's times add up"},
    {"twice", "name: x\nsteps:\n  - expect: {lamp: dark, lamp: bright}\n",
     "3:26: the key 'lamp' is given twice"},
    {"path leaves", "name: x\nsteps:\n  - screenshot: {save: ../a.png}\n", "3:24: bad path '../a.png'"},
    {"no steps", "name: x\nsteps: []\n", "2:8: the scenario has no steps"},
    {"empty range", "name: x\nsteps:\n  - expect: {reading: {ch1: {min: 80, max: 70}}}\n",
     "3:29: min 80 is above max 70"},
    {"bound twice", "name: x\nsteps:\n  - expect: {reading: {ch1: {min: 1, min: 2}}}\n",
     "3:38: the key 'min' is given twice"},
    {"two documents", "name: x\nsteps:\n  - power: on\n---\nname: y\n", "5:1: a second YAML document"},
    {"UTF-16", "\xFF\xFEn\0a\0", "1:1: the file is UTF-16"},
    {"tab", "name: x\nsteps:\n\t- power: on\n", "3:2: YAML: illegal block entry"},
    {"colour of two texts", "name: x\nsteps:\n  - expect: {text: A, no-text: B, colour: 3}\n",
     "3:13: colour, size and at belong to one text"},
};

TEST(ScenarioLoader, EveryErrorIsOneLineWithFileLineAndColumn) {
    for (const BadScenario& bad : BAD_SCENARIOS) {
        Scenario scenario;
        std::string error;
        EXPECT_FALSE(load_scenario_text(bad.text, "f.yaml", scenario, error)) << bad.what;
        EXPECT_EQ(error.rfind(std::string("f.yaml:") + bad.error, 0), 0u) << bad.what << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << bad.what;
        EXPECT_TRUE(scenario.steps.empty()) << bad.what;
    }
    // A tab is named as such.
    Scenario scenario;
    std::string error;
    EXPECT_FALSE(load_scenario_text("name: x\nsteps:\n\t- power: on\n", "f.yaml", scenario, error));
    EXPECT_NE(error.find("a tab indents line 3"), std::string::npos) << error;
}

TEST(ScenarioLoader, EveryFaultOfAFileIsReportedUpToTwenty) {
    std::string text = "name: x\nsteps:\n  - press: middle\n  - set: {ch1: 5000}\n";
    for (int i = 0; i < 30; ++i) text += "  - wait: 1 hours\n";
    Scenario scenario;
    std::string error;
    EXPECT_FALSE(load_scenario_text(text, "f.yaml", scenario, error));
    const auto lines = std::count(error.begin(), error.end(), '\n') + 1;
    EXPECT_EQ(lines, static_cast<long>(MAX_FAULTS)) << error;
    EXPECT_EQ(error.rfind("f.yaml:3:12: unknown key 'middle'", 0), 0u) << error;
    EXPECT_NE(error.find("\nf.yaml:4:16: raw value 5000"), std::string::npos) << error;
}

TEST(ScenarioLoader, TimesBecomeWholePassesRoundedUp) {
    struct Time {
        const char* text;
        int64_t passes;
    };
    const Time times[] = {{"0ms", 0},      {"100ms", 6},  {"10ms", 1},       {"1.5s", 90},  {"2min", 7200},
                          {"3 ticks", 18}, {"1 pass", 1}, {"10 passes", 10}, {"1h", 216000}};
    for (const Time& t : times) {
        int64_t passes = -1;
        std::string why;
        EXPECT_TRUE(parse_duration(t.text, passes, why)) << t.text << ": " << why;
        EXPECT_EQ(passes, t.passes) << t.text;
    }
    int64_t passes = 0;
    std::string why;
    EXPECT_FALSE(parse_duration("1.5 ticks", passes, why));
    EXPECT_FALSE(parse_duration("1e9 s", passes, why));
    EXPECT_FALSE(parse_duration("99999999999 s", passes, why));
}

TEST(ScenarioLoader, OutputPathsStayInsideTheOutputFolder) {
    struct Path {
        const char* path;
        bool allowed;
    };
    const Path paths[] = {
        {"a.png", true},     {"docs/a.png", true},     {"a.b/c.png", true}, {"/tmp/a.png", false},
        {"../a.png", false}, {"a/../../b.png", false}, {"a//b.png", false}, {"a/", false},
        {"a.gif", false},    {".png", false},          {"", false},         {"a\\..\\b.png", false},
        {"./a.png", false}, // one spelling per file, so that collisions compare as text
    };
    for (const Path& p : paths) {
        std::string why;
        EXPECT_EQ(output_path_allowed(p.path, ".png", why), p.allowed) << p.path << ": " << why;
    }
}

TEST(ScenarioLoader, BadFileExitsTwoAndWritesNothing) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(test_output_dir()) / "scenario-bad";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path good = dir / "good.yaml";
    const fs::path bad = dir / "bad.yaml";
    std::ofstream(good) << "name: good\nsteps:\n  - power: on\n  - screenshot: {save: shot.png}\n";
    std::ofstream(bad) << "name: bad\nsteps:\n  - set: {ch5: 1}\n";
    const fs::path out = dir / "out";
    const std::string out_arg = out.string(), good_arg = good.string(), bad_arg = bad.string();
    const char* argv[] = {"qd5run", "--out", out_arg.c_str(), good_arg.c_str(), bad_arg.c_str()};
    EXPECT_EQ(qd5run_main(5, const_cast<char**>(argv)), 2);
    EXPECT_FALSE(fs::exists(out));
    const char* usage[] = {"qd5run", "--no-such-option", good_arg.c_str()};
    EXPECT_EQ(qd5run_main(3, const_cast<char**>(usage)), 2);
    // Places to write that will not do are found before anything runs.
    const std::string missing = (dir / "no/report.xml").string(), folder = dir.string();
    const std::vector<std::vector<std::string>> unusable = {
        {"--out", good_arg}, {"--out", ""}, {"--junit", ""}, {"--junit", folder}, {"--junit", missing}};
    for (const std::vector<std::string>& args : unusable) {
        std::vector<const char*> argv = {"qd5run", args[0].c_str(), args[1].c_str(), good_arg.c_str()};
        if (args[0] == "--junit") argv.insert(argv.begin() + 1, {"--out", out_arg.c_str()});
        EXPECT_EQ(qd5run_main(static_cast<int>(argv.size()), const_cast<char**>(argv.data())), 2)
            << args[0] << " '" << args[1] << "'";
        EXPECT_FALSE(fs::exists(out)) << args[0] << " '" << args[1] << "'";
    }
}

} // namespace
