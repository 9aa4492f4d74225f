// The run screen and its four display pages.
#pragma once

#include <cstdint>

void run_screen();

void draw_hbar_page(uint8_t n);
void draw_vbar_page(uint8_t n);
void draw_digital_page(uint8_t n);
void draw_min_max_page();
void draw_min_max_row(int16_t y, uint8_t c, uint8_t mode);
