// The front panel driven in simulated time: each call does what a click or a
// slider move does between two passes; time moves on one pass (100/6 ms) at a
// time, the 100 ms timer ticking on every sixth.
#pragma once

#include <cstdint>
#include <functional>

#include "host/panel/front_panel.h"
#include "runner/scenario/scenario.h"

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
    void set_zolt(bool checked) { front_panel_set_zolt(checked); }
    // A click on a key: waits (passes run) until the key slot is free, as a
    // person clicking quickly would, then stores the key. False if the slot
    // stays full for a whole second, which no screen allows.
    bool press(uint8_t key);
    // A click on a key and nothing more: the key is stored only if the slot
    // is empty, else it is lost, as the instrument loses it.
    void click(uint8_t key) { front_panel_click(key); }
    // Settings were written behind the panel's back (a test fixture): the
    // next pass is not idle.
    void settings_written() { ++front_panel.stimuli; }
    // Runs until the instrument has taken the stored key and drawn the frame
    // after it. False if it never takes it (see press).
    bool settle();
    // One pass of simulated time: the timer ticks on every sixth, and a pass
    // of the loop runs while the device is on.
    void step() { run(1); }
    // That many passes. A stretch in which nothing a screen sees happens is
    // jumped from tick to tick: its passes are counted, none of them runs,
    // and after_pass is called once for the whole stretch.
    void run(int64_t passes);

    // On, and no Off asked for: the loop will run another pass.
    bool on() const { return front_panel.running && power_off_request == 0; }
    // The lamp that goes with the current frame: the window sets it from the
    // alarm flags before the next pass, 1/60 s after the frame that shows the
    // alarm. While off, the lamp stays as the window left it. Scenarios and
    // the Python module judge this one.
    bool lamp_with_frame() const { return front_panel_lamp_with_frame(); }
    int64_t now() const { return now_; } // passes since start
    int64_t passes_run() const { return passes_; }
    // Simulated time in milliseconds.
    double now_ms() const { return static_cast<double>(now_) * MS_PER_TICK / PASSES_PER_TICK; }

    // Whether the last pass drew a frame that differs from the one before.
    bool frame_changed() const { return frame_changed_; }
    // The samplings of the channels the instrument has taken (passes that
    // found the 1.1 s tick raised), and whether the last pass was one. While
    // it is off it takes none, though the timer goes on ticking.
    int64_t samples() const { return samples_; }
    bool sampled() const { return sampled_; }

    // Called after every pass of the loop that ran, and once after each
    // stretch of skipped passes, which all draw the frame before them
    // (recording, the flow, coverage).
    std::function<void()> after_pass;

  private:
    void passed(const PassResult& result, bool sampling);
    // No key, input or tick a screen sees since a pass that itself followed
    // none: the next passes up to the next tick draw what it drew.
    bool quiet() const;

    int64_t now_ = 0;
    int64_t passes_ = 0;
    uint32_t stimuli_at_last_pass_ = 0; // front_panel.stimuli as the last pass began
    bool last_pass_idle_ = false;       // nothing had happened since the pass before it
    bool frame_changed_ = false;
    int64_t samples_ = 0;
    bool sampled_ = false;
};
