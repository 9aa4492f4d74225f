// The sender calibration page: its lists, steps, wraps and the store of the
// curve into the record when it is left.
#include <gtest/gtest.h>

#include "test_channel_setup_support.h"

using namespace setup_test;

namespace {

class Calibration : public ::testing::Test {
  protected:
    void SetUp() override { open_temperature(); }

    // Channel 2's USER temperature sender, opened from its setup.
    static void open_temperature() {
        open_channel_setup(1);
        channel_settings.temperature[1].sender = 3;
        adc_input[1] = 1234;
        cursor_to(2);
        key(KEY_PUSH);
        ASSERT_EQ(current_screen, sender_calibration_screen);
    }

    // Channel 1's USER pressure sender in the given unit.
    static void open_pressure(uint8_t unit) {
        open_channel_setup(0);
        channel_settings.pressure[0].sender = 1;
        channel_settings.pressure[0].unit = unit;
        adc_input[0] = 433;
        cursor_to(3);
        key(KEY_PUSH);
        ASSERT_EQ(current_screen, sender_calibration_screen);
    }

    static void edit_item(uint8_t item) {
        cursor_to(item);
        key(KEY_PUSH);
        ASSERT_EQ(menu_editing, 1);
    }
};

TEST_F(Calibration, TemperatureListOfTheDefaultCurve) {
    EXPECT_TRUE(title_is("TEMP SETUP", "ADC 1234"));
    EXPECT_EQ(calibration_item_count(), 21);
    EXPECT_TRUE(row_shows(0, "POINTS: ", "10", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(row_shows(1, "DISPLAY 1: ", "010 ", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(2, "ADC 1: ", "2000", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(3, "DISPLAY 2: ", "050 ", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(4, "ADC 2: ", "0720", COLOUR_WHITE, COLOUR_WHITE));
    key(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 20);
    EXPECT_TRUE(row_shows(4, "ADC 10: ", "0044", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(row_shows(3, "DISPLAY 10: ", "150 ", COLOUR_WHITE, COLOUR_WHITE));
    key(KEY_UP);
    EXPECT_EQ(menu_cursor, 0) << "the last item wraps to the first";
}

TEST_F(Calibration, TheTitleFollowsTheLiveInput) {
    adc_input[1] = 7;
    redraw();
    EXPECT_TRUE(title_is("TEMP SETUP", "ADC 7"));
    adc_input[1] = 4096;
    redraw();
    EXPECT_TRUE(title_is("TEMP SETUP", "ADC 4096"));
}

TEST_F(Calibration, PressureListInEachUnit) {
    open_pressure(0);
    EXPECT_TRUE(title_is("PRESS SETUP", "ADC 433"));
    EXPECT_EQ(calibration_item_count(), 13);
    EXPECT_TRUE(row_shows(0, "POINTS: ", "6", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(row_shows(1, "DISPLAY 1: ", "0.0 bar", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(2, "ADC 1: ", "0020", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(3, "DISPLAY 2: ", "2.0 bar", COLOUR_WHITE, COLOUR_WHITE));
    open_pressure(1);
    EXPECT_TRUE(row_shows(1, "DISPLAY 1: ", "000 psi", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(3, "DISPLAY 2: ", "020 psi", COLOUR_WHITE, COLOUR_WHITE));
    open_pressure(2);
    EXPECT_TRUE(row_shows(3, "DISPLAY 2: ", "2.0 psi", COLOUR_WHITE, COLOUR_WHITE));
}

TEST_F(Calibration, DisplayValueStepsAlternateBetweenOneAndTen) {
    cursor_to(1);
    EXPECT_TRUE(step_label_is("X1"));
    key(KEY_RIGHT);
    EXPECT_EQ(edit_step, 10);
    EXPECT_TRUE(step_label_is("X10"));
    press_key(KEY_RIGHT);
    run_pass(false);
    EXPECT_EQ(edit_step, 100) << "the right key makes 100 for no pass";
    redraw();
    EXPECT_EQ(edit_step, 1);
    EXPECT_TRUE(step_label_is("X1"));

    open_pressure(0);
    cursor_to(1);
    EXPECT_TRUE(step_label_is("X0.1"));
    key(KEY_RIGHT);
    EXPECT_TRUE(step_label_is("X1"));
    key(KEY_RIGHT);
    EXPECT_TRUE(step_label_is("X0.1"));
    edit_step = 1000; // as a raw item can leave it
    redraw();
    EXPECT_TRUE(step_label_is("")) << "no tenths label for 1000";
    key(KEY_RIGHT);
    EXPECT_EQ(edit_step, 1);

    open_pressure(1);
    cursor_to(3);
    key(KEY_RIGHT);
    EXPECT_TRUE(step_label_is("X10"));
    edit_step = 1000;
    redraw();
    EXPECT_TRUE(step_label_is("")) << "no psi label for 1000";
    open_temperature();
    cursor_to(3);
    edit_step = 1000;
    redraw();
    EXPECT_TRUE(step_label_is("X1000"));
}

TEST_F(Calibration, RawValueStepsCycleUpToAThousand) {
    cursor_to(2);
    const char* labels[] = {"X1", "X10", "X100", "X1000", "X1"};
    for (const char* label : labels) {
        EXPECT_TRUE(step_label_is(label)) << label;
        key(KEY_RIGHT);
    }
    cursor_to(0);
    EXPECT_TRUE(step_label_is(""));
    const uint16_t step = edit_step;
    key(KEY_RIGHT);
    EXPECT_EQ(edit_step, step) << "nothing on the point count";
}

TEST_F(Calibration, PointCountWrapsAndKeepsThePointsBeyondIt) {
    edit_item(0);
    calibration_curve.point_count = 16;
    key(KEY_UP);
    EXPECT_EQ(calibration_curve.point_count, 2);
    EXPECT_EQ(calibration_item_count(), 5);
    key(KEY_DOWN);
    EXPECT_EQ(calibration_curve.point_count, 16);
    calibration_curve.point_count = 10;
    key(KEY_DOWN);
    EXPECT_EQ(calibration_curve.point_count, 9);
    EXPECT_TRUE(row_shows(0, "POINTS: ", "9", COLOUR_WHITE, COLOUR_RED));
    key(KEY_UP);
    key(KEY_PUSH);
    key(KEY_DOWN);
    EXPECT_TRUE(row_shows(4, "ADC 10: ", "0044", COLOUR_RED, COLOUR_RED)) << "the tenth point came back";
}

TEST_F(Calibration, ValuesPassTheirLimitOnceThenWrap) {
    edit_item(1);
    SenderPoint& p = calibration_curve.points[0];
    p.value = 998;
    edit_step = 10;
    key(KEY_UP);
    EXPECT_EQ(p.value, 1008);
    EXPECT_TRUE(row_shows(1, "DISPLAY 1: ", "1008 ", COLOUR_WHITE, COLOUR_RED));
    key(KEY_UP);
    EXPECT_EQ(p.value, 0);
    p.value = 5;
    key(KEY_DOWN);
    EXPECT_EQ(p.value, -5);
    EXPECT_TRUE(row_shows(1, "DISPLAY 1: ", "-05 ", COLOUR_WHITE, COLOUR_RED));
    key(KEY_DOWN);
    EXPECT_EQ(p.value, 999);

    edit_item(2);
    edit_step = 10;
    p.raw = 4090;
    key(KEY_UP);
    EXPECT_EQ(p.raw, 4100);
    key(KEY_UP);
    EXPECT_EQ(p.raw, 0);
    key(KEY_DOWN);
    EXPECT_EQ(p.raw, 4095);
    edit_step = 1000;
    key(KEY_DOWN, 5);
    EXPECT_EQ(p.raw, -905);
    key(KEY_DOWN);
    EXPECT_EQ(p.raw, 4095);
}

TEST_F(Calibration, EditingMovesNoCursorAndThePushTogglesOnAnyItem) {
    edit_item(4);
    key(KEY_UP);
    EXPECT_EQ(menu_cursor, 4);
    EXPECT_EQ(calibration_curve.points[1].raw, 721);
    key(KEY_PUSH);
    EXPECT_EQ(menu_editing, 0);
    key(KEY_UP);
    EXPECT_EQ(menu_cursor, 5);
    cursor_to(0);
    key(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 20);
}

TEST_F(Calibration, BackStoresTheTemperatureCurveAndReturnsToCalibrateSender) {
    edit_item(1);
    key(KEY_UP, 3);
    ASSERT_EQ(calibration_curve.points[0].value, 13);
    EXPECT_EQ(channel_settings.temperature[1].user_curve.points[0].value, 10)
        << "only the copy changed so far";
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, message_screen);
    EXPECT_EQ(message_next_screen, channel_setup_screen);
    EXPECT_EQ(channel_settings.temperature[1].user_curve.points[0].value, 13);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, channel_setup_screen);
    EXPECT_EQ(menu_cursor, 2);
    EXPECT_EQ(menu_editing, 0);
    EXPECT_EQ(edit_step, 1);
    EXPECT_TRUE(row_is(2, "CALIBRATE SENDER", true));

    // The conversion reads the stored curve: 2000 counts are now 13 degrees.
    adc_input[1] = 2000;
    sample_temperature(1, channel_settings.temperature[1]);
    EXPECT_EQ(temp_reading[1], 13);
}

TEST_F(Calibration, BackStoresThePressureCurveAndTheConversionUsesIt) {
    open_pressure(0);
    edit_item(1);
    edit_step = 10;
    key(KEY_UP);
    ASSERT_EQ(calibration_curve.points[0].value, 10);
    adc_input[0] = 20;
    sample_pressure(0, channel_settings.pressure[0]);
    EXPECT_EQ(pressure_reading[0], 0) << "the record's curve until the page is left";
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, message_screen);
    sample_pressure(0, channel_settings.pressure[0]);
    EXPECT_EQ(pressure_reading[0], 10);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, channel_setup_screen);
    EXPECT_EQ(menu_cursor, 3);
    EXPECT_TRUE(row_is(3, "CALIBRATE SENDER", true));
    EXPECT_EQ(channel_settings.pressure[1].user_curve.points[0].value, 0) << "other channels keep theirs";
}

// A user curve can come with any point count: the page shows at most sixteen
// points and the first change brings the count back into 2..16.
TEST_F(Calibration, AnyPointCountIsShownWithinTheCurve) {
    calibration_curve.point_count = 200;
    cursor_to(32);
    EXPECT_EQ(calibration_item_count(), 33);
    EXPECT_TRUE(row_shows(4, "ADC 16: ", "0000", COLOUR_RED, COLOUR_RED));
    menu_cursor = 200;
    redraw();
    EXPECT_EQ(menu_cursor, 32) << "the cursor is kept on an item";
    edit_item(0);
    key(KEY_UP);
    EXPECT_EQ(calibration_curve.point_count, 2);
    calibration_curve.point_count = 0;
    redraw();
    EXPECT_EQ(calibration_item_count(), 1);
    EXPECT_TRUE(row_shows(0, "POINTS: ", "0", COLOUR_WHITE, COLOUR_RED));
    key(KEY_UP);
    EXPECT_EQ(calibration_curve.point_count, 2);
    calibration_curve.point_count = 1;
    key(KEY_DOWN);
    EXPECT_EQ(calibration_curve.point_count, 16);
}

} // namespace
