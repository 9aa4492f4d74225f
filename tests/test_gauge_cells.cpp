// Gauge cells: value formats, highlights at and beyond the limits in both
// blink phases, the degree sign, and the cross over a channel without data.
#include "test_pages_fixture.h"

namespace {

class GaugeCellTest : public PagesTest {
  protected:
    // The one-channel horizontal-bar page with channel 1 in the given mode.
    void draw_single(uint8_t mode) {
        set_modes(mode, 0, 0, 0);
        display_page = 0;
        draw_run_screen();
        capture();
    }
    TextExtent single_value_extent(const char* text) { return measure_text(80, 23, text, 34, ALIGN_CENTRE); }
    // The highlight box of the one-channel horizontal layout holds only the
    // box colour and the value, drawn in the value colour.
    ::testing::AssertionResult single_box(const char* text, uint8_t box, uint8_t ink) {
        const TextExtent e = single_value_extent(text);
        auto r = text_at(frame, 80, 23, text, 34, ALIGN_CENTRE, ink);
        if (!r) return r;
        for (int row = 32; row <= 84; ++row)
            for (int col = e.start; col <= e.end; ++col)
                if (frame[row][col] != box && frame[row][col] != ink)
                    return ::testing::AssertionFailure()
                           << "(" << col << ", " << row << ") is " << int(frame[row][col]);
        if (frame[32][e.start] != box || frame[84][e.end] != box)
            return ::testing::AssertionFailure() << "box corners are not " << int(box);
        if (frame[31][e.start] == box || frame[85][e.end] == box || frame[50][e.start - 1] == box ||
            frame[50][e.end + 1] == box)
            return ::testing::AssertionFailure() << "box reaches beyond its place";
        return ::testing::AssertionSuccess();
    }
    int highlight_pixels() {
        return count_colour(frame, COLOUR_RED, 0, 20, 159, 90) +
               count_colour(frame, COLOUR_YELLOW, 0, 20, 159, 90);
    }
};

} // namespace

TEST_F(GaugeCellTest, ValueTextsFollowTheModeAndUnit) {
    char text[VALUE_TEXT_SIZE];
    struct Pressure {
        int16_t reading;
        uint8_t unit;
        const char* expected;
        const char* unit_text;
    };
    const Pressure pressures[] = {{15, 0, "1.5", "bar"}, {15, 1, "15", "psi"},    {15, 2, "1.5", "psi"},
                                  {0, 0, "0.0", "bar"},  {999, 2, "99.9", "psi"}, {15, 200, "1.5", "bar"}};
    for (const Pressure& p : pressures) {
        format_pressure(text, p.reading, p.unit);
        EXPECT_STREQ(text, p.expected);
        EXPECT_STREQ(pressure_unit_text(p.unit), p.unit_text);
    }
    struct Current {
        int16_t tenths, amps;
        const char* expected;
    };
    const Current currents[] = {{99, 9, "9.9"},  {-99, -9, "-9.9"}, {100, 10, "10"}, {-100, -10, "-10"},
                                {-5, 0, "-0.5"}, {0, 0, "0.0"},     {204, 20, "20"}, {32767, 3276, "3276"}};
    for (const Current& c : currents) {
        format_current(text, c.tenths, c.amps);
        EXPECT_STREQ(text, c.expected);
    }
    format_tenths(text, 143);
    EXPECT_STREQ(text, "14.3");
    format_tenths(text, 65535);
    EXPECT_STREQ(text, "6553.5");
    EXPECT_STREQ(temperature_letter(0), "C");
    EXPECT_STREQ(temperature_letter(1), "F");
    EXPECT_STREQ(temperature_letter(9), "F");
    EXPECT_STREQ(temperature_unit_text(0), "\xB0"
                                           "C");
    EXPECT_STREQ(temperature_unit_text(7), "\xB0"
                                           "F");
}

TEST_F(GaugeCellTest, CurrentShowsOneDecimalBelowTenAmperes) {
    current_tenths[0] = 99;
    current_amps[0] = 9;
    draw_single(MODE_CURRENT);
    EXPECT_TRUE(text_at(frame, 80, 23, "9.9", 34, ALIGN_CENTRE, COLOUR_WHITE));
    current_tenths[0] = -100;
    current_amps[0] = -10;
    draw_single(MODE_CURRENT);
    EXPECT_TRUE(text_at(frame, 80, 23, "-10", 34, ALIGN_CENTRE, COLOUR_WHITE));
}

TEST_F(GaugeCellTest, LimitsAreStrictOnBothSides) {
    // Default pressure limits: low alarm 15, low caution 25, high caution 70,
    // high alarm 80. A value at an alarm limit is still beyond its caution limit.
    struct Case {
        int16_t reading;
        const char* text;
        uint8_t box; // 0: no highlight
    };
    const Case cases[] = {
        {80, "8.0", COLOUR_YELLOW}, {81, "8.1", COLOUR_RED}, {70, "7.0", 0},
        {71, "7.1", COLOUR_YELLOW}, {25, "2.5", 0},          {24, "2.4", COLOUR_YELLOW},
        {15, "1.5", COLOUR_YELLOW}, {14, "1.4", COLOUR_RED}, {-300, "-30.0", COLOUR_RED},
    };
    blink_phase = 1;
    for (const Case& c : cases) {
        pressure_reading[0] = c.reading;
        draw_single(MODE_PRESSURE);
        if (c.box == 0) {
            EXPECT_EQ(highlight_pixels(), 0) << c.reading;
            EXPECT_TRUE(text_at(frame, 80, 23, c.text, 34, ALIGN_CENTRE, COLOUR_WHITE));
        } else {
            const uint8_t ink = c.box == COLOUR_RED ? COLOUR_WHITE : COLOUR_BLACK;
            EXPECT_TRUE(single_box(c.text, c.box, ink)) << c.reading;
        }
    }
}

TEST_F(GaugeCellTest, AlarmFlashesWithBlinkPhaseAndCautionStaysSteady) {
    pressure_reading[0] = 90; // beyond the high caution and the high alarm: an alarm, never yellow
    blink_phase = 1;
    draw_single(MODE_PRESSURE);
    EXPECT_TRUE(single_box("9.0", COLOUR_RED, COLOUR_WHITE));
    EXPECT_EQ(count_colour(frame, COLOUR_YELLOW, 0, 20, 159, 90), 0);
    blink_phase = 0;
    draw_single(MODE_PRESSURE);
    EXPECT_EQ(highlight_pixels(), 0);
    EXPECT_TRUE(text_at(frame, 80, 23, "9.0", 34, ALIGN_CENTRE, COLOUR_WHITE));

    pressure_reading[0] = 75;
    for (uint8_t phase = 0; phase < 2; ++phase) {
        blink_phase = phase;
        draw_single(MODE_PRESSURE);
        EXPECT_TRUE(single_box("7.5", COLOUR_YELLOW, COLOUR_BLACK)) << int(phase);
    }
}

TEST_F(GaugeCellTest, HighlightIgnoresAlarmSwitchesAndAcknowledgement) {
    channel_settings.temperature[0].high_alarm_on = 0;
    channel_settings.temperature[0].low_alarm_on = 0;
    alarm_flags = 1;
    alarm_ack_flags = 1;
    temp_reading[0] = 136;
    blink_phase = 1;
    set_modes(MODE_TEMPERATURE, 0, 0, 0);
    draw_run_screen();
    capture();
    EXPECT_TRUE(single_box("136", COLOUR_RED, COLOUR_WHITE));
}

TEST_F(GaugeCellTest, VoltsCompareUnsignedAndOthersSigned) {
    // 35000 is below a high limit of 40000 as unsigned numbers, but would be
    // negative, and so below the low alarm, as signed ones.
    VoltsChannelConfig& v = channel_settings.volts[0];
    v.high_caution = 40000;
    v.high_alarm = 40000;
    volts_reading[0] = 35000;
    blink_phase = 1;
    draw_single(MODE_VOLTS);
    EXPECT_EQ(highlight_pixels(), 0);
    EXPECT_TRUE(text_at(frame, 80, 23, "3500.0", 34, ALIGN_CENTRE, COLOUR_WHITE));

    // Negative pressure limits are compared signed.
    PressureChannelConfig& p = channel_settings.pressure[0];
    p.low_alarm = -20;
    p.low_caution = -10;
    pressure_reading[0] = -5;
    draw_single(MODE_PRESSURE);
    EXPECT_EQ(highlight_pixels(), 0);
}

TEST_F(GaugeCellTest, HighlightBoxReachesTwoColumnsLeftOfTheValueInTheTwoRowLayout) {
    set_modes(1, 1, 0, 0);
    pressure_reading[1] = 72;
    draw_run_screen();
    capture();
    const TextExtent e = measure_text(140, 62, "7.2", 24, ALIGN_RIGHT);
    EXPECT_TRUE(filled(frame, e.start - 2, 66, e.start - 2, 106, COLOUR_YELLOW));
    EXPECT_TRUE(filled(frame, e.end, 66, e.end, 106, COLOUR_YELLOW));
    EXPECT_EQ(frame[80][e.start - 3], COLOUR_BLACK);
    EXPECT_EQ(frame[80][e.end + 1], COLOUR_BLACK);
    EXPECT_EQ(frame[65][e.end], COLOUR_BLACK);
    EXPECT_EQ(frame[107][e.end], COLOUR_BLACK);
    EXPECT_TRUE(text_at(frame, 140, 62, "7.2", 24, ALIGN_RIGHT, COLOUR_BLACK));
    // The upper cell is plain.
    EXPECT_EQ(count_colour(frame, COLOUR_YELLOW, 0, 0, 159, 45), 0);
}

TEST_F(GaugeCellTest, DegreeSignTakesTheFormOfEachLayout) {
    const uint8_t units[] = {0, 1};
    for (uint8_t unit : units) {
        channel_settings.temperature[1].unit = unit;
        const char* letter = unit == 0 ? "C" : "F";
        // Two channels: ring at (11, 87), then the letter at (16, 86) in font 9.
        set_modes(1, 2, 0, 0);
        draw_run_screen();
        capture();
        const int ring[8][2] = {{0, 1}, {0, 2}, {1, 0}, {2, 0}, {3, 1}, {3, 2}, {1, 3}, {2, 3}};
        for (const auto& p : ring) EXPECT_EQ(frame[87 + p[1]][11 + p[0]], COLOUR_GREY);
        EXPECT_EQ(frame[88][12], COLOUR_BLACK); // hollow
        EXPECT_TRUE(text_at(frame, 16, 86, letter, 9, ALIGN_LEFT, COLOUR_GREY));

        // Compact rows: the font-8 text with the degree sign.
        set_modes(1, 2, 3, 0);
        draw_run_screen();
        capture();
        const char text[] = {'\xB0', letter[0], 0};
        EXPECT_TRUE(text_at(frame, 24, 60, text, 8, ALIGN_CENTRE, COLOUR_GREY));

        // One channel: the letter at the unit's place and the ring just left
        // of it, clear of the letter by two columns, one row above its capitals.
        set_modes(0, 2, 0, 0);
        draw_run_screen();
        capture();
        EXPECT_TRUE(text_at(frame, 120, 0, letter, 12, ALIGN_LEFT, COLOUR_GREY));
        for (const auto& p : ring) EXPECT_EQ(frame[3 + p[1]][114 + p[0]], COLOUR_GREY);
        EXPECT_EQ(count_colour(frame, COLOUR_GREY, 118, 0, 119, 23), 0);
        display_page = 1;
        draw_run_screen();
        capture();
        const TextExtent e = measure_text(90, 103, letter, 12, ALIGN_CENTRE);
        EXPECT_TRUE(text_at(frame, 90, 103, letter, 12, ALIGN_CENTRE, COLOUR_GREY));
        for (const auto& p : ring) EXPECT_EQ(frame[106 + p[1]][e.start - 6 + p[0]], COLOUR_GREY);
        display_page = 0;
    }
}

TEST_F(GaugeCellTest, MissingRemoteDataCrossesTheCellLast) {
    const uint8_t modes[] = {MODE_PRESSURE, MODE_TEMPERATURE, MODE_CURRENT};
    for (uint8_t mode : modes) {
        channel_settings.pressure[1].data_source = 1;
        channel_settings.temperature[1].data_source = 1;
        channel_settings.current[1].data_source = 1;
        set_modes(MODE_VOLTS, mode, 0, 0);
        // Connected: no cross. The expected picture adds the two lines on top.
        zolt_enabled = 1;
        draw_run_screen();
        lcd_thick_line(0, 64, 159, 127, COLOUR_RED);
        lcd_thick_line(0, 127, 159, 64, COLOUR_RED);
        Frame expected;
        save_frame(expected);
        zolt_enabled = 0;
        draw_run_screen();
        capture();
        EXPECT_EQ(std::memcmp(frame, expected, sizeof frame), 0) << int(mode);
        // The volts cell in the upper half is untouched; the pen reaches one row
        // above the lower cell.
        EXPECT_EQ(frame[0][0], COLOUR_BLACK);
        EXPECT_EQ(frame[63][159], COLOUR_RED);
        EXPECT_EQ(frame[62][159], COLOUR_BLACK);
    }
}

TEST_F(GaugeCellTest, InternalDataAndVoltsAreNeverCrossed) {
    zolt_enabled = 0;
    set_modes(MODE_PRESSURE, MODE_TEMPERATURE, MODE_CURRENT, MODE_VOLTS);
    for (uint8_t page = 0; page < 3; ++page) {
        display_page = page;
        draw_run_screen();
        Frame disconnected;
        save_frame(disconnected);
        zolt_enabled = 1;
        draw_run_screen();
        capture();
        EXPECT_EQ(std::memcmp(frame, disconnected, sizeof frame), 0) << int(page);
        zolt_enabled = 0;
    }
}

TEST_F(GaugeCellTest, LabelsStopAtFourCharacters) {
    // A label whose zero has been overwritten is still shown with four characters.
    char* label = channel_settings.current[0].label;
    for (int i = 0; i < LABEL_SIZE; ++i) label[i] = 'W';
    current_tenths[0] = 12;
    current_amps[0] = 1;
    draw_single(MODE_CURRENT);
    EXPECT_TRUE(text_at(frame, 40, 0, "WWWW", 10, ALIGN_CENTRE, COLOUR_GREY));
    // Control codes draw without fault.
    label[0] = 1;
    label[1] = '\x7f';
    label[2] = '\xff';
    draw_single(MODE_CURRENT);
    display_page = 3;
    draw_run_screen();
    EXPECT_EQ(pending_key, KEY_NONE);
}
