// Shared set-up and pixel checks for the run screen and gauge page tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "host/panel/instrument.h"
#include "screens/gauge.h"
#include "support/hooks_probe.h"

using Frame = uint8_t[LCD_HEIGHT][LCD_WIDTH];

// Default settings, all readings in the normal zone of their default limits,
// no flags, no key, the ZOLT unit connected, a clear frame.
inline void reset_run_screen_state() {
    instrument_reset();
    trig_init();
    load_default_settings();
    reset_calibration();
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        pressure_reading[c] = 50; // 5.0 bar
        temp_reading[c] = 100;
        current_tenths[c] = 55; // 5.5 A
        current_amps[c] = 5;
        volts_reading[c] = 125; // 12.5 V
    }
    reset_min_max();
    alarm_flags = 0;
    alarm_ack_flags = 0;
    pending_key = KEY_NONE;
    blink_phase = 0;
    zolt_enabled = 1;
    current_screen = run_screen;
    display_page = 0;
    security_on = 0;
    hook_counts = HookCounts{};
    lcd_clear();
}

inline void set_modes(uint8_t m0, uint8_t m1, uint8_t m2, uint8_t m3) {
    channel_mode[0] = m0;
    channel_mode[1] = m1;
    channel_mode[2] = m2;
    channel_mode[3] = m3;
}

// One pass of the screen as the run loop makes it.
inline void draw_run_screen() {
    lcd_clear();
    run_screen();
}

inline void save_frame(Frame& out) { std::memcpy(out, FrameBuffer, sizeof out); }
inline void restore_frame(const Frame& in) { std::memcpy(FrameBuffer, in, sizeof FrameBuffer); }

struct TextExtent {
    int16_t start, end;
};

// Where lcd_text puts a text, measured on a scratch copy of the frame.
inline TextExtent measure_text(int16_t x, int16_t y, const char* text, uint8_t size, uint8_t align) {
    Frame saved;
    save_frame(saved);
    lcd_text(x, y, text, size, align, COLOUR_WHITE);
    const TextExtent extent = {text_start_x, text_end_x};
    restore_frame(saved);
    return extent;
}

// Every ink pixel of the text, drawn alone at the given place, has the given
// colour in the frame under test. Holds for any font with the fixed metrics.
inline ::testing::AssertionResult text_at(const Frame& frame, int16_t x, int16_t y, const char* text,
                                          uint8_t size, uint8_t align, uint8_t colour) {
    Frame saved;
    save_frame(saved);
    lcd_clear();
    lcd_text(x, y, text, size, align, 1);
    int ink = 0, wrong = 0, first_x = -1, first_y = -1;
    for (int row = 0; row < LCD_HEIGHT; ++row)
        for (int col = 0; col < LCD_WIDTH; ++col) {
            if (FrameBuffer[row][col] != 1) continue;
            ++ink;
            if (frame[row][col] != colour) {
                if (wrong++ == 0) first_x = col, first_y = row;
            }
        }
    restore_frame(saved);
    if (ink == 0) return ::testing::AssertionFailure() << "\"" << text << "\" has no ink on the screen";
    if (wrong != 0)
        return ::testing::AssertionFailure()
               << "\"" << text << "\" at (" << x << ", " << y << ") size " << int(size) << ": " << wrong
               << " of " << ink << " ink pixels differ, first at (" << first_x << ", " << first_y
               << ") = " << int(frame[first_y][first_x]);
    return ::testing::AssertionSuccess();
}

inline int count_colour(const Frame& frame, uint8_t colour, int x0 = 0, int y0 = 0, int x1 = LCD_WIDTH - 1,
                        int y1 = LCD_HEIGHT - 1) {
    int n = 0;
    for (int row = y0; row <= y1; ++row)
        for (int col = x0; col <= x1; ++col)
            if (frame[row][col] == colour) ++n;
    return n;
}

// The region is one colour throughout.
inline ::testing::AssertionResult filled(const Frame& frame, int x0, int y0, int x1, int y1, uint8_t colour) {
    for (int row = y0; row <= y1; ++row)
        for (int col = x0; col <= x1; ++col)
            if (frame[row][col] != colour)
                return ::testing::AssertionFailure() << "(" << col << ", " << row << ") is "
                                                     << int(frame[row][col]) << ", expected " << int(colour);
    return ::testing::AssertionSuccess();
}

class PagesTest : public ::testing::Test {
  protected:
    void SetUp() override { reset_run_screen_state(); }
    Frame frame{};
    void capture() { save_frame(frame); }
};
