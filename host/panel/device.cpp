// The device side of the run loop: power-on, one pass, the 100 ms timer and the
// key slot. The window calls these; nothing here knows about the toolkit.
#include "host/panel/device.h"

#include "display/framebuffer.h"
#include "display/text.h"
#include "display/trig.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "screens/gauge.h"
#include "screens/run_screen.h"

ScreenHandler current_screen = run_screen;
uint8_t pending_key;
uint8_t power_off_request;
uint8_t second_tick;
uint8_t blink_phase;
uint8_t message_timer;
uint8_t second_divider;
uint8_t countdown_divider;
uint32_t alarm_flags;
uint32_t alarm_ack_flags;
uint8_t zolt_enabled;

namespace {

constexpr uint32_t CHANNEL_ALARM_BITS = 0x0F;
// 11 ticks of 100 ms make one sampling and blink period; 20 make one step of
// the message countdown.
constexpr uint8_t SECOND_DIVIDER_LAST = 9;
constexpr uint8_t COUNTDOWN_DIVIDER_LAST = 19;

void sample_channel(uint8_t c) {
    switch (channel_mode[c]) {
    case MODE_PRESSURE:
        sample_pressure(c, channel_settings.pressure[c]);
        break;
    case MODE_TEMPERATURE:
        sample_temperature(c, channel_settings.temperature[c]);
        break;
    case MODE_CURRENT:
        sample_current(c, channel_settings.current[c]);
        break;
    case MODE_VOLTS:
        sample_volts(c, channel_settings.volts[c]);
        break;
    default: // off, or any value the mode cannot hold: the channel has no alarm
        alarm_flags &= ~(1u << c);
        alarm_ack_flags &= ~(1u << c);
        break;
    }
}

} // namespace

void power_on_sequence() {
    power_off_request = 0;
    load_default_settings();
    reset_calibration();
    current_screen = run_screen;
    trig_init();
    edit_step = 1;
    // A key pressed while the device was off is discarded here.
    message_timer = 0;
    alarm_flags = 0;
    alarm_ack_flags = 0;
    pending_key = 0;
}

void run_pass(bool zolt_checked) {
    zolt_enabled = zolt_checked ? 1 : 0;
    if (second_tick) {
        second_tick = 0;
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) sample_channel(c);
        end_supply_alarm_without_volts();
    }
    lcd_clear();
    if (current_screen != nullptr) current_screen();
}

// The supply-voltage alarm (bit 4) is shown on the screen only; it never
// lights the lamp.
bool alarm_lamp_bright() { return (alarm_flags & ~alarm_ack_flags & CHANNEL_ALARM_BITS) != 0; }

void timer_tick() {
    // A flag, not a count: a tick that comes while second_tick is still raised
    // is lost, so a slow pass samples once.
    if (second_divider > SECOND_DIVIDER_LAST) {
        second_divider = 0;
        blink_phase = blink_phase ? 0 : 1;
        second_tick = 1;
    } else {
        ++second_divider;
    }
    if (countdown_divider >= COUNTDOWN_DIVIDER_LAST) {
        countdown_divider = 0;
        if (message_timer > 0) --message_timer;
    } else {
        ++countdown_divider;
    }
}

void press_key(uint8_t code) {
    if (pending_key == 0) pending_key = code;
}

void device_reset() {
    current_screen = run_screen;
    pending_key = 0;
    power_off_request = 0;
    second_tick = 0;
    blink_phase = 0;
    message_timer = 0;
    second_divider = 0;
    countdown_divider = 0;
    alarm_flags = 0;
    alarm_ack_flags = 0;
    zolt_enabled = 0;
}

void instrument_reset() {
    device_reset();
    framebuffer_reset();
    text_reset();
    trig_reset();
    settings_reset();
    sampling_reset();
    zone_bar_reset();
    menu_state_reset();
    calibration_screen_reset();
    code_entry_reset();
}
