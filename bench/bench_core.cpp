// The instrument core: one sampling tick of four channels and one pass of the
// run loop.
#include <benchmark/benchmark.h>

#include "host/panel/instrument.h"

namespace {

void empty_screen() {}

// Channels 1 to 4 as the defaults set them: pressure, temperature, current,
// volts. The inputs move every iteration so the lookups walk different segments.
void set_up_four_channels() {
    power_on_sequence();
    current_screen = empty_screen;
}

void move_inputs(uint32_t i) {
    const uint16_t raw = static_cast<uint16_t>((i * 37u) % 4097u);
    adc_input[0] = static_cast<uint16_t>(raw / 8u); // the pressure curve spans the low counts
    adc_input[1] = raw;
    adc_input[2] = raw;
    supply_adc = raw;
}

void BM_sampling_tick(benchmark::State& state) {
    set_up_four_channels();
    uint32_t i = 0;
    for (auto _ : state) {
        move_inputs(i++);
        sample_pressure(0, channel_settings.pressure[0]);
        sample_temperature(1, channel_settings.temperature[1]);
        sample_current(2, channel_settings.current[2]);
        sample_volts(3, channel_settings.volts[3]);
        benchmark::DoNotOptimize(pressure_reading);
        benchmark::DoNotOptimize(alarm_flags);
    }
}
BENCHMARK(BM_sampling_tick);

void BM_run_pass_empty_screen(benchmark::State& state) {
    set_up_four_channels();
    for (auto _ : state) {
        run_pass(false);
        benchmark::DoNotOptimize(FrameBuffer);
    }
    current_screen = run_screen;
}
BENCHMARK(BM_run_pass_empty_screen);

void BM_run_pass_sampling_empty_screen(benchmark::State& state) {
    set_up_four_channels();
    uint32_t i = 0;
    for (auto _ : state) {
        move_inputs(i++);
        second_tick = 1;
        run_pass(false);
        benchmark::DoNotOptimize(FrameBuffer);
    }
    current_screen = run_screen;
}
BENCHMARK(BM_run_pass_sampling_empty_screen);

} // namespace
