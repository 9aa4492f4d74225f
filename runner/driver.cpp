#include "runner/driver.h"

#include <cstring>

#include "display/framebuffer.h"
#include "display/text_record.h"
#include "host/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "menus/menu.h"
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

void fresh_instrument() {
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
    for (int c = 0; c < CHANNELS; ++c) adc_input[c] = 0;
    supply_adc = 0;
    std::memset(&channel_settings, 0, sizeof channel_settings);
    std::memset(FrameBuffer, 0, sizeof FrameBuffer);
    text_record_clear();
}
