// A scenario as loaded and checked: steps with every value in range and every
// time in passes, ready to run without further checks.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/panel/front_panel.h"
#include "runner/scenario/settings_fields.h"

// Simulated time counts passes: the timer ticks once every PASSES_PER_TICK
// passes (front_panel.h), so a pass stands for PASS_MS.

// The front panel's inputs: ch1..ch4, then the supply voltage (volts).
constexpr int RAW_INPUTS = RAW_INPUT_COUNT;
constexpr uint16_t RAW_MAX = RAW_MAXIMUM;

namespace re2 {
class RE2;
}

enum class View : uint8_t { display, device };

// A picture to save, compare or record.
struct ImageSpec {
    std::string path; // save: relative to --out; compare: resolved against the scenario's folder
    int scale = 1;
    View view = View::display;
};

struct Range {
    int32_t low;
    int32_t high;
};

enum class ConditionKind : uint8_t {
    text,
    no_text,
    lamp,
    screen,
    page,
    reading,
    alarm,
    pixel,
    blink_phase,
    state,
    text_contains,
    no_text_contains,
    text_matches,
    no_text_matches,
};

// The conditions on drawn texts, which take colour, size and at.
inline bool takes_text_options(ConditionKind k) {
    return k == ConditionKind::text || k == ConditionKind::no_text || k == ConditionKind::text_contains ||
           k == ConditionKind::no_text_contains || k == ConditionKind::text_matches ||
           k == ConditionKind::no_text_matches;
}

struct Condition {
    ConditionKind kind = ConditionKind::text;
    int line = 0;
    int column = 0;
    std::string text; // text, no-text
    int colour = -1;  // text, no-text (optional), pixel
    int size = -1;    // text, no-text (optional)
    bool at = false;  // text, no-text: x and y of the drawing call given
    int choice = 0;   // lamp: 1 bright, 0 dark; screen and page: index into their tables; blink phase
    std::array<std::optional<Range>, CHANNEL_COUNT> readings{};
    std::array<std::optional<bool>, RAW_INPUTS> alarms{}; // ch1..ch4, volts (bit 4)
    int x = 0;                                            // pixel; text and no-text with at
    int y = 0;
    std::vector<std::pair<int, int32_t>> state;                 // state: index into STATE_FIELDS, value
    std::array<std::optional<bool>, RAW_INPUTS> acknowledged{}; // state: alarms acknowledged
    std::shared_ptr<const re2::RE2> pattern;                    // text-matches, no-text-matches
};

enum class StepKind : uint8_t {
    power,
    set,
    mode,
    zolt,
    press,
    wait,
    wait_for,
    expect,
    screenshot_save,
    screenshot_compare,
    record_start,
    record_stop,
    click,
    settings,
};

struct Step {
    StepKind kind = StepKind::wait;
    int line = 0;
    int column = 0;
    std::string summary; // the step as written, on one line, for -v and failures
    bool on = false;     // power, zolt
    std::array<std::optional<uint16_t>, RAW_INPUTS> raw{};
    std::array<std::optional<int32_t>, RAW_INPUTS> by_reading{}; // set: the reading wanted instead
    std::array<std::optional<uint8_t>, CHANNEL_COUNT> modes{};
    uint8_t key = 0;
    int times = 1;                     // press; with until, the most presses
    bool until = false;                // press: until the conditions hold
    int64_t passes = 0;                // wait; wait-for: the timeout
    int samples = 0;                   // wait: to just after this many sampling ticks instead
    std::vector<Condition> conditions; // expect, wait-for; press with until
    std::vector<SettingWrite> settings;
    ImageSpec image;
};

struct Scenario {
    std::string file; // as given on the command line
    std::string name;
    std::string description;
    std::vector<Step> steps;
    std::string source; // the text as read, for the page's links to it
};
