// The front panel as seen from the web page: a flat C interface over
// host/panel/front_panel.h that JavaScript calls into. The page only forwards its
// events here and paints what a pass reports; every rule is on this side.
#pragma once

#include <cstdint>

extern "C" {

// Bits of a pass result.
enum : int {
    QD5_PASS_RAN = 1,           // a pass ran; clear once Off was found and the loop stopped
    QD5_PASS_LAMP_BRIGHT = 2,   // the lamp is bright red
    QD5_PASS_FRAME_CHANGED = 4, // the frame changed: repaint it
};

// What qd5_scenario_play() stopped at.
enum : int {
    QD5_PLAY_SLICE = 0,  // the clock reached the slice's end: call again later
    QD5_PLAY_HOST = 1,   // the next step is the page's to do (screenshot, record): then qd5_scenario_skip()
    QD5_PLAY_BREAK = 2,  // the step asked to stop after has played
    QD5_PLAY_PASSED = 3, // every step played
    QD5_PLAY_FAILED = 4, // a step failed: qd5_scenario_message()
};

// Steps the player leaves to the page (qd5_scenario_step_host()).
enum : int {
    QD5_HOST_NONE = 0,
    QD5_HOST_SCREENSHOT = 1,
    QD5_HOST_COMPARE = 2,
    QD5_HOST_RECORD_START = 3,
    QD5_HOST_RECORD_STOP = 4,
};

// On: the power-on sequence, the sliders re-read, the first pass (its result).
int qd5_power_on();
// Off: the loop stops before its next pass.
void qd5_power_off();
// One pass while the loop runs (its result).
int qd5_pass();
// 1 between On and the pass that finds Off.
int qd5_running();
// The timer, every qd5_ms_per_tick() ms.
void qd5_timer_tick();
// A key click; codes other than the instrument's keys are ignored.
void qd5_key(int code);
// Slider moves, clamped to the slider's range: raw input 0..3 (channels) or
// 4 (supply); mode of channel 0..3.
void qd5_set_input(int input, int value);
void qd5_set_mode(int channel, int mode);
void qd5_set_zolt(int checked);
// Where the panel's sliders stand (On moves the mode sliders).
int qd5_raw_slider(int input);
int qd5_mode_slider(int channel);
int qd5_lamp_bright();
// The frame on display, 160 by 128 colour indices, row 0 first.
const uint8_t* qd5_frame();
// 256 colours, 0x00RRGGBB, one for every index a frame can hold.
const uint32_t* qd5_palette();
// The texts the frame on display shows, as Latin-1 lines from top to bottom,
// each line's texts from left to right: the display's text alternative. Made
// from the record of drawn texts whenever a pass changes the frame.
const char* qd5_screen_text();
// The front panel's words (host/panel/panel_names.h); "" outside the range.
// A mode slider's value: "temperature" for 0..modes-1.
const char* qd5_mode_name(int mode);
// The mode sliders' caption and title, each followed by the channel's number.
const char* qd5_mode_slider_caption();
const char* qd5_mode_slider_title();
// Keys 0..qd5_key_count()-1: the code for qd5_key(), the name ("knob"), what a
// screen reader calls the control ("Push the knob") and what a click does.
int qd5_key_count();
int qd5_key_code(int key);
const char* qd5_key_name(int key);
const char* qd5_key_label(int key);
const char* qd5_key_action(int key);
// Raw inputs 0..qd5_input_count()-1 in qd5_set_input()'s order: the name the
// address uses ("ch1"), the slider's caption ("CH 1") and its title.
int qd5_input_count();
const char* qd5_input_name(int input);
const char* qd5_input_caption(int input);
const char* qd5_input_title(int input);
// Where the page's raw sliders start: a healthy engine, so that the first On
// shows readings rather than alarms.
int qd5_start_raw(int input);

// The box as it stands (a scenario moves it).
int qd5_zolt();

// Scenarios and recordings (scenario_api.cpp): the toolkit's driver has the
// instrument, in qd5run's simulated time, until it is handed to the page's
// own clock. While it has it, On, Off, keys and sliders above go through it
// and into the recording.
int qd5_driven();
void qd5_hand_over();
// Runs the driver that many passes (a recording's clock); its pass count.
void qd5_drive(double passes);
double qd5_driver_passes();
// What the driver left since the last call, as pass result bits.
int qd5_driven_result();
// The loader reads text of length bytes (any bytes); file names it in messages.
int qd5_scenario_max_bytes();
int qd5_scenario_load(const char* text, int length, const char* file);
const char* qd5_scenario_message();
const char* qd5_scenario_name();
int qd5_scenario_step_count();
int qd5_scenario_step_line(int step);
const char* qd5_scenario_step_text(int step);
int qd5_scenario_step_host(int step);
const char* qd5_scenario_step_path(int step);
int qd5_scenario_step_scale(int step);
int qd5_scenario_step_device_view(int step);
// A fresh instrument at the first step; the next step's index; past a step
// the page did itself.
void qd5_scenario_restart();
int qd5_scenario_next();
void qd5_scenario_skip();
// Plays from the next step up to the driver's pass until (-1: no pause), or
// to the end of step last (-1: none); a QD5_PLAY_ value.
int qd5_scenario_play(double until, int last);
// The QD5_PLAY_ values, then the QD5_HOST_ values, in their order above.
const int* qd5_play_codes();
// Record, its state, "Add a check of this screen", stop, and the text.
int qd5_record_start();
int qd5_recording();
int qd5_record_full();
void qd5_record_check();
void qd5_record_stop();
const char* qd5_record_text(const char* name);

// The instrument's constants, so that the page restates none of them.
int qd5_lcd_width();
int qd5_lcd_height();
// The front picture in picture pixels, of which the display is 160 by 128.
int qd5_front_width();
int qd5_front_height();
int qd5_channel_count();
int qd5_raw_maximum();
int qd5_mode_count();
// The hosts' clocks: the timer's period and the passes to one tick.
int qd5_ms_per_tick();
int qd5_passes_per_tick();
int qd5_pass_ran_bit();
int qd5_pass_lamp_bright_bit();
int qd5_pass_frame_changed_bit();
}
