// One loop pass of menu screens: clear the frame buffer, then the screen.
#include <benchmark/benchmark.h>

#include "host/panel/instrument.h"

namespace {

void menu_pass(benchmark::State& state, ScreenHandler screen, uint8_t cursor) {
    trig_init();
    load_default_settings();
    current_screen = screen;
    menu_cursor = cursor;
    menu_editing = 0;
    pending_key = KEY_NONE;
    for (auto _ : state) {
        lcd_clear();
        current_screen();
        benchmark::DoNotOptimize(FrameBuffer);
    }
}

// The main menu on the channel 1 entry: title, scroll bar, two lines, icon, soft keys.
void BM_main_menu_pass(benchmark::State& state) { menu_pass(state, main_menu_screen, 0); }
BENCHMARK(BM_main_menu_pass);

// The longest fixed list of this part of the menus.
void BM_misc_setup_pass(benchmark::State& state) { menu_pass(state, misc_setup_screen, 3); }
BENCHMARK(BM_misc_setup_pass);

void BM_menu_code_pass(benchmark::State& state) { menu_pass(state, menu_code_screen, 0); }
BENCHMARK(BM_menu_code_pass);

} // namespace
