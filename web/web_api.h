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
