// Text drawing: a typical menu row in the smallest font and a gauge reading in
// the largest one.
#include <benchmark/benchmark.h>

#include "display/text_record.h"
#include "host/panel/instrument.h"

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

// The record of drawn texts that every lcd_text call appends to: one copy of
// up to 32 characters and six fields. The record is emptied each time, as
// lcd_clear empties it once per pass, so every call really stores an entry.
static void BM_text_record_add(benchmark::State& state) {
    for (auto _ : state) {
        text_record_clear();
        text_record_add("Pressure 12.5 bar OK", 2, 40, 8, ALIGN_LEFT, COLOUR_WHITE, 2, 120);
        benchmark::DoNotOptimize(text_record);
    }
}
BENCHMARK(BM_text_record_add);

// The size 8 text with its entry stored each time (the figure above mostly
// finds the record full after its first 64 calls and only counts the overflow).
static void BM_lcd_text_size8_20_chars_recorded(benchmark::State& state) {
    lcd_clear();
    for (auto _ : state) {
        text_record_clear();
        lcd_text(2, 40, "Pressure 12.5 bar OK", 8, ALIGN_LEFT, COLOUR_WHITE);
        benchmark::DoNotOptimize(FrameBuffer);
    }
}
BENCHMARK(BM_lcd_text_size8_20_chars_recorded);
