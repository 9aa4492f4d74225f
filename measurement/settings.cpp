// The channel settings, their factory defaults and the calibration values.
#include "measurement/settings.h"

#include <cstring>

#include "measurement/sampling.h"

// Zero-filled until the first power-on loads the defaults.
ChannelSettings channel_settings;

uint8_t backlight_level;
uint8_t security_on;
uint16_t security_code;
uint8_t display_page;

uint16_t current_zero[CHANNEL_COUNT];
uint8_t volts_cal_percent;

namespace {

constexpr uint8_t DEFAULT_CHANNEL_MODES[CHANNEL_COUNT] = {MODE_PRESSURE, MODE_TEMPERATURE, MODE_CURRENT,
                                                          MODE_VOLTS};

// The records as the factory sets them; the user curves are copied in
// separately from the built-in curves. A label literal shorter than the field
// leaves the rest of the field zero.
constexpr PressureChannelConfig DEFAULT_PRESSURE = {
    .sender_type = SENDER_TYPE_RESISTIVE,
    .sender = SENDER_VDO,
    .unit = PRESSURE_UNIT_BAR,
    .vdo_model = 2,
    .uma_model = 0,
    .label = "OILP",
    .press_at_4ma = 0,
    .press_at_20ma = 100,
    .display_max = 100,
    .display_min = 0,
    .low_alarm = 15,
    .low_alarm_on = 1,
    .high_alarm = 80,
    .low_caution = 25,
    .high_caution = 70,
    .high_alarm_on = 1,
    .data_source = 0,
    .user_curve = {},
};

constexpr TemperatureChannelConfig DEFAULT_TEMPERATURE = {
    .sender = 1,
    .unit = TEMP_UNIT_CELSIUS,
    .label = "OILT",
    .cal_offset = 0,
    .display_max = 150,
    .display_min = 50,
    .low_alarm = 70,
    .low_alarm_on = 1,
    .high_alarm = 135,
    .low_caution = 90,
    .high_caution = 120,
    .high_alarm_on = 1,
    .data_source = 0,
    .user_curve = {},
};

constexpr CurrentChannelConfig DEFAULT_CURRENT = {
    .label = "AMPS",
    .display_max = 50,
    .display_min = -50,
    .low_alarm = -40,
    .low_alarm_on = 1,
    .high_alarm = 40,
    .low_caution = -30,
    .high_caution = 30,
    .high_alarm_on = 1,
    .gain = 100,
    .data_source = 0,
};

constexpr VoltsChannelConfig DEFAULT_VOLTS = {
    .label = "BAT",
    .display_max = 200,
    .display_min = 80,
    .low_alarm = 100,
    .high_alarm = 150,
    .low_alarm_on = 1,
    .high_alarm_on = 1,
    .low_caution = 110,
    .high_caution = 140,
};

constexpr uint16_t FACTORY_CURRENT_ZERO = 0x8000; // 2048 counts in 1/16 counts
constexpr uint8_t FACTORY_VOLTS_CAL_PERCENT = 100;

void load_channel_defaults(int c) {
    channel_settings.pressure[c] = DEFAULT_PRESSURE;
    // Every channel, channel 2 included, starts from the common 10 bar curve.
    channel_settings.pressure[c].user_curve = vdo_10bar_curve;
    channel_settings.temperature[c] = DEFAULT_TEMPERATURE;
    channel_settings.temperature[c].user_curve = vdo150_curve;
    channel_settings.current[c] = DEFAULT_CURRENT;
    channel_settings.volts[c] = DEFAULT_VOLTS;
}

} // namespace

void load_default_settings() {
    backlight_level = 100;
    security_on = 0;
    security_code = FACTORY_SECURITY_CODE;
    display_page = 0;
    zolt_address = 0;
    for (int c = 0; c < CHANNEL_COUNT; ++c) channel_mode[c] = DEFAULT_CHANNEL_MODES[c];
    for (int c = 0; c < CHANNEL_COUNT; ++c) load_channel_defaults(c);
    reset_min_max();
    settings_changed();
}

// Kept apart from the defaults: a sensor zeroed by the user keeps its zero
// point when the defaults are loaded from the menu.
void reset_calibration() {
    volts_cal_percent = FACTORY_VOLTS_CAL_PERCENT;
    for (uint16_t& zero : current_zero) zero = FACTORY_CURRENT_ZERO;
}

void settings_reset() {
    std::memset(&channel_settings, 0, sizeof channel_settings);
    backlight_level = 0;
    security_on = 0;
    security_code = 0;
    display_page = 0;
    std::memset(current_zero, 0, sizeof current_zero);
    volts_cal_percent = 0;
}

const PressureSenderType PRESSURE_SENDER_TYPES[SENDER_TYPE_COUNT] = {
    {SENDER_VDO, SENDER_USER, true, {"VDO", "USER", nullptr, nullptr}},
    {SENDER_USER, SENDER_RATIOMETRIC, false, {nullptr, "USER", "UMA", "0.5-4.5V"}},
    {SENDER_UMA_OR_LOOP, SENDER_UMA_OR_LOOP, true, {nullptr, nullptr, "4-20mA", nullptr}},
};

uint8_t sender_in_range(uint8_t sender_type, uint8_t sender) {
    if (sender_type >= SENDER_TYPE_COUNT) return sender;
    const PressureSenderType& type = PRESSURE_SENDER_TYPES[sender_type];
    const bool out = sender < type.first || (type.corrects_above && sender > type.last);
    return out ? type.first : sender;
}
