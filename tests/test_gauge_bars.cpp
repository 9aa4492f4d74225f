// Zone bars: clamping, caution ordering, the single-precision scale, zone
// order and boundaries, markers.
#include "test_pages_fixture.h"

namespace {

class GaugeBarTest : public PagesTest {
  protected:
    void set_bar(int16_t x, int16_t y, uint16_t w, uint16_t h, int32_t value, int32_t max, int32_t min,
                 int32_t la, int32_t lc, int32_t hc, int32_t ha) {
        bar_params = {x, y, w, h, value, max, min, la, lc, hc, ha};
    }
    // The default pressure bar of the one-channel horizontal layout.
    void default_pressure_bar(int32_t value) { set_bar(10, 100, 140, 15, value, 100, 0, 15, 25, 70, 80); }
    // The default temperature bar of the one-channel vertical layout.
    void default_temperature_bar(int32_t value) { set_bar(5, 5, 20, 116, value, 150, 50, 70, 90, 120, 135); }
};

// Row by row colours of a column; the runs are given as (first row, last row, colour).
struct ZoneRun {
    int from, to;
    uint8_t colour;
};

} // namespace

TEST_F(GaugeBarTest, DefaultPressureBarHasOffsetsOneShortOfExact) {
    // 100 / 140 is stored as 0.71428573, so the offsets come out 20, 34, 97
    // and 111 instead of 21, 35, 98 and 112. Boundary columns go to the later zone.
    default_pressure_bar(50);
    draw_hbar();
    capture();
    const ZoneRun zones[] = {{10, 29, COLOUR_RED},    {30, 43, COLOUR_YELLOW},   {44, 75, COLOUR_GREEN},
                             {83, 106, COLOUR_GREEN}, {107, 120, COLOUR_YELLOW}, {121, 150, COLOUR_RED}};
    for (const ZoneRun& z : zones) {
        EXPECT_TRUE(filled(frame, z.from, 100, z.to, 115, z.colour)) << "zone " << z.from << ".." << z.to;
        EXPECT_TRUE(filled(frame, z.from, 100, z.from, 115, z.colour)); // boundary column
    }
    // Nothing beyond the bar's ends and no row below y + height.
    EXPECT_EQ(frame[105][9], COLOUR_BLACK);
    EXPECT_EQ(frame[105][151], COLOUR_BLACK);
    EXPECT_EQ(frame[116][20], COLOUR_BLACK);
    EXPECT_EQ(frame[99][20], COLOUR_BLACK);
    // Marker at 50: columns 76..82, rows 98..117.
    EXPECT_TRUE(filled(frame, 76, 98, 82, 117, COLOUR_WHITE));
    EXPECT_EQ(count_colour(frame, COLOUR_WHITE), 7 * 20);
    EXPECT_EQ(frame[105][75], COLOUR_GREEN);
    EXPECT_EQ(frame[105][83], COLOUR_GREEN);
}

TEST_F(GaugeBarTest, DefaultTemperatureBarZonesAndMarkerRows) {
    // scale 100 / 116 = 0.86206895; offsets 23, 46, 81, 98 up from row 121.
    default_temperature_bar(100);
    draw_vbar();
    capture();
    const ZoneRun zones[] = {{5, 23, COLOUR_RED},    {24, 40, COLOUR_YELLOW}, {41, 59, COLOUR_GREEN},
                             {65, 75, COLOUR_GREEN}, {76, 98, COLOUR_YELLOW}, {99, 121, COLOUR_RED}};
    for (const ZoneRun& z : zones) EXPECT_TRUE(filled(frame, 5, z.from, 25, z.to, z.colour)) << z.from;
    EXPECT_EQ(frame[4][15], COLOUR_BLACK);
    EXPECT_EQ(frame[122][15], COLOUR_BLACK);
    EXPECT_EQ(frame[50][4], COLOUR_BLACK);
    EXPECT_EQ(frame[50][26], COLOUR_BLACK);
    // A reading of 100 centres the marker on row 62: rows 60..64, columns 2..28.
    EXPECT_TRUE(filled(frame, 2, 60, 28, 64, COLOUR_WHITE));
    EXPECT_EQ(count_colour(frame, COLOUR_WHITE), 27 * 5);
}

TEST_F(GaugeBarTest, ReadingsBeyondTheScaleSitAtTheBarEnds) {
    default_pressure_bar(-40);
    draw_hbar();
    capture();
    EXPECT_TRUE(filled(frame, 7, 98, 13, 117, COLOUR_WHITE));
    EXPECT_EQ(bar_params.value, 0);

    lcd_clear();
    default_pressure_bar(999);
    draw_hbar();
    capture();
    // The top of the scale lands at offset 139, one short of the bar's end.
    EXPECT_TRUE(filled(frame, 146, 98, 152, 117, COLOUR_WHITE));
    EXPECT_EQ(bar_params.value, 100);

    lcd_clear();
    default_temperature_bar(-500);
    draw_vbar();
    capture();
    EXPECT_TRUE(filled(frame, 2, 119, 28, 123, COLOUR_WHITE));
}

TEST_F(GaugeBarTest, LimitsAreClampedThenCautionsOrderedBetweenAlarms) {
    // High caution above high alarm drops to it; low caution below low alarm rises to it.
    set_bar(10, 10, 100, 10, 0, 100, 0, 50, 10, 90, 60);
    draw_hbar();
    EXPECT_EQ(bar_params.low_alarm, 50);
    EXPECT_EQ(bar_params.low_caution, 50);
    EXPECT_EQ(bar_params.high_caution, 60);
    EXPECT_EQ(bar_params.high_alarm, 60);

    // Crossed cautions: high caution rises to low caution, which then rises to
    // low alarm; low alarm itself is never compared with high alarm.
    set_bar(10, 10, 100, 10, 0, 100, 0, 80, 70, 20, 90);
    draw_hbar();
    EXPECT_EQ(bar_params.low_alarm, 80);
    EXPECT_EQ(bar_params.low_caution, 80);
    EXPECT_EQ(bar_params.high_caution, 70);
    EXPECT_EQ(bar_params.high_alarm, 90);

    // Clamping comes first: limits outside the scale end up at its ends.
    set_bar(5, 5, 20, 100, 500, 150, 50, -40, 10, 400, 300);
    draw_vbar();
    EXPECT_EQ(bar_params.low_alarm, 50);
    EXPECT_EQ(bar_params.low_caution, 50);
    EXPECT_EQ(bar_params.high_caution, 150);
    EXPECT_EQ(bar_params.high_alarm, 150);
    EXPECT_EQ(bar_params.value, 150);
}

TEST_F(GaugeBarTest, ZeroWidthZonesPaintOneColumnOnHorizontalBarsAndNothingOnVerticalOnes) {
    // Scale 0..140 over 140 columns is exactly 1.0 per column. Both high
    // limits clamp to the top: the last red zone has no width.
    set_bar(10, 20, 140, 10, 70, 140, 0, 20, 40, 200, 200);
    draw_hbar();
    capture();
    EXPECT_TRUE(filled(frame, 50, 20, 76, 30, COLOUR_GREEN));
    EXPECT_TRUE(filled(frame, 110, 20, 149, 30, COLOUR_GREEN));
    EXPECT_TRUE(filled(frame, 150, 20, 150, 30, COLOUR_RED)); // the zero-width zone's column
    EXPECT_EQ(frame[25][151], COLOUR_BLACK);

    // The same limits on a vertical bar: the top red and yellow zones paint
    // nothing, so the green zone reaches the top row.
    lcd_clear();
    set_bar(40, 10, 12, 100, 70, 100, 0, 20, 40, 200, 200);
    draw_vbar();
    capture();
    EXPECT_EQ(count_colour(frame, COLOUR_RED, 0, 0, 159, 60), 0);
    EXPECT_EQ(count_colour(frame, COLOUR_YELLOW, 0, 0, 159, 60), 0);
    EXPECT_TRUE(filled(frame, 40, 10, 52, 20, COLOUR_GREEN));

    // Low limits at the bottom: the bottom red and yellow zones paint nothing.
    lcd_clear();
    set_bar(40, 10, 12, 100, 90, 100, 0, -5, 0, 60, 80);
    draw_vbar();
    capture();
    EXPECT_EQ(count_colour(frame, COLOUR_RED, 0, 70, 159, 127), 0);
    EXPECT_EQ(count_colour(frame, COLOUR_YELLOW, 0, 70, 159, 127), 0);
    EXPECT_TRUE(filled(frame, 40, 100, 52, 110, COLOUR_GREEN));
}

TEST_F(GaugeBarTest, EmptyScaleDrawsEveryOffsetAndTheMarkerAtTheStart) {
    set_bar(10, 20, 100, 10, 37, 50, 50, 10, 20, 80, 90);
    draw_hbar();
    capture();
    // All zones collapse onto column 10; the last red zone covers the bar.
    EXPECT_TRUE(filled(frame, 14, 20, 110, 30, COLOUR_RED));
    EXPECT_TRUE(filled(frame, 7, 18, 13, 32, COLOUR_WHITE));

    lcd_clear();
    set_bar(40, 10, 12, 100, 37, 50, 50, 10, 20, 80, 90);
    draw_vbar();
    capture();
    EXPECT_TRUE(filled(frame, 40, 10, 52, 107, COLOUR_RED));
    EXPECT_TRUE(filled(frame, 37, 108, 55, 112, COLOUR_WHITE));
}

TEST_F(GaugeBarTest, ExtremeParametersStayInsideTheBarsArea) {
    const int32_t extremes[] = {-2147483647, -70000, -32768, -1, 0, 1, 32767, 70000, 2147483647};
    for (int32_t max : extremes)
        for (int32_t min : extremes)
            for (int32_t v : extremes) {
                lcd_clear();
                set_bar(30, 40, 60, 20, v, max, min, v, min, max, -v);
                draw_hbar();
                set_bar(100, 40, 10, 50, v, max, min, max, v, min, -v);
                draw_vbar();
                capture();
                // Nothing above row 37 (the single-precision scale may lift a marker at
                // the top by one row) or below row 92, nor left of column 27.
                ASSERT_EQ(count_colour(frame, COLOUR_WHITE, 0, 0, 159, 36), 0)
                    << max << " " << min << " " << v;
                ASSERT_EQ(count_colour(frame, COLOUR_WHITE, 0, 93, 159, 127), 0);
                ASSERT_EQ(count_colour(frame, COLOUR_RED, 0, 0, 26, 127), 0);
            }
}
