// Interpolation, rounding and curve lookup, including the single-precision
// results and the behaviour on curves that hold anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>

#include "host/panel/instrument.h"

namespace {

SenderCurve make_curve(std::initializer_list<SenderPoint> points) {
    SenderCurve curve{};
    curve.point_count = static_cast<uint8_t>(points.size());
    int k = 0;
    for (const SenderPoint& p : points) curve.points[k++] = p;
    return curve;
}

TEST(Interpolation, RoundsOnTheFirstDecimalWithHalvesAwayFromZero) {
    // The line y = 2.5 x.
    EXPECT_EQ(interpolate_rounded(0, 10, 0, 25, 1), 3);
    EXPECT_EQ(interpolate_rounded(0, 10, 0, 25, -1), -3);
    EXPECT_EQ(interpolate_rounded(0, 10, 0, 25, 2), 5);
    // The line y = 2.46 x: 2.46 gives 2, and only the first decimal counts.
    EXPECT_EQ(interpolate_rounded(0, 100, 0, 246, 1), 2);
    EXPECT_EQ(interpolate_rounded(0, 100, 0, 246, -1), -2);
    EXPECT_EQ(interpolate_rounded(0, 100, 0, 249, 1), 2);
    EXPECT_EQ(interpolate_rounded(0, 100, 0, 250, 1), 3);
}

TEST(Interpolation, CurrentLoopLineOfChannelOne) {
    EXPECT_EQ(interpolate_rounded(320, 1601, 0, 100, 320), 0);
    EXPECT_EQ(interpolate_rounded(320, 1601, 0, 100, 960), 50);
    EXPECT_EQ(interpolate_rounded(320, 1601, 0, 100, 1601), 100);
    EXPECT_EQ(interpolate_rounded(320, 1601, 0, 100, 0), -25);
}

TEST(Interpolation, VerticalLineGivesTheSecondValueAndHugeLinesSaturate) {
    EXPECT_EQ(interpolate_rounded(100, 100, 5, 42, 7), 42);
    EXPECT_EQ(interpolate_rounded(100, 100, 5, -42, 100), -42);
    // 65535 per count over 65535 counts is far beyond 32 bits in tenths.
    EXPECT_EQ(interpolate_rounded(0, 1, -32768, 32767, 65535), INT32_MAX / 10 + 1);
    EXPECT_EQ(interpolate_rounded(0, 1, 32767, -32768, 65535), -(INT32_MAX / 10 + 1));
    EXPECT_EQ(interpolate_rounded(0, 1, 0, 1, INT32_MAX), INT32_MAX / 10 + 1);
}

TEST(Div10Rounded, HalvesAwayFromZero) {
    EXPECT_EQ(div10_rounded(15), 2);
    EXPECT_EQ(div10_rounded(-15), -2);
    EXPECT_EQ(div10_rounded(14), 1);
    EXPECT_EQ(div10_rounded(-14), -1);
    EXPECT_EQ(div10_rounded(0), 0);
    EXPECT_EQ(div10_rounded(4), 0);
    EXPECT_EQ(div10_rounded(5), 1);
    EXPECT_EQ(div10_rounded(-5), -1);
    EXPECT_EQ(div10_rounded(1450), 145);
    EXPECT_EQ(div10_rounded(8555), 856);
    EXPECT_EQ(div10_rounded(14500), 1450);
    EXPECT_GT(div10_rounded(INT32_MAX), 214748000);
    EXPECT_LT(div10_rounded(INT32_MIN), -214748000);
}

TEST(Div10Rounded, EveryHalfInARangeRoundsAway) {
    for (int32_t k = -5000; k <= 5000; ++k) {
        const int32_t v = k * 10 + (k < 0 ? -5 : 5);
        EXPECT_EQ(div10_rounded(v), k < 0 ? k - 1 : k + 1) << v;
        const int32_t near = k * 10 + (k < 0 ? -4 : 4);
        EXPECT_EQ(div10_rounded(near), k) << near;
    }
}

TEST(CelsiusToFahrenheit, TruncatesThenAddsThirtyTwo) {
    EXPECT_EQ(celsius_to_fahrenheit(49), 120);
    EXPECT_EQ(celsius_to_fahrenheit(0), 32);
    EXPECT_EQ(celsius_to_fahrenheit(100), 212);
    EXPECT_EQ(celsius_to_fahrenheit(-40), -40);
    EXPECT_EQ(celsius_to_fahrenheit(-1), 31); // -18 / 10 truncates to -1
    EXPECT_EQ(celsius_to_fahrenheit(1), 33);
    EXPECT_EQ(celsius_to_fahrenheit(32767), INT16_MAX);
    EXPECT_EQ(celsius_to_fahrenheit(-32768), INT16_MIN);
}

TEST(CurveLookup, Vdo10BarWorkedValues) {
    EXPECT_EQ(curve_lookup(vdo_10bar_curve, 20), 0);
    EXPECT_EQ(curve_lookup(vdo_10bar_curve, 100), 15);
    EXPECT_EQ(curve_lookup(vdo_10bar_curve, 300), 59);
    EXPECT_EQ(curve_lookup(vdo_10bar_curve, 433), 100);
    EXPECT_EQ(curve_lookup(vdo_10bar_curve, 500), 122);
    EXPECT_EQ(curve_lookup(vdo_10bar_curve, 0), -4);
    EXPECT_EQ(curve_lookup(vdo_10bar_curve, 4096), 1301);
}

TEST(CurveLookup, FallingVdo150WorkedValues) {
    EXPECT_EQ(curve_lookup(vdo150_curve, 2000), 10);
    EXPECT_EQ(curve_lookup(vdo150_curve, 156), 100);
    EXPECT_EQ(curve_lookup(vdo150_curve, 44), 150);
    EXPECT_EQ(curve_lookup(vdo150_curve, 0), 187);
    EXPECT_EQ(curve_lookup(vdo150_curve, 4096), -56);
}

TEST(CurveLookup, SinglePrecisionDecidesTheHalves) {
    // On the ORV NTC segment from 972 to 1320 counts the exact line passes
    // 32.5 at 1233 and 37.5 at 1059, but the slope and offset stored in single
    // precision put both just below the half.
    EXPECT_EQ(curve_lookup(orv_ntc_curve, 1233), 32);
    EXPECT_EQ(curve_lookup(orv_ntc_curve, 1059), 37);
}

TEST(CurveLookup, EqualRawValuesGiveTheLaterPointsValue) {
    const SenderCurve rising = make_curve({{0, 100}, {10, 200}, {20, 200}, {30, 300}});
    EXPECT_EQ(curve_lookup(rising, 150), 5);
    EXPECT_EQ(curve_lookup(rising, 200), 10); // the first segment holding 200
    EXPECT_EQ(curve_lookup(rising, 250), 25);
    // The first two points alike: the curve counts as falling.
    const SenderCurve flat = make_curve({{7, 500}, {9, 500}, {11, 100}});
    EXPECT_EQ(curve_lookup(flat, 800), 9);
    EXPECT_EQ(curve_lookup(flat, 500), 9);
    EXPECT_EQ(curve_lookup(flat, 300), 10);
    // The last two points alike: extrapolation beyond them gives the last value.
    const SenderCurve tail = make_curve({{0, 100}, {10, 200}, {20, 200}});
    EXPECT_EQ(curve_lookup(tail, 4000), 20);
}

TEST(CurveLookup, TheLargerRawAnchorsTheLineEvenOutOfOrder) {
    // Rising by its first two points, then turning back: above the last point
    // the lookup extends the last segment, whose larger raw is point n-2.
    const SenderCurve turning = make_curve({{0, 100}, {50, 600}, {40, 500}});
    EXPECT_EQ(curve_lookup(turning, 700), 60);
}

TEST(CurveLookup, NonMonotonicRawsUseTheFirstSegmentHoldingRaw) {
    // Between the first and the last raw value some segment always crosses the
    // input in the curve's direction; the first one found decides.
    const SenderCurve zigzag = make_curve({{0, 0}, {10, 100}, {20, 20}, {30, 90}});
    int16_t value = 1234;
    EXPECT_TRUE(curve_lookup_found(zigzag, 50, value));
    EXPECT_EQ(value, 5);
    EXPECT_EQ(curve_lookup(zigzag, 95), 31); // beyond the last point: the last segment
}

TEST(CurveLookup, FewerThanTwoPointsHoldNoSegment) {
    SenderCurve curve = make_curve({{5, 10}, {6, 20}});
    int16_t value = 77;
    curve.point_count = 0;
    EXPECT_FALSE(curve_lookup_found(curve, 15, value));
    curve.point_count = 1;
    EXPECT_FALSE(curve_lookup_found(curve, 15, value));
    EXPECT_EQ(value, 77);
    curve.point_count = 2;
    EXPECT_TRUE(curve_lookup_found(curve, 15, value));
}

TEST(CurveLookup, NeverReadsPastSixteenPoints) {
    // Sixteen points, with a seventeenth lying right behind the curve.
    struct {
        SenderCurve curve;
        SenderPoint beyond;
    } block{};
    for (int k = 0; k < 16; ++k)
        block.curve.points[k] = {static_cast<int16_t>(k * 10), static_cast<int16_t>(k * 100)};
    block.beyond = {-30000, 1600};
    block.curve.point_count = 16;
    const int16_t above = curve_lookup(block.curve, 1550);
    EXPECT_EQ(above, 155);
    for (int n = 17; n <= 255; ++n) {
        block.curve.point_count = static_cast<uint8_t>(n);
        EXPECT_EQ(curve_lookup(block.curve, 1550), above) << n;
        EXPECT_EQ(curve_lookup(block.curve, 4096), 410) << n;
    }
}

TEST(CurveLookup, ExtremeValuesSaturateAtSixteenBits) {
    const SenderCurve steep = make_curve({{-32768, 0}, {32767, 1}});
    EXPECT_EQ(curve_lookup(steep, 65535), INT16_MAX);
    const SenderCurve steep_down = make_curve({{32767, 0}, {-32768, 1}});
    EXPECT_EQ(curve_lookup(steep_down, 65535), INT16_MIN);
    const SenderCurve wide = make_curve({{-32768, -32768}, {32767, 32767}});
    EXPECT_EQ(curve_lookup(wide, 0), 0);
    EXPECT_EQ(curve_lookup(wide, 65535), INT16_MAX);
}

TEST(CurveLookup, RandomCurvesNeverFault) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> any16(INT16_MIN, INT16_MAX);
    std::uniform_int_distribution<int> any8(0, 255);
    const int16_t extremes[] = {INT16_MIN, -1, 0, 1, 4096, INT16_MAX};
    const uint16_t raws[] = {0, 1, 2048, 4096, 32767, 32768, 65535};
    for (int i = 0; i < 3000; ++i) {
        SenderCurve curve;
        curve.point_count = static_cast<uint8_t>(any8(rng));
        curve.reserved = static_cast<uint8_t>(any8(rng));
        for (SenderPoint& p : curve.points) {
            const bool extreme = any8(rng) < 64;
            p.value = extreme ? extremes[any8(rng) % 6] : static_cast<int16_t>(any16(rng));
            p.raw = any8(rng) < 32 ? curve.points[0].raw : static_cast<int16_t>(any16(rng));
        }
        // The same curve cut to what the lookup may use: at most 16 points.
        SenderCurve cut = curve;
        if (cut.point_count > 16) cut.point_count = 16;
        for (uint16_t raw : raws) {
            int16_t value = 0;
            int16_t cut_value = 0;
            const bool found = curve_lookup_found(curve, raw, value);
            EXPECT_EQ(curve_lookup_found(cut, raw, cut_value), found);
            EXPECT_EQ(cut_value, value);
            EXPECT_EQ(curve_lookup(curve, raw), found ? value : 0);
            if (curve.point_count < 2) {
                EXPECT_FALSE(found);
            }
        }
    }
}

// Every built-in curve, walked over the whole input range: it hits each
// point's value at that point's raw value and moves one way only.
class BuiltInCurveSweep : public ::testing::TestWithParam<const SenderCurve*> {};

TEST_P(BuiltInCurveSweep, HitsEveryPointAndIsMonotonic) {
    const SenderCurve& curve = *GetParam();
    const int n = curve.point_count;
    for (int k = 0; k < n; ++k) {
        EXPECT_EQ(curve_lookup(curve, static_cast<uint16_t>(curve.points[k].raw)), curve.points[k].value)
            << "point " << k;
    }
    // The values rise along the points; raw counts rise or fall.
    const bool raw_rising = curve.points[0].raw < curve.points[1].raw;
    int16_t previous = curve_lookup(curve, 0);
    for (int raw = 1; raw <= 4096; ++raw) {
        const int16_t value = curve_lookup(curve, static_cast<uint16_t>(raw));
        if (raw_rising) {
            ASSERT_GE(value, previous) << "raw " << raw;
        } else {
            ASSERT_LE(value, previous) << "raw " << raw;
        }
        previous = value;
    }
    // Between two points the reading stays between their values.
    for (int k = 0; k + 1 < n; ++k) {
        const SenderPoint a = curve.points[k];
        const SenderPoint b = curve.points[k + 1];
        const int lo_raw = std::min(a.raw, b.raw), hi_raw = std::max(a.raw, b.raw);
        const int lo = std::min(a.value, b.value), hi = std::max(a.value, b.value);
        for (int raw = lo_raw; raw <= hi_raw; ++raw) {
            const int16_t value = curve_lookup(curve, static_cast<uint16_t>(raw));
            ASSERT_GE(value, lo) << "segment " << k << " raw " << raw;
            ASSERT_LE(value, hi) << "segment " << k << " raw " << raw;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllCurves, BuiltInCurveSweep,
                         ::testing::Values(&orv_ntc_curve, &vdo150_curve, &westach_curve, &vdo120_curve,
                                           &vdo_2bar_curve, &vdo_2bar_ch2_curve, &vdo_5bar_curve,
                                           &vdo_5bar_ch2_curve, &vdo_10bar_curve, &vdo_10bar_ch2_curve,
                                           &uma_t1eu07_curve, &uma_t1eu35_curve, &uma_n1eu07_curve,
                                           &uma_n1eu35_curve, &uma_n1eu100_curve));

} // namespace
