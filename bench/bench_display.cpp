#include <benchmark/benchmark.h>

#include "host/panel/instrument.h"

static void BM_lcd_clear(benchmark::State& state) {
    for (auto _ : state) {
        lcd_clear();
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_clear);

static void BM_lcd_fill_rect_full_screen(benchmark::State& state) {
    for (auto _ : state) {
        lcd_fill_rect(0, 0, LCD_WIDTH - 1, LCD_HEIGHT - 1, COLOUR_WHITE);
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_fill_rect_full_screen);

static void BM_lcd_line_diagonal(benchmark::State& state) {
    for (auto _ : state) {
        lcd_line(0, 0, LCD_WIDTH - 1, LCD_HEIGHT - 1, COLOUR_WHITE);
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_line_diagonal);

static void BM_lcd_arc_knob(benchmark::State& state) {
    trig_init();
    for (auto _ : state) {
        lcd_arc(80, 132, 20, 220, 320, COLOUR_WHITE);
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_arc_knob);

// A full decode of the largest icon at the place the main menu draws it.
static void BM_lcd_draw_image_icon(benchmark::State& state) {
    for (auto _ : state) {
        lcd_draw_image(10, 45, icon_values);
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_draw_image_icon);
