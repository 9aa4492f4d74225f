#include "web/web_api.h"

#include <cstring>

#include "display/framebuffer.h"
#include "display/palette.h"
#include "host/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define QD5_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define QD5_EXPORT
#endif

namespace {

constexpr int RAW_MAXIMUM = 4096;
constexpr int MODE_MAXIMUM = 4;
constexpr int CHANNELS = 4;
constexpr int SUPPLY_INPUT = 4;

// The frame the page was last handed, to tell a changed frame from a repeat.
uint8_t shown_frame[LCD_HEIGHT][LCD_WIDTH];

int clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

} // namespace

extern "C" {

QD5_EXPORT void qd5_power_on() { power_on_sequence(); }

QD5_EXPORT void qd5_power_off() { power_off_request = 1; }

QD5_EXPORT int qd5_off_requested() { return power_off_request ? 1 : 0; }

QD5_EXPORT void qd5_timer_tick() { timer_tick(); }

QD5_EXPORT int qd5_pass(int zolt_checked) {
    run_pass(zolt_checked != 0);
    if (std::memcmp(shown_frame, FrameBuffer, sizeof shown_frame) == 0) return 0;
    std::memcpy(shown_frame, FrameBuffer, sizeof shown_frame);
    return 1;
}

QD5_EXPORT void qd5_key(int code) {
    if (code >= KEY_LEFT && code <= KEY_DOWN) press_key(static_cast<uint8_t>(code));
}

QD5_EXPORT void qd5_set_input(int input, int value) {
    const auto raw = static_cast<uint16_t>(clamp(value, 0, RAW_MAXIMUM));
    if (input >= 0 && input < CHANNELS)
        adc_input[input] = raw;
    else if (input == SUPPLY_INPUT)
        supply_adc = raw;
}

QD5_EXPORT void qd5_set_mode(int channel, int mode) {
    if (channel >= 0 && channel < CHANNELS)
        channel_mode[channel] = static_cast<uint8_t>(clamp(mode, 0, MODE_MAXIMUM));
}

QD5_EXPORT int qd5_mode(int channel) {
    return channel >= 0 && channel < CHANNELS ? channel_mode[channel] : 0;
}

QD5_EXPORT int qd5_lamp_bright() { return alarm_lamp_bright() ? 1 : 0; }

QD5_EXPORT const uint8_t* qd5_frame() { return &FrameBuffer[0][0]; }

QD5_EXPORT const uint32_t* qd5_palette() { return lcd_palette.data(); }

QD5_EXPORT int qd5_palette_size() { return PALETTE_SIZE; }
}
