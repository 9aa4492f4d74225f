// Gauge cells and zone bars shared by the three gauge pages and the min/max page.
//
// A gauge page is a table of cell layouts, one row per slot; a cell draws one
// channel's label, value (with its caution or alarm highlight), unit, zone bar
// and, when its remote data is missing, a red cross.
#pragma once

#include <cstdint>

// The parameter block a cell fills before calling draw_hbar or draw_vbar. The
// bar routines clamp and reorder the value and limits in place, so every cell
// fills the block afresh before each call.
struct BarParams {
    int16_t x, y;
    uint16_t width, height;
    int32_t value;
    int32_t max, min;
    int32_t low_alarm, low_caution, high_caution, high_alarm;
};

extern BarParams bar_params;
// The bar parameters as at program start.
void zone_bar_reset();

// Horizontal bar: min at the left end, max at the right end.
void draw_hbar();
// Vertical bar: min at the bottom row, max at the top.
void draw_vbar();

// Eight grey pixels outlining a 4 by 4 square with its top-left corner at (rx, ry).
void degree_ring(int16_t rx, int16_t ry);

// How a cell's value stands against its limits.
enum : uint8_t { ZONE_NORMAL = 0, ZONE_CAUTION = 1, ZONE_ALARM = 2 };

// Strict comparisons on values already widened from their 16-bit fields, so
// the widening (signed or unsigned) decides the kind of comparison.
uint8_t zone_of(int32_t value, int32_t low_alarm, int32_t low_caution, int32_t high_caution,
                int32_t high_alarm);
// The zone of channel c's live reading against the limits of its mode's
// record, as its gauge cell highlights it; ZONE_NORMAL without a cell.
uint8_t channel_zone(uint8_t c);

// One text placement as lcd_text takes it.
struct TextSpot {
    int16_t x, y;
    uint8_t size, align;
};

// Draws a value in white and its highlight: for an alarm, only while
// blink_phase is 1, a red box with the value again in white; for a caution a
// yellow box with the value again in black. The box spans text_start_x -
// left_margin to text_end_x - right_margin and rows top to bottom.
void draw_highlighted_value(const TextSpot& spot, const char* text, uint8_t zone, int16_t left_margin,
                            int16_t right_margin, int16_t top, int16_t bottom);

// How a layout shows the temperature unit.
enum : uint8_t {
    DEGREE_RING = 0,        // degree_ring at ring_x/ring_y, then the letter at unit_temperature
    DEGREE_TEXT = 1,        // font-8 text of the degree sign and the letter at unit_temperature
    DEGREE_RING_BESIDE = 2, // the letter at unit_temperature, the ring just left of it
};

// One slot of a page layout.
struct CellLayout {
    TextSpot label;
    TextSpot value;
    int16_t box_margin; // columns the highlight box reaches left of text_start_x
    int16_t box_top, box_bottom;
    TextSpot unit_pressure, unit_current, unit_volts;
    uint8_t degree_style;
    int16_t ring_x, ring_y;
    TextSpot unit_temperature;
    int16_t bar_x, bar_y;
    uint16_t bar_width, bar_height; // a zero width means the cell has no bar
    int16_t cross_left, cross_top, cross_right, cross_bottom;
};

using BarDrawer = void (*)();

// One cell for channel c (0..3) in its current mode (1..4); other modes draw nothing.
void draw_gauge_cell(uint8_t c, const CellLayout& layout, BarDrawer bar);

// The slot rule: channels in mode 1..4 fill the slots in channel order; a mode
// above 4 takes no slot. Extra channels beyond the table are not drawn.
void draw_gauge_cells(const CellLayout* slots, uint8_t slot_count, BarDrawer bar);

// Value texts, formatted into a caller's 32-character buffer: "%d" and "%.1f"
// of the value in tenths.
constexpr int VALUE_TEXT_SIZE = 32;
void format_integer(char* out, int32_t value);
void format_pressure(char* out, int16_t reading, uint8_t unit);
void format_current(char* out, int16_t tenths, int16_t amps);
void format_tenths(char* out, int32_t tenths);
const char* pressure_unit_text(uint8_t unit);
const char* temperature_letter(uint8_t unit);
const char* temperature_unit_text(uint8_t unit);
