// The device side of the simulator: the run loop's state and steps, free of
// any toolkit. The window drives the instrument through this header alone.
#pragma once

#include <cstdint>

using ScreenHandler = void (*)();

enum : uint8_t {
    KEY_NONE = 0,
    KEY_LEFT = 1,  // left push key (F1)
    KEY_RIGHT = 2, // right push key (F2)
    KEY_PUSH = 3,  // knob pushed
    KEY_UP = 4,    // knob turned one step "+"
    KEY_DOWN = 5,  // knob turned one step "-"
    KEY_FIRST = KEY_LEFT,
    KEY_LAST = KEY_DOWN,
};

extern ScreenHandler current_screen;
extern uint8_t pending_key;
extern uint8_t power_off_request;
extern uint8_t second_tick;
extern uint8_t blink_phase;
extern uint8_t message_timer;
extern uint8_t second_divider;
extern uint8_t countdown_divider;
extern uint32_t alarm_flags;     // bits 0..3 channels 1..4, bit 4 supply voltage
extern uint32_t alarm_ack_flags; // same bits: acknowledged alarms
extern uint8_t zolt_enabled;

// Steps 1 to 7 of power-on: defaults, calibration, run screen, degree tables,
// edit step, flags and the pending key cleared.
void power_on_sequence();
// One pass after the lamp: ZOLT state, sampling on the second tick, clear, screen.
void run_pass(bool zolt_checked);
// True when a channel alarm (bits 0..3) is set and not acknowledged.
bool alarm_lamp_bright();
// The 100 ms timer.
void timer_tick();
// Stores a key in the one-deep slot if it is empty; otherwise the key is lost.
void press_key(uint8_t code);

// The run loop's state as at program start.
void device_reset();
// Every variable of the instrument as a freshly started program has it, so
// that runs inside one process (tests, fuzzing, the soak, scripting) do not
// see each other. Each module resets its own variables.
void instrument_reset();
