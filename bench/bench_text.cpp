// Text drawing: a typical menu row in the smallest font and a gauge reading in
// the largest one.
#include <benchmark/benchmark.h>

#include "host/instrument.h"

static void BM_lcd_text_size8_20_chars(benchmark::State& state) {
    lcd_clear();
    for (auto _ : state) {
        lcd_text(2, 40, "Pressure 12.5 bar OK", 8, ALIGN_LEFT, COLOUR_WHITE);
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_text_size8_20_chars);

static void BM_lcd_text_size34_4_digits(benchmark::State& state) {
    lcd_clear();
    for (auto _ : state) {
        lcd_text(80, 30, "1234", 34, ALIGN_CENTRE, COLOUR_WHITE);
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_text_size34_4_digits);
