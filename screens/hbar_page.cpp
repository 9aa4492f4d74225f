// Page 0 of the run screen: each displayed channel with a horizontal zone bar.
#include "display/text.h"
#include "measurement/settings.h"
#include "screens/gauge.h"
#include "screens/run_screen.h"

namespace {

// One channel fills the screen. Font 12 has no degree glyph, so the letter
// stands at the unit's place with the ring just left of it.
constexpr CellLayout ONE = {
    .label = {40, 0, 10, ALIGN_CENTRE},
    .value = {80, 23, 34, ALIGN_CENTRE},
    .box_margin = 0,
    .box_top = 32,
    .box_bottom = 84,
    .unit_pressure = {120, 0, 12, ALIGN_LEFT},
    .unit_current = {120, 0, 12, ALIGN_LEFT},
    .unit_volts = {135, 0, 12, ALIGN_LEFT},
    .degree_style = DEGREE_RING_BESIDE,
    .ring_x = 0,
    .ring_y = 0,
    .unit_temperature = {120, 0, 12, ALIGN_LEFT},
    .bar_x = 10,
    .bar_y = 100,
    .bar_width = 140,
    .bar_height = 15,
    .cross_left = 0,
    .cross_top = 0,
    .cross_right = 159,
    .cross_bottom = 127,
};

// Two channels: a half-screen cell at row offset b.
constexpr CellLayout two(int16_t b) {
    return {
        .label = {0, static_cast<int16_t>(b + 5), 9, ALIGN_LEFT},
        .value = {140, static_cast<int16_t>(b - 2), 24, ALIGN_RIGHT},
        .box_margin = 2,
        .box_top = static_cast<int16_t>(b + 2),
        .box_bottom = static_cast<int16_t>(b + 42),
        .unit_pressure = {20, static_cast<int16_t>(b + 22), 9, ALIGN_CENTRE},
        .unit_current = {19, static_cast<int16_t>(b + 22), 9, ALIGN_CENTRE},
        .unit_volts = {19, static_cast<int16_t>(b + 22), 9, ALIGN_CENTRE},
        .degree_style = DEGREE_RING,
        .ring_x = 11,
        .ring_y = static_cast<int16_t>(b + 23),
        .unit_temperature = {16, static_cast<int16_t>(b + 22), 9, ALIGN_LEFT},
        .bar_x = 10,
        .bar_y = static_cast<int16_t>(b + 47),
        .bar_width = 145,
        .bar_height = 10,
        .cross_left = 0,
        .cross_top = b,
        .cross_right = 159,
        .cross_bottom = static_cast<int16_t>(b + 63),
    };
}

// Three or four channels: one compact row per channel at row offset b.
constexpr CellLayout row(int16_t b) {
    return {
        .label = {24, static_cast<int16_t>(b - 7), 8, ALIGN_CENTRE},
        .value = {159, static_cast<int16_t>(b - 5), 12, ALIGN_RIGHT},
        .box_margin = 2,
        .box_top = static_cast<int16_t>(b - 4),
        .box_bottom = static_cast<int16_t>(b + 16),
        .unit_pressure = {24, static_cast<int16_t>(b + 5), 8, ALIGN_CENTRE},
        .unit_current = {24, static_cast<int16_t>(b + 5), 8, ALIGN_CENTRE},
        .unit_volts = {24, static_cast<int16_t>(b + 5), 8, ALIGN_CENTRE},
        .degree_style = DEGREE_TEXT,
        .ring_x = 0,
        .ring_y = 0,
        .unit_temperature = {24, static_cast<int16_t>(b + 5), 8, ALIGN_CENTRE},
        .bar_x = 50,
        .bar_y = b,
        .bar_width = 55,
        .bar_height = 12,
        .cross_left = 0,
        .cross_top = static_cast<int16_t>(b - 5),
        .cross_right = 159,
        .cross_bottom = static_cast<int16_t>(b + 17),
    };
}

constexpr CellLayout LAYOUT_1[] = {ONE};
constexpr CellLayout LAYOUT_2[] = {two(0), two(64)};
constexpr CellLayout LAYOUT_3[] = {row(10), row(55), row(100)};
constexpr CellLayout LAYOUT_4[] = {row(7), row(40), row(73), row(105)};

struct PageLayout {
    const CellLayout* slots;
    uint8_t count;
};

constexpr PageLayout LAYOUTS[] = {{LAYOUT_1, 1}, {LAYOUT_2, 2}, {LAYOUT_3, 3}, {LAYOUT_4, 4}};

} // namespace

void draw_hbar_page(uint8_t n) {
    // n is 1..4 from the run screen; anything larger takes the four-row
    // layout, and 0 has no layout.
    if (n == 0) return;
    const PageLayout& page = LAYOUTS[(n > CHANNEL_COUNT ? CHANNEL_COUNT : n) - 1];
    draw_gauge_cells(page.slots, page.count, draw_hbar);
}
