// Page 2 of the run screen: large digital readouts without bars, separated by
// grey dividers.
#include "display/framebuffer.h"
#include "display/text.h"
#include "screens/gauge.h"
#include "screens/run_screen.h"

namespace {

constexpr int16_t i16(int v) { return static_cast<int16_t>(v); }

constexpr CellLayout two_rows(int16_t b) {
    return {
        .label = {0, b, 9, ALIGN_LEFT},
        .value = {115, i16(b + 13), 24, ALIGN_RIGHT},
        .box_margin = 2,
        .box_top = i16(b + 17),
        .box_bottom = i16(b + 57),
        // The pressure unit ends at the screen edge; current and volts start at 135.
        .unit_pressure = {159, i16(b + 27), 12, ALIGN_RIGHT},
        .unit_current = {135, i16(b + 27), 12, ALIGN_LEFT},
        .unit_volts = {135, i16(b + 27), 12, ALIGN_LEFT},
        .degree_style = DEGREE_RING,
        .ring_x = 132,
        .ring_y = i16(b + 31),
        .unit_temperature = {138, i16(b + 28), 12, ALIGN_LEFT},
        .bar_x = 0,
        .bar_y = 0,
        .bar_width = 0,
        .bar_height = 0,
        .cross_left = 0,
        .cross_top = b,
        .cross_right = 159,
        .cross_bottom = i16(b + 63),
    };
}

constexpr CellLayout three_rows(int16_t b) {
    return {
        .label = {0, i16(b + 10), 9, ALIGN_LEFT},
        .value = {128, b, 20, ALIGN_RIGHT},
        .box_margin = 2,
        .box_top = i16(b + 3),
        .box_bottom = i16(b + 35),
        .unit_pressure = {147, i16(b + 10), 9, ALIGN_CENTRE},
        .unit_current = {147, i16(b + 10), 9, ALIGN_CENTRE},
        .unit_volts = {147, i16(b + 10), 9, ALIGN_CENTRE},
        .degree_style = DEGREE_RING,
        .ring_x = 137,
        .ring_y = i16(b + 13),
        .unit_temperature = {142, i16(b + 10), 9, ALIGN_LEFT},
        .bar_x = 0,
        .bar_y = 0,
        .bar_width = 0,
        .bar_height = 0,
        .cross_left = 0,
        .cross_top = i16(b + 2),
        .cross_right = 159,
        .cross_bottom = i16(b + 35),
    };
}

// A quadrant with its top-left corner at (qx, qy). The labels of the top
// quadrants start above the screen and are clipped.
constexpr CellLayout quadrant(int16_t qx, int16_t qy) {
    return {
        .label = {i16(qx + 40), i16(qy - 3), 9, ALIGN_CENTRE},
        .value = {i16(qx + 40), i16(qy + 11), 20, ALIGN_CENTRE},
        .box_margin = 2,
        .box_top = i16(qy + 15),
        .box_bottom = i16(qy + 45),
        .unit_pressure = {i16(qx + 40), i16(qy + 44), 9, ALIGN_CENTRE},
        .unit_current = {i16(qx + 40), i16(qy + 44), 9, ALIGN_CENTRE},
        .unit_volts = {i16(qx + 40), i16(qy + 44), 9, ALIGN_CENTRE},
        .degree_style = DEGREE_RING,
        .ring_x = i16(qx + 28),
        .ring_y = i16(qy + 48),
        .unit_temperature = {i16(qx + 40), i16(qy + 44), 9, ALIGN_CENTRE},
        .bar_x = 0,
        .bar_y = 0,
        .bar_width = 0,
        .bar_height = 0,
        .cross_left = qx,
        .cross_top = qy,
        .cross_right = i16(qx + 80),
        .cross_bottom = i16(qy + 62),
    };
}

constexpr CellLayout LAYOUT_TWO_ROWS[] = {two_rows(0), two_rows(64)};
constexpr CellLayout LAYOUT_THREE_ROWS[] = {three_rows(0), three_rows(45), three_rows(90)};
// The channels fill the left column first.
constexpr CellLayout LAYOUT_QUADRANTS[] = {quadrant(0, 0), quadrant(0, 64), quadrant(80, 0),
                                           quadrant(80, 64)};

struct Divider {
    uint8_t vertical;
    int16_t from, to, at;
};

constexpr Divider DIVIDERS_TWO_ROWS[] = {{0, 0, 159, 63}};
constexpr Divider DIVIDERS_QUADRANTS[] = {{1, 0, 127, 80}, {0, 0, 159, 62}};

struct DigitalLayout {
    const CellLayout* slots;
    uint8_t slot_count;
    const Divider* dividers;
    uint8_t divider_count;
};

constexpr DigitalLayout TWO_ROWS = {LAYOUT_TWO_ROWS, 2, DIVIDERS_TWO_ROWS, 1};
constexpr DigitalLayout THREE_ROWS = {LAYOUT_THREE_ROWS, 3, nullptr, 0};
constexpr DigitalLayout QUADRANTS = {LAYOUT_QUADRANTS, 4, DIVIDERS_QUADRANTS, 2};

// There is no one-channel layout: one channel (or any other n) takes the quadrants.
const DigitalLayout& layout_for(uint8_t n) {
    if (n == 2) return TWO_ROWS;
    if (n == 3) return THREE_ROWS;
    return QUADRANTS;
}

} // namespace

void draw_digital_page(uint8_t n) {
    const DigitalLayout& layout = layout_for(n);
    for (uint8_t i = 0; i < layout.divider_count; ++i) {
        const Divider& d = layout.dividers[i];
        if (d.vertical)
            lcd_vline(d.from, d.to, d.at, COLOUR_GREY);
        else
            lcd_hline(d.from, d.to, d.at, COLOUR_GREY);
    }
    draw_gauge_cells(layout.slots, layout.slot_count, nullptr);
}
