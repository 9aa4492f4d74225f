// The steps and conditions of the language, played from the one table of
// cases that the Python module's test plays too: each passes, fails with its
// message, or is refused at load time at its line and column.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <yaml-cpp/yaml.h>

#include "runner/scenario/language.h"
#include "runner/scenario/loader.h"
#include "runner/scenario/settings_fields.h"
#include "runner/suite/scenario_run.h"

namespace {

TEST(ScenarioLanguage, EveryCaseOfTheTableComesOutAsWritten) {
    const YAML::Node cases =
        YAML::LoadFile(std::string(QD5_SOURCE_DIR) + "/tests/runner/language_cases.yaml");
    ASSERT_GT(cases.size(), 0u);
    for (const YAML::Node& c : cases) {
        const std::string what = c["what"].as<std::string>();
        Scenario scenario;
        std::string error;
        const bool loaded =
            load_scenario_text("name: x\nsteps:\n" + c["steps"].as<std::string>(), "f.yaml", scenario, error);
        if (c["refused"]) {
            EXPECT_FALSE(loaded) << what;
            EXPECT_EQ(error.rfind("f.yaml:" + c["refused"].as<std::string>(), 0), 0u)
                << what << ": " << error;
            continue;
        }
        ASSERT_TRUE(loaded) << what << ": " << error;
        RunOptions options;
        options.write_files = false;
        const ScenarioResult result = run_scenario(scenario, options);
        if (c["passes"]) {
            EXPECT_TRUE(result.passed()) << what << ": " << result.message;
        } else {
            EXPECT_FALSE(result.passed()) << what;
            EXPECT_NE(result.message.find(c["fails"].as<std::string>()), std::string::npos)
                << what << ": " << result.message;
        }
    }
}

} // namespace

namespace {

// The tables of steps, conditions and settings in the docs are the language's
// own table as generated; QD5_UPDATE_REFS (make refs, make docs) writes them.
TEST(ScenarioLanguage, TheDocsTablesAreGeneratedFromTheLanguageTable) {
    struct Block {
        const char* document;
        const char* name;
        std::string table;
    };
    const Block blocks[] = {
        {"docs/SCENARIOS.md", "steps", language_table(true, false)},
        {"docs/SCENARIOS.md", "conditions", language_table(false, false)},
        {"docs/SCENARIOS.md", "settings", settings_table()},
        {"docs/PYTHON.md", "steps", language_table(true, true)},
        {"docs/PYTHON.md", "conditions", language_table(false, true)},
    };
    const bool update = std::getenv("QD5_UPDATE_REFS") != nullptr;
    for (const Block& b : blocks) {
        const std::string path = std::string(QD5_SOURCE_DIR) + "/" + b.document;
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string md = text.str();
        const std::string begin = "<!-- generated from the language table: " + std::string(b.name) + " -->\n";
        const std::string end = "<!-- end of generated table -->";
        const std::size_t start = md.find(begin);
        ASSERT_NE(start, std::string::npos) << b.document << " has no " << begin;
        const std::size_t from = start + begin.size(), to = md.find(end, from);
        ASSERT_NE(to, std::string::npos) << b.document;
        if (update) {
            md.replace(from, to - from, b.table);
            std::ofstream(path, std::ios::binary) << md;
        } else {
            EXPECT_EQ(md.substr(from, to - from), b.table)
                << b.document << " " << b.name << ": run make docs";
        }
    }
}

// Every example of the table loads: a word the loader does not know cannot
// be documented.
TEST(ScenarioLanguage, EveryExampleOfTheTableLoads) {
    struct Words {
        const LanguageWord* words;
        int count;
        bool conditions;
    };
    for (const Words& table :
         {Words{STEP_WORDS, STEP_WORD_COUNT, false}, Words{CONDITION_WORDS, CONDITION_WORD_COUNT, true}})
        for (int i = 0; i < table.count; ++i) {
            const std::string example = table.words[i].example;
            const std::size_t from = example.find('`') + 1, to = example.find('`', from);
            std::string step = example.substr(from, to - from);
            if (table.conditions) step = "expect: {" + step + "}";
            Scenario scenario;
            std::string error;
            EXPECT_TRUE(load_scenario_text("name: x\nsteps:\n  - " + step + "\n", "f.yaml", scenario, error))
                << table.words[i].name << ": " << error;
        }
}

} // namespace
