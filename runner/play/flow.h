// A run's flow: the sequence of distinct frames it showed, each with the step
// and the simulated time at which it first appeared. Two runs whose screens
// agree have equal flows, so a change of any screen that a scenario passes
// through shows up as a difference of its flow, whether or not a step looks
// at it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/scenario/scenario.h"

// A flow longer than this stops growing and fails the check: an hour of a
// blinking alarm is about 7,000 frames, so only a runaway comes near it.
constexpr std::size_t MAX_FLOW_FRAMES = 200000;

struct FlowEntry {
    uint64_t hash = 0; // frame_hash of the frame
    int line = 0;      // the line of the step that was running
    int64_t pass = 0;  // simulated time, in passes
};
using Flow = std::vector<FlowEntry>;

// The hash of the frame buffer's 160x128 colour indices (never of a picture
// file's bytes, which the encoder may vary): FNV-1a over its 64-bit words,
// then a final mix.
uint64_t frame_hash();
// A hash as the flows file and the report write it: 16 lower-case hex digits.
std::string hash_text(uint64_t hash);
// The hash of 16 hex digits; false for anything else.
bool parse_hash(const std::string& text, uint64_t& hash);
double pass_seconds(int64_t pass);

// How an actual flow differs from the expected one, aligned as a line diff
// aligns lines: a run of removed and added frames pairs up as changed frames.
struct FlowHunk {
    std::size_t expected_at = 0, expected_count = 0;
    std::size_t actual_at = 0, actual_count = 0;
};
struct FlowDifference {
    std::vector<FlowHunk> hunks; // empty: the flows agree
    std::size_t added = 0, removed = 0, changed = 0;
};
FlowDifference compare_flows(const Flow& expected, const Flow& actual);
// One line naming the first frame that differs, with its step and time, and
// the counts, as "file:line: step: the flow differs from FLOWS ...".
std::string describe_difference(const FlowDifference& difference, const Flow& expected, const Flow& actual,
                                const Scenario& scenario, const std::string& flows_name);
