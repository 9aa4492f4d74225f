// An independent reader of the font byte strings for the font and text tests:
// it decodes the format field by field, so the tests check the bytes the
// instrument draws from rather than the generator's own tables.
#pragma once

#include <cstdint>
#include <vector>

#include "display/fonts.h"

struct FontBytes {
    int size;
    const uint8_t* data;
    uint32_t length;

    int first() const { return data[2] | data[3] << 8; }
    int last() const { return data[4] | data[5] << 8; }
    int height() const { return data[7]; }
    bool has(int code) const { return code >= first() && code <= last(); }
    const uint8_t* entry(int code) const { return data + 8 + 4 * (code - first()); }
    int width(int code) const { return entry(code)[1]; }
    uint32_t offset(int code) const {
        const uint8_t* e = entry(code);
        return uint32_t(e[0]) << 16 | uint32_t(e[3]) << 8 | e[2];
    }
    int row_bytes(int code) const { return (width(code) + 7) / 8; }
    uint32_t bitmap_bytes(int code) const { return uint32_t(height() * row_bytes(code)); }
    bool ink(int code, int row, int column) const {
        const uint8_t* bitmap = data + offset(code) + row * row_bytes(code);
        return (bitmap[column / 8] & (0x80 >> (column % 8))) != 0;
    }
    int advance(int code) const { return size == 34 ? width(code) - 1 : width(code) + 1; }
    bool row_has_ink(int code, int row) const {
        for (int c = 0; c < width(code); ++c)
            if (ink(code, row, c)) return true;
        return false;
    }
    bool any_ink(int code) const {
        for (int r = 0; r < height(); ++r)
            if (row_has_ink(code, r)) return true;
        return false;
    }
};

inline const std::vector<FontBytes>& all_fonts() {
    static const std::vector<FontBytes> fonts = {
        {8, font_8, font_8_size},    {9, font_9, font_9_size},    {10, font_10, font_10_size},
        {12, font_12, font_12_size}, {16, font_16, font_16_size}, {20, font_20, font_20_size},
        {24, font_24, font_24_size}, {30, font_30, font_30_size}, {34, font_34, font_34_size},
    };
    return fonts;
}

inline const FontBytes& font_bytes(int size) {
    for (const FontBytes& f : all_fonts())
        if (f.size == size) return f;
    return all_fonts()[0];
}
