// One pass of the run screen (clear plus screen call) for each page, with four
// channels and with one.
#include <benchmark/benchmark.h>

#include "host/panel/instrument.h"

namespace {

// Default settings with readings that put every kind of highlight on screen.
void prepare(uint8_t page, uint8_t channels) {
    load_default_settings();
    reset_calibration();
    trig_init();
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        pressure_reading[c] = 85; // alarm
        temp_reading[c] = 125;    // caution
        current_tenths[c] = 55;
        current_amps[c] = 5;
        volts_reading[c] = 125;
    }
    reset_min_max();
    for (uint8_t c = 0; c < CHANNEL_COUNT; ++c)
        channel_mode[c] = c < channels ? static_cast<uint8_t>(c + 1) : 0;
    display_page = page;
    blink_phase = 1;
    pending_key = KEY_NONE;
    current_screen = run_screen;
}

void BM_run_screen_pass(benchmark::State& state) {
    prepare(static_cast<uint8_t>(state.range(0)), static_cast<uint8_t>(state.range(1)));
    for (auto _ : state) {
        lcd_clear();
        run_screen();
        benchmark::DoNotOptimize(FrameBuffer);
    }
}

} // namespace

// Page 0 horizontal bars, 1 vertical bars, 2 digital, 3 min/max; 4 and 1 channels.
BENCHMARK(BM_run_screen_pass)
    ->ArgNames({"page", "channels"})
    ->ArgsProduct({{0, 1, 2, 3}, {4, 1}})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
