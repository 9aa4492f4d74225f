// The sampling steps: conversions into readings, clamps, recorded values and
// the alarm rule.
#include <gtest/gtest.h>

#include <cstring>

#include "host/panel/instrument.h"
#include "support/hooks_probe.h"

namespace {

class Sampling : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument_reset();
        load_default_settings();
        reset_calibration();
        std::memset(adc_input, 0, sizeof adc_input);
        std::memset(zolt_value, 0, sizeof zolt_value);
        supply_adc = 0;
        message_timer = 0;
        alarm_flags = 0;
        alarm_ack_flags = 0;
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            work_adc[c] = 0;
            pressure_reading[c] = 0;
            temp_reading[c] = 0;
            temp_celsius[c] = 0;
            current_tenths[c] = 0;
            current_amps[c] = 0;
            volts_reading[c] = 0;
        }
        reset_min_max();
    }
    void TearDown() override {
        load_default_settings();
        reset_calibration();
        alarm_flags = 0;
        alarm_ack_flags = 0;
        message_timer = 0;
    }

    static PressureChannelConfig& pressure(int c) { return channel_settings.pressure[c]; }
    static TemperatureChannelConfig& temperature(int c) { return channel_settings.temperature[c]; }
    static CurrentChannelConfig& current(int c) { return channel_settings.current[c]; }
    static VoltsChannelConfig& volts(int c) { return channel_settings.volts[c]; }

    static int16_t read_pressure(int c, uint16_t raw) {
        adc_input[c] = raw;
        sample_pressure(static_cast<uint8_t>(c), pressure(c));
        return pressure_reading[c];
    }
    static int16_t read_temperature(int c, uint16_t raw) {
        adc_input[c] = raw;
        sample_temperature(static_cast<uint8_t>(c), temperature(c));
        return temp_reading[c];
    }
    static int16_t read_current(int c, uint16_t raw) {
        adc_input[c] = raw;
        sample_current(static_cast<uint8_t>(c), current(c));
        return current_tenths[c];
    }
    static uint16_t read_volts(int c, uint16_t raw) {
        supply_adc = raw;
        sample_volts(static_cast<uint8_t>(c), volts(c));
        return volts_reading[c];
    }
};

TEST_F(Sampling, Vdo10BarOnChannelOneInBar) {
    EXPECT_EQ(read_pressure(0, 20), 0);
    EXPECT_EQ(read_pressure(0, 100), 15);
    EXPECT_EQ(read_pressure(0, 300), 59);
    EXPECT_EQ(read_pressure(0, 433), 100);
    EXPECT_EQ(read_pressure(0, 500), 122);
    EXPECT_EQ(read_pressure(0, 0), 0);      // -4, clamped
    EXPECT_EQ(read_pressure(0, 4096), 999); // 1301, clamped
    EXPECT_EQ(work_adc[0], 4096);
}

TEST_F(Sampling, VdoInPsiAndTenthsOfPsi) {
    pressure(0).unit = 1;
    EXPECT_EQ(read_pressure(0, 433), 145);
    EXPECT_EQ(read_pressure(0, 300), 86); // 59 x 145 / 10 = 855, rounded to 86
    pressure(0).unit = 2;
    EXPECT_EQ(read_pressure(0, 300), 856);
    EXPECT_EQ(read_pressure(0, 433), 999); // 1450, clamped
}

TEST_F(Sampling, ChannelTwoHasItsOwnVdoCurves) {
    EXPECT_EQ(read_pressure(1, 620), 100);
    EXPECT_EQ(read_pressure(1, 192), 20);
    EXPECT_EQ(read_pressure(0, 192), 35); // the common curve reads the same counts higher
    pressure(1).vdo_model = 0;
    EXPECT_EQ(read_pressure(1, 644), 20);
    pressure(1).vdo_model = 1;
    EXPECT_EQ(read_pressure(1, 607), 50);
    pressure(2).vdo_model = 0;
    EXPECT_EQ(read_pressure(2, 452), 20);
    pressure(3).vdo_model = 1;
    EXPECT_EQ(read_pressure(3, 424), 50);
    pressure(3).vdo_model = 77; // unknown model: the factory 10 bar curve
    EXPECT_EQ(read_pressure(3, 433), 100);
}

TEST_F(Sampling, CurrentLoopSenderOnChannelOneAndTwo) {
    pressure(0).sender_type = 2;
    pressure(0).sender = 2;
    EXPECT_EQ(read_pressure(0, 320), 0);
    EXPECT_EQ(read_pressure(0, 960), 50);
    EXPECT_EQ(read_pressure(0, 1601), 100);
    EXPECT_EQ(read_pressure(0, 0), 0); // -25, clamped
    pressure(1).sender_type = 2;
    pressure(1).sender = 2;
    pressure(1).press_at_4ma = 10;
    pressure(1).press_at_20ma = 90;
    EXPECT_EQ(read_pressure(1, 319), 10);
    EXPECT_EQ(read_pressure(1, 1613), 90);
    EXPECT_EQ(read_pressure(1, 966), 50);
}

TEST_F(Sampling, RatiometricSenderIsLinearFromHalfToFourAndAHalfVolts) {
    pressure(0).sender_type = 1;
    pressure(0).sender = 3;
    EXPECT_EQ(read_pressure(0, 410), 0);
    EXPECT_EQ(read_pressure(0, 3686), 100);
    EXPECT_EQ(read_pressure(0, 2048), 50);
    EXPECT_EQ(read_pressure(0, 4096), 113); // extrapolated: 112.5
    EXPECT_EQ(read_pressure(0, 0), 0);      // -12.5, clamped
    // Read in the record's unit with no conversion.
    pressure(0).unit = 2;
    pressure(0).press_at_20ma = 999;
    EXPECT_EQ(read_pressure(0, 3686), 999);
    EXPECT_EQ(read_pressure(0, 2048), 500);
}

TEST_F(Sampling, UserCurveHoldsDisplayUnits) {
    pressure(0).sender = 1;
    pressure(0).unit = 1;
    pressure(0).user_curve.point_count = 2;
    pressure(0).user_curve.points[0] = {0, 100};
    pressure(0).user_curve.points[1] = {150, 1600};
    EXPECT_EQ(read_pressure(0, 1600), 150);
    EXPECT_EQ(read_pressure(0, 850), 75);
}

struct UmaCase {
    uint8_t model;
    uint16_t raw;
    int16_t tenth_bar, psi, tenth_psi;
};

// Worked by hand from the curve point at that raw value and the unit table.
const UmaCase UMA_CASES[] = {
    // T1EU07, 0.1 psi: 40 -> 4000/145 = 27 -> 3; 4; 40.
    {0, 2196, 3, 4, 40},
    {0, 3722, 5, 7, 70},
    {0, 1432, 2, 3, 25}, // midway: 25, and 2.5 psi rounds to 3
    {0, 160, 0, 0, 0},
    // T1EU35, psi: 20 -> 20000/145 = 137 -> 14; 20; 200.
    {1, 2245, 14, 20, 200},
    {1, 3814, 24, 35, 350},
    {1, 0, 0, 0, 0}, // -1.55 extrapolated, clamped
    // T1EU100 reads the T1EU07 curve as whole psi.
    {2, 2196, 28, 40, 400},
    {2, 3722, 48, 70, 700},
    // N1EU07, inches of mercury: 20 -> 67 -> 7; 98 -> 10; 982 -> 98.
    {3, 939, 7, 10, 98},
    {3, 3173, 20, 29, 295},
    {3, 112, 2, 2, 25},
    // N1EU35, psi.
    {4, 1612, 28, 40, 400},
    {4, 3436, 62, 90, 900},
    // N1EU100, psi.
    {5, 1686, 41, 60, 600},
    {5, 3977, 103, 150, 999},
};

TEST_F(Sampling, UmaModelsInEveryUnit) {
    pressure(0).sender_type = 1;
    pressure(0).sender = 2;
    for (const UmaCase& u : UMA_CASES) {
        SCOPED_TRACE(testing::Message() << "model " << int(u.model) << " raw " << u.raw);
        pressure(0).uma_model = u.model;
        pressure(0).unit = 0;
        EXPECT_EQ(read_pressure(0, u.raw), u.tenth_bar);
        pressure(0).unit = 1;
        EXPECT_EQ(read_pressure(0, u.raw), u.psi);
        pressure(0).unit = 2;
        EXPECT_EQ(read_pressure(0, u.raw), u.tenth_psi);
    }
}

TEST_F(Sampling, ZoltSourceReadsZero) {
    pressure(0).data_source = 1;
    EXPECT_EQ(read_pressure(0, 433), 0); // -4 at 0 counts, clamped
    EXPECT_EQ(work_adc[0], 0);
    zolt_value[0] = 433;
    EXPECT_EQ(read_pressure(0, 0), 100); // the value a unit would deliver
    temperature(1).data_source = 1;
    EXPECT_EQ(read_temperature(1, 2000), 187);
    current(2).data_source = 1;
    EXPECT_EQ(read_current(2, 2048), -204);
}

TEST_F(Sampling, TemperatureCurvesBySender) {
    EXPECT_EQ(read_temperature(1, 2000), 10);
    EXPECT_EQ(read_temperature(1, 156), 100);
    EXPECT_EQ(read_temperature(1, 44), 150);
    EXPECT_EQ(read_temperature(1, 0), 187);
    EXPECT_EQ(read_temperature(1, 4096), -56);
    temperature(1).sender = 0;
    EXPECT_EQ(read_temperature(1, 703), 50);
    temperature(1).sender = 4;
    EXPECT_EQ(read_temperature(1, 37), 204);
    temperature(1).sender = 5;
    EXPECT_EQ(read_temperature(1, 332), 60);
    temperature(1).sender = 6; // unknown: the VDO 150 curve
    EXPECT_EQ(read_temperature(1, 720), 50);
    temperature(1).sender = 255;
    EXPECT_EQ(read_temperature(1, 720), 50);
}

TEST_F(Sampling, Lm335InCelsiusAndFahrenheitWithOffset) {
    temperature(0).sender = 2;
    EXPECT_EQ(read_temperature(0, 2000), 49);
    EXPECT_EQ(temp_celsius[0], 49);
    temperature(0).unit = 1;
    EXPECT_EQ(read_temperature(0, 2000), 120);
    EXPECT_EQ(temp_celsius[0], 49);
    temperature(0).cal_offset = -30;
    temperature(0).unit = 0;
    EXPECT_EQ(read_temperature(0, 2000), 19);
    temperature(0).cal_offset = 5;
    temperature(0).unit = 1;
    EXPECT_EQ(read_temperature(0, 2000), 129); // 54 C
    EXPECT_EQ(temp_celsius[0], 54);
}

TEST_F(Sampling, TemperatureClampsAtMinusNinetyNineAndNineNineNine) {
    temperature(0).sender = 2;
    EXPECT_EQ(read_temperature(0, 0), -99);
    EXPECT_EQ(temp_celsius[0], -273);
    // Exactly -100 is below -99 too; -98 passes.
    EXPECT_EQ(read_temperature(0, 1080), -99);
    EXPECT_EQ(temp_celsius[0], -100);
    EXPECT_EQ(read_temperature(0, 1081), -99);
    EXPECT_EQ(temp_celsius[0], -99);
    EXPECT_EQ(read_temperature(0, 1087), -98);
    temperature(0).cal_offset = 12; // 173 - 273 + 12
    EXPECT_EQ(read_temperature(0, 1077), -88);
    EXPECT_EQ(read_temperature(0, 65535), 999);
    temperature(0).unit = 1;
    EXPECT_EQ(read_temperature(0, 65535), 999);
}

TEST_F(Sampling, UserTemperatureCurveIsNeverConverted) {
    temperature(2).sender = 3;
    temperature(2).unit = 1;
    temperature(2).user_curve.point_count = 2;
    temperature(2).user_curve.points[0] = {300, 100};
    temperature(2).user_curve.points[1] = {100, 1100};
    EXPECT_EQ(read_temperature(2, 600), 200);
    EXPECT_EQ(temp_celsius[2], 200);
    // The built-in curve in Fahrenheit: 100 C is 212 F.
    temperature(2).sender = 1;
    EXPECT_EQ(read_temperature(2, 156), 212);
    EXPECT_EQ(temp_celsius[2], 100);
}

TEST_F(Sampling, CurrentAroundTheFactoryZero) {
    EXPECT_EQ(read_current(2, 2048), 0);
    EXPECT_EQ(current_amps[2], 0);
    EXPECT_EQ(read_current(2, 4096), 204);
    EXPECT_EQ(current_amps[2], 20);
    EXPECT_EQ(read_current(2, 0), -204);
    EXPECT_EQ(current_amps[2], -20);
    EXPECT_EQ(read_current(2, 2100), 5); // 52 counts x 100 / 1000
    EXPECT_EQ(current_amps[2], 0);
}

TEST_F(Sampling, CurrentWithZeroPointAndGain) {
    current_zero[0] = 2000 * 16 + 8; // half a count above 2000
    current(0).gain = 1000;
    EXPECT_EQ(read_current(0, 2000), 0);    // -8 / 16 truncates to 0
    EXPECT_EQ(read_current(0, 2100), 99);   // 1592 / 16 = 99 counts
    EXPECT_EQ(read_current(0, 1900), -100); // -1608 / 16 = -100
    EXPECT_EQ(current_amps[0], -10);
    current(0).gain = 32767;
    EXPECT_EQ(read_current(0, 65535), INT16_MAX); // saturates, no wrap
    current(0).gain = -32768;
    EXPECT_EQ(read_current(0, 65535), INT16_MIN);
}

TEST_F(Sampling, VoltsFromTheSupplyWithTrim) {
    EXPECT_EQ(read_volts(3, 1500), 143);
    EXPECT_EQ(work_adc[3], 1500);
    EXPECT_EQ(read_volts(3, 0), 11);
    EXPECT_EQ(read_volts(3, 4096), 373);
    volts_cal_percent = 150;
    EXPECT_EQ(read_volts(3, 1500), 210); // 199.35 + 11
    volts_cal_percent = 255;
    EXPECT_EQ(read_volts(3, 65535), 14817); // no 32-bit wrap
    // Any channel in volts mode shows the supply.
    volts_cal_percent = 100;
    adc_input[0] = 7;
    EXPECT_EQ(read_volts(0, 1500), 143);
    EXPECT_EQ(work_adc[0], 1500);
}

TEST_F(Sampling, AlarmLimitsAreStrict) {
    // High alarm 80 (8.0 bar): 372 counts read exactly 80.
    EXPECT_EQ(read_pressure(0, 372), 80);
    EXPECT_EQ(alarm_flags, 0u);
    EXPECT_EQ(read_pressure(0, 376), 81);
    EXPECT_EQ(alarm_flags, 0x01u);
    // Low alarm 15: 100 counts read exactly 15.
    EXPECT_EQ(read_pressure(0, 100), 15);
    EXPECT_EQ(alarm_flags, 0u);
    EXPECT_EQ(read_pressure(0, 95), 14);
    EXPECT_EQ(alarm_flags, 0x01u);

    // Temperature on channel 2: low 70, high 135.
    temperature(1).sender = 2;
    temperature(1).cal_offset = 0;
    EXPECT_EQ(read_temperature(1, 2500), 129);
    EXPECT_EQ(alarm_flags & 0x02u, 0u);
    temperature(1).cal_offset = 6;
    EXPECT_EQ(read_temperature(1, 2500), 135);
    EXPECT_EQ(alarm_flags & 0x02u, 0u);
    temperature(1).cal_offset = 7;
    EXPECT_EQ(read_temperature(1, 2500), 136);
    EXPECT_EQ(alarm_flags & 0x02u, 0x02u);

    // Current on channel 3 compares whole amperes: high 40.
    current(2).gain = 400;
    EXPECT_EQ(read_current(2, 3072), 409); // 40.9 A is 40 whole amperes
    EXPECT_EQ(alarm_flags & 0x04u, 0u);
    EXPECT_EQ(read_current(2, 3076), 411);
    EXPECT_EQ(alarm_flags & 0x04u, 0x04u);
    EXPECT_EQ(read_current(2, 1024), -409);
    EXPECT_EQ(alarm_flags & 0x04u, 0u);
    EXPECT_EQ(read_current(2, 1020), -411);
    EXPECT_EQ(alarm_flags & 0x04u, 0x04u);
}

TEST_F(Sampling, EnableFlagsCountOnlyWhenExactlyOne) {
    read_pressure(0, 500);
    EXPECT_EQ(alarm_flags, 0x01u);
    pressure(0).high_alarm_on = 2;
    read_pressure(0, 500);
    EXPECT_EQ(alarm_flags, 0u);
    pressure(0).high_alarm_on = 0;
    read_pressure(0, 500);
    EXPECT_EQ(alarm_flags, 0u);
    pressure(0).low_alarm_on = 255;
    read_pressure(0, 0);
    EXPECT_EQ(alarm_flags, 0u);
    pressure(0).low_alarm_on = 1;
    read_pressure(0, 0);
    EXPECT_EQ(alarm_flags, 0x01u);

    volts(3).high_alarm_on = 3;
    read_volts(3, 4096);
    EXPECT_EQ(alarm_flags & 0x10u, 0u);
    volts(3).high_alarm_on = 1;
    read_volts(3, 4096);
    EXPECT_EQ(alarm_flags & 0x10u, 0x10u);
}

TEST_F(Sampling, AcknowledgementLastsAsLongAsItsAlarm) {
    read_pressure(0, 500);
    alarm_ack_flags |= 0x01; // the run screen acknowledges
    read_pressure(0, 480);
    EXPECT_EQ(alarm_flags, 0x01u);
    EXPECT_EQ(alarm_ack_flags, 0x01u);
    read_pressure(0, 300); // back within limits
    EXPECT_EQ(alarm_flags, 0u);
    EXPECT_EQ(alarm_ack_flags, 0u);
    read_pressure(0, 500); // the next excursion is new
    EXPECT_EQ(alarm_flags, 0x01u);
    EXPECT_EQ(alarm_ack_flags, 0u);
}

TEST_F(Sampling, ChannelBitsAreIndependent) {
    alarm_flags = 0x0A;
    alarm_ack_flags = 0x0A;
    read_pressure(0, 500);
    EXPECT_EQ(alarm_flags, 0x0Bu);
    read_pressure(0, 300);
    EXPECT_EQ(alarm_flags, 0x0Au);
    EXPECT_EQ(alarm_ack_flags, 0x0Au);
}

TEST_F(Sampling, VoltsChannelsShareTheSupplyBitAndLeaveTheirOwn) {
    volts(0).high_alarm = 300;
    read_volts(3, 1500); // 14.3 V: within channel 4's limits
    EXPECT_EQ(alarm_flags, 0u);
    read_volts(2, 2000); // 18.8 V: above channel 3's 15.0 V
    EXPECT_EQ(alarm_flags, 0x10u);
    alarm_ack_flags = 0x10;
    read_volts(0, 2000); // within channel 1's raised limit: the later channel decides
    EXPECT_EQ(alarm_flags, 0u);
    EXPECT_EQ(alarm_ack_flags, 0u);

    // A channel switched from an alarmed mode straight to volts keeps its bit.
    EXPECT_EQ(read_pressure(1, 0), 0);
    EXPECT_EQ(alarm_flags, 0x02u);
    read_volts(1, 1500);
    EXPECT_EQ(alarm_flags, 0x02u);
}

TEST_F(Sampling, VoltsLimitsCompareUnsigned) {
    volts(3).low_alarm = 0xFFFF; // far above every reading
    read_volts(3, 1500);
    EXPECT_EQ(alarm_flags, 0x10u);
}

TEST_F(Sampling, PressureAndTemperatureRecordMaximaOnly) {
    const int before = hook_counts.min_max_changed;
    read_pressure(0, 300);
    EXPECT_EQ(pressure_max[0], 59);
    EXPECT_EQ(hook_counts.min_max_changed, before + 1);
    read_pressure(0, 100);
    EXPECT_EQ(pressure_max[0], 59);
    read_pressure(0, 300);
    EXPECT_EQ(hook_counts.min_max_changed, before + 1); // equal is not new
    read_temperature(1, 156);
    EXPECT_EQ(temp_max[1], 100);
    read_temperature(1, 2000);
    EXPECT_EQ(temp_max[1], 100);
    EXPECT_EQ(hook_counts.min_max_changed, before + 2);
}

TEST_F(Sampling, CurrentAndVoltsRecordBothEnds) {
    const int before = hook_counts.min_max_changed;
    read_current(2, 3000); // 9.5 A: tenths and amperes both rise
    EXPECT_EQ(current_tenths_max[2], 95);
    EXPECT_EQ(current_amps_max[2], 9);
    EXPECT_EQ(hook_counts.min_max_changed, before + 2);
    read_current(2, 1000); // -10.4 A
    EXPECT_EQ(current_tenths_min[2], -104);
    EXPECT_EQ(current_amps_min[2], -10);
    EXPECT_EQ(current_tenths_max[2], 95);
    EXPECT_EQ(hook_counts.min_max_changed, before + 4);

    read_volts(3, 1500);
    reset_min_max();
    read_volts(3, 1000);
    EXPECT_EQ(volts_min[3], 99);
    EXPECT_EQ(volts_max[3], 143);
    read_volts(3, 2000);
    EXPECT_EQ(volts_min[3], 99);
    EXPECT_EQ(volts_max[3], 188);
}

TEST_F(Sampling, ResetMinMaxTakesThePresentReadings) {
    read_pressure(0, 433);
    read_current(2, 1000);
    read_volts(3, 1500);
    read_pressure(0, 300);
    const int before = hook_counts.min_max_changed;
    reset_min_max();
    EXPECT_EQ(hook_counts.min_max_changed, before + 1);
    EXPECT_EQ(pressure_max[0], 59);
    EXPECT_EQ(current_tenths_min[2], -104);
    EXPECT_EQ(current_tenths_max[2], -104);
    EXPECT_EQ(current_amps_min[2], -10);
    EXPECT_EQ(current_amps_max[2], -10);
    EXPECT_EQ(volts_min[3], 143);
    EXPECT_EQ(volts_max[3], 143);
    EXPECT_EQ(temp_max[1], temp_reading[1]);
}

TEST_F(Sampling, MessageTimerHoldsOffMaximaAndAlarms) {
    read_pressure(0, 500);
    EXPECT_EQ(alarm_flags, 0x01u);
    message_timer = 3;
    const int before = hook_counts.min_max_changed;
    EXPECT_EQ(read_pressure(0, 300), 59); // the reading itself is stored
    EXPECT_EQ(alarm_flags, 0x01u);        // the flags keep their state
    read_pressure(0, 600);
    EXPECT_EQ(pressure_max[0], 122);
    read_temperature(1, 0);
    EXPECT_EQ(temp_max[1], 0);
    EXPECT_EQ(alarm_flags & 0x02u, 0u);
    read_current(2, 4096);
    EXPECT_EQ(current_tenths_max[2], 0);
    read_volts(3, 4096);
    EXPECT_EQ(volts_max[3], 0);
    EXPECT_EQ(alarm_flags & 0x10u, 0u);
    EXPECT_EQ(hook_counts.min_max_changed, before);
    message_timer = 0;
    read_pressure(0, 300);
    EXPECT_EQ(alarm_flags, 0u);
}

TEST_F(Sampling, ChannelIndexBeyondFourIsIgnored) {
    sample_pressure(4, pressure(0));
    sample_temperature(200, temperature(0));
    sample_current(4, current(0));
    sample_volts(255, volts(0));
    EXPECT_EQ(alarm_flags, 0u);
    for (int c = 0; c < CHANNEL_COUNT; ++c) EXPECT_EQ(work_adc[c], 0);
}

TEST_F(Sampling, UserCurveOfFewerThanTwoPointsKeepsTheReading) {
    read_pressure(0, 300);
    pressure(0).sender = 1;
    pressure(0).user_curve.point_count = 1;
    EXPECT_EQ(read_pressure(0, 433), 59);
    EXPECT_EQ(work_adc[0], 433);
    EXPECT_EQ(read_temperature(1, 156), 100);
    temperature(1).sender = 3;
    temperature(1).user_curve.point_count = 0;
    EXPECT_EQ(read_temperature(1, 4000), 100);
    EXPECT_EQ(temp_celsius[1], 100);
}

} // namespace
