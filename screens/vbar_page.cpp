// Page 1 of the run screen: each displayed channel with a vertical zone bar.
#include "display/text.h"
#include "measurement/settings.h"
#include "screens/gauge.h"
#include "screens/run_screen.h"

namespace {

constexpr int16_t i16(int v) { return static_cast<int16_t>(v); }

// One channel fills the screen. Font 12 has no degree glyph, so the letter
// stands at the unit's place with the ring just left of it.
constexpr CellLayout ONE = {
    .label = {90, 0, 10, ALIGN_CENTRE},
    .value = {94, 30, 34, ALIGN_CENTRE},
    .box_margin = 0,
    .box_top = 37,
    .box_bottom = 91,
    .unit_pressure = {90, 103, 12, ALIGN_CENTRE},
    .unit_current = {90, 103, 12, ALIGN_CENTRE},
    .unit_volts = {90, 103, 12, ALIGN_CENTRE},
    .degree_style = DEGREE_RING_BESIDE,
    .ring_x = 0,
    .ring_y = 0,
    .unit_temperature = {90, 103, 12, ALIGN_CENTRE},
    .bar_x = 5,
    .bar_y = 5,
    .bar_width = 20,
    .bar_height = 116,
    .cross_left = 0,
    .cross_top = 0,
    .cross_right = 159,
    .cross_bottom = 127,
};

// Two channels side by side; the second starts 84 columns to the right.
constexpr CellLayout two(int16_t a) {
    return {
        .label = {i16(a + 46), 112, 9, ALIGN_CENTRE},
        .value = {i16(a + 46), 2, 16, ALIGN_CENTRE},
        .box_margin = 2,
        .box_top = 6,
        .box_bottom = 30,
        .unit_pressure = {i16(a + 18), 64, 9, ALIGN_CENTRE},
        .unit_current = {i16(a + 18), 64, 9, ALIGN_CENTRE},
        .unit_volts = {i16(a + 18), 64, 9, ALIGN_CENTRE},
        .degree_style = DEGREE_RING,
        .ring_x = i16(a + 13),
        .ring_y = 65,
        .unit_temperature = {i16(a + 18), 64, 9, ALIGN_LEFT},
        .bar_x = i16(a + 35),
        .bar_y = 35,
        .bar_width = 22,
        .bar_height = 74,
        .cross_left = i16(a + 15),
        .cross_top = 0,
        .cross_right = i16(a + 75),
        .cross_bottom = 127,
    };
}

constexpr CellLayout three(int16_t a) {
    return {
        .label = {i16(a + 30), 112, 9, ALIGN_CENTRE},
        .value = {i16(a + 30), 0, 12, ALIGN_CENTRE},
        .box_margin = 2,
        .box_top = 0,
        .box_bottom = 22,
        .unit_pressure = {i16(a + 30), 21, 9, ALIGN_CENTRE},
        .unit_current = {i16(a + 30), 21, 9, ALIGN_CENTRE},
        .unit_volts = {i16(a + 30), 21, 9, ALIGN_CENTRE},
        .degree_style = DEGREE_RING,
        .ring_x = i16(a + 23),
        .ring_y = 25,
        .unit_temperature = {i16(a + 28), 21, 9, ALIGN_LEFT},
        .bar_x = i16(a + 20),
        .bar_y = 41,
        .bar_width = 20,
        .bar_height = 68,
        .cross_left = i16(a + 10),
        .cross_top = 0,
        .cross_right = i16(a + 50),
        .cross_bottom = 127,
    };
}

// Four channels alternate: texts above a bar at the bottom, then a bar at the
// top with the texts below it. The crosses always span the full height.
constexpr CellLayout four(int16_t x, int16_t label_y, int16_t value_y, int16_t unit_y, int16_t bar_y) {
    return {
        .label = {i16(x + 7), label_y, 8, ALIGN_CENTRE},
        .value = {i16(x + 7), value_y, 10, ALIGN_CENTRE},
        .box_margin = 2,
        .box_top = i16(value_y + 2),
        .box_bottom = i16(value_y + 20),
        .unit_pressure = {i16(x + 7), unit_y, 8, ALIGN_CENTRE},
        .unit_current = {i16(x + 7), unit_y, 8, ALIGN_CENTRE},
        .unit_volts = {i16(x + 7), unit_y, 8, ALIGN_CENTRE},
        .degree_style = DEGREE_TEXT,
        .ring_x = 0,
        .ring_y = 0,
        .unit_temperature = {i16(x + 7), unit_y, 8, ALIGN_CENTRE},
        .bar_x = x,
        .bar_y = bar_y,
        .bar_width = 12,
        .bar_height = 75,
        .cross_left = i16(x - 10),
        .cross_top = 0,
        .cross_right = i16(x + 22),
        .cross_bottom = 127,
    };
}

constexpr CellLayout LAYOUT_1[] = {ONE};
constexpr CellLayout LAYOUT_2[] = {two(0), two(84)};
constexpr CellLayout LAYOUT_3[] = {three(0), three(52), three(104)};
constexpr CellLayout LAYOUT_4[] = {
    //    x, label y, value y, unit y, bar y
    four(16, 0, 15, 34, 50),
    four(55, 80, 94, 113, 0),
    four(95, 0, 15, 34, 50),
    four(132, 80, 94, 113, 0),
};

struct PageLayout {
    const CellLayout* slots;
    uint8_t count;
};

constexpr PageLayout LAYOUTS[] = {{LAYOUT_1, 1}, {LAYOUT_2, 2}, {LAYOUT_3, 3}, {LAYOUT_4, 4}};

} // namespace

void draw_vbar_page(uint8_t n) {
    // n is 1..4 from the run screen; anything larger takes the four-channel
    // layout, and 0 has no layout.
    if (n == 0) return;
    const PageLayout& page = LAYOUTS[(n > CHANNEL_COUNT ? CHANNEL_COUNT : n) - 1];
    draw_gauge_cells(page.slots, page.count, draw_vbar);
}
