// Curve interpolation and the rounding helpers of the conversions.
//
// The interpolation is done in single precision on purpose: a reading depends
// on the float rounding of the slope and the offset, and every step below
// stores into a float so that the rounding happens where the instrument does it.
#include <cmath>
#include <cstdint>

#include "measurement/sampling.h"

namespace {

constexpr int MAX_CURVE_POINTS = 16;

// Truncation toward zero that saturates instead of being undefined for values
// beyond the 32-bit range; a NaN gives 0.
int32_t truncate_to_int32(float f) {
    if (std::isnan(f)) return 0;
    if (f >= 2147483648.0f) return INT32_MAX;
    if (f < -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(f);
}

int16_t saturate_to_int16(int32_t v) {
    if (v > INT16_MAX) return INT16_MAX;
    if (v < INT16_MIN) return INT16_MIN;
    return static_cast<int16_t>(v);
}

// t is the value in tenths; halves go away from zero. The magnitude is taken in
// 64 bits because the most negative tenths value has no positive counterpart.
int32_t round_tenths(int32_t t) {
    const int64_t m = t < 0 ? -static_cast<int64_t>(t) : t;
    const int64_t whole = m / 10 + (m % 10 >= 5 ? 1 : 0);
    return static_cast<int32_t>(t < 0 ? -whole : whole);
}

// The line through two points of a curve, the point with the larger raw value
// anchoring the offset. Two points with the same raw value have no slope: the
// later point's value stands for the whole segment.
int16_t segment_value(const SenderPoint& earlier, const SenderPoint& later, uint16_t raw) {
    if (earlier.raw == later.raw) return later.value;
    const SenderPoint& low = earlier.raw < later.raw ? earlier : later;
    const SenderPoint& high = earlier.raw < later.raw ? later : earlier;
    return saturate_to_int16(interpolate_rounded(low.raw, high.raw, low.value, high.value, raw));
}

// The segment that holds raw. The direction is decided by the first two points;
// on a curve that does not keep it the first segment crossing raw in that
// direction is taken, and one always exists between the end points. The -1
// only guards the walk.
int find_segment(const SenderPoint* p, int n, int32_t raw) {
    const int last = n - 1;
    if (p[0].raw < p[1].raw) {
        if (raw < p[0].raw) return 0;
        if (raw > p[last].raw) return last - 1;
        for (int k = 0; k < last; ++k) {
            if (p[k].raw <= raw && raw <= p[k + 1].raw) return k;
        }
    } else {
        if (raw >= p[0].raw) return 0;
        if (raw <= p[last].raw) return last - 1;
        for (int k = 0; k < last; ++k) {
            if (p[k + 1].raw <= raw && raw <= p[k].raw) return k;
        }
    }
    return -1;
}

} // namespace

int32_t interpolate_rounded(float x1, float x2, float y1, float y2, int32_t x) {
    if (x1 == x2) return round_tenths(truncate_to_int32(y2 * 10.0f));
    const float slope = (y2 - y1) / (x2 - x1);
    const float offset = y2 - slope * x2;
    const float line = static_cast<float>(x) * slope + offset;
    const float tenths = line * 10.0f;
    return round_tenths(truncate_to_int32(tenths));
}

int32_t div10_rounded(int32_t v) {
    const float f = static_cast<float>(v) * 0.1f;
    return f >= 0.0f ? truncate_to_int32(f + 0.5f) : truncate_to_int32(f - 0.5f);
}

bool curve_lookup_found(const SenderCurve& curve, uint16_t raw, int16_t& value) {
    // The point count lives in memory that may hold anything: never walk past
    // the 16 points, and a curve needs two points to make a line.
    const int n = curve.point_count > MAX_CURVE_POINTS ? MAX_CURVE_POINTS : curve.point_count;
    if (n < 2) return false;
    const int k = find_segment(curve.points, n, raw);
    if (k < 0) return false;
    value = segment_value(curve.points[k], curve.points[k + 1], raw);
    return true;
}

int16_t curve_lookup(const SenderCurve& curve, uint16_t raw) {
    int16_t value = 0;
    curve_lookup_found(curve, raw, value);
    return value;
}

int16_t celsius_to_fahrenheit(int16_t t) { return saturate_to_int16(t * 18 / 10 + 32); }
