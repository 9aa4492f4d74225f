#include "runner/driver.h"

#include <cstring>

#include "display/framebuffer.h"
#include "display/text_record.h"
#include "host/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "screens/run_screen.h"

namespace {

// A key slot that stays full this long means a screen has stopped taking keys.
constexpr int64_t KEY_PATIENCE = 1000 / MS_PER_TICK * PASSES_PER_TICK;

} // namespace

Driver::Driver() { current_screen = run_screen; }

void Driver::power_on() {
    power_on_sequence();
    // The channel sliders are re-read as if moved; the volts slider is not.
    for (int c = 0; c < CHANNELS; ++c) adc_input[c] = raw_[c];
    // The mode sliders move to the modes just loaded and store them back.
    for (int c = 0; c < CHANNELS; ++c) mode_slider_[c] = channel_mode[c];
    on_ = true;
    pass();
}

void Driver::power_off() {
    power_off_request = 1;
    on_ = false;
}

void Driver::set_raw(int input, uint16_t value) {
    raw_[input] = value;
    if (input < CHANNELS)
        adc_input[input] = value;
    else
        supply_adc = value;
}

void Driver::set_mode(int channel, uint8_t mode) {
    mode_slider_[channel] = mode;
    channel_mode[channel] = mode;
}

bool Driver::press(uint8_t key) {
    // While the device is off nothing takes keys: the click lands or is lost.
    for (int64_t waited = 0; on_ && pending_key != 0; ++waited) {
        if (waited >= KEY_PATIENCE) return false;
        step();
    }
    press_key(key);
    return true;
}

bool Driver::settle() {
    if (!on_) return true;
    for (int64_t waited = 0; pending_key != 0; ++waited) {
        if (waited >= KEY_PATIENCE) return false;
        step();
    }
    // The screen a key leads to is drawn on the pass after the key's.
    step();
    return true;
}

void Driver::step() {
    ++now_;
    if (now_ % PASSES_PER_TICK == 0) timer_tick();
    if (on_) pass();
}

void Driver::pass() {
    lamp_bright_ = alarm_lamp_bright();
    run_pass(zolt_);
    ++passes_;
    if (after_pass) after_pass();
}

namespace {

template <typename T> void zero(T& object) { std::memset(&object, 0, sizeof object); }

} // namespace

void fresh_instrument() {
    // Everything a program start leaves at zero, device, settings, readings
    // and menu state alike; only the first screen is set.
    zero(pending_key), zero(power_off_request), zero(second_tick), zero(blink_phase), zero(message_timer);
    zero(second_divider), zero(countdown_divider), zero(alarm_flags), zero(alarm_ack_flags),
        zero(zolt_enabled);
    zero(adc_input), zero(supply_adc), zero(zolt_value), zero(work_adc), zero(pressure_reading);
    zero(temp_reading), zero(temp_celsius), zero(current_tenths), zero(current_amps), zero(volts_reading);
    zero(pressure_max), zero(temp_max), zero(current_tenths_min), zero(current_tenths_max);
    zero(current_amps_min), zero(current_amps_max), zero(volts_min), zero(volts_max);
    zero(channel_settings), zero(backlight_level), zero(security_on), zero(security_code), zero(display_page);
    zero(current_zero), zero(volts_cal_percent);
    zero(menu_cursor), zero(menu_scroll), zero(menu_editing), zero(edit_step), zero(text_cursor);
    zero(security_scratch), zero(selected_channel), zero(code_digits), zero(calibration_curve);
    zero(calibration_kind);
    message_next_screen = nullptr;
    selected_pressure_config = nullptr;
    selected_temperature_config = nullptr;
    selected_current_config = nullptr;
    selected_volts_config = nullptr;
    zero(FrameBuffer);
    text_record_clear();
    current_screen = run_screen;
}
