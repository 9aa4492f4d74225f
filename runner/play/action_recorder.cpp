#include "runner/play/action_recorder.h"

#include <cstdio>

#include "display/text_record.h"
#include "host/panel/device.h"
#include "host/panel/panel_names.h"
#include "runner/play/conditions.h"
#include "runner/scenario/loader.h"
#include "runner/scenario/vocabulary.h"
#include "screens/run_screen.h"

namespace {

// A YAML double-quoted scalar: the instrument's texts hold quotes and the
// degree sign, never control characters.
std::string yaml_string(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string set_step(const std::array<std::optional<uint16_t>, RAW_INPUT_COUNT>& raw) {
    std::string out;
    for (int i = 0; i < RAW_INPUT_COUNT; ++i)
        if (raw[i])
            out += (out.empty() ? "" : ", ") + std::string(INPUT_NAMES[i]) + ": " + std::to_string(*raw[i]);
    return "set: {" + out + "}";
}

std::string mode_step(const std::array<std::optional<uint8_t>, CHANNEL_COUNT>& modes) {
    std::string out;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        if (modes[c])
            out += (out.empty() ? "" : ", ") + std::string(INPUT_NAMES[c]) + ": " + MODE_NAMES[*modes[c]];
    return "mode: {" + out + "}";
}

std::string panel_modes() {
    std::array<std::optional<uint8_t>, CHANNEL_COUNT> modes{};
    for (int c = 0; c < CHANNEL_COUNT; ++c) modes[c] = front_panel.mode_slider[c];
    return mode_step(modes);
}

// The name a scenario gives the screen on display, from the language's table.
const char* shown_screen_name() {
    for (int i = 0; i < SCREEN_NAME_COUNT; ++i)
        for (ScreenHandler h : SCREEN_NAMES[i].handlers)
            if (h != nullptr && h == current_screen) return SCREEN_NAMES[i].name;
    return nullptr;
}

} // namespace

std::string ActionRecorder::opening_steps() {
    std::array<std::optional<uint16_t>, RAW_INPUT_COUNT> raw{};
    for (int i = 0; i < RAW_INPUT_COUNT; ++i) raw[i] = front_panel.raw_slider[i];
    std::string out = "  - " + set_step(raw) + "\n";
    out += std::string("  - zolt: ") + (front_panel.zolt_checked ? "on" : "off") + "\n";
    // On moves the mode sliders to the modes it loads: they are set after it.
    const bool on = front_panel.running && power_off_request == 0;
    if (on) out += "  - power: on\n";
    return out + "  - " + panel_modes() + "\n";
}

void ActionRecorder::start(const Driver& driver) {
    steps_.clear();
    const std::string opening = opening_steps();
    for (std::size_t at = 0; at < opening.size();) {
        const std::size_t end = opening.find('\n', at);
        steps_.push_back(opening.substr(at + 4, end - at - 4)); // without "  - "
        at = end + 1;
    }
    last_ = driver.now();
    input_at_ = driver.now(); // the opening ends by setting the modes
    last_kind_ = Last::other;
    recording_ = true;
}

bool ActionRecorder::full() const { return steps_.size() + 1 >= MAX_STEPS; }

void ActionRecorder::wait_since_last(const Driver& driver) {
    const int64_t passes = driver.now() - last_;
    if (passes <= 0) return;
    char wait[48];
    if (passes % PASSES_PER_TICK == 0)
        std::snprintf(wait, sizeof wait, "wait: %lld ticks",
                      static_cast<long long>(passes / PASSES_PER_TICK));
    else
        std::snprintf(wait, sizeof wait, "wait: %lld passes", static_cast<long long>(passes));
    steps_.push_back(wait);
    last_ = driver.now();
    last_kind_ = Last::other;
}

void ActionRecorder::add(const Driver& driver, std::string step) {
    if (steps_.empty() || full()) return;
    if (recording_) wait_since_last(driver);
    steps_.push_back(std::move(step));
    last_kind_ = Last::other;
}

void ActionRecorder::set_raw(const Driver& driver, int input, uint16_t value) {
    if (!recording_ || full() || input < 0 || input >= RAW_INPUT_COUNT) return;
    wait_since_last(driver);
    if (last_kind_ != Last::set) {
        set_ = {};
        steps_.emplace_back();
    }
    set_[input] = value;
    steps_.back() = set_step(set_);
    input_at_ = driver.now();
    last_kind_ = Last::set;
}

void ActionRecorder::set_mode(const Driver& driver, int channel, uint8_t mode) {
    if (!recording_ || full() || channel < 0 || channel >= CHANNEL_COUNT || mode >= MODE_COUNT) return;
    wait_since_last(driver);
    if (last_kind_ != Last::mode) {
        modes_ = {};
        steps_.emplace_back();
    }
    modes_[channel] = mode;
    steps_.back() = mode_step(modes_);
    input_at_ = driver.now();
    last_kind_ = Last::mode;
}

void ActionRecorder::set_zolt(const Driver& driver, bool checked) {
    if (!recording_) return;
    add(driver, std::string("zolt: ") + (checked ? "on" : "off"));
    input_at_ = driver.now();
}

void ActionRecorder::power(const Driver& driver, bool on) {
    if (recording_) add(driver, std::string("power: ") + (on ? "on" : "off"));
}

void ActionRecorder::click(const Driver& driver, uint8_t key) {
    if (recording_ && key >= KEY_FIRST && key <= KEY_LAST)
        add(driver, std::string("click: ") + key_name(key).name);
}

void ActionRecorder::check_screen(const Driver& driver) {
    std::string conditions;
    if (const char* screen = shown_screen_name()) conditions += std::string("screen: ") + screen;
    if (current_screen == run_screen && display_page < 4)
        conditions += std::string(conditions.empty() ? "" : ", ") + "page: " + PAGE_NAMES[display_page];
    for (int i = 0; i < text_record_count; ++i) {
        if (text_record[i].text[0] == 0 || !text_shown(i)) continue;
        conditions += (conditions.empty() ? "" : ", ") + std::string("text: ") +
                      yaml_string(latin1_to_utf8(text_record[i].text));
    }
    if (!conditions.empty()) add(driver, "expect: [" + conditions + "]");
}

void ActionRecorder::stop(const Driver& driver) {
    if (!recording_) return;
    if (!full()) wait_since_last(driver);
    recording_ = false;
}

std::string ActionRecorder::text(const std::string& name) const {
    std::string out = "name: " + yaml_string(name) + "\nsteps:\n";
    for (const std::string& step : steps_) out += "  - " + step + "\n";
    return out;
}
