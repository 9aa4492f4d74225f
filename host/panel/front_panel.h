// The front panel that every host shows: the sliders and the check box that
// stand in for the instrument's wiring, the On and Off buttons, the key clicks
// and one pass of the run loop. Free of any toolkit: the window, the scenario
// runner, the web page and the tests all drive the instrument through it, so
// that what On and a pass do is written once.
#pragma once

#include <cstdint>

#include "display/framebuffer.h"
#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"

// Raw inputs: the four channels, then the supply voltage (the Volts slider).
constexpr uint8_t SUPPLY_INPUT = CHANNEL_COUNT;
constexpr uint8_t RAW_INPUT_COUNT = CHANNEL_COUNT + 1;

// The hosts' clocks: the instrument's timer every MS_PER_TICK ms, on or off,
// and passes about as often as a display refreshes, PASSES_PER_TICK to a tick.
// In simulated time a pass stands for exactly PASS_MS.
constexpr int64_t MS_PER_TICK = 100;
constexpr int PASSES_PER_TICK = 6;
constexpr double PASS_MS = static_cast<double>(MS_PER_TICK) / PASSES_PER_TICK;

// What one pass did, for the host to show.
struct PassResult {
    bool ran;           // false once Off was found: the loop has stopped and nothing was drawn
    bool lamp_bright;   // the lamp's colour for this pass
    bool frame_changed; // the frame differs from the one shown before: repaint it
};

struct FrontPanel {
    uint16_t raw_slider[RAW_INPUT_COUNT]; // positions of CH 1..CH 4 and Volts
    uint8_t mode_slider[CHANNEL_COUNT];   // positions of Channel 1..Channel 4
    bool zolt_checked;                    // the "ZOLT On/Off" box
    bool running;                         // between On and the pass that finds Off
    bool lamp_bright;                     // bright red until the first pass sets it
    uint8_t shown[LCD_HEIGHT][LCD_WIDTH]; // the frame last handed to the host
    uint32_t stimuli;                     // counts every input, click, On, Off and tick that a screen sees
};
extern FrontPanel front_panel;

// The instrument and its panel as a program start has them (instrument_reset):
// off, every slider at 0, the box clear, the lamp bright and the display black.
void front_panel_reset();

// Slider moves, clamped to the slider's range; an input or channel outside the
// panel is ignored. Each stores what the slider's handler stores.
void front_panel_set_raw(int input, int value);
void front_panel_set_mode(int channel, int mode);
void front_panel_set_zolt(bool checked);

// On: the power-on sequence, the channel sliders re-read in order, the mode
// sliders moved to the modes just loaded, then the first pass at once.
PassResult front_panel_power_on();
// Off: the loop stops before its next pass; the last frame stays.
void front_panel_power_off();
// A click on a key area or a knob button (codes KEY_FIRST..KEY_LAST; any
// other code is no key).
void front_panel_click(int key);
// One pass of the loop while it runs: Off checked, the lamp, ZOLT, sampling
// and the screen.
PassResult front_panel_pass();
// The lamp that goes with the frame now shown: while the loop runs, what the
// next pass will set from the alarm flags (the frame that shows an alarm is
// the one the lamp lights with); while off, the lamp as the last pass left it.
// Pictures of the device and the lamp condition judge this one.
bool front_panel_lamp_with_frame();
// The timer (every MS_PER_TICK ms), which ticks whether or not the instrument
// is on. A tick counts as a stimulus only when it moves what a screen reads
// (the blink phase, the sampling flag, the message timer).
void front_panel_timer_tick();
