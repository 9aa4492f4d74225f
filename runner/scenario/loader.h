// Reads a scenario file (YAML) and checks all of it before anything runs:
// syntax, keys, names, ranges and times. Every fault found, up to MAX_FAULTS,
// is reported as a line of its own, "file:line:column: what is wrong".
#pragma once

#include <cstdint>
#include <string>

#include "runner/scenario/scenario.h"

// Limits that keep any input, however hostile, small and quick.
constexpr std::size_t MAX_FILE_BYTES = 1 << 20;
constexpr std::size_t MAX_STEPS = 10000;
constexpr int MAX_TIMES = 100; // presses in one press step
// What a file may stand for once its aliases are expanded: values in all,
// conditions in all, and how deep values nest.
constexpr std::size_t MAX_NODES = 1000000;
constexpr std::size_t MAX_CONDITIONS = 100000;
constexpr int MAX_DEPTH = 64;
constexpr std::size_t MAX_FAULTS = 20; // reported of one file
constexpr int MAX_SCALE = 8;           // picture scale
constexpr int64_t MAX_TOTAL_PASSES =   // waits and timeouts of one scenario together: 24 h
    int64_t{24} * 3600 * 1000 / MS_PER_TICK * PASSES_PER_TICK;
constexpr int64_t DEFAULT_TIMEOUT_PASSES = 10 * 1000 / MS_PER_TICK * PASSES_PER_TICK; // 10 s

// A scenario from its text; file names the source in messages (the file
// layer reads files: runner/files/scenario_file.h).
bool load_scenario_text(const std::string& text, const std::string& file, Scenario& scenario,
                        std::string& error);

// Output paths stay inside the output folder: relative, no "..", no empty
// part, ending in the given extension. why says what is wrong otherwise.
bool output_path_allowed(const std::string& path, const char* extension, std::string& why);

// A time such as "500ms", "1.5s", "2min", "3 ticks", "10 passes", in passes
// (rounded up to whole passes); false with why on a malformed or negative time.
bool parse_duration(const std::string& text, int64_t& passes, std::string& why);
