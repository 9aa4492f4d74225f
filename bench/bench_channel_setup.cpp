// One pass of the channel setup screen with its longest list: a 4-20mA
// pressure sender read from the ZOLT unit, 17 items.
#include <benchmark/benchmark.h>

#include "host/panel/instrument.h"

namespace {

void open_longest_list(uint8_t cursor) {
    power_on_sequence();
    selected_channel = 0;
    selected_pressure_config = &channel_settings.pressure[0];
    selected_temperature_config = &channel_settings.temperature[0];
    selected_current_config = &channel_settings.current[0];
    selected_volts_config = &channel_settings.volts[0];
    channel_settings.pressure[0].sender_type = 2;
    channel_settings.pressure[0].sender = 2;
    channel_settings.pressure[0].data_source = 1;
    menu_reset(cursor);
    current_screen = channel_setup_screen;
}

void BM_ChannelSetupPassTop(benchmark::State& state) {
    open_longest_list(0);
    for (auto _ : state) {
        lcd_clear();
        channel_setup_screen();
        benchmark::DoNotOptimize(FrameBuffer[27][0]);
    }
}
BENCHMARK(BM_ChannelSetupPassTop);

void BM_ChannelSetupPassBottom(benchmark::State& state) {
    open_longest_list(16);
    for (auto _ : state) {
        lcd_clear();
        channel_setup_screen();
        benchmark::DoNotOptimize(FrameBuffer[91][0]);
    }
}
BENCHMARK(BM_ChannelSetupPassBottom);

void BM_CalibrationPass(benchmark::State& state) {
    open_longest_list(0);
    calibration_kind = 1;
    calibration_curve = vdo150_curve;
    menu_cursor = 10;
    for (auto _ : state) {
        lcd_clear();
        sender_calibration_screen();
        benchmark::DoNotOptimize(FrameBuffer[27][0]);
    }
}
BENCHMARK(BM_CalibrationPass);

} // namespace
