#include "web/web_api.h"

#include "display/palette.h"
#include "host/front_panel.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define QD5_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define QD5_EXPORT
#endif

namespace {

int result_bits(const PassResult& result) {
    return (result.ran ? QD5_PASS_RAN : 0) | (result.lamp_bright ? QD5_PASS_LAMP_BRIGHT : 0) |
           (result.frame_changed ? QD5_PASS_FRAME_CHANGED : 0);
}

} // namespace

extern "C" {

QD5_EXPORT int qd5_power_on() { return result_bits(front_panel_power_on()); }
QD5_EXPORT void qd5_power_off() { front_panel_power_off(); }
QD5_EXPORT int qd5_pass() { return result_bits(front_panel_pass()); }
QD5_EXPORT int qd5_running() { return front_panel.running ? 1 : 0; }
QD5_EXPORT void qd5_timer_tick() { front_panel_timer_tick(); }
QD5_EXPORT void qd5_key(int code) { front_panel_click(code); }
QD5_EXPORT void qd5_set_input(int input, int value) { front_panel_set_raw(input, value); }
QD5_EXPORT void qd5_set_mode(int channel, int mode) { front_panel_set_mode(channel, mode); }
QD5_EXPORT void qd5_set_zolt(int checked) { front_panel_set_zolt(checked != 0); }

QD5_EXPORT int qd5_raw_slider(int input) {
    return input >= 0 && input < RAW_INPUT_COUNT ? front_panel.raw_slider[input] : 0;
}

QD5_EXPORT int qd5_mode_slider(int channel) {
    return channel >= 0 && channel < CHANNEL_COUNT ? front_panel.mode_slider[channel] : 0;
}

QD5_EXPORT int qd5_lamp_bright() { return front_panel.lamp_bright ? 1 : 0; }
QD5_EXPORT const uint8_t* qd5_frame() { return &front_panel.shown[0][0]; }

QD5_EXPORT const uint32_t* qd5_palette() {
    static uint32_t colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = palette_rgb(static_cast<uint8_t>(i));
    return colours;
}

QD5_EXPORT int qd5_lcd_width() { return LCD_WIDTH; }
QD5_EXPORT int qd5_lcd_height() { return LCD_HEIGHT; }
QD5_EXPORT int qd5_channel_count() { return CHANNEL_COUNT; }
QD5_EXPORT int qd5_raw_maximum() { return RAW_MAXIMUM; }
QD5_EXPORT int qd5_mode_count() { return MODE_COUNT; }
QD5_EXPORT int qd5_key_left() { return KEY_LEFT; }
QD5_EXPORT int qd5_key_right() { return KEY_RIGHT; }
QD5_EXPORT int qd5_key_push() { return KEY_PUSH; }
QD5_EXPORT int qd5_key_up() { return KEY_UP; }
QD5_EXPORT int qd5_key_down() { return KEY_DOWN; }
QD5_EXPORT int qd5_pass_ran_bit() { return QD5_PASS_RAN; }
QD5_EXPORT int qd5_pass_lamp_bright_bit() { return QD5_PASS_LAMP_BRIGHT; }
QD5_EXPORT int qd5_pass_frame_changed_bit() { return QD5_PASS_FRAME_CHANGED; }
}
