// The nine built-in fonts, checked through their byte format: the fixed figures
// the screen layouts rest on, the integrity of entries and bitmaps, and the
// coverage of the character sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/palette.h"
#include "display/text.h"
#include "picture/picture.h"
#include "support/test_output.h"
#include "test_fonts_reader.h"

namespace {

struct Figures {
    int size, first, last, height, ink_top, ink_bottom, widest, space, minus, dot, digit;
};

const Figures font_table[] = {
    {8, 0, 255, 16, 3, 12, 14, 4, 4, 4, 8},       {9, 32, 127, 19, 3, 14, 16, 4, 5, 4, 9},
    {10, 0, 255, 21, 4, 17, 21, 5, 6, 5, 11},     {12, 32, 127, 24, 4, 18, 21, 6, 7, 6, 12},
    {16, 32, 127, 33, 6, 25, 27, 8, 9, 8, 16},    {20, 32, 57, 41, 7, 31, 31, 10, 12, 10, 19},
    {24, 32, 57, 51, 9, 39, 39, 12, 14, 12, 24},  {30, 32, 57, 62, 11, 48, 47, 15, 18, 15, 29},
    {34, 32, 57, 70, 13, 56, 51, 17, 20, 17, 33},
};

class FontTable : public ::testing::TestWithParam<Figures> {};

TEST_P(FontTable, HeaderAndSelection) {
    const Figures& t = GetParam();
    const FontBytes& f = font_bytes(t.size);
    ASSERT_GE(f.length, 8u);
    EXPECT_EQ(f.data[0], 0);
    EXPECT_EQ(f.data[1], 0);
    EXPECT_EQ(f.first(), t.first);
    EXPECT_EQ(f.last(), t.last);
    EXPECT_EQ(f.height(), t.height);
    EXPECT_EQ(font_for_size(uint8_t(t.size)), f.data);
}

TEST_P(FontTable, EntriesAndBitmapsLieInsideTheFontWithoutGaps) {
    const Figures& t = GetParam();
    const FontBytes& f = font_bytes(t.size);
    const uint32_t entries_end = 8u + 4u * uint32_t(t.last - t.first + 1);
    ASSERT_LE(entries_end, f.length);
    uint32_t expected_offset = entries_end;
    for (int code = t.first; code <= t.last; ++code) {
        ASSERT_EQ(f.offset(code), expected_offset) << "code " << code;
        ASSERT_LE(f.offset(code) + f.bitmap_bytes(code), f.length) << "code " << code;
        expected_offset += f.bitmap_bytes(code);
    }
    EXPECT_EQ(expected_offset, f.length);
}

TEST_P(FontTable, BitsBeyondTheWidthAreZero) {
    const Figures& t = GetParam();
    const FontBytes& f = font_bytes(t.size);
    for (int code = t.first; code <= t.last; ++code) {
        const int w = f.width(code);
        if (w % 8 == 0) continue;
        const uint8_t padding = uint8_t(0xFF >> (w % 8));
        for (int row = 0; row < t.height; ++row) {
            const uint8_t last =
                f.data[f.offset(code) + uint32_t(row * f.row_bytes(code) + f.row_bytes(code) - 1)];
            EXPECT_EQ(last & padding, 0) << "code " << code << " row " << row;
        }
    }
}

TEST_P(FontTable, ListedWidthsAndWidestGlyph) {
    const Figures& t = GetParam();
    const FontBytes& f = font_bytes(t.size);
    EXPECT_EQ(f.width(' '), t.space);
    EXPECT_EQ(f.width('-'), t.minus);
    EXPECT_EQ(f.width('.'), t.dot);
    for (int d = '0'; d <= '9'; ++d) {
        const int expected = (t.size == 8 && d == '1') ? 7 : t.digit;
        EXPECT_EQ(f.width(d), expected) << "digit " << char(d);
    }
    int widest = 0;
    for (int code = t.first; code <= t.last; ++code) widest = std::max(widest, f.width(code));
    EXPECT_EQ(widest, t.widest);
}

// The first and last inked row of every capital and digit are the font's cap
// top and baseline rows.
TEST_P(FontTable, CapitalsAndDigitsInkExactlyTheirRows) {
    const Figures& t = GetParam();
    const FontBytes& f = font_bytes(t.size);
    std::vector<int> codes;
    for (int d = '0'; d <= '9'; ++d) codes.push_back(d);
    if (f.has('Z'))
        for (int c = 'A'; c <= 'Z'; ++c) codes.push_back(c);
    for (int code : codes) {
        int top = -1, bottom = -1;
        for (int row = 0; row < t.height; ++row)
            if (f.row_has_ink(code, row)) {
                if (top < 0) top = row;
                bottom = row;
            }
        EXPECT_EQ(top, t.ink_top) << "glyph " << char(code);
        EXPECT_EQ(bottom, t.ink_bottom) << "glyph " << char(code);
    }
}

TEST_P(FontTable, PrintableCodesHaveInkAndSpaceIsBlank) {
    const Figures& t = GetParam();
    const FontBytes& f = font_bytes(t.size);
    EXPECT_FALSE(f.any_ink(' '));
    for (int code = 33; code <= std::min(t.last, 126); ++code)
        EXPECT_TRUE(f.any_ink(code)) << "code " << code;
}

INSTANTIATE_TEST_SUITE_P(AllSizes, FontTable, ::testing::ValuesIn(font_table),
                         [](const auto& info) { return "size_" + std::to_string(info.param.size); });

TEST(Fonts, LettersAreProportionalAndDigitsShareOneWidth) {
    for (int size : {8, 9, 10, 12, 16}) {
        const FontBytes& f = font_bytes(size);
        EXPECT_LT(f.width('i'), f.width('m')) << "size " << size;
        EXPECT_LT(f.width('I'), f.width('W')) << "size " << size;
    }
    for (int size : {9, 10, 12, 16, 20, 24, 30, 34}) {
        const FontBytes& f = font_bytes(size);
        for (int d = '1'; d <= '9'; ++d) EXPECT_EQ(f.width(d), f.width('0')) << "size " << size;
    }
}

TEST(Fonts, FullSetsHaveControlSymbolsAndTheUpperHalf) {
    for (int size : {8, 10}) {
        const FontBytes& f = font_bytes(size);
        for (int code :
             {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27})
            EXPECT_TRUE(f.any_ink(code)) << "size " << size << " code " << code;
        for (int code = 128; code <= 255; ++code) {
            if (code == 160) {
                EXPECT_FALSE(f.any_ink(code));
            } else {
                EXPECT_TRUE(f.any_ink(code)) << "size " << size << " code " << code;
            }
        }
        // Blank codes still advance, so a stray one never glues words together.
        for (int code : {0, 9, 10, 13, 28, 29, 30, 31, 160}) EXPECT_GT(f.width(code), 0);
    }
    for (int size : {8, 9, 10, 12, 16}) EXPECT_TRUE(font_bytes(size).any_ink(127)) << "size " << size;
}

TEST(Fonts, DegreeSignSitsHighAndSmall) {
    for (int size : {8, 10}) {
        const FontBytes& f = font_bytes(size);
        int top = -1, bottom = -1;
        for (int row = 0; row < f.height(); ++row)
            if (f.row_has_ink(176, row)) {
                if (top < 0) top = row;
                bottom = row;
            }
        const Figures& t = font_table[size == 8 ? 0 : 2];
        EXPECT_GE(top, t.ink_top - 1) << "size " << size;
        EXPECT_LT(bottom, (t.ink_top + t.ink_bottom) / 2 + 1) << "size " << size;
        EXPECT_LT(f.width(176), f.width('C')) << "size " << size;
    }
}

// A sheet of every glyph of a font (3x scaled), cell backgrounds dark grey so
// that widths and descenders can be judged. Written for looking at, and
// checked to exist.
TEST(Fonts, WritesASheetPerFont) {
    for (const FontBytes& f : all_fonts()) {
        const int columns = 16;
        const int count = f.last() - f.first() + 1;
        const int rows = (count + columns - 1) / columns;
        int widest = 0;
        for (int code = f.first(); code <= f.last(); ++code) widest = std::max(widest, f.width(code));
        const int pitch_x = widest + 3, pitch_y = f.height() + 3;
        const int width = columns * pitch_x + 1, height = rows * pitch_y + 1;
        std::vector<uint8_t> sheet(size_t(width) * height, 0);
        for (int i = 0; i < count; ++i) {
            const int code = f.first() + i;
            const int x0 = 2 + (i % columns) * pitch_x, y0 = 2 + (i / columns) * pitch_y;
            for (int r = 0; r < f.height(); ++r)
                for (int c = 0; c < f.width(code); ++c)
                    sheet[size_t(y0 + r) * width + x0 + c] = f.ink(code, r, c) ? 15 : 224;
        }
        const std::string path = test_output_dir() + "/font_sheet_" + std::to_string(f.size) + ".png";
        EXPECT_TRUE(write_png_file(path, indexed_picture(sheet.data(), width, height, 3))) << path;
    }
}

} // namespace
