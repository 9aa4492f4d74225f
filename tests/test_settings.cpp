// Channel settings: factory defaults, calibration values, built-in curves and
// name tables.
#include <gtest/gtest.h>

#include <cstring>

#include "host/panel/instrument.h"
#include "support/hooks_probe.h"

namespace {

bool same_curve(const SenderCurve& a, const SenderCurve& b) {
    if (a.point_count != b.point_count || a.reserved != b.reserved) return false;
    for (int k = 0; k < 16; ++k) {
        if (a.points[k].value != b.points[k].value || a.points[k].raw != b.points[k].raw) return false;
    }
    return true;
}

// Every byte of the label field past the text is zero.
void expect_label(const char (&label)[LABEL_SIZE], const char* text) {
    const size_t n = std::strlen(text);
    EXPECT_EQ(std::memcmp(label, text, n), 0) << text;
    for (size_t i = n; i < LABEL_SIZE; ++i) EXPECT_EQ(label[i], 0) << text << " position " << i;
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        // Fill everything with garbage so that each default must be written.
        std::memset(&channel_settings, 0xA5, sizeof channel_settings);
        backlight_level = 7;
        security_on = 1;
        security_code = 1111;
        display_page = 3;
        volts_cal_percent = 60;
        for (uint16_t& zero : current_zero) zero = 0x1234;
    }
    // Leave the factory state behind for whatever test runs next.
    void TearDown() override {
        load_default_settings();
        reset_calibration();
    }
};

TEST_F(Settings, ChannelModesAndDeviceWideDefaults) {
    load_default_settings();
    EXPECT_EQ(channel_mode[0], MODE_PRESSURE);
    EXPECT_EQ(channel_mode[1], MODE_TEMPERATURE);
    EXPECT_EQ(channel_mode[2], MODE_CURRENT);
    EXPECT_EQ(channel_mode[3], MODE_VOLTS);
    EXPECT_EQ(backlight_level, 100);
    EXPECT_EQ(security_on, 0);
    EXPECT_EQ(security_code, 6381);
    EXPECT_EQ(display_page, 0);
    EXPECT_EQ(zolt_address, 0);
    EXPECT_EQ(channel_settings.zolt_address, 0);
}

TEST_F(Settings, PressureDefaultsOnEveryChannel) {
    load_default_settings();
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        SCOPED_TRACE(c);
        const PressureChannelConfig& p = channel_settings.pressure[c];
        EXPECT_EQ(p.sender_type, 0);
        EXPECT_EQ(p.sender, 0);
        EXPECT_EQ(p.unit, 0);
        EXPECT_EQ(p.vdo_model, 2);
        EXPECT_EQ(p.uma_model, 0);
        expect_label(p.label, "OILP");
        EXPECT_EQ(p.press_at_4ma, 0);
        EXPECT_EQ(p.press_at_20ma, 100);
        EXPECT_EQ(p.display_max, 100);
        EXPECT_EQ(p.display_min, 0);
        EXPECT_EQ(p.low_alarm, 15);
        EXPECT_EQ(p.low_alarm_on, 1);
        EXPECT_EQ(p.high_alarm, 80);
        EXPECT_EQ(p.low_caution, 25);
        EXPECT_EQ(p.high_caution, 70);
        EXPECT_EQ(p.high_alarm_on, 1);
        EXPECT_EQ(p.data_source, 0);
        // Channel 2 too gets the common curve, not its own VDO variant.
        EXPECT_TRUE(same_curve(p.user_curve, vdo_10bar_curve));
    }
}

TEST_F(Settings, TemperatureDefaultsOnEveryChannel) {
    load_default_settings();
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        SCOPED_TRACE(c);
        const TemperatureChannelConfig& t = channel_settings.temperature[c];
        EXPECT_EQ(t.sender, 1);
        EXPECT_EQ(t.unit, 0);
        expect_label(t.label, "OILT");
        EXPECT_EQ(t.cal_offset, 0);
        EXPECT_EQ(t.display_max, 150);
        EXPECT_EQ(t.display_min, 50);
        EXPECT_EQ(t.low_alarm, 70);
        EXPECT_EQ(t.low_alarm_on, 1);
        EXPECT_EQ(t.high_alarm, 135);
        EXPECT_EQ(t.low_caution, 90);
        EXPECT_EQ(t.high_caution, 120);
        EXPECT_EQ(t.high_alarm_on, 1);
        EXPECT_EQ(t.data_source, 0);
        EXPECT_TRUE(same_curve(t.user_curve, vdo150_curve));
    }
}

TEST_F(Settings, CurrentAndVoltsDefaultsOnEveryChannel) {
    load_default_settings();
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        SCOPED_TRACE(c);
        const CurrentChannelConfig& i = channel_settings.current[c];
        expect_label(i.label, "AMPS");
        EXPECT_EQ(i.display_max, 50);
        EXPECT_EQ(i.display_min, -50);
        EXPECT_EQ(i.low_alarm, -40);
        EXPECT_EQ(i.low_alarm_on, 1);
        EXPECT_EQ(i.high_alarm, 40);
        EXPECT_EQ(i.low_caution, -30);
        EXPECT_EQ(i.high_caution, 30);
        EXPECT_EQ(i.high_alarm_on, 1);
        EXPECT_EQ(i.gain, 100);
        EXPECT_EQ(i.data_source, 0);

        const VoltsChannelConfig& v = channel_settings.volts[c];
        expect_label(v.label, "BAT");
        EXPECT_EQ(v.display_max, 200);
        EXPECT_EQ(v.display_min, 80);
        EXPECT_EQ(v.low_alarm, 100);
        EXPECT_EQ(v.high_alarm, 150);
        EXPECT_EQ(v.low_alarm_on, 1);
        EXPECT_EQ(v.high_alarm_on, 1);
        EXPECT_EQ(v.low_caution, 110);
        EXPECT_EQ(v.high_caution, 140);
    }
}

TEST_F(Settings, DefaultsKeepCalibrationAndEndWithMinMaxResetAndHook) {
    pressure_reading[1] = 321;
    volts_reading[2] = 140;
    current_tenths[3] = -55;
    const HookCounts before = hook_counts;
    load_default_settings();
    EXPECT_EQ(volts_cal_percent, 60);
    for (uint16_t zero : current_zero) EXPECT_EQ(zero, 0x1234);
    EXPECT_EQ(pressure_max[1], 321);
    EXPECT_EQ(volts_min[2], 140);
    EXPECT_EQ(volts_max[2], 140);
    EXPECT_EQ(current_tenths_min[3], -55);
    EXPECT_EQ(hook_counts.settings_changed, before.settings_changed + 1);
    EXPECT_EQ(hook_counts.min_max_changed, before.min_max_changed + 1);
    EXPECT_EQ(hook_counts.channel_setup_changed, before.channel_setup_changed);
}

TEST_F(Settings, DefaultsReplaceAnEditedUserCurve) {
    load_default_settings();
    channel_settings.pressure[1].user_curve.point_count = 3;
    channel_settings.pressure[1].user_curve.points[2] = {999, 4000};
    channel_settings.temperature[3].user_curve.points[0] = {-40, 4095};
    load_default_settings();
    EXPECT_TRUE(same_curve(channel_settings.pressure[1].user_curve, vdo_10bar_curve));
    EXPECT_TRUE(same_curve(channel_settings.temperature[3].user_curve, vdo150_curve));
}

TEST_F(Settings, ResetCalibrationSetsTrimAndZeroPointsOnly) {
    load_default_settings();
    channel_settings.current[0].gain = 500;
    reset_calibration();
    EXPECT_EQ(volts_cal_percent, 100);
    for (uint16_t zero : current_zero) EXPECT_EQ(zero, 0x8000);
    EXPECT_EQ(channel_settings.current[0].gain, 500);
}

TEST_F(Settings, SwitchingModeKeepsTheOtherRecords) {
    load_default_settings();
    channel_settings.pressure[0].high_alarm = 60;
    channel_mode[0] = MODE_TEMPERATURE;
    channel_mode[0] = MODE_PRESSURE;
    EXPECT_EQ(channel_settings.pressure[0].high_alarm, 60);
}

TEST(BuiltInCurves, PointCountsAndEndPoints) {
    struct Row {
        const SenderCurve* curve;
        int count;
        SenderPoint first, last;
    };
    const Row rows[] = {
        {&orv_ntc_curve, 10, {20, 1740}, {110, 106}},   {&vdo150_curve, 10, {10, 2000}, {150, 44}},
        {&westach_curve, 10, {10, 3273}, {204, 37}},    {&vdo120_curve, 10, {10, 1710}, {120, 56}},
        {&vdo_2bar_curve, 5, {0, 7}, {20, 452}},        {&vdo_2bar_ch2_curve, 5, {0, 12}, {20, 644}},
        {&vdo_5bar_curve, 6, {0, 24}, {50, 424}},       {&vdo_5bar_ch2_curve, 6, {0, 36}, {50, 607}},
        {&vdo_10bar_curve, 6, {0, 20}, {100, 433}},     {&vdo_10bar_ch2_curve, 6, {0, 35}, {100, 620}},
        {&uma_t1eu07_curve, 8, {0, 160}, {70, 3722}},   {&uma_t1eu35_curve, 8, {0, 160}, {35, 3814}},
        {&uma_n1eu07_curve, 13, {5, 112}, {60, 3173}},  {&uma_n1eu35_curve, 10, {0, 160}, {90, 3436}},
        {&uma_n1eu100_curve, 8, {0, 160}, {150, 3977}},
    };
    for (const Row& row : rows) {
        const SenderCurve& c = *row.curve;
        EXPECT_EQ(c.point_count, row.count);
        EXPECT_EQ(c.reserved, 0);
        EXPECT_EQ(c.points[0].value, row.first.value);
        EXPECT_EQ(c.points[0].raw, row.first.raw);
        EXPECT_EQ(c.points[row.count - 1].value, row.last.value);
        EXPECT_EQ(c.points[row.count - 1].raw, row.last.raw);
        for (int k = row.count; k < 16; ++k) {
            EXPECT_EQ(c.points[k].value, 0);
            EXPECT_EQ(c.points[k].raw, 0);
        }
    }
    EXPECT_EQ(sizeof(SenderCurve), 66u);
}

TEST(BuiltInCurves, InnerPointsOfTheSensitiveCurves) {
    EXPECT_EQ(vdo_10bar_curve.points[2].value, 40);
    EXPECT_EQ(vdo_10bar_curve.points[2].raw, 216);
    EXPECT_EQ(uma_n1eu07_curve.points[1].value, 6);
    EXPECT_EQ(uma_n1eu07_curve.points[1].raw, 159);
    EXPECT_EQ(westach_curve.points[8].value, 149);
    EXPECT_EQ(westach_curve.points[8].raw, 144);
    EXPECT_EQ(uma_t1eu07_curve.points[5].raw, 2705);
    EXPECT_EQ(uma_n1eu100_curve.points[6].value, 120);
}

TEST(NameTables, EntriesInStoredOrder) {
    EXPECT_STREQ(channel_mode_names[0], "OFF");
    EXPECT_STREQ(channel_mode_names[2], "TEMP");
    EXPECT_STREQ(channel_mode_names[4], "VOLTS");
    EXPECT_STREQ(pressure_sender_type_names[1], "VOLTAGE");
    EXPECT_STREQ(vdo_model_names[2], "10 bar");
    EXPECT_STREQ(uma_model_names[2], "T1EU100");
    EXPECT_STREQ(uma_model_names[5], "N1EU100");
    EXPECT_STREQ(pressure_unit_names[0], "bar");
    EXPECT_STREQ(pressure_unit_names[2], "psi");
    EXPECT_STREQ(temperature_sender_names[0], "ORV NTC");
    EXPECT_STREQ(temperature_sender_names[3], "USER");
    EXPECT_STREQ(data_source_names[1], "ZOLT");
    EXPECT_STREQ(switch_state_names[1], "ON");
}

TEST(NameTables, DegreeSignIsOneCharacter) {
    const char vdo150[] = {'V', 'D', 'O', ' ', '1', '5', '0', static_cast<char>(0xB0), 'C', 0};
    const char vdo120[] = {'V', 'D', 'O', ' ', '1', '2', '0', static_cast<char>(0xB0), 'C', 0};
    EXPECT_STREQ(temperature_sender_names[1], vdo150);
    EXPECT_STREQ(temperature_sender_names[5], vdo120);
    EXPECT_EQ(std::strlen(temperature_unit_names[0]), 2u);
    EXPECT_EQ(static_cast<uint8_t>(temperature_unit_names[0][0]), 0xB0);
    EXPECT_EQ(temperature_unit_names[0][1], 'C');
    EXPECT_EQ(temperature_unit_names[1][1], 'F');
}

} // namespace
