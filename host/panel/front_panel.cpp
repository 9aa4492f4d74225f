// The one front panel: what the window's handlers, the runner's driver and
// the page's C API all do with the instrument.
#include "host/panel/front_panel.h"

#include <cstring>

// Constant-initialised, so that the lamp is bright from program start.
FrontPanel front_panel = {{}, {}, false, false, true, {}, 0};

namespace {

int clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

} // namespace

void front_panel_reset() {
    instrument_reset();
    std::memset(&front_panel, 0, sizeof front_panel);
    front_panel.lamp_bright = true;
}

void front_panel_set_raw(int input, int value) {
    if (input < 0 || input >= RAW_INPUT_COUNT) return;
    const auto raw = static_cast<uint16_t>(clamp(value, 0, RAW_MAXIMUM));
    ++front_panel.stimuli;
    front_panel.raw_slider[input] = raw;
    if (input == SUPPLY_INPUT)
        supply_adc = raw;
    else
        adc_input[input] = raw;
}

void front_panel_set_mode(int channel, int mode) {
    if (channel < 0 || channel >= CHANNEL_COUNT) return;
    const auto value = static_cast<uint8_t>(clamp(mode, 0, MODE_COUNT - 1));
    ++front_panel.stimuli;
    front_panel.mode_slider[channel] = value;
    channel_mode[channel] = value;
}

void front_panel_set_zolt(bool checked) {
    ++front_panel.stimuli;
    front_panel.zolt_checked = checked;
}

PassResult front_panel_power_on() {
    ++front_panel.stimuli;
    power_on_sequence();
    // The channel sliders are re-read as if moved, CH 1 to CH 4; the Volts
    // slider is not.
    for (int c = 0; c < CHANNEL_COUNT; ++c) front_panel_set_raw(c, front_panel.raw_slider[c]);
    // The mode sliders move to the modes just loaded and store them back.
    for (int c = 0; c < CHANNEL_COUNT; ++c) front_panel_set_mode(c, channel_mode[c]);
    // Powering on while running keeps the one loop going.
    front_panel.running = true;
    return front_panel_pass();
}

void front_panel_power_off() {
    ++front_panel.stimuli;
    power_off_request = 1;
}

void front_panel_click(int key) {
    ++front_panel.stimuli;
    if (key >= KEY_FIRST && key <= KEY_LAST) press_key(static_cast<uint8_t>(key));
}

PassResult front_panel_pass() {
    // The request is checked before every pass, the first included.
    if (!front_panel.running || power_off_request) {
        front_panel.running = false;
        return {false, front_panel.lamp_bright, false};
    }
    front_panel.lamp_bright = alarm_lamp_bright();
    run_pass(front_panel.zolt_checked);
    const bool changed = std::memcmp(front_panel.shown, FrameBuffer, sizeof front_panel.shown) != 0;
    if (changed) std::memcpy(front_panel.shown, FrameBuffer, sizeof front_panel.shown);
    return {true, front_panel.lamp_bright, changed};
}

void front_panel_timer_tick() {
    const uint8_t blink = blink_phase, sample = second_tick, message = message_timer;
    timer_tick();
    // Of what the timer moves, screens read the blink phase, the sampling flag
    // and the message timer, never its dividers: a tick that moved only those
    // changes no frame.
    if (blink_phase != blink || second_tick != sample || message_timer != message) ++front_panel.stimuli;
}

bool front_panel_lamp_with_frame() {
    return front_panel.running && power_off_request == 0 ? alarm_lamp_bright() : front_panel.lamp_bright;
}
