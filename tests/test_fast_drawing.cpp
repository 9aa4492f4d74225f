// lcd_text and lcd_fill_rect against the plain per-pixel drawing they replace,
// kept here as the reference: every glyph of every font, in several colours and
// every alignment, at positions that cover every clipping case (inside, at each
// edge, across it, beyond it, and where 16-bit coordinates wrap), and the fills
// at the same kinds of bounds. Each case starts from a patterned screen, so a
// pixel written that should not be, or one left out, shows whatever its colour.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "display/text.h"
#include "screens/gauge.h"
#include "test_fonts_reader.h"

namespace {

constexpr size_t PIXELS = size_t(LCD_WIDTH) * LCD_HEIGHT;

struct Screen {
    uint8_t pixels[PIXELS];
};

// A background that differs between neighbouring pixels and rows.
const Screen& background() {
    static Screen screen = [] {
        Screen s;
        for (unsigned y = 0; y < LCD_HEIGHT; ++y)
            for (unsigned x = 0; x < LCD_WIDTH; ++x) s.pixels[y * LCD_WIDTH + x] = uint8_t(x * 3 + y * 5 + 1);
        return s;
    }();
    return screen;
}

void reference_pixel(Screen& s, uint16_t x, uint16_t y, uint8_t colour) {
    if (x < LCD_WIDTH && y < LCD_HEIGHT) s.pixels[size_t(y) * LCD_WIDTH + x] = colour;
}

// The text drawing rules pixel by pixel, read straight from the font bytes.
void reference_text(Screen& s, int16_t x, int16_t y, const std::string& text, uint8_t size, uint8_t align,
                    uint8_t colour, int16_t& start_x, int16_t& end_x) {
    const FontBytes& f = font_bytes(size);
    uint16_t total = 0;
    for (unsigned char c : text)
        if (f.has(c)) total = uint16_t(total + f.advance(c));
    uint16_t pen = align == ALIGN_LEFT    ? uint16_t(x)
                   : align == ALIGN_RIGHT ? uint16_t(uint16_t(x) - total)
                                          : uint16_t(uint16_t(x) - (total >> 1));
    start_x = int16_t(pen);
    for (unsigned char c : text) {
        if (!f.has(c)) continue;
        const uint8_t* bitmap = f.data + f.offset(c);
        const int row_bytes = f.row_bytes(c), width = f.width(c);
        for (int r = 0; r < f.height(); ++r, bitmap += row_bytes)
            for (int column = 0; column < width; ++column)
                if (bitmap[column / 8] & (0x80 >> (column % 8)))
                    reference_pixel(s, uint16_t(pen + column), uint16_t(y + r), colour);
        pen = uint16_t(pen + f.advance(c));
    }
    end_x = int16_t(pen);
}

// Counts mismatches and reports the first few with their first wrong pixel;
// describe() names the case and is only called for a mismatch.
class Comparison {
  public:
    template <typename Describe> bool check(const Screen& expected, Describe describe) {
        ++cases_;
        if (std::memcmp(FrameBuffer, expected.pixels, PIXELS) == 0) return true;
        if (++failures_ <= 10) {
            const uint8_t* drawn = &FrameBuffer[0][0];
            size_t i = 0;
            while (drawn[i] == expected.pixels[i]) ++i;
            ADD_FAILURE() << describe() << ": pixel (" << i % LCD_WIDTH << ", " << i / LCD_WIDTH << ") is "
                          << int(drawn[i]) << ", expected " << int(expected.pixels[i]);
        }
        return false;
    }
    void fail(const std::string& what) {
        if (++failures_ <= 10) ADD_FAILURE() << what;
    }
    unsigned failures() const { return failures_; }

  private:
    unsigned cases_ = 0;
    unsigned failures_ = 0;
};

std::string describe_text(const std::string& text, uint8_t size, uint8_t align, uint8_t colour, int16_t x,
                          int16_t y) {
    std::string codes;
    for (size_t i = 0; i < text.size() && i < 8; ++i) codes += std::to_string(uint8_t(text[i])) + " ";
    if (text.size() > 8) codes += "... (" + std::to_string(text.size()) + " codes) ";
    return "text [" + codes + "] size " + std::to_string(size) + " align " + std::to_string(align) +
           " colour " + std::to_string(colour) + " at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

void compare_text(Comparison& comparison, Screen& expected, int16_t x, int16_t y, const std::string& text,
                  uint8_t size, uint8_t align, uint8_t colour) {
    std::memcpy(FrameBuffer, background().pixels, PIXELS);
    expected = background();
    int16_t start_x, end_x;
    reference_text(expected, x, y, text, size, align, colour, start_x, end_x);
    lcd_text(x, y, text.c_str(), size, align, colour);
    auto what = [&] { return describe_text(text, size, align, colour, x, y); };
    if (comparison.check(expected, what) && (text_start_x != start_x || text_end_x != end_x))
        comparison.fail(what() + ": text_start_x " + std::to_string(text_start_x) + " text_end_x " +
                        std::to_string(text_end_x) + ", expected " + std::to_string(start_x) + " " +
                        std::to_string(end_x));
}

const uint8_t COLOURS[] = {COLOUR_WHITE, COLOUR_BLACK, COLOUR_RED, COLOUR_GREY, 0x80, 0xFF, 0x01};

// Columns for a glyph or text of the given width: on and next to both edges,
// across each edge at every step-th offset, inside at every column within a
// group of eight, beyond the edges, and far off on either side of the 16-bit
// wrap.
std::vector<int16_t> columns_for(int width, int step) {
    std::vector<int16_t> xs;
    auto run = [&xs](int from, int to, int by) {
        for (int x = from; x <= to; x += by) xs.push_back(int16_t(x));
    };
    run(-width - 2, -width + 2, 1);                       // beyond the left edge, just
    run(-width + 3, -3, step);                            // across it
    run(-2, 2, 1);                                        // on it
    run(40, 47, 1);                                       // inside
    run(LCD_WIDTH - width - 2, LCD_WIDTH - width + 2, 1); // on the right edge
    run(LCD_WIDTH - width + 3, LCD_WIDTH - 3, step);      // across it
    run(LCD_WIDTH - 2, LCD_WIDTH + 2, 1);                 // beyond it, just
    run(32760, 32767, 1);                                 // the positive end of int16
    run(-32768, -32761, 1);                               // the negative end
    for (int x : {-1000, 1000, -160, 320}) xs.push_back(int16_t(x));
    return xs;
}

// Rows likewise, for a cell of the given height.
std::vector<int16_t> rows_for(int height) {
    std::vector<int16_t> ys;
    for (int y : {-height - 1, -height, -height + 1, -height / 2, -1, 0, 1, 30}) ys.push_back(int16_t(y));
    for (int y : {LCD_HEIGHT - height - 1, LCD_HEIGHT - height, LCD_HEIGHT - height + 1, LCD_HEIGHT - 1,
                  LCD_HEIGHT, LCD_HEIGHT + 1, 32767, -32768, 1000})
        ys.push_back(int16_t(y));
    return ys;
}

// Every code of every font as a one-glyph text, left-aligned so x is where its
// cell starts: every column case at a row inside, every row case at a column
// inside, and the corners where both clip. Codes outside a font draw nothing.
TEST(FastDrawing, EveryGlyphOfEveryFontAtEveryClippingCase) {
    Comparison comparison;
    Screen expected;
    unsigned colour_index = 0;
    for (uint8_t size : FONT_SIZES) {
        const FontBytes& f = font_bytes(size);
        for (int code = 1; code < 256; ++code) {
            const std::string one(1, char(code));
            if (!f.has(code)) {
                compare_text(comparison, expected, 40, 30, one, size, ALIGN_LEFT, COLOUR_WHITE);
                continue;
            }
            const int width = f.width(code);
            const std::vector<int16_t> xs = columns_for(width, 1);
            const std::vector<int16_t> ys = rows_for(f.height());
            for (int16_t x : xs)
                compare_text(comparison, expected, x, 30, one, size, ALIGN_LEFT,
                             COLOURS[colour_index++ % sizeof COLOURS]);
            for (int16_t y : ys)
                compare_text(comparison, expected, 43, y, one, size, ALIGN_LEFT,
                             COLOURS[colour_index++ % sizeof COLOURS]);
            for (int16_t x : {int16_t(-width / 2), int16_t(-3), int16_t(LCD_WIDTH - width / 2)})
                for (int16_t y : {int16_t(-f.height() / 2), int16_t(LCD_HEIGHT - f.height() / 2)})
                    compare_text(comparison, expected, x, y, one, size, ALIGN_LEFT,
                                 COLOURS[colour_index++ % sizeof COLOURS]);
            if (comparison.failures() > 10) return;
        }
    }
    EXPECT_EQ(comparison.failures(), 0u);
}

// Every glyph in every colour, inside the screen.
TEST(FastDrawing, EveryGlyphInEveryColour) {
    Comparison comparison;
    Screen expected;
    for (uint8_t size : FONT_SIZES)
        for (int code = 1; code < 256; ++code)
            if (font_bytes(size).has(code))
                for (uint8_t colour : COLOURS)
                    compare_text(comparison, expected, 45, 20, std::string(1, char(code)), size, ALIGN_LEFT,
                                 colour);
    EXPECT_EQ(comparison.failures(), 0u);
}

// Whole texts, whose glyphs meet and in size 34 overlap, in every alignment
// (3 and 255 centre) across the column and row cases; each font's every code
// in one text; and a text so long that its total wraps in 16 bits and its pen
// comes round onto the screen again.
TEST(FastDrawing, TextsInEveryAlignmentAtEveryClippingCase) {
    Comparison comparison;
    Screen expected;
    unsigned colour_index = 0;
    const uint8_t aligns[] = {ALIGN_CENTRE, ALIGN_LEFT, ALIGN_RIGHT, 3, 255};
    for (uint8_t size : FONT_SIZES) {
        const FontBytes& f = font_bytes(size);
        for (const std::string text : {"", "8", "-12.5", "0123456789"}) {
            int width = 0;
            for (unsigned char c : text) width += f.advance(c);
            for (uint8_t align : aligns) {
                // Shifted so the text's own start falls on the column cases.
                const int offset = align == ALIGN_LEFT ? 0 : align == ALIGN_RIGHT ? width : width / 2;
                for (int16_t x : columns_for(width, 11))
                    compare_text(comparison, expected, int16_t(x + offset), 50, text, size, align,
                                 COLOURS[colour_index++ % sizeof COLOURS]);
                for (int16_t y : rows_for(f.height()))
                    compare_text(comparison, expected, int16_t(20 + offset), y, text, size, align,
                                 COLOURS[colour_index++ % sizeof COLOURS]);
                if (comparison.failures() > 10) return;
            }
        }
        std::string all;
        for (int code = 1; code < 256; ++code) all += char(code);
        for (uint8_t align : aligns)
            for (int16_t x : {-300, -1, 0, 80, 159, 160, 500})
                compare_text(comparison, expected, x, 60, all, size, align, COLOUR_RED);
        // Enough digits for a total beyond 65535.
        if (size == 8 || size == 34) {
            const std::string longest(65536 / f.advance('8') + 20, '8');
            for (uint8_t align : {ALIGN_CENTRE, ALIGN_LEFT, ALIGN_RIGHT})
                compare_text(comparison, expected, -5, 40, longest, size, align, COLOUR_YELLOW);
        }
    }
    // Every size argument selects its font, or size 8.
    for (int size = 0; size < 256; ++size)
        compare_text(comparison, expected, 10, 10, "%8:", uint8_t(size), ALIGN_LEFT, COLOUR_GREEN);
    EXPECT_EQ(comparison.failures(), 0u);
}

// The filled rectangle pixel by pixel: nothing for one row (y0 == y1), else
// every row from y0 to y1 and in it every column from x0 to x1, as unsigned
// 16-bit positions, that lies on the screen.
void reference_fill(Screen& s, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t colour) {
    if (y0 == y1) return;
    for (uint32_t y = uint16_t(y0); y <= uint16_t(y1) && y < LCD_HEIGHT; ++y)
        for (uint32_t x = uint16_t(x0); x <= uint16_t(x1) && x < LCD_WIDTH; ++x)
            reference_pixel(s, uint16_t(x), uint16_t(y), colour);
}

TEST(FastDrawing, FilledRectanglesAtEveryClippingCase) {
    const int16_t xs[] = {-32768, -200, -2, -1, 0, 1, 7, 8, 9, 80, 151, 152, 158, 159, 160, 161, 1000, 32767};
    const int16_t ys[] = {-32768, -2, -1, 0, 1, 2, 64, 125, 126, 127, 128, 129, 32767};
    Comparison comparison;
    Screen expected;
    unsigned colour_index = 0;
    for (int16_t x0 : xs)
        for (int16_t x1 : xs)
            for (int16_t y0 : ys)
                for (int16_t y1 : ys) {
                    const uint8_t colour = COLOURS[colour_index++ % sizeof COLOURS];
                    std::memcpy(FrameBuffer, background().pixels, PIXELS);
                    expected = background();
                    reference_fill(expected, x0, y0, x1, y1, colour);
                    lcd_fill_rect(x0, y0, x1, y1, colour);
                    auto what = [&] {
                        return "fill " + std::to_string(x0) + " " + std::to_string(y0) + " " +
                               std::to_string(x1) + " " + std::to_string(y1);
                    };
                    if (!comparison.check(expected, what) && comparison.failures() > 10) return;
                }
    EXPECT_EQ(comparison.failures(), 0u);
}

// Narrow rows are written in overlapping words rather than by memset: every
// width up to past three words, starting at every column of a group of eight,
// in the middle and running into the right edge.
TEST(FastDrawing, FilledRectanglesOfEveryNarrowWidth) {
    Comparison comparison;
    Screen expected;
    unsigned colour_index = 0;
    for (int x0 = 0; x0 < LCD_WIDTH; ++x0) {
        if (x0 == 8) x0 = 72;
        if (x0 == 80) x0 = 132;
        for (int width = 1; width <= 26; ++width) {
            const int16_t x1 = int16_t(x0 + width - 1);
            const uint8_t colour = COLOURS[colour_index++ % sizeof COLOURS];
            std::memcpy(FrameBuffer, background().pixels, PIXELS);
            expected = background();
            reference_fill(expected, int16_t(x0), 20, x1, 23, colour);
            lcd_fill_rect(int16_t(x0), 20, x1, 23, colour);
            auto what = [&] { return "fill " + std::to_string(x0) + " 20 " + std::to_string(x1) + " 23"; };
            if (!comparison.check(expected, what) && comparison.failures() > 10) return;
        }
    }
    EXPECT_EQ(comparison.failures(), 0u);
}

// The readings' texts are formatted without snprintf: the same text as "%d"
// and "%.1f" of tenths * 0.1, across the 16-bit readings and at the ends of
// 32 bits.
TEST(FastDrawing, ValueTextsAsPrintfWritesThem) {
    char fast[VALUE_TEXT_SIZE], plain[VALUE_TEXT_SIZE];
    unsigned failures = 0;
    auto compare = [&](const char* what, int32_t value) {
        if (std::strcmp(fast, plain) == 0 || ++failures > 10) return;
        ADD_FAILURE() << what << " " << value << ": \"" << fast << "\", expected \"" << plain << "\"";
    };
    std::vector<int32_t> values;
    for (int32_t v = -32768; v <= 32767; ++v) values.push_back(v);
    for (int32_t v :
         {INT32_MIN, INT32_MIN + 1, -2147483647 + 9, -1000000, 999999, 1000000, INT32_MAX - 9, INT32_MAX})
        values.push_back(v);
    for (int32_t v : values) {
        format_tenths(fast, v);
        std::snprintf(plain, sizeof plain, "%.1f", v * 0.1);
        compare("tenths", v);
        format_integer(fast, v);
        std::snprintf(plain, sizeof plain, "%d", int(v));
        compare("integer", v);
    }
    EXPECT_EQ(failures, 0u);
}

} // namespace
