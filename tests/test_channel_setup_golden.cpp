// Golden pictures of the channel setup in every mode and sender, scrolled to
// the top and to the bottom, while editing, and of the calibration page and
// the zeroing question.
#include <gtest/gtest.h>

#include "support/golden.h"
#include "test_channel_setup_support.h"

using namespace setup_test;

namespace {

class SetupGolden : public ::testing::Test {
  protected:
    // A channel's setup with fixed live readings, so that the pictures do not
    // depend on earlier tests.
    static void open(uint8_t channel) {
        open_channel_setup(channel);
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) {
            adc_input[c] = 1234;
            temp_celsius[c] = 51;
            current_tenths[c] = -57;
            current_amps[c] = -5;
            volts_reading[c] = 143;
        }
        volts_cal_percent = 100;
        zolt_address = 0;
        redraw();
    }

    // The picture with the cursor on the first and on the last item.
    static void top_and_bottom(const char* name) {
        cursor_to(0);
        EXPECT_TRUE(matches_golden(std::string("setup_") + name + "_top"));
        cursor_to(uint8_t(channel_setup_item_count() - 1));
        EXPECT_TRUE(matches_golden(std::string("setup_") + name + "_bottom"));
    }
};

TEST_F(SetupGolden, ModeOff) {
    open(0);
    channel_mode[0] = MODE_OFF;
    redraw();
    EXPECT_TRUE(matches_golden("setup_off"));
}

TEST_F(SetupGolden, PressureSenders) {
    open(0);
    top_and_bottom("pressure_vdo");
    PressureChannelConfig& p = channel_settings.pressure[0];
    p.sender = 1;
    top_and_bottom("pressure_user");
    p.sender_type = 1;
    p.sender = 2;
    top_and_bottom("pressure_uma");
    p.sender = 3;
    top_and_bottom("pressure_05_45v");
    p.sender_type = 2;
    top_and_bottom("pressure_4_20ma");
    p.data_source = 1;
    zolt_address = 2;
    top_and_bottom("pressure_zolt");
}

TEST_F(SetupGolden, PressureInPsi) {
    open(0);
    channel_settings.pressure[0].unit = 1;
    clamp_pressure_limits(channel_settings.pressure[0]);
    cursor_to(7);
    EXPECT_TRUE(matches_golden("setup_pressure_psi"));
}

TEST_F(SetupGolden, TemperatureSenders) {
    open(1);
    top_and_bottom("temperature_vdo150");
    channel_settings.temperature[1].sender = 2;
    channel_settings.temperature[1].cal_offset = 2;
    top_and_bottom("temperature_lm335");
    channel_settings.temperature[1].sender = 3;
    top_and_bottom("temperature_user");
}

TEST_F(SetupGolden, CurrentAndVolts) {
    open(2);
    top_and_bottom("current");
    open(3);
    top_and_bottom("volts");
}

TEST_F(SetupGolden, EditingStates) {
    open(0);
    cursor_to(9);
    key(KEY_PUSH);
    key(KEY_RIGHT);
    EXPECT_TRUE(matches_golden("setup_editing_number"));
    open(0);
    cursor_to(4);
    key(KEY_PUSH, 3);
    EXPECT_TRUE(matches_golden("setup_editing_text"));
}

TEST_F(SetupGolden, CalibrationPages) {
    open(0);
    channel_settings.pressure[0].sender = 1;
    cursor_to(3);
    key(KEY_PUSH);
    EXPECT_TRUE(matches_golden("setup_calibration_pressure"));
    cursor_to(1);
    EXPECT_TRUE(matches_golden("setup_calibration_pressure_display"));
    open(1);
    channel_settings.temperature[1].sender = 3;
    cursor_to(2);
    key(KEY_PUSH);
    EXPECT_TRUE(matches_golden("setup_calibration_temperature"));
    cursor_to(14);
    key(KEY_PUSH);
    EXPECT_TRUE(matches_golden("setup_calibration_temperature_scrolled"));
}

TEST_F(SetupGolden, ZeroingQuestion) {
    open(2);
    cursor_to(10);
    key(KEY_PUSH);
    EXPECT_TRUE(matches_golden("setup_zero_question"));
}

// Runs after the pictures above (tests run in the order they are written).
TEST_F(SetupGolden, ContactSheet) {
    EXPECT_TRUE(write_golden_contact_sheet("setup_", "setup_contact_sheet"));
}

} // namespace
