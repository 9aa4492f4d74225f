// Any settings, curves and inputs through every sampling step and the pass:
// nothing faults (the sanitizer build checks the memory and arithmetic) and
// every clamped reading stays within its clamp.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "host/panel/instrument.h"

namespace {

template <typename T> void fill_random(T& object, std::mt19937& rng) {
    unsigned char bytes[sizeof(T)];
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
    std::memcpy(&object, bytes, sizeof(T));
}

// Raw values that sit at the edges of everything, mixed with random ones.
uint16_t some_raw(std::mt19937& rng) {
    static const uint16_t edges[] = {0, 1, 319, 320, 410, 2048, 3686, 4095, 4096, 32767, 32768, 65535};
    return rng() % 4 == 0 ? edges[rng() % 12] : static_cast<uint16_t>(rng());
}

// Curve points with many equal raw values and extreme values.
void roughen_curve(SenderCurve& curve, std::mt19937& rng) {
    static const int16_t extremes[] = {INT16_MIN, INT16_MIN + 1, -1, 0, 1, INT16_MAX - 1, INT16_MAX};
    for (int k = 0; k < 16; ++k) {
        if (rng() % 3 == 0) curve.points[k].raw = curve.points[k > 0 ? k - 1 : 0].raw;
        if (rng() % 4 == 0) curve.points[k].value = extremes[rng() % 7];
        if (rng() % 4 == 0) curve.points[k].raw = extremes[rng() % 7];
    }
}

class SamplingSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        load_default_settings();
        reset_calibration();
        message_timer = 0;
    }
    void TearDown() override {
        load_default_settings();
        reset_calibration();
        std::memset(adc_input, 0, sizeof adc_input);
        std::memset(zolt_value, 0, sizeof zolt_value);
        supply_adc = 0;
        alarm_flags = 0;
        alarm_ack_flags = 0;
        message_timer = 0;
    }
};

TEST_F(SamplingSafety, RandomSettingsThroughEveryStep) {
    std::mt19937 rng(20261208);
    for (int i = 0; i < 3000; ++i) {
        fill_random(channel_settings, rng);
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            // Keep the senders on their interesting values most of the time.
            PressureChannelConfig& p = channel_settings.pressure[c];
            if (rng() % 2) p.sender = static_cast<uint8_t>(rng() % 5);
            if (rng() % 2) p.sender_type = static_cast<uint8_t>(rng() % 3);
            if (rng() % 2) p.unit = static_cast<uint8_t>(rng() % 3);
            roughen_curve(p.user_curve, rng);
            TemperatureChannelConfig& t = channel_settings.temperature[c];
            if (rng() % 2) t.sender = static_cast<uint8_t>(rng() % 7);
            if (rng() % 2) t.unit = static_cast<uint8_t>(rng() % 2);
            roughen_curve(t.user_curve, rng);
            adc_input[c] = some_raw(rng);
            zolt_value[c] = some_raw(rng);
            current_zero[c] = static_cast<uint16_t>(rng());
        }
        supply_adc = some_raw(rng);
        volts_cal_percent = static_cast<uint8_t>(rng());
        message_timer = rng() % 8 == 0 ? static_cast<uint8_t>(rng()) : 0;

        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) {
            sample_pressure(c, channel_settings.pressure[c]);
            sample_temperature(c, channel_settings.temperature[c]);
            sample_current(c, channel_settings.current[c]);
            sample_volts(c, channel_settings.volts[c]);
            ASSERT_GE(pressure_reading[c], 0);
            ASSERT_LE(pressure_reading[c], 999);
            ASSERT_GE(temp_reading[c], -99);
            ASSERT_LE(temp_reading[c], 999);
            ASSERT_EQ(current_amps[c], current_tenths[c] / 10);
            ASSERT_GE(volts_reading[c], 11);
        }
        // Only the five alarm bits ever appear.
        ASSERT_EQ(alarm_flags & ~0x1Fu, 0u);
        if (i % 100 == 0) reset_min_max();
    }
}

TEST_F(SamplingSafety, RandomModesThroughThePass) {
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        fill_random(channel_settings, rng);
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            channel_mode[c] = static_cast<uint8_t>(rng() % 2 ? rng() % 5 : rng());
            adc_input[c] = some_raw(rng);
        }
        supply_adc = some_raw(rng);
        second_tick = 1;
        current_screen = nullptr; // no screen at all must not fault either
        run_pass(rng() % 2 == 0);
        ASSERT_EQ(second_tick, 0);
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            if (channel_mode[c] == MODE_OFF || channel_mode[c] > MODE_VOLTS) {
                ASSERT_EQ(alarm_flags & (1u << c), 0u);
                ASSERT_EQ(alarm_ack_flags & (1u << c), 0u);
            }
        }
    }
    current_screen = run_screen;
}

} // namespace
