#include "display/trig.h"

#include <cmath>
#include <cstring>

#include "display/framebuffer.h"

float sin_pos[361];
float cos_pos[361];
float sin_neg[361];
float cos_neg[361];

namespace {

constexpr double RADIANS_PER_DEGREE = 0.017453292519943295;
constexpr int TABLE_LAST = 360;

// Angles beyond the tables are brought back into -360..360 (same sine and
// cosine) so that a stray angle never reads outside them.
int table_angle(int16_t degrees) {
    int d = degrees;
    if (d > TABLE_LAST || d < -TABLE_LAST) d %= 360;
    return d;
}

} // namespace

// Computed in double and stored in single precision; the rounding is part of the
// pixel positions (the stored sine of 30 degrees is exactly 0.5).
void trig_init() {
    for (int i = 0; i <= TABLE_LAST; ++i) {
        const double pos = i * RADIANS_PER_DEGREE;
        const double neg = -i * RADIANS_PER_DEGREE;
        sin_pos[i] = static_cast<float>(std::sin(pos));
        cos_pos[i] = static_cast<float>(std::cos(pos));
        sin_neg[i] = static_cast<float>(std::sin(neg));
        cos_neg[i] = static_cast<float>(std::cos(neg));
    }
}

float sin_deg(int16_t degrees) {
    const int d = table_angle(degrees);
    return d < 0 ? sin_neg[-d] : sin_pos[d];
}

float cos_deg(int16_t degrees) {
    const int d = table_angle(degrees);
    return d < 0 ? cos_neg[-d] : cos_pos[d];
}

// An arc that runs backwards or beyond -360..361 would leave the tables (and a
// start not below the end would never meet it), so such calls draw nothing.
void lcd_arc(int16_t cx, int16_t cy, int16_t radius, int16_t start_deg, int16_t end_deg, uint8_t colour) {
    if (start_deg >= end_deg || start_deg < -TABLE_LAST || end_deg > TABLE_LAST + 1) return;
    const double r = static_cast<uint16_t>(radius);
    for (int d = start_deg; d != end_deg; ++d) {
        const auto dx =
            static_cast<int32_t>(std::trunc(static_cast<double>(cos_deg(static_cast<int16_t>(d))) * r));
        const auto dy =
            static_cast<int32_t>(std::trunc(r * static_cast<double>(sin_deg(static_cast<int16_t>(d)))));
        lcd_set_pixel(static_cast<int16_t>(cx + dx), static_cast<int16_t>(cy + dy), colour);
    }
}

void trig_reset() {
    std::memset(sin_pos, 0, sizeof sin_pos);
    std::memset(cos_pos, 0, sizeof cos_pos);
    std::memset(sin_neg, 0, sizeof sin_neg);
    std::memset(cos_neg, 0, sizeof cos_neg);
}
