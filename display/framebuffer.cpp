// Placeholder until the primitives land.
#include "display/framebuffer.h"
uint8_t FrameBuffer[LCD_HEIGHT][LCD_WIDTH];
void lcd_clear() {}
void lcd_set_pixel(int16_t, int16_t, uint8_t) {}
void lcd_line(int16_t, int16_t, int16_t, int16_t, uint8_t) {}
void lcd_thick_line(int16_t, int16_t, int16_t, int16_t, uint8_t) {}
void lcd_hline(int16_t, int16_t, int16_t, uint8_t) {}
void lcd_vline(int16_t, int16_t, int16_t, uint8_t) {}
void lcd_rect(int16_t, int16_t, int16_t, int16_t, uint8_t) {}
void lcd_fill_rect(int16_t, int16_t, int16_t, int16_t, uint8_t) {}
