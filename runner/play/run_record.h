// What a run saw, beyond its verdict: its flow, the frame each step left,
// the texts of its frames, what it covered and the pictures it left for the
// report. A scenario runs in a child process, which sends this to the parent
// as text; the parent builds the flows file and the report from it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runner/play/flow.h"

// Texts kept of one frame, and of all the frames of one run together.
constexpr std::size_t MAX_SCREEN_TEXT = 1024;
constexpr std::size_t MAX_RUN_TEXTS = std::size_t{8} << 20;

struct StepTrace {
    std::size_t index = 0; // into the scenario's steps
    int64_t pass = 0;      // simulated time when it ended
    uint64_t hash = 0;     // the frame it left
};

// The pictures a failure leaves in the report, by kind.
enum class Evidence : uint8_t { failure, expected, actual, diff };
constexpr int EVIDENCE_KINDS = 4;

struct RunRecord {
    bool recorded = false; // flows or a report were asked for
    Flow flow;
    bool flow_overflowed = false; // the flow reached MAX_FLOW_FRAMES and stopped growing
    bool flow_changed = false;    // it differs from the flows file's
    std::vector<StepTrace> steps;
    std::map<uint64_t, std::string> texts; // the texts shown on each frame of the run
    std::vector<uint64_t> coverage;        // counts by coverage point
    bool evidence[EVIDENCE_KINDS] = {};    // which failure pictures the report holds
    std::vector<std::string> outputs;      // saved screenshots and recordings the report holds, by save path
};

std::string encode_record(const RunRecord& record);
// False when text is not a record that encode_record wrote.
bool decode_record(const std::string& text, RunRecord& record);
