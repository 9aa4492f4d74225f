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

// The conversions of the sampling steps, which write nothing but their
// results: what a step would store for raw, so that a reading can be worked
// out without sampling. The pressure and temperature ones are false, writing
// nothing, where the sender's curve holds no segment for raw (the step then
// keeps the reading it had).
bool pressure_for_raw(uint8_t channel, const PressureChannelConfig& record, uint16_t raw, int16_t& reading);
bool temperature_for_raw(const TemperatureChannelConfig& record, uint16_t raw, int16_t& celsius,
                         int16_t& reading);
int16_t current_tenths_for_raw(uint8_t channel, const CurrentChannelConfig& record, uint16_t raw);
uint16_t volts_for_raw(uint16_t raw); // raw is the supply input
// The reading that channel 0..3 would show for raw through its present mode,
// record and calibration, in the scale of its reading table (current in
// 0.1 A); false for a channel that is off or as above.
bool channel_reading_for_raw(uint8_t channel, uint16_t raw, int32_t& reading);

void sample_pressure(uint8_t channel, const PressureChannelConfig& record);
void sample_temperature(uint8_t channel, const TemperatureChannelConfig& record);
void sample_current(uint8_t channel, const CurrentChannelConfig& record);
void sample_volts(uint8_t channel, const VoltsChannelConfig& record);
// After the channels of a sampling tick: with no channel in volts mode the
// supply alarm (bit 4) and its acknowledgement are cleared.
void end_supply_alarm_without_volts();
void reset_min_max();
