#include <benchmark/benchmark.h>

#include "host/instrument.h"

static void BM_lcd_clear(benchmark::State& state) {
    for (auto _ : state) {
        lcd_clear();
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_clear);
