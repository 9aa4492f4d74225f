// Run-length encoded images: width and height (16-bit, low byte first), then per
// row a sequence of packets (c >= 128: run of c - 128 pixels of the next byte;
// c < 128: c literal pixels).
#pragma once

#include <cstdint>

void lcd_draw_image(int16_t x, int16_t y, const uint8_t* image);
