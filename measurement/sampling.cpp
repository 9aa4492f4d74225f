// Placeholder until the conversions land.
#include "measurement/sampling.h"
uint16_t adc_input[4], supply_adc, zolt_value[4], work_adc[4], volts_reading[4], volts_min[4], volts_max[4];
int16_t pressure_reading[4], temp_reading[4], temp_celsius[4], current_tenths[4], current_amps[4];
int16_t pressure_max[4], temp_max[4], current_tenths_min[4], current_tenths_max[4], current_amps_min[4],
    current_amps_max[4];
void sample_pressure(uint8_t, const PressureChannelConfig&) {}
void sample_temperature(uint8_t, const TemperatureChannelConfig&) {}
void sample_current(uint8_t, const CurrentChannelConfig&) {}
void sample_volts(uint8_t, const VoltsChannelConfig&) {}
void reset_min_max() {}
