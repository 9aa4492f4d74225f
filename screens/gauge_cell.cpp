// The gauge cell of one channel: label, value with its highlight, unit, zone
// bar and the cross over a channel whose remote data is missing.
#include "display/framebuffer.h"
#include "display/text.h"
#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "screens/gauge.h"

namespace {

constexpr uint8_t RING_PIXELS[8][2] = {{0, 1}, {0, 2}, {1, 0}, {2, 0}, {3, 1}, {3, 2}, {1, 3}, {2, 3}};

// Everything a cell shows of one channel, gathered from the record of its mode.
struct CellSource {
    char label[LABEL_SIZE];
    char value[VALUE_TEXT_SIZE];
    int32_t zone_value;
    int32_t max, min;
    int32_t low_alarm, low_caution, high_caution, high_alarm;
    uint8_t mode;
    uint8_t unit; // the record's unit (pressure, temperature)
    bool crossed;
};

// Copies a label field; the field is four characters and a zero, but the
// copy stops at four whatever the fifth byte holds.
void copy_label(char* out, const char* label) {
    int i = 0;
    for (; i < LABEL_SIZE - 1 && label[i] != 0; ++i) out[i] = label[i];
    out[i] = 0;
}

// The limits of every kind of record, widened from their own 16-bit fields.
template <typename Record> void copy_limits(CellSource& s, const Record& r) {
    s.max = r.display_max;
    s.min = r.display_min;
    s.low_alarm = r.low_alarm;
    s.low_caution = r.low_caution;
    s.high_caution = r.high_caution;
    s.high_alarm = r.high_alarm;
    copy_label(s.label, r.label);
}

bool remote_missing(uint8_t data_source) { return data_source == 1 && zolt_enabled == 0; }

// Fills the source of channel c in the given mode; false for a mode without a cell.
bool read_cell_source(uint8_t c, uint8_t mode, CellSource& s) {
    s.mode = mode;
    s.unit = 0;
    s.crossed = false;
    switch (mode) {
    case MODE_PRESSURE: {
        const PressureChannelConfig& r = channel_settings.pressure[c];
        copy_limits(s, r);
        format_pressure(s.value, pressure_reading[c], r.unit);
        s.zone_value = pressure_reading[c];
        s.unit = r.unit;
        s.crossed = remote_missing(r.data_source);
        return true;
    }
    case MODE_TEMPERATURE: {
        const TemperatureChannelConfig& r = channel_settings.temperature[c];
        copy_limits(s, r);
        format_integer(s.value, temp_reading[c]);
        s.zone_value = temp_reading[c];
        s.unit = r.unit;
        s.crossed = remote_missing(r.data_source);
        return true;
    }
    case MODE_CURRENT: {
        const CurrentChannelConfig& r = channel_settings.current[c];
        copy_limits(s, r);
        format_current(s.value, current_tenths[c], current_amps[c]);
        s.zone_value = current_amps[c];
        s.crossed = remote_missing(r.data_source);
        return true;
    }
    case MODE_VOLTS: {
        // Volts read the supply and have no data source: never crossed out.
        const VoltsChannelConfig& r = channel_settings.volts[c];
        copy_limits(s, r);
        format_tenths(s.value, volts_reading[c]);
        s.zone_value = volts_reading[c];
        return true;
    }
    default:
        return false;
    }
}

void draw_spot(const TextSpot& spot, const char* text, uint8_t colour) {
    lcd_text(spot.x, spot.y, text, spot.size, spot.align, colour);
}

void draw_temperature_unit(const CellLayout& layout, uint8_t unit) {
    switch (layout.degree_style) {
    case DEGREE_TEXT:
        draw_spot(layout.unit_temperature, temperature_unit_text(unit), COLOUR_GREY);
        break;
    case DEGREE_RING_BESIDE:
        // Font 12 has no degree glyph: the ring goes just left of the letter,
        // two columns clear of it and one row above its capitals, as the
        // ring and letter of the two-row digital layout stand.
        draw_spot(layout.unit_temperature, temperature_letter(unit), COLOUR_GREY);
        degree_ring(static_cast<int16_t>(text_start_x - 6),
                    static_cast<int16_t>(layout.unit_temperature.y + 3));
        break;
    default:
        degree_ring(layout.ring_x, layout.ring_y);
        draw_spot(layout.unit_temperature, temperature_letter(unit), COLOUR_GREY);
        break;
    }
}

void draw_unit(const CellLayout& layout, const CellSource& s) {
    switch (s.mode) {
    case MODE_PRESSURE:
        draw_spot(layout.unit_pressure, pressure_unit_text(s.unit), COLOUR_GREY);
        break;
    case MODE_TEMPERATURE:
        draw_temperature_unit(layout, s.unit);
        break;
    case MODE_CURRENT:
        draw_spot(layout.unit_current, "A", COLOUR_GREY);
        break;
    default:
        draw_spot(layout.unit_volts, "V", COLOUR_GREY);
        break;
    }
}

void draw_bar(const CellLayout& layout, const CellSource& s, BarDrawer bar) {
    bar_params = {layout.bar_x, layout.bar_y, layout.bar_width, layout.bar_height, s.zone_value, s.max,
                  s.min,        s.low_alarm,  s.low_caution,    s.high_caution,    s.high_alarm};
    bar();
}

void draw_cross(const CellLayout& layout) {
    lcd_thick_line(layout.cross_left, layout.cross_top, layout.cross_right, layout.cross_bottom, COLOUR_RED);
    lcd_thick_line(layout.cross_left, layout.cross_bottom, layout.cross_right, layout.cross_top, COLOUR_RED);
}

} // namespace

void degree_ring(int16_t rx, int16_t ry) {
    for (const auto& p : RING_PIXELS)
        lcd_set_pixel(static_cast<int16_t>(rx + p[0]), static_cast<int16_t>(ry + p[1]), COLOUR_GREY);
}

uint8_t zone_of(int32_t value, int32_t low_alarm, int32_t low_caution, int32_t high_caution,
                int32_t high_alarm) {
    if (value < low_alarm || value > high_alarm) return ZONE_ALARM;
    if (value < low_caution || value > high_caution) return ZONE_CAUTION;
    return ZONE_NORMAL;
}

uint8_t channel_zone(uint8_t c) {
    CellSource s;
    if (c >= CHANNEL_COUNT || !read_cell_source(c, channel_mode[c], s)) return ZONE_NORMAL;
    return zone_of(s.zone_value, s.low_alarm, s.low_caution, s.high_caution, s.high_alarm);
}

void draw_highlighted_value(const TextSpot& spot, const char* text, uint8_t zone, int16_t left_margin,
                            int16_t right_margin, int16_t top, int16_t bottom) {
    draw_spot(spot, text, COLOUR_WHITE);
    const int16_t x0 = static_cast<int16_t>(text_start_x - left_margin);
    const int16_t x1 = static_cast<int16_t>(text_end_x - right_margin);
    if (zone == ZONE_ALARM) {
        if (blink_phase != 1) return;
        lcd_fill_rect(x0, top, x1, bottom, COLOUR_RED);
        draw_spot(spot, text, COLOUR_WHITE);
    } else if (zone == ZONE_CAUTION) {
        lcd_fill_rect(x0, top, x1, bottom, COLOUR_YELLOW);
        draw_spot(spot, text, COLOUR_BLACK);
    }
}

namespace {

// The decimal digits of a magnitude, most significant first; returns the end.
char* put_digits(char* out, uint32_t magnitude) {
    char digits[10];
    unsigned count = 0;
    do {
        digits[count++] = char('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    while (count != 0) *out++ = digits[--count];
    return out;
}

// The sign of a value, then its magnitude (also that of INT32_MIN, in 32 unsigned bits).
uint32_t put_sign(char*& out, int32_t value) {
    if (value >= 0) return uint32_t(value);
    *out++ = '-';
    return 0u - uint32_t(value);
}

} // namespace

// Written by hand rather than by snprintf, which costs as much as drawing the text.
void format_integer(char* out, int32_t value) {
    const uint32_t magnitude = put_sign(out, value);
    *put_digits(out, magnitude) = 0;
}

void format_pressure(char* out, int16_t reading, uint8_t unit) {
    // Whole psi; bar and psi(0.1) are both kept in tenths.
    if (unit == PRESSURE_UNIT_PSI)
        format_integer(out, reading);
    else
        format_tenths(out, reading);
}

void format_current(char* out, int16_t tenths, int16_t amps) {
    // One decimal up to 9.9 A either way; whole amperes from 10 A on.
    if (tenths > -100 && tenths < 100)
        format_tenths(out, tenths);
    else
        format_integer(out, amps);
}

// The same text as "%.1f" of tenths * 0.1: that product lies within 4e-8 of
// tenths / 10, far from any rounding boundary, so its one decimal is the last
// digit of tenths, and it has a minus sign exactly when tenths is negative.
void format_tenths(char* out, int32_t tenths) {
    const uint32_t magnitude = put_sign(out, tenths);
    out = put_digits(out, magnitude / 10u);
    *out++ = '.';
    *out++ = char('0' + magnitude % 10u);
    *out = 0;
}

const char* pressure_unit_text(uint8_t unit) {
    // A unit outside 0..2 is shown in tenths like bar, so it is named "bar".
    return pressure_unit_names[unit < 3 ? unit : 0];
}

const char* temperature_letter(uint8_t unit) { return unit == TEMP_UNIT_CELSIUS ? "C" : "F"; }

// The same choice as the letter: Celsius for 0, Fahrenheit for anything else.
const char* temperature_unit_text(uint8_t unit) { return temperature_unit_names[unit == 0 ? 0 : 1]; }

void draw_gauge_cell(uint8_t c, const CellLayout& layout, BarDrawer bar) {
    if (c >= CHANNEL_COUNT) return;
    CellSource s;
    if (!read_cell_source(c, channel_mode[c], s)) return;
    draw_spot(layout.label, s.label, COLOUR_GREY);
    const uint8_t zone = zone_of(s.zone_value, s.low_alarm, s.low_caution, s.high_caution, s.high_alarm);
    draw_highlighted_value(layout.value, s.value, zone, layout.box_margin, 0, layout.box_top,
                           layout.box_bottom);
    draw_unit(layout, s);
    if (bar != nullptr && layout.bar_width != 0) draw_bar(layout, s, bar);
    if (s.crossed) draw_cross(layout);
}

void draw_gauge_cells(const CellLayout* slots, uint8_t slot_count, BarDrawer bar) {
    uint8_t k = 0;
    for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) {
        const uint8_t mode = channel_mode[c];
        if (mode < MODE_PRESSURE || mode > MODE_VOLTS) continue;
        if (k >= slot_count) return;
        draw_gauge_cell(c, slots[k], bar);
        ++k;
    }
}
