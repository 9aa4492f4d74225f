// The instrument's frame buffer and its drawing primitives.
//
// Every operation clips per pixel: coordinates are compared as unsigned 16-bit
// values, so a negative coordinate counts as a large one and is off the screen.
#pragma once

#include <cstdint>

constexpr int LCD_WIDTH = 160;
constexpr int LCD_HEIGHT = 128;

// Colour indices the screens draw with (the host palette turns them into RGB).
enum : uint8_t {
    COLOUR_BLACK = 0,
    COLOUR_DARK_GREY = 7,
    COLOUR_LIGHT_GREY = 8,
    COLOUR_RED = 9,
    COLOUR_GREEN = 10,
    COLOUR_YELLOW = 11,
    COLOUR_WHITE = 15,
    COLOUR_GREY = 229,
};

// 128 rows of 160 colour indices, row 0 at the top.
extern uint8_t FrameBuffer[LCD_HEIGHT][LCD_WIDTH];

void lcd_clear();
// The frame buffer as at program start: every pixel 0.
void framebuffer_reset();
void lcd_set_pixel(int16_t x, int16_t y, uint8_t colour);
void lcd_line(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour);
void lcd_thick_line(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour);
// Note the order: the two bounds first, then the fixed coordinate.
void lcd_hline(int16_t x0, int16_t x1, int16_t y, uint8_t colour);
void lcd_vline(int16_t y0, int16_t y1, int16_t x, uint8_t colour);
void lcd_rect(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour);
void lcd_fill_rect(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour);
