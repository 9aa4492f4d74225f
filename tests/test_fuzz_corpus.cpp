#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "entries.h"
#include "scenario_entry.h"

namespace {

using Entry = void (*)(const uint8_t*, size_t);

// Every committed input of a fuzz target's corpus, replayed through the same
// entry the fuzzer used (a fault shows up under the sanitizer build).
int replay(const std::string& target, Entry entry) {
    const std::filesystem::path dir = std::filesystem::path(QD5_SOURCE_DIR) / "fuzz" / "corpus" / target;
    int count = 0;
    if (!std::filesystem::exists(dir)) return 0;
    for (const auto& file : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        entry(bytes.data(), bytes.size());
        ++count;
    }
    return count;
}

} // namespace

TEST(FuzzCorpus, TextInputsReplayWithoutFault) { EXPECT_GT(replay("fuzz_text", fuzz_text), 0); }
TEST(FuzzCorpus, SamplingInputsReplayWithoutFault) { EXPECT_GT(replay("fuzz_sampling", fuzz_sampling), 0); }
TEST(FuzzCorpus, ScreenInputsReplayWithoutFault) { EXPECT_GT(replay("fuzz_screens", fuzz_screens), 0); }
TEST(FuzzCorpus, ScenarioInputsReplayWithoutFault) { EXPECT_GT(replay("fuzz_scenario", fuzz_scenario), 0); }
TEST(FuzzCorpus, FlowsAndReportInputsReplayWithoutFault) {
    EXPECT_GT(replay("fuzz_flows", fuzz_flows), 0);
    EXPECT_GT(replay("fuzz_report", fuzz_report), 0);
}
