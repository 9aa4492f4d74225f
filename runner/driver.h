// The simulated window around the instrument: the sliders, the check box, the
// On and Off buttons, the key areas, the lamp and the 100 ms timer, driven in
// simulated time. Each call does what the window's handler does, between two
// passes; time moves on one pass (100/6 ms) at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "runner/scenario.h"

class Driver {
  public:
    // The instrument as a freshly started simulator has it: powered off, the
    // sliders at 0, the check box clear, the timer's counters at 0.
    Driver();

    // The On button: power-on sequence, sliders re-read, then the first pass at once.
    void power_on();
    // The Off button: the loop stops before its next pass; the last frame stays.
    void power_off();
    // A raw slider (0..3 channels, 4 the supply voltage) or a mode slider moved.
    void set_raw(int input, uint16_t value);
    void set_mode(int channel, uint8_t mode);
    void set_zolt(bool checked) { zolt_ = checked; }
    // A click on a key: waits (passes run) until the key slot is free, as a
    // person clicking quickly would, then stores the key. False if the slot
    // stays full for a whole second, which no screen allows.
    bool press(uint8_t key);
    // Runs until the instrument has taken the stored key and drawn the frame
    // after it. False if it never takes it (see press).
    bool settle();
    // One pass of simulated time: the timer ticks on every sixth, and a pass
    // of the loop runs while the device is on.
    void step();

    bool on() const { return on_; }
    bool lamp_bright() const { return lamp_bright_; }
    int64_t now() const { return now_; } // passes since start
    int64_t passes_run() const { return passes_; }
    // Simulated time in milliseconds.
    double now_ms() const { return static_cast<double>(now_) * MS_PER_TICK / PASSES_PER_TICK; }

    // Called after every pass of the loop (recording).
    std::function<void()> after_pass;

  private:
    void pass();

    std::array<uint16_t, RAW_INPUTS> raw_{};
    std::array<uint8_t, CHANNELS> mode_slider_{};
    bool zolt_ = false;
    bool on_ = false;
    bool lamp_bright_ = true; // the lamp starts red until the first pass sets it
    int64_t now_ = 0;
    int64_t passes_ = 0;
};

// Puts the instrument's state back to that of a freshly started program, so
// that runs inside one process (the fuzz target) do not see each other.
void fresh_instrument();
