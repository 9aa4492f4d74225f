// Bitmap fonts and text drawing.
#pragma once

#include <cstdint>

enum : uint8_t { ALIGN_CENTRE = 0, ALIGN_LEFT = 1, ALIGN_RIGHT = 2 };

// The sizes that select a font of their own, smallest first; every other size
// draws in the first.
constexpr unsigned FONT_COUNT = 9;
constexpr uint8_t FONT_SIZES[FONT_COUNT] = {8, 9, 10, 12, 16, 20, 24, 30, 34};

// Extent of the last text drawn by lcd_text: x of its first column and the x at
// which a next character would be placed.
extern int16_t text_start_x;
extern int16_t text_end_x;

// A size of FONT_SIZES selects that font, anything else size 8.
// The extent of the last text and the record of drawn texts, as at program start.
void text_reset();
void lcd_text(int16_t x, int16_t y, const char* text, uint8_t size, uint8_t align, uint8_t colour);

// The font byte string that lcd_text uses for a size (with the same fallback).
const uint8_t* font_for_size(uint8_t size);

// How lcd_text lays out and inks one character code, for readers of the record
// of drawn texts: the pen step after it in the font of a size (0 for a code the
// font lacks, which draws nothing).
uint16_t glyph_advance(uint8_t size, uint8_t code);
enum class GlyphShows : uint8_t {
    no_ink, // the glyph has no ink (a space, or a code the font lacks)
    yes,    // ink of it lies on the screen, and every such pixel holds the colour
    no,     // none of its ink is on the screen, or a pixel of it holds another colour
};
// Whether the glyph of a code, drawn in a size with its pen at column x and its
// top at row y (as lcd_text places it), still shows in a colour in the frame buffer.
GlyphShows glyph_shows(uint8_t size, uint8_t code, uint16_t x, uint16_t y, uint8_t colour);
