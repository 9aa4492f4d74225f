// Bitmap text: lcd_text and the reader of the built-in fonts.
//
// A font is one constant byte string (multi-byte numbers unsigned, low byte first):
//   offset 0, 2 bytes: zero
//   offset 2, 2 bytes: first character code
//   offset 4, 2 bytes: last character code
//   offset 6, 1 byte:  unused
//   offset 7, 1 byte:  height in pixels of every glyph
//   offset 8: one 4-byte entry per code from first to last:
//     byte 0: bits 16..23 of the bitmap offset, byte 1: width in pixels,
//     byte 2: bits 0..7 of the offset, byte 3: bits 8..15 of the offset
//   then the bitmaps: `height` rows, top first, ceil(width / 8) bytes per row,
//   the most significant bit leftmost, 1 = ink.
// Offsets count from the first byte of the font.
//
// A character code outside the selected font's range is skipped: it draws
// nothing and adds no advance (a label whose terminator was edited into code 1
// still draws in the fonts that start at 32). Every read is checked against the
// length of the font, so no entry or bitmap is ever read beyond its end.
#include "display/text.h"

#include "display/fonts.h"
#include "display/framebuffer.h"
#include "display/text_record.h"

int16_t text_start_x;
int16_t text_end_x;

namespace {

struct FontRecord {
    uint8_t size;
    const uint8_t* data;
    const uint32_t* length;
};

// Size 8 comes first: every size not listed falls back to it.
const FontRecord font_records[] = {
    {8, font_8, &font_8_size},    {9, font_9, &font_9_size},    {10, font_10, &font_10_size},
    {12, font_12, &font_12_size}, {16, font_16, &font_16_size}, {20, font_20, &font_20_size},
    {24, font_24, &font_24_size}, {30, font_30, &font_30_size}, {34, font_34, &font_34_size},
};

const FontRecord& font_record(uint8_t size) {
    for (const FontRecord& record : font_records)
        if (record.size == size) return record;
    return font_records[0];
}

// The header fields that drawing needs, read once per call.
struct Font {
    const uint8_t* data;
    uint32_t length;
    uint16_t first;
    uint16_t last;
    uint8_t height;
    bool overlapping; // size 34: cells overlap by one column
};

struct Glyph {
    uint8_t width;
    const uint8_t* bitmap; // nullptr when the bitmap would lie outside the font
};

Font open_font(uint8_t size) {
    const FontRecord& record = font_record(size);
    Font font{record.data, *record.length, 1, 0, 0, record.size == 34};
    if (font.length < 8) return font; // first > last: no code is in range
    font.first = uint16_t(font.data[2] | font.data[3] << 8);
    font.last = uint16_t(font.data[4] | font.data[5] << 8);
    font.height = font.data[7];
    return font;
}

// Looks up a code; false if it lies outside the font (skipped with no advance).
bool find_glyph(const Font& font, uint8_t code, Glyph& glyph) {
    if (code < font.first || code > font.last) return false;
    uint32_t entry = 8u + 4u * uint32_t(code - font.first);
    if (entry + 4u > font.length) return false;
    const uint8_t* e = font.data + entry;
    glyph.width = e[1];
    uint32_t offset = uint32_t(e[0]) << 16 | uint32_t(e[3]) << 8 | e[2];
    uint32_t bytes = uint32_t(font.height) * ((glyph.width + 7u) / 8u);
    glyph.bitmap = (offset <= font.length && bytes <= font.length - offset) ? font.data + offset : nullptr;
    return true;
}

uint16_t advance_of(const Font& font, const Glyph& glyph) {
    return font.overlapping ? uint16_t(glyph.width - 1) : uint16_t(glyph.width + 1);
}

// Sets the ink pixels of one bitmap row. A row whose cell lies wholly on the
// screen is written straight into the frame buffer, which is exactly what
// lcd_set_pixel would do for each of its pixels; any other row goes through
// lcd_set_pixel and its clipping.
void draw_row(const uint8_t* bits_row, unsigned row_bytes, unsigned width, int16_t x, int16_t y,
              uint8_t colour) {
    const bool inside = uint16_t(x) < LCD_WIDTH && uint16_t(x) + width <= unsigned(LCD_WIDTH);
    uint8_t* target = inside ? &FrameBuffer[uint16_t(y)][uint16_t(x)] : nullptr;
    for (unsigned b = 0; b < row_bytes; ++b) {
        unsigned bits = bits_row[b];
        while (bits != 0) {
            const unsigned bit = unsigned(__builtin_clz(bits)) - 24u; // 0 = leftmost pixel
            bits &= ~(0x80u >> bit);
            const unsigned column = b * 8u + bit;
            if (column >= width) break; // padding bits are never ink
            if (target != nullptr)
                target[column] = colour;
            else
                lcd_set_pixel(int16_t(uint16_t(x) + column), y, colour);
        }
    }
}

void draw_glyph(const Font& font, const Glyph& glyph, int16_t x, int16_t y, uint8_t colour) {
    if (glyph.bitmap == nullptr) return;
    const unsigned row_bytes = (glyph.width + 7u) / 8u;
    const uint8_t* row = glyph.bitmap;
    for (unsigned r = 0; r < font.height; ++r, row += row_bytes) {
        const int16_t py = int16_t(uint16_t(y) + r);
        if (uint16_t(py) >= LCD_HEIGHT) continue; // every pixel of the row would be clipped
        draw_row(row, row_bytes, glyph.width, x, py, colour);
    }
}

} // namespace

const uint8_t* font_for_size(uint8_t size) { return font_record(size).data; }

void lcd_text(int16_t x, int16_t y, const char* text, uint8_t size, uint8_t align, uint8_t colour) {
    if (text == nullptr) text = "";
    const Font font = open_font(size);
    Glyph glyph;

    uint16_t total = 0;
    for (const char* c = text; *c != 0; ++c)
        if (find_glyph(font, uint8_t(*c), glyph)) total = uint16_t(total + advance_of(font, glyph));

    uint16_t pen;
    if (align == ALIGN_LEFT)
        pen = uint16_t(x);
    else if (align == ALIGN_RIGHT)
        pen = uint16_t(uint16_t(x) - total);
    else
        pen = uint16_t(uint16_t(x) - (total >> 1));
    text_start_x = int16_t(pen);

    for (const char* c = text; *c != 0; ++c) {
        if (!find_glyph(font, uint8_t(*c), glyph)) continue;
        draw_glyph(font, glyph, int16_t(pen), y, colour);
        pen = uint16_t(pen + advance_of(font, glyph));
    }
    text_end_x = int16_t(pen);
    text_record_add(text, x, y, size, align, colour, text_start_x, text_end_x);
}

void text_reset() {
    text_start_x = 0;
    text_end_x = 0;
    text_record_clear();
}
