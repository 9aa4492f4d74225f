// The instrument as seen from the web page: a flat C interface over
// host/device.h that JavaScript calls into. The native reference program of
// the page tests drives the same functions, so both sides run identical code.
#pragma once

#include <cstdint>

extern "C" {

// Power-on sequence; the page then re-reads its sliders as the window does.
void qd5_power_on();
// Asks the run loop to stop after the pass in progress.
void qd5_power_off();
// 1 once Off has been asked for: the page stops running passes.
int qd5_off_requested();
// The 100 ms timer.
void qd5_timer_tick();
// One pass with the ZOLT box's state; 1 when the frame differs from the one
// the previous pass left, so the page repaints only changed frames.
int qd5_pass(int zolt_checked);
// A key code 1..5 into the one-deep slot; other codes are ignored.
void qd5_key(int code);
// Raw reading of input 0..3 (channels 1..4) or 4 (supply), clamped to 0..4096.
void qd5_set_input(int input, int value);
// Mode 0..4 of channel 0..3 (values beyond are clamped).
void qd5_set_mode(int channel, int mode);
// The mode in force for channel 0..3 (the window moves its sliders to it).
int qd5_mode(int channel);
// 1 while a channel alarm is not acknowledged.
int qd5_lamp_bright();
// 160 by 128 colour indices, row 0 first.
const uint8_t* qd5_frame();
// The 246 palette entries, each 0x00RRGGBB.
const uint32_t* qd5_palette();
int qd5_palette_size();
}
