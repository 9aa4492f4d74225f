// What a person does on the front panel, written down as scenario steps: the
// page's Record button. Time between actions becomes wait steps in whole
// ticks or passes of the driver's clock, so that nothing is rounded away, and
// keys are clicks, which take no time: played on a freshly started
// instrument, the text reaches the very frame the person saw.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runner/play/driver.h"

class ActionRecorder {
  public:
    // The steps that bring a freshly started instrument to the panel's
    // present inputs and power state; the recording begins with them, and the
    // host plays them on a fresh instrument so that both start alike.
    static std::string opening_steps();

    // Starts a recording whose opening steps the driver has just played.
    void start(const Driver& driver);
    bool recording() const { return recording_; }
    // The actions, each at the driver's present time.
    void set_raw(const Driver& driver, int input, uint16_t value);
    void set_mode(const Driver& driver, int channel, uint8_t mode);
    void set_zolt(const Driver& driver, bool checked);
    void power(const Driver& driver, bool on);
    void click(const Driver& driver, uint8_t key);
    // An expect of the screen now shown: its name, the page on the run
    // screen, and every text the frame shows. Also after the stop, while
    // the frame the recording ended on is still shown.
    void check_screen(const Driver& driver);
    // Ends the recording: the time since the last action is its last wait, so
    // that a replay ends on the frame shown now.
    void stop(const Driver& driver);
    // The scenario so far, with that name.
    std::string text(const std::string& name) const;
    // Whether the recording has reached the most steps a scenario may hold;
    // actions after that are not written.
    bool full() const;
    // Whether a slider or the box moved on the driver's present pass. An
    // expect straight after one judges the frame after the next pass (the
    // step player's rule), so a check made then lets that pass run first.
    bool input_this_pass(const Driver& driver) const { return input_at_ == driver.now(); }

  private:
    void add(const Driver& driver, std::string step);
    void wait_since_last(const Driver& driver);

    bool recording_ = false;
    std::vector<std::string> steps_;
    int64_t last_ = 0;      // the driver's pass count at the last step
    int64_t input_at_ = -1; // and at the last slider or box move
    // A set or mode step at the same pass as the step before takes its values
    // in: only the last position of a slider within one pass counts.
    std::array<std::optional<uint16_t>, RAW_INPUT_COUNT> set_{};
    std::array<std::optional<uint8_t>, CHANNEL_COUNT> modes_{};
    enum class Last : uint8_t { other, set, mode } last_kind_ = Last::other;
};
