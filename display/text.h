// Bitmap fonts and text drawing.
#pragma once

#include <cstdint>

enum : uint8_t { ALIGN_CENTRE = 0, ALIGN_LEFT = 1, ALIGN_RIGHT = 2 };

// Extent of the last text drawn by lcd_text: x of its first column and the x at
// which a next character would be placed.
extern int16_t text_start_x;
extern int16_t text_end_x;

// size 9, 10, 12, 16, 20, 24, 30 or 34 selects that font, anything else size 8.
// The extent of the last text and the record of drawn texts, as at program start.
void text_reset();
void lcd_text(int16_t x, int16_t y, const char* text, uint8_t size, uint8_t align, uint8_t colour);

// The font byte string that lcd_text uses for a size (with the same fallback).
const uint8_t* font_for_size(uint8_t size);
