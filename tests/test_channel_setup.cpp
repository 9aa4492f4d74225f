// The channel setup list: which items each mode, type, sender and data source
// brings, and what each shows at its place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_channel_setup_support.h"

using namespace setup_test;

namespace {

struct Item {
    std::string label;
    std::string value;
};

class ChannelSetupList : public ::testing::Test {
  protected:
    void SetUp() override { open_channel_setup(0); }

    // Walks the cursor over every item with the knob and checks each one, red
    // under the cursor, at the row where the list scrolls it to.
    void expect_list(const std::vector<Item>& items) {
        ASSERT_EQ(channel_setup_item_count(), items.size());
        cursor_to(0);
        for (size_t i = 0; i < items.size(); ++i) {
            ASSERT_EQ(menu_cursor, i);
            const int row = row_of(uint8_t(i));
            EXPECT_TRUE(row_shows(row, items[i].label, items[i].value, COLOUR_RED, COLOUR_RED));
            // The item above, when visible, is white.
            if (row > 0) {
                EXPECT_TRUE(
                    row_shows(row - 1, items[i - 1].label, items[i - 1].value, COLOUR_WHITE, COLOUR_WHITE));
            }
            key(KEY_UP);
        }
        EXPECT_EQ(menu_cursor, 0) << "the knob up on the last item wraps to the first";
    }
};

TEST_F(ChannelSetupList, DefaultChannelOneShowsItsFifteenItems) {
    EXPECT_TRUE(title_is("CH 1", "SETUP"));
    expect_list({{"MODE: ", "PRESSURE"},
                 {"TYPE: ", "RESISTIVE"},
                 {"SENDER: ", "VDO"},
                 {"MODEL: ", "10 bar"},
                 {"LABEL: ", "OILP"},
                 {"UNIT: ", "bar"},
                 {"DISPLAY MAX: ", "10.0 "},
                 {"DISPLAY MIN: ", "0.0 "},
                 {"HIGH ALARM: ", "ON"},
                 {"HIGH ALARM: ", "8.0 "},
                 {"HIGH CAUTION: ", "7.0 "},
                 {"LOW CAUTION: ", "2.5 "},
                 {"LOW ALARM: ", "ON"},
                 {"LOW ALARM: ", "1.5 "},
                 {"DATA: ", "INTERNAL"}});
}

TEST_F(ChannelSetupList, FirstFiveRowsAndScrollBarOnEntry) {
    EXPECT_TRUE(row_shows(0, "MODE: ", "PRESSURE", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(row_shows(1, "TYPE: ", "RESISTIVE", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(4, "LABEL: ", "OILP", COLOUR_WHITE, COLOUR_WHITE));
    // 15 items: the thumb of item 0 runs from y 30 to 35 (step 50).
    EXPECT_EQ(FrameBuffer[30][153], COLOUR_WHITE);
    EXPECT_EQ(FrameBuffer[35][159], COLOUR_WHITE);
    EXPECT_EQ(FrameBuffer[36][153], 0);
}

TEST_F(ChannelSetupList, KnobDownOnTheFirstItemGoesToTheLast) {
    key(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 14);
    EXPECT_EQ(menu_scroll, 10);
    EXPECT_TRUE(row_shows(4, "DATA: ", "INTERNAL", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(row_shows(0, "HIGH CAUTION: ", "7.0 ", COLOUR_WHITE, COLOUR_WHITE));
}

TEST_F(ChannelSetupList, TypeCurrentBringsTheFourToTwentyItems) {
    cursor_to(1);
    key(KEY_PUSH);
    key(KEY_UP, 2);
    key(KEY_PUSH);
    EXPECT_EQ(channel_settings.pressure[0].sender_type, 2);
    EXPECT_EQ(channel_settings.pressure[0].sender, 2) << "the sender follows its type";
    EXPECT_EQ(channel_setup_item_count(), 16);
    EXPECT_TRUE(row_shows(2, "SENDER: ", "4-20mA", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(3, "PRESS@4mA: ", "0.0 ", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(4, "PRESS@20mA: ", "10.0 ", COLOUR_WHITE, COLOUR_WHITE));
    // The sender cannot be changed away from 4-20mA.
    cursor_to(2);
    key(KEY_PUSH);
    key(KEY_UP);
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.pressure[0].sender, 2);
}

TEST_F(ChannelSetupList, TypeVoltageBringsTheUserSenderAndCalibration) {
    cursor_to(1);
    key(KEY_PUSH);
    key(KEY_UP);
    key(KEY_PUSH);
    EXPECT_EQ(channel_settings.pressure[0].sender, 1);
    EXPECT_TRUE(row_shows(2, "SENDER: ", "USER", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_is(3, "CALIBRATE SENDER", false));
    cursor_to(3);
    EXPECT_TRUE(row_is(3, "CALIBRATE SENDER", true));
    EXPECT_TRUE(step_label_is(""));
}

TEST_F(ChannelSetupList, VoltageSendersStepThroughUserUmaAndHalfToFourAndAHalfVolts) {
    channel_settings.pressure[0].sender_type = 1;
    cursor_to(2);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_TRUE(row_shows(2, "SENDER: ", "UMA", COLOUR_WHITE, COLOUR_RED));
    EXPECT_TRUE(row_shows(3, "MODEL: ", "T1EU07", COLOUR_WHITE, COLOUR_WHITE));
    key(KEY_UP);
    EXPECT_TRUE(row_shows(2, "SENDER: ", "0.5-4.5V", COLOUR_WHITE, COLOUR_RED));
    EXPECT_TRUE(row_shows(4, "LABEL: ", "OILP", COLOUR_WHITE, COLOUR_WHITE));
    key(KEY_UP);
    EXPECT_EQ(channel_settings.pressure[0].sender, 1) << "0.5-4.5V wraps to USER";
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.pressure[0].sender, 3) << "and back";
}

// The 0.5-4.5V sender reads up to the pressure it gives at 4.5 V: one item
// sets it, and the items after it move down by one.
TEST_F(ChannelSetupList, HalfToFourAndAHalfVoltSenderSetsItsMaximumPressure) {
    channel_settings.pressure[0].sender_type = 1;
    channel_settings.pressure[0].sender = 3;
    redraw();
    EXPECT_EQ(channel_setup_item_count(), 15);
    EXPECT_TRUE(row_shows(3, "PRESS@4.5V: ", "10.0 ", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(4, "LABEL: ", "OILP", COLOUR_WHITE, COLOUR_WHITE));
    cursor_to(3);
    EXPECT_TRUE(step_label_is("X0.1"));
    key(KEY_PUSH);
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.pressure[0].press_at_20ma, 99);
    key(KEY_UP, 2);
    EXPECT_EQ(channel_settings.pressure[0].press_at_20ma, 0) << "wraps to 0 above unit_max";
    channel_settings.pressure[0].unit = 1;
    channel_settings.pressure[0].press_at_20ma = 150;
    redraw();
    EXPECT_TRUE(row_shows(3, "PRESS@4.5V: ", "150 ", COLOUR_WHITE, COLOUR_RED));
    EXPECT_TRUE(step_label_is("X1"));
}

TEST_F(ChannelSetupList, ResistiveUserAndVdoSenders) {
    cursor_to(2);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_TRUE(row_shows(2, "SENDER: ", "USER", COLOUR_WHITE, COLOUR_RED));
    EXPECT_TRUE(row_is(3, "CALIBRATE SENDER", false));
    key(KEY_UP);
    EXPECT_TRUE(row_shows(2, "SENDER: ", "VDO", COLOUR_WHITE, COLOUR_RED));
    EXPECT_TRUE(row_shows(3, "MODEL: ", "10 bar", COLOUR_WHITE, COLOUR_WHITE));
}

TEST_F(ChannelSetupList, SenderOutsideItsTypeIsBroughtIntoRangeBeforeItIsShown) {
    PressureChannelConfig& p = channel_settings.pressure[0];
    p.sender_type = 0;
    p.sender = 3;
    redraw();
    EXPECT_EQ(p.sender, 0);
    p.sender_type = 1;
    p.sender = 0;
    redraw();
    EXPECT_EQ(p.sender, 1);
    p.sender_type = 2;
    p.sender = 1;
    redraw();
    EXPECT_EQ(p.sender, 2);
}

TEST_F(ChannelSetupList, UnitChangesRedrawTheLimitsAndClampThem) {
    cursor_to(5);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_TRUE(row_shows(row_of(5), "UNIT: ", "psi", COLOUR_WHITE, COLOUR_RED));
    cursor_to(7);
    EXPECT_TRUE(row_shows(row_of(6), "DISPLAY MAX: ", "100 ", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(row_of(7), "DISPLAY MIN: ", "1 ", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(step_label_is("X1"));
    cursor_to(5);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_TRUE(row_shows(row_of(5), "UNIT: ", "psi(0.1)", COLOUR_WHITE, COLOUR_RED));
    cursor_to(6);
    EXPECT_TRUE(row_shows(row_of(6), "DISPLAY MAX: ", "10.0 ", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(step_label_is("X0.1"));
    cursor_to(5);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_EQ(channel_settings.pressure[0].unit, 0) << "psi(0.1) wraps to bar";
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.pressure[0].unit, 2) << "bar wraps back to psi(0.1)";
}

TEST_F(ChannelSetupList, UnitToBarClampsEveryLimitToItsMaximum) {
    PressureChannelConfig& p = channel_settings.pressure[0];
    p.unit = 2;
    p.display_max = 999;
    p.display_min = 0;
    p.low_alarm = 500;
    p.high_alarm = 998;
    p.low_caution = -7;
    p.high_caution = 150;
    p.press_at_4ma = 400;
    p.press_at_20ma = 900;
    cursor_to(5);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_EQ(p.unit, 0);
    EXPECT_EQ(p.display_max, 100);
    EXPECT_EQ(p.display_min, 1);
    EXPECT_EQ(p.low_alarm, 100);
    EXPECT_EQ(p.high_alarm, 100);
    EXPECT_EQ(p.low_caution, 1);
    EXPECT_EQ(p.high_caution, 100);
    EXPECT_EQ(p.press_at_4ma, 400) << "the 4-20mA values are not clamped";
    EXPECT_EQ(p.press_at_20ma, 900);
}

TEST_F(ChannelSetupList, DataZoltChangesTheFirstItemAndAddsTheAddress) {
    cursor_to(14);
    key(KEY_PUSH);
    key(KEY_UP);
    key(KEY_PUSH);
    EXPECT_EQ(channel_settings.pressure[0].data_source, 1);
    EXPECT_EQ(channel_setup_item_count(), 16);
    EXPECT_TRUE(row_shows(4, "DATA: ", "ZOLT", COLOUR_RED, COLOUR_RED));
    key(KEY_UP);
    EXPECT_TRUE(row_shows(4, "ZOLT ADDRESS: ", "1", COLOUR_RED, COLOUR_RED));
    key(KEY_PUSH);
    key(KEY_DOWN);
    EXPECT_EQ(zolt_address, 3) << "address 1 steps down to 4";
    EXPECT_TRUE(row_shows(4, "ZOLT ADDRESS: ", "4", COLOUR_WHITE, COLOUR_RED));
    key(KEY_UP);
    EXPECT_EQ(zolt_address, 0);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_TRUE(row_shows(0, "OIL PRESS: ", "ON", COLOUR_RED, COLOUR_RED));
}

TEST_F(ChannelSetupList, ChannelTwoReadsOilTempWhileItsTemperatureComesFromZolt) {
    open_channel_setup(1);
    EXPECT_TRUE(title_is("CH 2", "SETUP"));
    EXPECT_TRUE(row_shows(0, "MODE: ", "TEMP", COLOUR_RED, COLOUR_RED));
    channel_settings.temperature[1].data_source = 1;
    channel_mode[1] = MODE_OFF;
    redraw();
    EXPECT_TRUE(row_shows(0, "OIL TEMP: ", "OFF", COLOUR_RED, COLOUR_RED));
    EXPECT_EQ(channel_setup_item_count(), 1);
    // Channel 3 has no such item.
    open_channel_setup(2);
    channel_settings.pressure[2].data_source = 1;
    channel_settings.current[2].data_source = 1;
    redraw();
    EXPECT_TRUE(row_shows(0, "MODE: ", "CURRENT", COLOUR_RED, COLOUR_RED));
}

TEST_F(ChannelSetupList, TheModeItemStepsThroughEveryModeAndWraps) {
    const char* names[5] = {"OFF", "PRESSURE", "TEMP", "CURRENT", "VOLTS"};
    const uint8_t counts[5] = {1, 15, 13, 13, 11};
    key(KEY_PUSH);
    for (int step = 0; step < 6; ++step) {
        const uint8_t mode = uint8_t((2 + step) % 5);
        key(KEY_UP);
        EXPECT_EQ(channel_mode[0], mode);
        EXPECT_TRUE(row_shows(0, "MODE: ", names[mode], COLOUR_WHITE, COLOUR_RED));
        EXPECT_EQ(channel_setup_item_count(), counts[mode]) << "mode " << int(mode);
    }
    channel_mode[0] = 0;
    key(KEY_DOWN);
    EXPECT_EQ(channel_mode[0], 4);
}

TEST_F(ChannelSetupList, TemperatureList) {
    open_channel_setup(1);
    expect_list({{"MODE: ", "TEMP"},
                 {"SENDER: ", "VDO 150\xB0"
                              "C"},
                 {"LABEL: ", "OILT"},
                 {"TEMP UNIT: ", "\xB0"
                                 "C"},
                 {"DISPLAY MAX: ", "150"},
                 {"DISPLAY MIN: ", "50"},
                 {"HIGH ALARM: ", "ON"},
                 {"HIGH ALARM: ", "135"},
                 {"HIGH CAUTION: ", "120"},
                 {"LOW CAUTION: ", "90"},
                 {"LOW ALARM: ", "ON"},
                 {"LOW ALARM: ", "70"},
                 {"DATA: ", "INTERNAL"}});
}

TEST_F(ChannelSetupList, TemperatureSendersBringTheirItems) {
    open_channel_setup(1);
    TemperatureChannelConfig& t = channel_settings.temperature[1];
    t.sender = 2;
    t.cal_offset = 2;
    temp_celsius[1] = 51;
    redraw();
    EXPECT_TRUE(row_shows(1, "SENDER: ", "LM335", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(2, "CAL: ",
                          "+2 51\xB0"
                          "C",
                          COLOUR_WHITE, COLOUR_WHITE));
    t.sender = 3;
    redraw();
    EXPECT_TRUE(row_shows(1, "SENDER: ", "USER", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_is(2, "CALIBRATE SENDER", false));
    cursor_to(1);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_TRUE(row_shows(1, "SENDER: ", "WESTACH", COLOUR_WHITE, COLOUR_RED));
    EXPECT_TRUE(row_shows(2, "LABEL: ", "OILT", COLOUR_WHITE, COLOUR_WHITE));
    key(KEY_UP, 2);
    EXPECT_EQ(t.sender, 0) << "VDO 120°C wraps to ORV NTC";
    key(KEY_DOWN);
    EXPECT_EQ(t.sender, 5);
}

TEST_F(ChannelSetupList, CurrentList) {
    open_channel_setup(2);
    current_tenths[2] = -57;
    current_amps[2] = -5;
    expect_list({{"MODE: ", "CURRENT"},
                 {"LABEL: ", "AMPS"},
                 {"DISPLAY MAX: ", "50A"},
                 {"DISPLAY MIN: ", "-50A"},
                 {"HIGH ALARM: ", "ON"},
                 {"HIGH ALARM: ", "40A"},
                 {"HIGH CAUTION: ", "30A"},
                 {"LOW CAUTION: ", "-30A"},
                 {"LOW ALARM: ", "ON"},
                 {"LOW ALARM: ", "-40A"},
                 {"ZERO SENSOR", ""},
                 {"GAIN: ", "100 -5.7A"},
                 {"DATA: ", "INTERNAL"}});
}

TEST_F(ChannelSetupList, GainShowsWholeAmperesFromTenAmperesOn) {
    open_channel_setup(2);
    cursor_to(11);
    current_tenths[2] = 100;
    current_amps[2] = 10;
    redraw();
    EXPECT_TRUE(row_shows(4, "GAIN: ", "100 10A", COLOUR_RED, COLOUR_RED));
    current_tenths[2] = 99;
    current_amps[2] = 9;
    redraw();
    EXPECT_TRUE(row_shows(4, "GAIN: ", "100 9.9A", COLOUR_RED, COLOUR_RED));
    current_tenths[2] = -100;
    current_amps[2] = -10;
    redraw();
    EXPECT_TRUE(row_shows(4, "GAIN: ", "100 -10A", COLOUR_RED, COLOUR_RED));
    EXPECT_TRUE(step_label_is("X1"));
}

TEST_F(ChannelSetupList, VoltsList) {
    open_channel_setup(3);
    volts_cal_percent = 100;
    volts_reading[3] = 143;
    expect_list({{"MODE: ", "VOLTS"},
                 {"LABEL: ", "BAT"},
                 {"DISPLAY MAX: ", "20.0"},
                 {"DISPLAY MIN: ", "8.0"},
                 {"HIGH ALARM: ", "ON"},
                 {"HIGH ALARM: ", "15.0"},
                 {"HIGH CAUTION: ", "14.0"},
                 {"LOW CAUTION: ", "11.0"},
                 {"LOW ALARM: ", "ON"},
                 {"LOW ALARM: ", "10.0"},
                 {"CAL: ", "100% 14.3V"}});
}

TEST_F(ChannelSetupList, ModeOffShowsOneItem) {
    channel_mode[0] = MODE_OFF;
    redraw();
    EXPECT_EQ(channel_setup_item_count(), 1);
    EXPECT_TRUE(row_shows(0, "MODE: ", "OFF", COLOUR_RED, COLOUR_RED));
    EXPECT_EQ(ink_in(0, row_y(1), LIST_RIGHT, 108), 0);
    // The whole track is the thumb.
    for (int y = 30; y <= 106; ++y) EXPECT_EQ(FrameBuffer[y][153], COLOUR_WHITE) << y;
    key(KEY_UP);
    EXPECT_EQ(menu_cursor, 0);
    key(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 0);
}

} // namespace
