// The screen table is the one list of screens: the scenario documentation
// names exactly its screens, in its order.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "runner/scenario/vocabulary.h"

namespace {

TEST(ScreenTable, ScenarioDocumentListsEveryScreenName) {
    std::ifstream document(QD5_SOURCE_DIR "/docs/SCENARIOS.md");
    ASSERT_TRUE(document) << "docs/SCENARIOS.md";
    std::string line;
    std::vector<std::string> documented;
    while (std::getline(document, line)) {
        const std::string::size_type list = line.find("the current screen:");
        if (line.rfind("| `screen`", 0) != 0 || list == std::string::npos) continue;
        // The names are the backticked words of the list; parentheses explain them.
        std::string names;
        int depth = 0;
        for (char c : line.substr(list)) {
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            if (depth == 0) names += c;
        }
        for (std::string::size_type open = names.find('`'); open != std::string::npos;) {
            const std::string::size_type close = names.find('`', open + 1);
            if (close == std::string::npos) break;
            documented.push_back(names.substr(open + 1, close - open - 1));
            open = names.find('`', close + 1);
        }
    }
    std::vector<std::string> table;
    for (int i = 0; i < SCREEN_NAME_COUNT; ++i) table.push_back(SCREEN_NAMES[i].name);
    EXPECT_EQ(documented, table);
}

} // namespace
