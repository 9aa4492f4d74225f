#include "display/framebuffer.h"
#include "display/text_record.h"

#include <cstdlib>
#include <cstring>

uint8_t FrameBuffer[LCD_HEIGHT][LCD_WIDTH];

namespace {

// Coordinates are 16-bit; the clipping compares them as unsigned values.
inline uint16_t u16(int16_t v) { return static_cast<uint16_t>(v); }

// Bresenham's walk from (x0, y0) to (x1, y1), calling plot at every point.
//
// The walk works in the unsigned 16-bit coordinate space the clipping uses: the
// direction comes from an unsigned compare and the length from the unsigned
// difference, and positions wrap at 16 bits. A line with a negative end point
// therefore runs the long way round through the off-screen range and still ends
// at its end point; it is at most 65536 steps long, so it always ends. The error
// term is kept in 32 bits: for every line shorter than 16384 pixels (every line
// the screens draw) this is exactly the 16-bit walk, and longer lines stay
// straight instead of overflowing.
template <typename Plot> void bresenham(int16_t x0, int16_t y0, int16_t x1, int16_t y1, Plot plot) {
    const int32_t dx = std::abs(static_cast<int32_t>(u16(x1)) - u16(x0));
    const int32_t dy = std::abs(static_cast<int32_t>(u16(y1)) - u16(y0));
    const int sx = u16(x0) <= u16(x1) ? 1 : -1;
    const int sy = u16(y0) <= u16(y1) ? 1 : -1;
    uint16_t x = u16(x0);
    uint16_t y = u16(y0);
    if (dx >= dy) {
        int32_t err = 2 * dy - dx;
        for (int32_t i = 0; i <= dx; ++i) {
            plot(static_cast<int16_t>(x), static_cast<int16_t>(y));
            if (err > 0) {
                y = static_cast<uint16_t>(y + sy);
                err += 2 * dy - 2 * dx;
            } else {
                err += 2 * dy;
            }
            x = static_cast<uint16_t>(x + sx);
        }
    } else {
        int32_t err = 2 * dx - dy;
        for (int32_t i = 0; i <= dy; ++i) {
            plot(static_cast<int16_t>(x), static_cast<int16_t>(y));
            if (err > 0) {
                x = static_cast<uint16_t>(x + sx);
                err += 2 * dx - 2 * dy;
            } else {
                err += 2 * dx;
            }
            y = static_cast<uint16_t>(y + sy);
        }
    }
}

// Rows of n bytes (n from 1 to LCD_WIDTH), LCD_WIDTH apart, in one colour. The
// rows of a bar or a box are narrow, where a call of memset per row would cost
// more than the stores: each row is written in words of eight, four or one
// byte, the last word overlapping its neighbour.
void fill_rows(uint8_t* p, uint32_t n, uint32_t rows, uint8_t colour) {
    const uint64_t pattern = 0x0101010101010101ull * colour;
    if (n > 16) {
        for (; rows != 0; --rows, p += LCD_WIDTH) {
            for (uint32_t i = 0; i + 8 < n; i += 8) std::memcpy(p + i, &pattern, 8);
            std::memcpy(p + n - 8, &pattern, 8);
        }
    } else if (n >= 8) {
        for (; rows != 0; --rows, p += LCD_WIDTH) {
            std::memcpy(p, &pattern, 8);
            std::memcpy(p + n - 8, &pattern, 8);
        }
    } else if (n >= 4) {
        for (; rows != 0; --rows, p += LCD_WIDTH) {
            std::memcpy(p, &pattern, 4);
            std::memcpy(p + n - 4, &pattern, 4);
        }
    } else {
        for (; rows != 0; --rows, p += LCD_WIDTH) {
            p[0] = colour;
            p[n / 2] = colour;
            p[n - 1] = colour;
        }
    }
}

} // namespace

void lcd_clear() {
    std::memset(FrameBuffer, 0, sizeof FrameBuffer);
    text_record_clear();
}

void lcd_set_pixel(int16_t x, int16_t y, uint8_t colour) {
    if (u16(x) < LCD_WIDTH && u16(y) < LCD_HEIGHT) FrameBuffer[u16(y)][u16(x)] = colour;
}

void lcd_line(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour) {
    bresenham(x0, y0, x1, y1, [colour](int16_t x, int16_t y) { lcd_set_pixel(x, y, colour); });
}

// The pen is a plus of five pixels, so the neighbours reach one pixel beyond
// both end points.
void lcd_thick_line(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour) {
    bresenham(x0, y0, x1, y1, [colour](int16_t x, int16_t y) {
        lcd_set_pixel(x, y, colour);
        lcd_set_pixel(static_cast<int16_t>(x - 1), y, colour);
        lcd_set_pixel(static_cast<int16_t>(x + 1), y, colour);
        lcd_set_pixel(x, static_cast<int16_t>(y - 1), colour);
        lcd_set_pixel(x, static_cast<int16_t>(y + 1), colour);
    });
}

// The counter runs over the unsigned bounds without swapping them. It is wider
// than 16 bits so that an end bound of 65535 (a computed -1) ends the loop
// instead of wrapping round to 0. Only the on-screen part is written, which is
// the same as clipping every position.
void lcd_hline(int16_t x0, int16_t x1, int16_t y, uint8_t colour) {
    const uint32_t first = u16(x0);
    const uint32_t last = u16(x1);
    if (first > last || u16(y) >= LCD_HEIGHT || first >= LCD_WIDTH) return;
    const uint32_t end = last < LCD_WIDTH - 1 ? last : LCD_WIDTH - 1;
    std::memset(&FrameBuffer[u16(y)][first], colour, end - first + 1);
}

// Same counter rule as lcd_hline.
void lcd_vline(int16_t y0, int16_t y1, int16_t x, uint8_t colour) {
    const uint32_t first = u16(y0);
    const uint32_t last = u16(y1);
    if (u16(x) >= LCD_WIDTH) return;
    for (uint32_t row = first; row <= last && row < LCD_HEIGHT; ++row) FrameBuffer[row][u16(x)] = colour;
}

// A one-row rectangle is not drawn at all. The four sides follow the line
// rules, so reversed bounds leave out the sides that run the wrong way.
void lcd_rect(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour) {
    if (y0 == y1) return;
    lcd_vline(y0, y1, x0, colour);
    lcd_hline(x0, x1, y0, colour);
    lcd_vline(y0, y1, x1, colour);
    lcd_hline(x0, x1, y1, colour);
}

// Rows from y0 to y1 with a counter wide enough to end after row 65535. Every
// row is the same lcd_hline, so its clipping is worked out once.
void lcd_fill_rect(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour) {
    if (y0 == y1) return;
    const uint32_t first = u16(x0);
    const uint32_t last = u16(x1);
    if (first > last || first >= LCD_WIDTH) return;
    const uint32_t end = last < LCD_WIDTH - 1 ? last : LCD_WIDTH - 1;
    const uint32_t last_row = u16(y1) < LCD_HEIGHT - 1 ? u16(y1) : LCD_HEIGHT - 1;
    if (u16(y0) > last_row) return;
    const uint32_t rows = last_row - u16(y0) + 1;
    if (first == 0 && end == LCD_WIDTH - 1) { // whole rows lie one after another
        std::memset(&FrameBuffer[u16(y0)][0], colour, rows * LCD_WIDTH);
        return;
    }
    fill_rows(&FrameBuffer[u16(y0)][first], end - first + 1, rows, colour);
}

void framebuffer_reset() { std::memset(FrameBuffer, 0, sizeof FrameBuffer); }
