// Every YAML example in the README and docs/ runs as written and passes, so
// that a tester who copies one starts from something that works.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runner/scenario/loader.h"
#include "runner/suite/scenario_run.h"

namespace fs = std::filesystem;

namespace {

TEST(ScenarioDocs, EveryYamlExampleRunsAndPasses) {
    std::vector<fs::path> documents{fs::path(QD5_SOURCE_DIR) / "README.md"};
    for (const auto& entry : fs::directory_iterator(fs::path(QD5_SOURCE_DIR) / "docs"))
        if (entry.path().extension() == ".md") documents.push_back(entry.path());
    int examples = 0;
    for (const fs::path& document : documents) {
        std::ifstream in(document);
        std::stringstream text;
        text << in.rdbuf();
        const std::string md = text.str();
        for (std::size_t at = md.find("```yaml\n"); at != std::string::npos; at = md.find("```yaml\n", at)) {
            const std::size_t start = at + 8, end = md.find("```", start);
            ASSERT_NE(end, std::string::npos) << document;
            const std::string name = document.filename().string() + " at byte " + std::to_string(at);
            Scenario scenario;
            std::string error;
            ASSERT_TRUE(load_scenario_text(md.substr(start, end - start), name, scenario, error)) << error;
            RunOptions options;
            options.write_files = false;
            const ScenarioResult result = run_scenario(scenario, options);
            EXPECT_TRUE(result.passed()) << name << ": " << result.message;
            ++examples;
            at = end + 3;
        }
    }
    EXPECT_GE(examples, 2);
}

} // namespace
