// Conversion of raw readings into values, recorded minima and maxima, alarms.
#pragma once

#include <cstdint>

#include "measurement/settings.h"

// Raw inputs, 0..RAW_MAXIMUM: 4097 positions of a 12-bit reading.
constexpr uint16_t RAW_MAXIMUM = 4096;
extern uint16_t adc_input[CHANNEL_COUNT];
extern uint16_t supply_adc;
extern uint16_t zolt_value[CHANNEL_COUNT]; // no link to a ZOLT unit exists: always 0

// Readings, per channel.
extern uint16_t work_adc[CHANNEL_COUNT];
extern int16_t pressure_reading[CHANNEL_COUNT];
extern int16_t temp_reading[CHANNEL_COUNT];
extern int16_t temp_celsius[CHANNEL_COUNT];
extern int16_t current_tenths[CHANNEL_COUNT];
extern int16_t current_amps[CHANNEL_COUNT];
extern uint16_t volts_reading[CHANNEL_COUNT];

// Recorded values.
extern int16_t pressure_max[CHANNEL_COUNT];
extern int16_t temp_max[CHANNEL_COUNT];
extern int16_t current_tenths_min[CHANNEL_COUNT];
extern int16_t current_tenths_max[CHANNEL_COUNT];
extern int16_t current_amps_min[CHANNEL_COUNT];
extern int16_t current_amps_max[CHANNEL_COUNT];
extern uint16_t volts_min[CHANNEL_COUNT];
extern uint16_t volts_max[CHANNEL_COUNT];

// Raw inputs, readings and recorded values as at program start: all 0.
void sampling_reset();

int32_t interpolate_rounded(float x1, float x2, float y1, float y2, int32_t x);
int32_t div10_rounded(int32_t v);
// The reading of a curve at raw, or 0 when no segment of the curve holds raw
// (a curve of fewer than two points).
int16_t curve_lookup(const SenderCurve& curve, uint16_t raw);
// The same lookup, telling whether a segment held raw; value is written only then.
bool curve_lookup_found(const SenderCurve& curve, uint16_t raw, int16_t& value);
int16_t celsius_to_fahrenheit(int16_t t);

void sample_pressure(uint8_t channel, const PressureChannelConfig& record);
void sample_temperature(uint8_t channel, const TemperatureChannelConfig& record);
void sample_current(uint8_t channel, const CurrentChannelConfig& record);
void sample_volts(uint8_t channel, const VoltsChannelConfig& record);
// After the channels of a sampling tick: with no channel in volts mode the
// supply alarm (bit 4) and its acknowledgement are cleared.
void end_supply_alarm_without_volts();
void reset_min_max();
