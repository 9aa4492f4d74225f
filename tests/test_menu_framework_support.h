// Helpers shared by the menu tests: frame snapshots, region comparison and
// driving screens with keys.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>

#include "host/panel/instrument.h"
#include "support/hooks_probe.h"

namespace menu_test {

struct Frame {
    std::array<std::array<uint8_t, LCD_WIDTH>, LCD_HEIGHT> px{};
    uint8_t at(int x, int y) const { return px[static_cast<size_t>(y)][static_cast<size_t>(x)]; }
};

inline Frame capture() {
    Frame f;
    std::memcpy(f.px.data(), FrameBuffer, sizeof FrameBuffer);
    return f;
}

// The picture that a drawing function alone makes on a cleared frame buffer.
inline Frame drawn_by(const std::function<void()>& draw) {
    lcd_clear();
    draw();
    return capture();
}

struct Region {
    int x0, y0, x1, y1; // inclusive
};

constexpr Region whole_screen{0, 0, LCD_WIDTH - 1, LCD_HEIGHT - 1};

inline int count_colour(const Frame& f, Region r, uint8_t colour) {
    int n = 0;
    for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x) n += f.at(x, y) == colour ? 1 : 0;
    return n;
}

inline int count_ink(const Frame& f, Region r) {
    int n = 0;
    for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x) n += f.at(x, y) != 0 ? 1 : 0;
    return n;
}

// Compares a region pixel for pixel and names the first difference.
inline ::testing::AssertionResult same_region(const Frame& actual, const Frame& expected, Region r) {
    for (int y = r.y0; y <= r.y1; ++y) {
        for (int x = r.x0; x <= r.x1; ++x) {
            if (actual.at(x, y) != expected.at(x, y)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << int(actual.at(x, y)) << ", expected "
                       << int(expected.at(x, y));
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// One pass of the current screen with a key pending, as the run loop makes it
// (without the sampling step).
inline void screen_pass(uint8_t key = KEY_NONE) {
    pending_key = key;
    lcd_clear();
    current_screen();
}

// One key through the device: stored in the key slot, then one loop pass.
inline void device_key(uint8_t key, bool zolt = false) {
    press_key(key);
    run_pass(zolt);
}

inline void device_pass(bool zolt = false) { run_pass(zolt); }

// Menu state as at program start, with the edit step of a power-on.
inline void clear_menu_state() {
    menu_state_reset();
    code_entry_reset();
    edit_step = 1;
    pending_key = KEY_NONE;
    hook_counts = HookCounts{};
}

} // namespace menu_test
