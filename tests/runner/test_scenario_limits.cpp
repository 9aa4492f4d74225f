// What one scenario file may cost: its aliases may not expand past the caps,
// its presses count toward the 24 h, and what it writes is bounded.
#include <gtest/gtest.h>

#include <filesystem>

#include "picture/picture.h"
#include "runner/scenario/loader.h"
#include "runner/suite/scenario_run.h"
#include "support/test_output.h"

namespace fs = std::filesystem;

namespace {

std::string refusal(const std::string& text) {
    Scenario scenario;
    std::string error;
    EXPECT_FALSE(load_scenario_text(text, "f.yaml", scenario, error));
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_TRUE(scenario.steps.empty());
    return error;
}

TEST(ScenarioLimits, AliasesCannotExpandAFileBeyondTheCaps) {
    // An anchor holding 1000 conditions, used 2000 times: two million.
    std::string wide = "name: x\nsteps:\n  - expect: &m [";
    for (int i = 0; i < 1000; ++i) wide += std::string(i ? "," : "") + "{text: A}";
    wide += "]\n";
    for (int i = 0; i < 2000; ++i) wide += "  - expect: *m\n";
    EXPECT_NE(refusal(wide).find("through its aliases"), std::string::npos);
    // Nine levels of ten: a billion values from a few hundred bytes.
    std::string deep = "name: x\ndescription: [&a0 [x,x,x,x,x,x,x,x,x,x]";
    for (int level = 1; level < 9; ++level) {
        const std::string before = "*a" + std::to_string(level - 1);
        deep += ", &a" + std::to_string(level) + " [";
        for (int i = 0; i < 10; ++i) deep += (i ? "," : "") + before;
        deep += "]";
    }
    deep += "]\nsteps:\n  - power: on\n";
    EXPECT_NE(refusal(deep).find("through its aliases"), std::string::npos);
    EXPECT_NE(refusal("name: x\nsteps:\n  - expect: " + std::string(100, '[') + std::string(100, ']') + "\n")
                  .find("nested deeper"),
              std::string::npos);
}

TEST(ScenarioLimits, PressesCountTowardTheDay) {
    std::string text = "name: x\nsteps:\n";
    for (int i = 0; i < 10000; ++i) text += "  - press: {key: up, times: 100}\n";
    EXPECT_NE(refusal(text).find("more than 24 h"), std::string::npos);
}

TEST(ScenarioLimits, WhatAScenarioWritesIsBounded) {
    const fs::path out = fs::path(test_output_dir()) / "scenario-limits";
    fs::remove_all(out);
    RunOptions options;
    options.out_dir = out.string();
    options.max_output_bytes = 4000;
    struct Case {
        const char* step;
        const char* file;
    };
    for (const Case c : {Case{"screenshot: {save: big.png, scale: 8, view: device}", "big.png"},
                         Case{"record: {save: big.gif, scale: 8, view: device}", "big.gif"}}) {
        Scenario scenario;
        std::string error;
        ASSERT_TRUE(load_scenario_text(std::string("name: x\nsteps:\n  - power: on\n  - ") + c.step +
                                           "\n  - wait: 1s\n",
                                       "big.yaml", scenario, error))
            << error;
        const ScenarioResult result = run_scenario(scenario, options);
        EXPECT_FALSE(result.passed()) << c.step;
        EXPECT_NE(result.message.find("that one scenario may write"), std::string::npos) << result.message;
        EXPECT_FALSE(fs::exists(out / c.file)) << c.step;
    }
}

} // namespace
