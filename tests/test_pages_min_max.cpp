// The min/max page: title, soft keys, rows of the displayed channels and the
// highlights of the recorded values.
#include "test_pages_fixture.h"

namespace {

class MinMaxPageTest : public PagesTest {
  protected:
    void SetUp() override {
        PagesTest::SetUp();
        display_page = 3;
    }
    void draw() {
        draw_run_screen();
        capture();
    }
    // The box of a recorded value runs from one column left of the text to
    // one column left of its end, rows y + 1 to y + 16.
    ::testing::AssertionResult boxed(int16_t x, int16_t y, const char* text, uint8_t box) {
        const TextExtent e = measure_text(x, y, text, 9, ALIGN_RIGHT);
        const uint8_t ink = box == COLOUR_YELLOW ? COLOUR_BLACK : COLOUR_WHITE;
        auto r = text_at(frame, x, y, text, 9, ALIGN_RIGHT, ink);
        if (!r) return r;
        if (frame[y + 1][e.start - 1] != box || frame[y + 16][e.end - 1] != box)
            return ::testing::AssertionFailure() << "box corners of " << text << " are not " << int(box);
        if (frame[y + 8][e.start - 2] == box || frame[y + 8][e.end] == box || frame[y][e.start] == box ||
            frame[y + 17][e.start] == box)
            return ::testing::AssertionFailure() << "box of " << text << " reaches beyond its place";
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST_F(MinMaxPageTest, TitleRuleAndResetKey) {
    draw();
    EXPECT_TRUE(text_at(frame, 80, 5, "MIN / MAX", 9, ALIGN_CENTRE, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 0, 25, 159, 25, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 0, 110, 159, 110, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 53, 110, 53, 127, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 106, 110, 106, 127, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 26, 112, "RESET", 8, ALIGN_CENTRE, COLOUR_WHITE));
    // The middle and right soft keys are empty.
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK, 54, 111, 105, 127), 52 * 17);
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK, 107, 111, 159, 127), 53 * 17);
}

TEST_F(MinMaxPageTest, RowsOfEveryModeRightAfterAReset) {
    draw();
    // Pressure at y 30, temperature at 49, current at 68, volts at 87.
    EXPECT_TRUE(text_at(frame, 0, 30, "OILP:", 9, ALIGN_LEFT, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 120, 30, "5.0", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 159, 30, "bar", 9, ALIGN_RIGHT, COLOUR_GREY));

    EXPECT_TRUE(text_at(frame, 0, 49, "OILT:", 9, ALIGN_LEFT, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 120, 49, "100", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 154, 49, "C", 9, ALIGN_RIGHT, COLOUR_GREY));
    EXPECT_EQ(frame[52][137], COLOUR_GREY); // the ring at (136, 52)
    EXPECT_EQ(frame[53][136], COLOUR_GREY);

    // Both sides of the "/" show the same number after a reset.
    EXPECT_TRUE(text_at(frame, 0, 68, "AMPS:", 9, ALIGN_LEFT, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 97, 68, "5.5", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 101, 68, "/", 9, ALIGN_LEFT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 143, 68, "5.5", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 159, 68, "A", 9, ALIGN_RIGHT, COLOUR_GREY));

    EXPECT_TRUE(text_at(frame, 0, 87, "BAT:", 9, ALIGN_LEFT, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 97, 87, "12.5", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 101, 87, "/", 9, ALIGN_LEFT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 143, 87, "12.5", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 159, 87, "V", 9, ALIGN_RIGHT, COLOUR_GREY));
}

TEST_F(MinMaxPageTest, RowsFollowTheChannelsThatAreOn) {
    set_modes(1, 0, 3, 0);
    draw();
    EXPECT_TRUE(text_at(frame, 0, 30, "OILP:", 9, ALIGN_LEFT, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 0, 49, "AMPS:", 9, ALIGN_LEFT, COLOUR_GREY));
    EXPECT_EQ(count_colour(frame, COLOUR_GREY, 0, 68, 159, 109), 0);
    // A mode above 4 keeps its row's place empty.
    set_modes(1, 8, 3, 0);
    draw();
    EXPECT_TRUE(text_at(frame, 0, 68, "AMPS:", 9, ALIGN_LEFT, COLOUR_GREY));
    EXPECT_EQ(count_colour(frame, COLOUR_GREY, 0, 50, 159, 66), 0);
}

TEST_F(MinMaxPageTest, PressureAndTemperatureMaximaAreColouredByTheLiveReading) {
    blink_phase = 1;
    pressure_max[0] = 95; // beyond the high alarm, but the live reading is normal
    temp_max[1] = 140;
    draw();
    EXPECT_EQ(count_colour(frame, COLOUR_RED, 0, 26, 159, 67), 0);
    EXPECT_EQ(count_colour(frame, COLOUR_YELLOW, 0, 26, 159, 67), 0);
    EXPECT_TRUE(text_at(frame, 120, 30, "9.5", 9, ALIGN_RIGHT, COLOUR_WHITE));

    pressure_reading[0] = 85; // alarm now, while the recorded maximum shown is lower
    pressure_max[0] = 60;
    temp_reading[1] = 125; // caution
    draw();
    EXPECT_TRUE(boxed(120, 30, "6.0", COLOUR_RED));
    EXPECT_TRUE(boxed(120, 49, "140", COLOUR_YELLOW));
    blink_phase = 0;
    draw();
    EXPECT_EQ(count_colour(frame, COLOUR_RED, 0, 26, 159, 47), 0);
}

TEST_F(MinMaxPageTest, CurrentAndVoltsValuesAreColouredEachByItself) {
    blink_phase = 1;
    current_tenths_min[2] = -452;
    current_amps_min[2] = -45;
    volts_min[3] = 105; // below the low caution of 11.0 V
    volts_max[3] = 160; // above the high alarm of 15.0 V
    draw();
    EXPECT_TRUE(boxed(97, 68, "-45", COLOUR_RED));
    EXPECT_EQ(count_colour(frame, COLOUR_RED, 100, 69, 159, 84), 0); // the maximum stays plain
    EXPECT_TRUE(boxed(97, 87, "10.5", COLOUR_YELLOW));
    EXPECT_TRUE(boxed(143, 87, "16.0", COLOUR_RED));
    EXPECT_TRUE(text_at(frame, 101, 87, "/", 9, ALIGN_LEFT, COLOUR_WHITE));
}

TEST_F(MinMaxPageTest, UnitChangeOnlyChangesTheNumberFormat) {
    pressure_max[0] = 73;
    channel_settings.pressure[0].unit = 1;
    draw();
    EXPECT_TRUE(text_at(frame, 120, 30, "73", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 159, 30, "psi", 9, ALIGN_RIGHT, COLOUR_GREY));
    channel_settings.pressure[0].unit = 0;
    draw();
    EXPECT_TRUE(text_at(frame, 120, 30, "7.3", 9, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 159, 30, "bar", 9, ALIGN_RIGHT, COLOUR_GREY));
}

TEST_F(MinMaxPageTest, RowRoutineToleratesAnyChannelAndMode) {
    for (int c = 0; c < 256; c += 3)
        for (int mode = 0; mode < 256; mode += 5)
            draw_min_max_row(30, static_cast<uint8_t>(c), static_cast<uint8_t>(mode));
    lcd_clear();
    draw_min_max_row(30, 4, MODE_PRESSURE);
    draw_min_max_row(30, 0, 5);
    capture();
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK), 160 * 128);
}
