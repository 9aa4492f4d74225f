// Placeholder until the run loop lands.
#include "host/device.h"
#include "screens/run_screen.h"
ScreenHandler current_screen = run_screen;
uint8_t pending_key, power_off_request, second_tick, blink_phase, message_timer, second_divider,
    countdown_divider, zolt_enabled;
uint32_t alarm_flags, alarm_ack_flags;
void power_on_sequence() {}
void run_pass(bool) {}
bool alarm_lamp_bright() { return false; }
void timer_tick() {}
void press_key(uint8_t) {}
