// Page 3 of the run screen: the recorded minima and maxima of every displayed
// channel, with the "RESET" soft key that the run screen reads.
#include <cstdio>

#include "display/framebuffer.h"
#include "display/text.h"
#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "screens/gauge.h"
#include "screens/run_screen.h"

namespace {

constexpr uint8_t ROW_FONT = 9;
constexpr int16_t VALUE_RIGHT = 120; // single value of pressure and temperature
constexpr int16_t MIN_RIGHT = 97;    // minimum of current and volts
constexpr int16_t SLASH_LEFT = 101;  // the "/" between them
constexpr int16_t MAX_RIGHT = 143;   // maximum of current and volts
constexpr int16_t UNIT_RIGHT = 159;

// A recorded value in white with its highlight; the box runs from one column
// left of the text to one column left of its end, rows y + 1 to y + 16.
void draw_recorded(int16_t x, int16_t y, const char* text, uint8_t zone) {
    const TextSpot spot = {x, y, ROW_FONT, ALIGN_RIGHT};
    draw_highlighted_value(spot, text, zone, 1, 1, static_cast<int16_t>(y + 1), static_cast<int16_t>(y + 16));
}

void draw_unit(int16_t y, const char* unit) {
    lcd_text(UNIT_RIGHT, y, unit, ROW_FONT, ALIGN_RIGHT, COLOUR_GREY);
}

void draw_slash(int16_t y) { lcd_text(SLASH_LEFT, y, "/", ROW_FONT, ALIGN_LEFT, COLOUR_WHITE); }

template <typename Record> uint8_t zone_by(int32_t value, const Record& r) {
    return zone_of(value, r.low_alarm, r.low_caution, r.high_caution, r.high_alarm);
}

template <typename Record> void draw_label(int16_t y, const Record& r) {
    char text[VALUE_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%.4s:", r.label);
    lcd_text(0, y, text, ROW_FONT, ALIGN_LEFT, COLOUR_GREY);
}

// The maxima of pressure and temperature are coloured by the live reading.
void draw_pressure_row(int16_t y, uint8_t c) {
    const PressureChannelConfig& r = channel_settings.pressure[c];
    draw_label(y, r);
    char text[VALUE_TEXT_SIZE];
    format_pressure(text, pressure_max[c], r.unit);
    draw_recorded(VALUE_RIGHT, y, text, zone_by(pressure_reading[c], r));
    draw_unit(y, pressure_unit_text(r.unit));
}

void draw_temperature_row(int16_t y, uint8_t c) {
    const TemperatureChannelConfig& r = channel_settings.temperature[c];
    draw_label(y, r);
    char text[VALUE_TEXT_SIZE];
    format_integer(text, temp_max[c]);
    draw_recorded(VALUE_RIGHT, y, text, zone_by(temp_reading[c], r));
    degree_ring(136, static_cast<int16_t>(y + 3));
    lcd_text(154, y, temperature_letter(r.unit), ROW_FONT, ALIGN_RIGHT, COLOUR_GREY);
}

// Current and volts colour each recorded value by itself.
void draw_current_row(int16_t y, uint8_t c) {
    const CurrentChannelConfig& r = channel_settings.current[c];
    draw_label(y, r);
    char text[VALUE_TEXT_SIZE];
    format_current(text, current_tenths_min[c], current_amps_min[c]);
    draw_recorded(MIN_RIGHT, y, text, zone_by(current_amps_min[c], r));
    draw_slash(y);
    format_current(text, current_tenths_max[c], current_amps_max[c]);
    draw_recorded(MAX_RIGHT, y, text, zone_by(current_amps_max[c], r));
    draw_unit(y, "A");
}

void draw_volts_row(int16_t y, uint8_t c) {
    const VoltsChannelConfig& r = channel_settings.volts[c];
    draw_label(y, r);
    char text[VALUE_TEXT_SIZE];
    format_tenths(text, volts_min[c]);
    draw_recorded(MIN_RIGHT, y, text, zone_by(volts_min[c], r));
    draw_slash(y);
    format_tenths(text, volts_max[c]);
    draw_recorded(MAX_RIGHT, y, text, zone_by(volts_max[c], r));
    draw_unit(y, "V");
}

void draw_soft_key_bar() {
    lcd_hline(0, 159, 110, COLOUR_WHITE);
    lcd_vline(110, 127, 53, COLOUR_WHITE);
    lcd_vline(110, 127, 106, COLOUR_WHITE);
    lcd_text(26, 112, "RESET", 8, ALIGN_CENTRE, COLOUR_WHITE);
}

} // namespace

void draw_min_max_row(int16_t y, uint8_t c, uint8_t mode) {
    if (c >= CHANNEL_COUNT) return;
    switch (mode) {
    case MODE_PRESSURE:
        draw_pressure_row(y, c);
        break;
    case MODE_TEMPERATURE:
        draw_temperature_row(y, c);
        break;
    case MODE_CURRENT:
        draw_current_row(y, c);
        break;
    case MODE_VOLTS:
        draw_volts_row(y, c);
        break;
    default:
        break; // a mode above 4 keeps its row empty
    }
}

void draw_min_max_page() {
    lcd_text(80, 5, "MIN / MAX", 9, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_hline(0, 159, 25, COLOUR_WHITE);
    int16_t k = 0;
    for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) {
        const uint8_t mode = channel_mode[c];
        if (mode == MODE_OFF) continue;
        draw_min_max_row(static_cast<int16_t>(30 + 19 * k), c, mode);
        ++k;
    }
    draw_soft_key_bar();
}
