#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <utility>

#include "host/panel/instrument.h"

namespace {

using Points = std::set<std::pair<int, int>>;

constexpr uint8_t INK = 15;

// Every pixel that is not black, as (x, y).
Points lit() {
    Points points;
    for (int y = 0; y < LCD_HEIGHT; ++y)
        for (int x = 0; x < LCD_WIDTH; ++x)
            if (FrameBuffer[y][x] != 0) points.insert({x, y});
    return points;
}

Points row_span(int x0, int x1, int y) {
    Points points;
    for (int x = x0; x <= x1; ++x) points.insert({x, y});
    return points;
}

Points column_span(int y0, int y1, int x) {
    Points points;
    for (int y = y0; y <= y1; ++y) points.insert({x, y});
    return points;
}

Points join(Points a, const Points& b) {
    a.insert(b.begin(), b.end());
    return a;
}

class FrameBufferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lcd_clear();
        trig_init();
    }
};

TEST_F(FrameBufferTest, ClearZeroesEveryByte) {
    std::memset(FrameBuffer, 0x5A, sizeof FrameBuffer);
    lcd_clear();
    EXPECT_EQ(sizeof FrameBuffer, 20480u);
    EXPECT_TRUE(lit().empty());
}

TEST_F(FrameBufferTest, SetPixelWritesRowMajorAndClipsUnsigned) {
    lcd_set_pixel(159, 127, INK);
    EXPECT_EQ((&FrameBuffer[0][0])[20479], INK);
    lcd_set_pixel(3, 2, 9);
    EXPECT_EQ((&FrameBuffer[0][0])[2 * 160 + 3], 9);
    lcd_clear();
    const int16_t outside[][2] = {{160, 0},    {0, 128},       {-1, 5},  {5, -1},
                                  {-32768, 0}, {32767, 32767}, {0, -128}};
    for (const auto& p : outside) lcd_set_pixel(p[0], p[1], INK);
    EXPECT_TRUE(lit().empty());
}

TEST_F(FrameBufferTest, HlineRunsBetweenUnsignedBoundsOnly) {
    lcd_hline(10, 5, 3, INK);  // reversed: nothing, no swap
    lcd_hline(-5, 10, 4, INK); // -5 is 65531: nothing, not the visible part
    lcd_hline(5, 5, 128, INK); // row off the screen
    lcd_hline(5, 5, -1, INK);
    lcd_hline(-1, -1, 0, INK); // 65535 to 65535: one off-screen position
    EXPECT_TRUE(lit().empty());

    lcd_hline(5, 5, 0, INK);
    EXPECT_EQ(lit(), row_span(5, 5, 0));
    lcd_clear();
    lcd_hline(150, 200, 127, INK);
    EXPECT_EQ(lit(), row_span(150, 159, 127));
    lcd_clear();
    lcd_hline(100, -1, 7, INK); // end bound 65535 ends the loop
    EXPECT_EQ(lit(), row_span(100, 159, 7));
    lcd_clear();
    lcd_hline(0, 159, 9, INK);
    EXPECT_EQ(lit(), row_span(0, 159, 9));
}

TEST_F(FrameBufferTest, VlineTakesBoundsFirstThenColumn) {
    lcd_vline(40, 20, 3, INK);
    lcd_vline(-5, 10, 3, INK);
    lcd_vline(0, 10, 160, INK);
    lcd_vline(0, 10, -1, INK);
    lcd_vline(-1, -1, 0, INK);
    EXPECT_TRUE(lit().empty());

    lcd_vline(20, 40, 3, INK);
    EXPECT_EQ(lit(), column_span(20, 40, 3));
    lcd_clear();
    lcd_vline(120, 300, 159, INK);
    EXPECT_EQ(lit(), column_span(120, 127, 159));
    lcd_clear();
    lcd_vline(0, -1, 0, INK); // 0 to 65535 ends after the last row
    EXPECT_EQ(lit(), column_span(0, 127, 0));
}

TEST_F(FrameBufferTest, RectDrawsFourSidesAndNothingForOneRow) {
    lcd_rect(10, 20, 50, 20, INK);
    lcd_rect(50, 20, 10, 20, INK);
    EXPECT_TRUE(lit().empty());

    lcd_rect(10, 20, 10, 40, INK);
    EXPECT_EQ(lit().size(), 21u);
    EXPECT_EQ(lit(), column_span(20, 40, 10));

    lcd_clear();
    lcd_rect(10, 20, 50, 40, INK);
    const Points outline = join(join(column_span(20, 40, 10), column_span(20, 40, 50)),
                                join(row_span(10, 50, 20), row_span(10, 50, 40)));
    EXPECT_EQ(lit(), outline);
    EXPECT_EQ(outline.size(), 120u);
}

TEST_F(FrameBufferTest, RectWithReversedBoundsKeepsOnlySidesThatRunForwards) {
    lcd_rect(50, 20, 10, 40, INK); // x reversed: the rows draw nothing
    EXPECT_EQ(lit(), join(column_span(20, 40, 50), column_span(20, 40, 10)));
    lcd_clear();
    lcd_rect(10, 40, 50, 20, INK); // y reversed: the columns draw nothing
    EXPECT_EQ(lit(), join(row_span(10, 50, 40), row_span(10, 50, 20)));
    lcd_clear();
    lcd_rect(150, 120, 170, 130, INK); // clipped at the right and bottom edges
    EXPECT_EQ(lit(), join(column_span(120, 127, 150), row_span(150, 159, 120)));
}

TEST_F(FrameBufferTest, FillRectCoversRowsInclusive) {
    lcd_fill_rect(10, 20, 50, 20, INK);
    lcd_fill_rect(10, 40, 50, 20, INK);
    lcd_fill_rect(50, 20, 10, 40, INK);
    lcd_fill_rect(-5, 20, 10, 40, INK);
    EXPECT_TRUE(lit().empty());

    lcd_fill_rect(2, 3, 4, 5, INK);
    Points block;
    for (int y = 3; y <= 5; ++y) block = join(block, row_span(2, 4, y));
    EXPECT_EQ(lit(), block);

    lcd_fill_rect(0, 0, 159, 127, 11);
    for (int y = 0; y < LCD_HEIGHT; ++y)
        for (int x = 0; x < LCD_WIDTH; ++x) ASSERT_EQ(FrameBuffer[y][x], 11);

    lcd_clear();
    lcd_fill_rect(150, 120, -1, -1, INK); // bounds of 65535 end both loops
    Points corner;
    for (int y = 120; y <= 127; ++y) corner = join(corner, row_span(150, 159, y));
    EXPECT_EQ(lit(), corner);
}

const int16_t EDGE_VALUES[] = {-32768, -1, 0, 1, 127, 128, 159, 160, 32767};

using Screen = uint8_t[LCD_HEIGHT][LCD_WIDTH];

// Reference for the inclusive 16-bit loops: every unsigned position from the
// first bound to the second that lies on the screen.
void reference_span(Screen& screen, int16_t first, int16_t last, int16_t fixed, bool horizontal) {
    const unsigned limit = horizontal ? LCD_WIDTH : LCD_HEIGHT;
    const unsigned other = horizontal ? LCD_HEIGHT : LCD_WIDTH;
    if (uint16_t(fixed) >= other) return;
    for (unsigned i = uint16_t(first); i <= uint16_t(last) && i < limit; ++i)
        (horizontal ? screen[uint16_t(fixed)][i] : screen[i][uint16_t(fixed)]) = INK;
}

bool frame_equals(const Screen& screen) { return std::memcmp(FrameBuffer, screen, sizeof FrameBuffer) == 0; }

TEST_F(FrameBufferTest, LinesAndRectanglesAtEdgeValuesMatchTheUnsignedLoops) {
    Screen expected;
    for (int16_t a : EDGE_VALUES)
        for (int16_t b : EDGE_VALUES)
            for (int16_t c : EDGE_VALUES) {
                lcd_clear();
                std::memset(expected, 0, sizeof expected);
                lcd_hline(a, b, c, INK);
                reference_span(expected, a, b, c, true);
                ASSERT_TRUE(frame_equals(expected)) << "hline " << a << " " << b << " " << c;
                lcd_clear();
                std::memset(expected, 0, sizeof expected);
                lcd_vline(a, b, c, INK);
                reference_span(expected, a, b, c, false);
                ASSERT_TRUE(frame_equals(expected)) << "vline " << a << " " << b << " " << c;
                for (int16_t d : EDGE_VALUES) {
                    lcd_clear();
                    std::memset(expected, 0, sizeof expected);
                    lcd_fill_rect(a, b, c, d, INK);
                    if (b != d)
                        for (unsigned y = uint16_t(b); y <= uint16_t(d) && y < LCD_HEIGHT; ++y)
                            reference_span(expected, a, c, int16_t(y), true);
                    ASSERT_TRUE(frame_equals(expected)) << "fill " << a << " " << b << " " << c << " " << d;
                    lcd_clear();
                    std::memset(expected, 0, sizeof expected);
                    lcd_rect(a, b, c, d, INK);
                    if (b != d) {
                        reference_span(expected, b, d, a, false);
                        reference_span(expected, a, c, b, true);
                        reference_span(expected, b, d, c, false);
                        reference_span(expected, a, c, d, true);
                    }
                    ASSERT_TRUE(frame_equals(expected)) << "rect " << a << " " << b << " " << c << " " << d;
                }
            }
}

// Lines between extreme points walk up to 65536 steps and must end; what they
// draw must lie on the screen (the sanitizer build checks the memory side).
TEST_F(FrameBufferTest, LinesAndArcsWithExtremeArgumentsEnd) {
    const int16_t ends[] = {-32768, -1, 0, 160, 32767};
    for (int16_t x0 : ends)
        for (int16_t y0 : ends)
            for (int16_t x1 : ends)
                for (int16_t y1 : ends) {
                    lcd_line(x0, y0, x1, y1, INK);
                    lcd_thick_line(x0, y0, x1, y1, INK);
                }
    const int16_t centres[] = {-32768, 80, 32767};
    const int16_t radii[] = {-32768, -1, 0, 20, 32767};
    for (int16_t cx : centres)
        for (int16_t r : radii)
            for (int start = -400; start <= 400; start += 23)
                for (int end = -400; end <= 400; end += 29)
                    lcd_arc(cx, cx, r, int16_t(start), int16_t(end), INK);
    for (const auto& row : FrameBuffer)
        for (uint8_t v : row) ASSERT_TRUE(v == 0 || v == INK);
    EXPECT_FALSE(lit().empty());
}

TEST_F(FrameBufferTest, LineFollowsBresenhamSteps) {
    lcd_line(0, 0, 3, 1, INK);
    EXPECT_EQ(lit(), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    lcd_clear();
    lcd_line(3, 1, 0, 0, INK);
    EXPECT_EQ(lit(), (Points{{3, 1}, {2, 1}, {1, 0}, {0, 0}}));
    lcd_clear();
    lcd_line(0, 0, 1, 3, INK); // steep
    EXPECT_EQ(lit(), (Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
    lcd_clear();
    lcd_line(0, 0, 2, 1, INK); // err exactly 0 steps along the major axis only
    EXPECT_EQ(lit(), (Points{{0, 0}, {1, 0}, {2, 1}}));
    lcd_clear();
    lcd_line(5, 5, 5, 5, INK);
    EXPECT_EQ(lit(), (Points{{5, 5}}));
    lcd_clear();
    lcd_line(10, 14, 14, 10, INK);
    EXPECT_EQ(lit(), (Points{{10, 14}, {11, 13}, {12, 12}, {13, 11}, {14, 10}}));
}

// Every line between on-screen points starts and ends at its end points, has
// one pixel per step of the major axis, and never moves more than one pixel.
TEST_F(FrameBufferTest, LinesBetweenScreenPointsAreConnectedAndExact) {
    const int16_t xs[] = {0, 1, 17, 80, 158, 159};
    const int16_t ys[] = {0, 2, 63, 126, 127};
    for (int16_t x0 : xs)
        for (int16_t y0 : ys)
            for (int16_t x1 : xs)
                for (int16_t y1 : ys) {
                    lcd_clear();
                    lcd_line(x0, y0, x1, y1, INK);
                    const Points points = lit();
                    const size_t steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1;
                    ASSERT_EQ(points.size(), steps) << x0 << "," << y0 << " " << x1 << "," << y1;
                    ASSERT_TRUE(points.count({x0, y0}) && points.count({x1, y1}));
                    for (const auto& [x, y] : points) {
                        const bool major_x = std::abs(x1 - x0) >= std::abs(y1 - y0);
                        const int count = major_x
                                              ? int(std::count_if(points.begin(), points.end(),
                                                                  [x = x](auto p) { return p.first == x; }))
                                              : int(std::count_if(points.begin(), points.end(),
                                                                  [y = y](auto p) { return p.second == y; }));
                        ASSERT_EQ(count, 1);
                    }
                }
}

TEST_F(FrameBufferTest, LineClipsPerPixel) {
    lcd_line(150, 10, 170, 10, INK);
    EXPECT_EQ(lit(), row_span(150, 159, 10));
    lcd_clear();
    lcd_line(3, 120, 3, 140, INK);
    EXPECT_EQ(lit(), column_span(120, 127, 3));
}

// Negative end points are large unsigned values: the walk runs the long way
// round through the off-screen range and ends at its end point.
TEST_F(FrameBufferTest, LineWithNegativeEndPointFollowsUnsignedCoordinates) {
    lcd_line(-1, 0, 3, 0, INK); // from 65535 down to 3
    EXPECT_EQ(lit(), row_span(3, 159, 0));
    lcd_clear();
    lcd_line(3, 0, -1, 0, INK);
    EXPECT_EQ(lit(), row_span(3, 159, 0));
    lcd_clear();
    lcd_line(-20, -20, -10, -10, INK);
    EXPECT_TRUE(lit().empty());
    lcd_clear();
    lcd_line(-32768, -32768, 32767, 32767, INK); // the longest walk, 65536 steps
    lcd_thick_line(32767, -32768, -32768, 32767, INK);
    EXPECT_TRUE(lit().empty());
    lcd_line(0, -1, 0, 0, INK); // 65535 steps up to row 0, through column 0
    EXPECT_EQ(lit(), column_span(0, 127, 0));
}

TEST_F(FrameBufferTest, ThickLinePlotsPlusPenAlsoBeyondEndPoints) {
    lcd_thick_line(10, 10, 13, 11, INK);
    Points expected;
    for (auto [x, y] : Points{{10, 10}, {11, 10}, {12, 11}, {13, 11}})
        expected = join(expected, Points{{x, y}, {x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}});
    EXPECT_EQ(lit(), expected);
    EXPECT_TRUE(expected.count({9, 10}) && expected.count({14, 11}) && expected.count({10, 9}));

    lcd_clear();
    lcd_thick_line(0, 0, 0, 0, INK); // neighbours at -1 are clipped
    EXPECT_EQ(lit(), (Points{{0, 0}, {1, 0}, {0, 1}}));
    lcd_clear();
    lcd_thick_line(159, 127, 159, 127, INK);
    EXPECT_EQ(lit(), (Points{{159, 127}, {158, 127}, {159, 126}}));
}

TEST_F(FrameBufferTest, DegreeTablesAreSinglePrecisionRoundings) {
    for (int i = 0; i <= 360; ++i) {
        ASSERT_EQ(sin_pos[i], static_cast<float>(std::sin(i * 0.017453292519943295)));
        ASSERT_EQ(cos_pos[i], static_cast<float>(std::cos(i * 0.017453292519943295)));
        ASSERT_EQ(sin_neg[i], static_cast<float>(std::sin(-i * 0.017453292519943295)));
        ASSERT_EQ(cos_neg[i], static_cast<float>(std::cos(-i * 0.017453292519943295)));
    }
    EXPECT_EQ(sin_deg(30), 0.5f);
    EXPECT_EQ(sin_deg(-30), -0.5f);
    EXPECT_EQ(sin_deg(90), 1.0f);
    EXPECT_EQ(sin_deg(-90), -1.0f);
    EXPECT_EQ(cos_deg(0), 1.0f);
    EXPECT_EQ(cos_deg(-360), 1.0f);
    EXPECT_EQ(cos_deg(360), 1.0f);
    EXPECT_EQ(cos_deg(-60), cos_neg[60]);
}

TEST_F(FrameBufferTest, AnglesBeyondTablesStayInside) {
    EXPECT_EQ(sin_deg(390), sin_pos[30]);
    EXPECT_EQ(sin_deg(-390), sin_neg[30]);
    EXPECT_EQ(cos_deg(32767), cos_deg(32767 % 360));
    EXPECT_EQ(cos_deg(-32768), cos_deg(-32768 % 360));
}

TEST_F(FrameBufferTest, ArcExamples) {
    lcd_arc(80, 60, 10, 0, 1, INK);
    EXPECT_EQ(lit(), (Points{{90, 60}}));
    lcd_clear();
    lcd_arc(80, 60, 10, 30, 31, INK);
    EXPECT_EQ(lit(), (Points{{88, 65}}));
    lcd_clear();
    lcd_arc(80, 60, 10, 90, 91, INK); // 90 degrees points down
    EXPECT_EQ(lit(), (Points{{80, 70}}));
    lcd_clear();
    lcd_arc(80, 60, 10, -90, -89, INK); // negative angles run anticlockwise
    EXPECT_EQ(lit(), (Points{{80, 50}}));
}

TEST_F(FrameBufferTest, KnobArcStaysInItsBox) {
    lcd_arc(80, 132, 20, 220, 320, INK);
    const Points points = lit();
    ASSERT_FALSE(points.empty());
    int min_x = 999, max_x = -1, min_y = 999, max_y = -1;
    for (const auto& [x, y] : points) {
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
        min_y = std::min(min_y, y);
        max_y = std::max(max_y, y);
    }
    EXPECT_EQ(min_x, 65);
    EXPECT_EQ(max_x, 95);
    EXPECT_EQ(min_y, 112);
    EXPECT_EQ(max_y, 120);
    EXPECT_TRUE(points.count({80, 112})); // 270 degrees, straight up
}

TEST_F(FrameBufferTest, ArcRejectsCallsThatWouldLeaveTheTables) {
    lcd_arc(80, 60, 10, 10, 10, INK);
    lcd_arc(80, 60, 10, 20, 10, INK);
    lcd_arc(80, 60, 10, -361, 0, INK);
    lcd_arc(80, 60, 10, 0, 362, INK);
    lcd_arc(80, 60, 10, 32767, -32768, INK);
    EXPECT_TRUE(lit().empty());

    lcd_arc(80, 60, 10, -360, 361, INK); // the widest accepted call
    EXPECT_TRUE(lit().count({90, 60}));
    EXPECT_TRUE(lit().count({70, 60}));
}

TEST_F(FrameBufferTest, ArcRadiusIsUnsignedAndSumsWrap) {
    lcd_arc(80, 60, -1, 0, 1, INK); // radius 65535; 80 + 65535 wraps to 79
    EXPECT_EQ(lit(), (Points{{79, 60}}));
    lcd_clear();
    lcd_arc(80, 60, -1, 45, 46, INK); // 46340 from the centre, off the screen
    EXPECT_TRUE(lit().empty());
    lcd_arc(-10, 60, 15, 0, 1, INK); // -10 + 15 = 5
    EXPECT_EQ(lit(), (Points{{5, 60}}));
    lcd_clear();
    lcd_arc(32767, 60, 10, 0, 1, INK); // 16-bit sum wraps to a negative, off the screen
    EXPECT_TRUE(lit().empty());
}

} // namespace
