// Zone bars: a bar divided into red, yellow, green, yellow and red zones by a
// channel's four limits, with a white marker at the reading.
#include "display/framebuffer.h"
#include "screens/gauge.h"

BarParams bar_params;

namespace {

int32_t clamp_to_scale(int32_t field, int32_t max, int32_t min) {
    if (field > max) field = max;
    if (field < min) field = min;
    return field;
}

// Steps shared by both bar kinds: clamp into the scale, then keep the cautions
// between the alarms (low alarm is never compared with high alarm).
void clamp_and_order(BarParams& p) {
    p.high_alarm = clamp_to_scale(p.high_alarm, p.max, p.min);
    p.high_caution = clamp_to_scale(p.high_caution, p.max, p.min);
    p.low_caution = clamp_to_scale(p.low_caution, p.max, p.min);
    p.low_alarm = clamp_to_scale(p.low_alarm, p.max, p.min);
    p.value = clamp_to_scale(p.value, p.max, p.min);
    if (p.high_caution > p.high_alarm) p.high_caution = p.high_alarm;
    if (p.high_caution < p.low_caution) p.high_caution = p.low_caution;
    if (p.low_caution > p.high_caution) p.low_caution = p.high_caution;
    if (p.low_caution < p.low_alarm) p.low_caution = p.low_alarm;
}

// Units of the scale per pixel. It is kept in single precision, which puts
// most offsets one short of the exact value (100 / 140 is stored as
// 0.71428573). An empty scale (display_max equal to display_min) or a bar of
// no length has no meaningful division: it yields 0, and every offset and the
// marker then sit at the bar's start.
float bar_scale(const BarParams& p, uint16_t length) {
    if (p.max == p.min || length == 0) return 0.0f;
    // The difference is formed in double so that no pair of fields can overflow.
    const double range = static_cast<double>(p.max) - static_cast<double>(p.min);
    return static_cast<float>(range) / static_cast<float>(length);
}

// (field - min) / scale, divided in double by the stored single-precision
// scale and truncated toward zero. Fields are clamped into the scale, so the
// quotient stays within the bar's length and fits 16 bits.
int16_t scale_offset(int32_t field, int32_t min, float scale) {
    if (scale == 0.0f) return 0;
    const double offset = (static_cast<double>(field) - min) / static_cast<double>(scale);
    if (offset > 32767.0 || offset < -32768.0)
        return 0; // never for clamped fields; keeps a bad block from overflowing
    return static_cast<int16_t>(static_cast<int32_t>(offset));
}

struct ZoneOffsets {
    int16_t a1, c1, c2, a2;
};

ZoneOffsets zone_offsets(const BarParams& p, float scale) {
    return {scale_offset(p.low_alarm, p.min, scale), scale_offset(p.low_caution, p.min, scale),
            scale_offset(p.high_caution, p.min, scale), scale_offset(p.high_alarm, p.min, scale)};
}

int16_t add16(int32_t a, int32_t b) { return static_cast<int16_t>(a + b); }

} // namespace

void draw_hbar() {
    BarParams& p = bar_params;
    clamp_and_order(p);
    const float scale = bar_scale(p, p.width);
    const ZoneOffsets o = zone_offsets(p, scale);
    const int16_t top = p.y;
    const int16_t bottom = add16(p.y, p.height);
    // Neighbouring zones share their boundary column; the later zone paints it.
    struct Zone {
        int16_t from, to;
        uint8_t colour;
    };
    const Zone zones[] = {
        {0, o.a1, COLOUR_RED},
        {o.a1, o.c1, COLOUR_YELLOW},
        {o.c1, o.c2, COLOUR_GREEN},
        {o.c2, o.a2, COLOUR_YELLOW},
        {o.a2, static_cast<int16_t>(p.width), COLOUR_RED},
    };
    for (const Zone& z : zones) lcd_fill_rect(add16(p.x, z.from), top, add16(p.x, z.to), bottom, z.colour);

    const int16_t m = scale_offset(p.value, p.min, scale);
    lcd_fill_rect(add16(p.x, m - 3), add16(top, -2), add16(p.x, m + 3), add16(bottom, 2), COLOUR_WHITE);
}

void draw_vbar() {
    BarParams& p = bar_params;
    clamp_and_order(p);
    const float scale = bar_scale(p, p.height);
    const ZoneOffsets o = zone_offsets(p, scale);
    const int16_t b = add16(p.y, p.height);
    const int16_t left = p.x;
    const int16_t right = add16(p.x, p.width);
    // A zone whose two rows coincide paints nothing (lcd_fill_rect skips it).
    struct Zone {
        int16_t from, to;
        uint8_t colour;
    };
    const Zone zones[] = {
        {add16(b, -o.a1), b, COLOUR_RED},
        {add16(b, -o.c1), add16(b, -o.a1), COLOUR_YELLOW},
        {add16(b, -o.c2), add16(b, -o.c1), COLOUR_GREEN},
        {add16(b, -o.a2), add16(b, -o.c2), COLOUR_YELLOW},
        {p.y, add16(b, -o.a2), COLOUR_RED},
    };
    for (const Zone& z : zones) lcd_fill_rect(left, z.from, right, z.to, z.colour);

    // The marker row is computed in floating point and then truncated.
    int16_t r = b;
    if (scale != 0.0f) {
        const double row = static_cast<double>(b) - (static_cast<double>(p.value) - p.min) / scale;
        if (row <= 32767.0 && row >= -32768.0) r = static_cast<int16_t>(static_cast<int32_t>(row));
    }
    // A marker at the top of a bar that starts at row 0 would begin above the
    // screen, where lcd_fill_rect draws nothing at all: start it at row 0.
    int16_t marker_top = add16(r, -2);
    if (marker_top < 0) marker_top = 0;
    lcd_fill_rect(add16(left, -3), marker_top, add16(right, 3), add16(r, 2), COLOUR_WHITE);
}

void zone_bar_reset() { bar_params = BarParams{}; }
