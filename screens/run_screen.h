// The run screen and its four display pages.
#pragma once

#include <cstdint>

void run_screen();
// n, the channels the pages show: those whose mode is not off. With none the
// screen shows the selection prompt instead of a page.
uint8_t displayed_channel_count();

void draw_hbar_page(uint8_t n);
void draw_vbar_page(uint8_t n);
void draw_digital_page(uint8_t n);
void draw_min_max_page();
void draw_min_max_row(int16_t y, uint8_t c, uint8_t mode);
