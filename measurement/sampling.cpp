// The sampling steps: raw input to reading, recorded minima and maxima, alarms.
#include "measurement/sampling.h"

#include <cstdint>
#include <cstring>

#include "host/panel/device.h"

uint16_t adc_input[CHANNEL_COUNT];
uint16_t supply_adc;
uint16_t zolt_value[CHANNEL_COUNT];

uint16_t work_adc[CHANNEL_COUNT];
int16_t pressure_reading[CHANNEL_COUNT];
int16_t temp_reading[CHANNEL_COUNT];
int16_t temp_celsius[CHANNEL_COUNT];
int16_t current_tenths[CHANNEL_COUNT];
int16_t current_amps[CHANNEL_COUNT];
uint16_t volts_reading[CHANNEL_COUNT];

int16_t pressure_max[CHANNEL_COUNT];
int16_t temp_max[CHANNEL_COUNT];
int16_t current_tenths_min[CHANNEL_COUNT];
int16_t current_tenths_max[CHANNEL_COUNT];
int16_t current_amps_min[CHANNEL_COUNT];
int16_t current_amps_max[CHANNEL_COUNT];
uint16_t volts_min[CHANNEL_COUNT];
uint16_t volts_max[CHANNEL_COUNT];

namespace {

constexpr uint32_t SUPPLY_ALARM_BIT = 0x10;

constexpr int32_t PRESSURE_MIN = 0;
constexpr int32_t PRESSURE_MAX = 999;
// Anything colder than -99 is shown as -99, which keeps every reading within
// three characters and a sign.
constexpr int32_t TEMPERATURE_MIN = -99;
constexpr int32_t TEMPERATURE_MAX = 999;

// Raw counts of 4 mA and 20 mA through the current-loop input; channel 2's
// input circuit differs from the others.
constexpr float LOOP_4MA_RAW = 320.0f;
constexpr float LOOP_20MA_RAW = 1601.0f;
constexpr float LOOP_4MA_RAW_CH2 = 319.0f;
constexpr float LOOP_20MA_RAW_CH2 = 1613.0f;

// The input reads 0..5 V over 0..4096 counts: 0.5 V and 4.5 V.
constexpr float RATIOMETRIC_LOW_RAW = 410.0f;
constexpr float RATIOMETRIC_HIGH_RAW = 3686.0f;

// The LM335 gives 10 mV per kelvin: about 0.1611 degrees per count.
constexpr int32_t LM335_PER_COUNT_E4 = 1611;
constexpr int32_t KELVIN_OFFSET = 273;

// One entry of the unit conversion table: v × mul / div in integers, then,
// where marked, divided by ten with rounding.
struct UnitScale {
    int32_t mul;
    int32_t div;
    bool div10;
};

// Rows by the curve's own unit, columns by the record's unit: 0.1 bar, psi,
// 0.1 psi. The 0.1 psi curve into 0.1 bar goes through × 100 / 145 and the
// rounded division by ten, which lands in 0.1 bar (× 10 / 145 would be ten
// times too low after that division).
constexpr UnitScale FROM_TENTH_BAR[3] = {{1, 1, false}, {145, 10, true}, {145, 1, true}};
constexpr UnitScale FROM_TENTH_PSI[3] = {{100, 145, true}, {1, 1, true}, {1, 1, false}};
constexpr UnitScale FROM_PSI[3] = {{1000, 145, true}, {1, 1, false}, {10, 1, false}};
constexpr UnitScale FROM_INCHES_HG[3] = {{10000, 2952, true}, {10000, 2036, true}, {100000, 2036, true}};

struct UmaModel {
    const SenderCurve* curve;
    const UnitScale* scales;
};

// "T1EU100" has no curve of its own: it reads the T1EU07 curve as whole psi.
const UmaModel UMA_MODELS[6] = {
    {&uma_t1eu07_curve, FROM_TENTH_PSI}, {&uma_t1eu35_curve, FROM_PSI}, {&uma_t1eu07_curve, FROM_PSI},
    {&uma_n1eu07_curve, FROM_INCHES_HG}, {&uma_n1eu35_curve, FROM_PSI}, {&uma_n1eu100_curve, FROM_PSI},
};

const SenderCurve* const VDO_CURVES[3] = {&vdo_2bar_curve, &vdo_5bar_curve, &vdo_10bar_curve};
const SenderCurve* const VDO_CURVES_CH2[3] = {&vdo_2bar_ch2_curve, &vdo_5bar_ch2_curve, &vdo_10bar_ch2_curve};

// Built-in temperature curves by sender; the LM335 and the user curve are
// handled apart and any unknown sender reads the VDO 150 curve.
const SenderCurve* const TEMPERATURE_CURVES[6] = {&orv_ntc_curve, &vdo150_curve,  nullptr,
                                                  nullptr,        &westach_curve, &vdo120_curve};

int32_t clamp(int32_t v, int32_t low, int32_t high) { return v < low ? low : (v > high ? high : v); }

int32_t clamp64(int64_t v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v));
}

int16_t clamp16(int32_t v) { return static_cast<int16_t>(clamp(v, INT16_MIN, INT16_MAX)); }

uint16_t select_input(uint8_t channel, uint8_t data_source) {
    return data_source == 0 ? adc_input[channel] : zolt_value[channel];
}

// The product is taken in 64 bits: a large curve value times 100000 does not
// fit in 32.
int32_t apply_scale(int32_t v, const UnitScale& scale) {
    const int64_t scaled = static_cast<int64_t>(v) * scale.mul / scale.div;
    const int32_t narrowed = clamp64(scaled);
    return scale.div10 ? div10_rounded(narrowed) : narrowed;
}

// An unknown unit is read like unit 0, without conversion.
const UnitScale& scale_for_unit(const UnitScale* scales, uint8_t unit) { return scales[unit < 3 ? unit : 0]; }

bool convert_through(const SenderCurve& curve, uint16_t raw, const UnitScale& scale, int32_t& v) {
    int16_t value = 0;
    if (!curve_lookup_found(curve, raw, value)) return false;
    v = apply_scale(value, scale);
    return true;
}

// False when the sender's curve holds no segment for raw: the reading then
// stays as it was.
bool convert_pressure(uint8_t channel, const PressureChannelConfig& record, uint16_t raw, int32_t& v) {
    switch (record.sender) {
    case SENDER_USER: // the user curve already holds display units
        return convert_through(record.user_curve, raw, FROM_TENTH_BAR[0], v);
    case SENDER_UMA_OR_LOOP:
        if (record.sender_type == SENDER_TYPE_CURRENT) {
            const bool ch2 = channel == 1;
            v = interpolate_rounded(ch2 ? LOOP_4MA_RAW_CH2 : LOOP_4MA_RAW,
                                    ch2 ? LOOP_20MA_RAW_CH2 : LOOP_20MA_RAW, record.press_at_4ma,
                                    record.press_at_20ma, raw);
            return true;
        } else {
            const UmaModel& model = UMA_MODELS[record.uma_model < 6 ? record.uma_model : 0];
            return convert_through(*model.curve, raw, scale_for_unit(model.scales, record.unit), v);
        }
    case SENDER_RATIOMETRIC:
        v = interpolate_rounded(RATIOMETRIC_LOW_RAW, RATIOMETRIC_HIGH_RAW, 0.0f, record.press_at_20ma, raw);
        return true;
    default: {
        // An unknown VDO model reads the 10 bar curve, the factory model.
        const SenderCurve* const* curves = channel == 1 ? VDO_CURVES_CH2 : VDO_CURVES;
        const SenderCurve& curve = *curves[record.vdo_model < 3 ? record.vdo_model : 2];
        return convert_through(curve, raw, scale_for_unit(FROM_TENTH_BAR, record.unit), v);
    }
    }
}

const SenderCurve& temperature_curve(const TemperatureChannelConfig& record) {
    if (record.sender == TEMP_SENDER_USER) return record.user_curve;
    if (record.sender < 6 && TEMPERATURE_CURVES[record.sender] != nullptr)
        return *TEMPERATURE_CURVES[record.sender];
    return vdo150_curve;
}

// Both comparisons are strict and an enable flag counts only when it is
// exactly 1. An acknowledgement ends with its alarm.
void apply_alarm_rule(uint32_t bit, int32_t reading, int32_t low_alarm, uint8_t low_alarm_on,
                      int32_t high_alarm, uint8_t high_alarm_on) {
    const bool low = reading < low_alarm && low_alarm_on == 1;
    const bool high = reading > high_alarm && high_alarm_on == 1;
    if (low || high) {
        alarm_flags |= bit;
    } else {
        alarm_flags &= ~bit;
        alarm_ack_flags &= ~bit;
    }
}

template <typename T> void record_max(T& recorded, T reading) {
    if (reading > recorded) {
        recorded = reading;
        min_max_changed();
    }
}

template <typename T> void record_min(T& recorded, T reading) {
    if (reading < recorded) {
        recorded = reading;
        min_max_changed();
    }
}

} // namespace

bool pressure_for_raw(uint8_t channel, const PressureChannelConfig& record, uint16_t raw, int16_t& reading) {
    int32_t v = 0;
    if (channel >= CHANNEL_COUNT || !convert_pressure(channel, record, raw, v)) return false;
    reading = static_cast<int16_t>(clamp(v, PRESSURE_MIN, PRESSURE_MAX));
    return true;
}

bool temperature_for_raw(const TemperatureChannelConfig& record, uint16_t raw, int16_t& celsius,
                         int16_t& reading) {
    int32_t t = 0;
    if (record.sender == TEMP_SENDER_LM335) {
        t = raw * LM335_PER_COUNT_E4 / 10000 - KELVIN_OFFSET + record.cal_offset;
    } else {
        int16_t value = 0;
        if (!curve_lookup_found(temperature_curve(record), raw, value)) return false;
        t = value;
    }
    celsius = clamp16(t);
    // The user curve holds display units and is never converted.
    if (record.sender != TEMP_SENDER_USER && record.unit == TEMP_UNIT_FAHRENHEIT)
        t = celsius_to_fahrenheit(celsius);
    reading = static_cast<int16_t>(clamp(t, TEMPERATURE_MIN, TEMPERATURE_MAX));
    return true;
}

int16_t current_tenths_for_raw(uint8_t channel, const CurrentChannelConfig& record, uint16_t raw) {
    if (channel >= CHANNEL_COUNT) return 0;
    // The zero point is kept in 1/16 counts; the offset is in whole counts.
    const int32_t d = (static_cast<int32_t>(raw) * 16 - static_cast<int32_t>(current_zero[channel])) / 16;
    // Within the input and gain ranges the product fits easily; an extreme gain
    // saturates at the 16-bit limits rather than wrapping round.
    return clamp16(record.gain * d / 1000);
}

uint16_t volts_for_raw(uint16_t raw) {
    // 64-bit product: a full-scale input with an out-of-range trim would wrap
    // 32 bits.
    return static_cast<uint16_t>(static_cast<uint64_t>(raw) * 886u * volts_cal_percent / 1000000u + 11u);
}

bool channel_reading_for_raw(uint8_t channel, uint16_t raw, int32_t& reading) {
    if (channel >= CHANNEL_COUNT) return false;
    int16_t value = 0, celsius = 0;
    switch (channel_mode[channel]) {
    case MODE_PRESSURE:
        if (!pressure_for_raw(channel, channel_settings.pressure[channel], raw, value)) return false;
        reading = value;
        return true;
    case MODE_TEMPERATURE:
        if (!temperature_for_raw(channel_settings.temperature[channel], raw, celsius, value)) return false;
        reading = value;
        return true;
    case MODE_CURRENT:
        reading = current_tenths_for_raw(channel, channel_settings.current[channel], raw);
        return true;
    case MODE_VOLTS:
        reading = volts_for_raw(raw);
        return true;
    default:
        return false;
    }
}

void sample_pressure(uint8_t channel, const PressureChannelConfig& record) {
    if (channel >= CHANNEL_COUNT) return;
    const uint16_t raw = select_input(channel, record.data_source);
    work_adc[channel] = raw;
    pressure_for_raw(channel, record, raw, pressure_reading[channel]);
    if (message_timer > 0) return;
    record_max(pressure_max[channel], pressure_reading[channel]);
    apply_alarm_rule(1u << channel, pressure_reading[channel], record.low_alarm, record.low_alarm_on,
                     record.high_alarm, record.high_alarm_on);
}

void sample_temperature(uint8_t channel, const TemperatureChannelConfig& record) {
    if (channel >= CHANNEL_COUNT) return;
    const uint16_t raw = select_input(channel, record.data_source);
    work_adc[channel] = raw;
    temperature_for_raw(record, raw, temp_celsius[channel], temp_reading[channel]);
    if (message_timer > 0) return;
    record_max(temp_max[channel], temp_reading[channel]);
    apply_alarm_rule(1u << channel, temp_reading[channel], record.low_alarm, record.low_alarm_on,
                     record.high_alarm, record.high_alarm_on);
}

void sample_current(uint8_t channel, const CurrentChannelConfig& record) {
    if (channel >= CHANNEL_COUNT) return;
    const uint16_t raw = select_input(channel, record.data_source);
    work_adc[channel] = raw;
    current_tenths[channel] = current_tenths_for_raw(channel, record, raw);
    current_amps[channel] = static_cast<int16_t>(current_tenths[channel] / 10);
    if (message_timer > 0) return;
    apply_alarm_rule(1u << channel, current_amps[channel], record.low_alarm, record.low_alarm_on,
                     record.high_alarm, record.high_alarm_on);
    record_min(current_tenths_min[channel], current_tenths[channel]);
    record_max(current_tenths_max[channel], current_tenths[channel]);
    record_min(current_amps_min[channel], current_amps[channel]);
    record_max(current_amps_max[channel], current_amps[channel]);
}

void sample_volts(uint8_t channel, const VoltsChannelConfig& record) {
    if (channel >= CHANNEL_COUNT) return;
    work_adc[channel] = supply_adc;
    volts_reading[channel] = volts_for_raw(supply_adc);
    if (message_timer > 0) return;
    // Every volts channel shows the one supply: they share the supply bit and
    // leave the channel's own bit alone.
    apply_alarm_rule(SUPPLY_ALARM_BIT, volts_reading[channel], record.low_alarm, record.low_alarm_on,
                     record.high_alarm, record.high_alarm_on);
    record_min(volts_min[channel], volts_reading[channel]);
    record_max(volts_max[channel], volts_reading[channel]);
}

// Only a volts channel evaluates the supply alarm. Once the last one has
// changed mode nothing else would clear it: an alarm that no screen or lamp
// shows, and that would silently spend the next key on the run screen as its
// acknowledgement. Without a volts channel there is no supply alarm.
void end_supply_alarm_without_volts() {
    for (uint8_t mode : channel_mode)
        if (mode == MODE_VOLTS) return;
    alarm_flags &= ~SUPPLY_ALARM_BIT;
    alarm_ack_flags &= ~SUPPLY_ALARM_BIT;
}

void reset_min_max() {
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        pressure_max[c] = pressure_reading[c];
        temp_max[c] = temp_reading[c];
        current_amps_min[c] = current_amps[c];
        current_amps_max[c] = current_amps[c];
        current_tenths_min[c] = current_tenths[c];
        current_tenths_max[c] = current_tenths[c];
        volts_min[c] = volts_reading[c];
        volts_max[c] = volts_reading[c];
    }
    min_max_changed();
}

void sampling_reset() {
    std::memset(adc_input, 0, sizeof adc_input);
    supply_adc = 0;
    std::memset(zolt_value, 0, sizeof zolt_value);
    std::memset(work_adc, 0, sizeof work_adc);
    std::memset(pressure_reading, 0, sizeof pressure_reading);
    std::memset(temp_reading, 0, sizeof temp_reading);
    std::memset(temp_celsius, 0, sizeof temp_celsius);
    std::memset(current_tenths, 0, sizeof current_tenths);
    std::memset(current_amps, 0, sizeof current_amps);
    std::memset(volts_reading, 0, sizeof volts_reading);
    std::memset(pressure_max, 0, sizeof pressure_max);
    std::memset(temp_max, 0, sizeof temp_max);
    std::memset(current_tenths_min, 0, sizeof current_tenths_min);
    std::memset(current_tenths_max, 0, sizeof current_tenths_max);
    std::memset(current_amps_min, 0, sizeof current_amps_min);
    std::memset(current_amps_max, 0, sizeof current_amps_max);
    std::memset(volts_min, 0, sizeof volts_min);
    std::memset(volts_max, 0, sizeof volts_max);
}
