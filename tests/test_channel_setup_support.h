// Helpers of the channel setup, calibration and zeroing tests: a powered-up
// device with one channel's setup open, keys through the device's key slot,
// and rows compared pixel for pixel with the same texts drawn on their own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host/panel/instrument.h"
#include "support/hooks_probe.h"

namespace setup_test {

constexpr int LIST_RIGHT = 150; // the rows end left of the scroll bar (x 153)

inline int row_y(int row) { return 16 * row + 27; }

struct Snapshot {
    uint8_t px[LCD_HEIGHT][LCD_WIDTH];
};

inline void take(Snapshot& s) { memcpy(s.px, FrameBuffer, sizeof FrameBuffer); }
inline void put(const Snapshot& s) { memcpy(FrameBuffer, s.px, sizeof FrameBuffer); }

inline ::testing::AssertionResult same_region(const Snapshot& actual, const Snapshot& expected, int x0,
                                              int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (actual.px[y][x] != expected.px[y][x])
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << int(actual.px[y][x]) << ", expected "
                       << int(expected.px[y][x]);
    return ::testing::AssertionSuccess();
}

inline int ink_in(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) n += FrameBuffer[y][x] != 0;
    return n;
}

// The list row shows label and value (left-aligned from x 0, value right
// after the label) in these colours, and nothing else, left of the scroll bar.
inline ::testing::AssertionResult row_shows(int row, const std::string& label, const std::string& value,
                                            uint8_t label_colour, uint8_t value_colour) {
    Snapshot actual, expected;
    take(actual);
    lcd_clear();
    const int y = row_y(row);
    lcd_text(0, int16_t(y), label.c_str(), 8, ALIGN_LEFT, label_colour);
    lcd_text(text_end_x, int16_t(y), value.c_str(), 8, ALIGN_LEFT, value_colour);
    take(expected);
    put(actual);
    auto r = same_region(actual, expected, 0, y, LIST_RIGHT, y + 15);
    if (!r) r << " in row " << row << " \"" << label << value << "\"";
    return r;
}

// A row in one colour: red under the cursor, white elsewhere.
inline ::testing::AssertionResult row_is(int row, const std::string& text, bool selected) {
    return row_shows(row, text, "", selected ? COLOUR_RED : COLOUR_WHITE,
                     selected ? COLOUR_RED : COLOUR_WHITE);
}

// The right soft-key cell shows exactly this text (empty: nothing).
inline ::testing::AssertionResult step_label_is(const std::string& text) {
    Snapshot actual, expected;
    take(actual);
    lcd_clear();
    lcd_text(134, 112, text.c_str(), 8, ALIGN_CENTRE, COLOUR_WHITE);
    take(expected);
    put(actual);
    return same_region(actual, expected, 107, 111, 159, 127);
}

// Title lines as draw_title_bar writes them.
inline ::testing::AssertionResult title_is(const std::string& line1, const std::string& line2) {
    Snapshot actual, expected;
    take(actual);
    lcd_clear();
    lcd_text(159, 0, line1.c_str(), 8, ALIGN_RIGHT, COLOUR_RED);
    lcd_text(159, 11, line2.c_str(), 8, ALIGN_RIGHT, COLOUR_RED);
    take(expected);
    put(actual);
    return same_region(actual, expected, 60, 0, 159, 24);
}

// A key through the device's slot and the pass that acts on it, then a pass
// without a key, so that the frame shows the key's effect.
inline void key(uint8_t code, int times = 1) {
    for (int i = 0; i < times; ++i) {
        press_key(code);
        run_pass(false);
    }
    run_pass(false);
}

inline void redraw() { run_pass(false); }

// The state right after power-on, with the channel's setup opened the way the
// main menu opens it.
inline void open_channel_setup(uint8_t channel) {
    instrument_reset();
    power_on_sequence();
    second_tick = 0; // no sampling: the tests set the readings
    hook_counts = HookCounts{};
    selected_channel = channel;
    selected_pressure_config = &channel_settings.pressure[channel];
    selected_temperature_config = &channel_settings.temperature[channel];
    selected_current_config = &channel_settings.current[channel];
    selected_volts_config = &channel_settings.volts[channel];
    menu_reset(0);
    text_cursor = 0;
    current_screen = channel_setup_screen;
    redraw();
}

// Moves the cursor to an item (not editing) and redraws.
inline void cursor_to(uint8_t item) {
    menu_editing = 0;
    menu_cursor = item;
    redraw();
}

// The row on screen of an item, for the cursor where it stands.
inline int row_of(uint8_t item) {
    const int scroll = menu_cursor >= 5 ? menu_cursor - 4 : 0;
    return item - scroll;
}

} // namespace setup_test
