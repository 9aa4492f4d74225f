// lcd_text: font and alignment fallbacks, the 16-bit measuring and centring,
// the position variables, clipping, and codes outside a font's range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "display/text.h"
#include "display/text_record.h"
#include "picture/picture.h"
#include "support/test_output.h"
#include "test_fonts_reader.h"

namespace {

using Screen = std::vector<uint8_t>;

Screen screen() { return Screen(&FrameBuffer[0][0], &FrameBuffer[0][0] + LCD_WIDTH * LCD_HEIGHT); }

// Blits one glyph into a scratch screen exactly where the text algorithm puts
// it, clipping like the frame buffer does.
void blit(Screen& s, const FontBytes& f, int code, int x, int y, uint8_t colour) {
    for (int r = 0; r < f.height(); ++r)
        for (int c = 0; c < f.width(code); ++c) {
            if (!f.ink(code, r, c)) continue;
            const uint16_t px = uint16_t(x + c), py = uint16_t(y + r);
            if (px < LCD_WIDTH && py < LCD_HEIGHT) s[size_t(py) * LCD_WIDTH + px] = colour;
        }
}

// The expected screen of a left-aligned text starting at column x.
Screen expected_from(int x, int y, const std::string& text, int size, uint8_t colour) {
    Screen s(LCD_WIDTH * LCD_HEIGHT, 0);
    const FontBytes& f = font_bytes(size);
    int pen = x;
    for (unsigned char c : text) {
        if (!f.has(c)) continue;
        blit(s, f, c, pen, y, colour);
        pen += f.advance(c);
    }
    return s;
}

bool column_blank(const Screen& s, int x) {
    for (int y = 0; y < LCD_HEIGHT; ++y)
        if (s[size_t(y) * LCD_WIDTH + x] != 0) return false;
    return true;
}

class Text : public ::testing::Test {
  protected:
    void SetUp() override {
        lcd_clear();
        text_start_x = text_end_x = 12345;
    }
};

TEST_F(Text, WorkedExampleSize20) {
    lcd_text(80, 10, "12", 20, ALIGN_CENTRE, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, 60);
    EXPECT_EQ(text_end_x, 100);
    Screen s = screen();
    EXPECT_EQ(s, expected_from(60, 10, "12", 20, COLOUR_WHITE));
    // The "1" owns columns 60..78, the "2" 80..98; column 79 is the gap.
    EXPECT_TRUE(column_blank(s, 59));
    EXPECT_TRUE(column_blank(s, 79));
    EXPECT_TRUE(column_blank(s, 99));

    lcd_clear();
    lcd_text(80, 10, "12", 20, ALIGN_RIGHT, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, 40);
    EXPECT_EQ(text_end_x, 80);
    EXPECT_EQ(screen(), expected_from(40, 10, "12", 20, COLOUR_WHITE));

    lcd_clear();
    lcd_text(80, 10, "12", 20, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, 80);
    EXPECT_EQ(text_end_x, 120);
    EXPECT_EQ(screen(), expected_from(80, 10, "12", 20, COLOUR_WHITE));
}

TEST_F(Text, WorkedExampleSize34CellsOverlapByOneColumn) {
    lcd_text(80, 0, "12", 34, ALIGN_CENTRE, COLOUR_YELLOW);
    EXPECT_EQ(text_start_x, 48);
    EXPECT_EQ(text_end_x, 112);
    Screen s = screen();
    EXPECT_EQ(s, expected_from(48, 0, "12", 34, COLOUR_YELLOW));
    EXPECT_TRUE(column_blank(s, 47));
    EXPECT_TRUE(column_blank(s, 113));
}

TEST_F(Text, InkInTheCellsColumnsOnly) {
    // Each glyph of size 20 stays within its own 19 columns.
    lcd_text(80, 10, "1", 20, ALIGN_LEFT, COLOUR_WHITE);
    Screen one = screen();
    for (int x = 0; x < LCD_WIDTH; ++x) {
        if (x < 80 || x > 98) {
            EXPECT_TRUE(column_blank(one, x)) << x;
        }
    }
}

TEST_F(Text, ColourAndBackgroundUntouched) {
    lcd_fill_rect(0, 0, 159, 127, COLOUR_GREY);
    lcd_text(10, 10, "8", 16, ALIGN_LEFT, COLOUR_RED);
    const FontBytes& f = font_bytes(16);
    for (int r = 0; r < f.height(); ++r) {
        for (int c = 0; c < f.width('8'); ++c) {
            EXPECT_EQ(FrameBuffer[10 + r][10 + c], f.ink('8', r, c) ? COLOUR_RED : COLOUR_GREY);
        }
    }
}

TEST_F(Text, SizeFallbackSelectsSize8) {
    lcd_text(20, 20, "Ab1", 8, ALIGN_LEFT, COLOUR_WHITE);
    const Screen reference = screen();
    const int16_t end = text_end_x;
    for (uint8_t size : {0, 1, 11, 13, 17, 35, 255}) {
        lcd_clear();
        lcd_text(20, 20, "Ab1", size, ALIGN_LEFT, COLOUR_WHITE);
        EXPECT_EQ(screen(), reference) << int(size);
        EXPECT_EQ(text_end_x, end) << int(size);
        EXPECT_EQ(font_for_size(size), font_8) << int(size);
    }
}

TEST_F(Text, AlignFallbackCentres) {
    lcd_text(80, 20, "QD5", 12, ALIGN_CENTRE, COLOUR_WHITE);
    const Screen reference = screen();
    const int16_t start = text_start_x;
    for (uint8_t align : {3, 4, 128, 255}) {
        lcd_clear();
        lcd_text(80, 20, "QD5", 12, align, COLOUR_WHITE);
        EXPECT_EQ(screen(), reference) << int(align);
        EXPECT_EQ(text_start_x, start) << int(align);
    }
}

TEST_F(Text, CentringHalvesTheTotalRoundingDown) {
    // "8" in size 8 advances 9: the start is 80 - 4.
    lcd_text(80, 0, "8", 8, ALIGN_CENTRE, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, 76);
    EXPECT_EQ(text_end_x, 85);
}

TEST_F(Text, EmptyTextSetsBothPositionsToX) {
    for (uint8_t align : {0, 1, 2, 3}) {
        lcd_text(-7, 5, "", 16, align, COLOUR_WHITE);
        EXPECT_EQ(text_start_x, -7);
        EXPECT_EQ(text_end_x, -7);
    }
    EXPECT_EQ(screen(), Screen(LCD_WIDTH * LCD_HEIGHT, 0));
}

TEST_F(Text, EndPositionIsWhereAValueFollowsALabel) {
    lcd_text(5, 30, "Unit:", 9, ALIGN_LEFT, COLOUR_WHITE);
    const int16_t label_end = text_end_x;
    const FontBytes& f = font_bytes(9);
    int sum = 0;
    for (char c : std::string("Unit:")) sum += f.width(c) + 1;
    EXPECT_EQ(label_end, 5 + sum);
    lcd_text(label_end, 30, "bar", 9, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, label_end);
    EXPECT_EQ(screen(), expected_from(5, 30, "Unit:bar", 9, COLOUR_WHITE));
}

TEST_F(Text, RightAlignedSize9LeavesTheLastTwoColumnsFree) {
    lcd_text(159, 40, "WMH|", 9, ALIGN_RIGHT, COLOUR_WHITE);
    Screen s = screen();
    EXPECT_EQ(text_end_x, 159);
    EXPECT_TRUE(column_blank(s, 158));
    EXPECT_TRUE(column_blank(s, 159));
    EXPECT_EQ(s, expected_from(text_start_x, 40, "WMH|", 9, COLOUR_WHITE));
}

TEST_F(Text, RightAlignedSize34EndsOnTheLastColumn) {
    lcd_text(159, 40, "-88", 34, ALIGN_RIGHT, COLOUR_WHITE);
    const FontBytes& f = font_bytes(34);
    EXPECT_EQ(text_end_x, 159);
    EXPECT_EQ(text_start_x, 159 - f.advance('-') - 2 * f.advance('8'));
    // The last cell's last column is column 159 itself.
    EXPECT_EQ(screen(), expected_from(text_start_x, 40, "-88", 34, COLOUR_WHITE));
}

TEST_F(Text, CutAtTheRightEdgeWithoutWrapping) {
    lcd_text(150, 100, "0000", 16, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(screen(), expected_from(150, 100, "0000", 16, COLOUR_WHITE));
    // Nothing reaches the bottom rows or column 0 of the next rows.
    EXPECT_TRUE(column_blank(screen(), 0));
}

TEST_F(Text, NegativeStartShowsOnlyTheVisibleColumns) {
    lcd_text(-10, 0, "48", 20, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(screen(), expected_from(-10, 0, "48", 20, COLOUR_WHITE));
    lcd_clear();
    lcd_text(20, -20, "48", 20, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(screen(), expected_from(20, -20, "48", 20, COLOUR_WHITE));
}

TEST_F(Text, DegreeSignDrawsInSizes8And10) {
    for (uint8_t size : {8, 10}) {
        lcd_clear();
        lcd_text(10, 10, "\xB0", size, ALIGN_LEFT, COLOUR_WHITE);
        Screen s = screen();
        EXPECT_NE(std::count(s.begin(), s.end(), COLOUR_WHITE), 0) << int(size);
        EXPECT_EQ(s, expected_from(10, 10, "\xB0", size, COLOUR_WHITE));
    }
}

TEST_F(Text, CodesOutsideTheFontAreSkippedWithoutAdvance) {
    lcd_text(10, 10, "AB", 9, ALIGN_LEFT, COLOUR_WHITE);
    const Screen reference = screen();
    const int16_t end = text_end_x;
    lcd_clear();
    lcd_text(10, 10,
             "A\x01\x1F"
             "B\x80\xFF",
             9, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(screen(), reference);
    EXPECT_EQ(text_end_x, end);

    lcd_clear();
    lcd_text(80, 10, "1A2:", 20, ALIGN_CENTRE, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, 60);
    EXPECT_EQ(text_end_x, 100);
    EXPECT_EQ(screen(), expected_from(60, 10, "12", 20, COLOUR_WHITE));
}

TEST_F(Text, PositionsWrapIn16Bits) {
    lcd_text(32767, 0, "88", 8, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, 32767);
    EXPECT_EQ(text_end_x, int16_t(uint16_t(32767 + 18)));
    EXPECT_EQ(screen(), Screen(LCD_WIDTH * LCD_HEIGHT, 0));

    // A total above 32767 is halved as an unsigned number.
    std::string long_text(700, '%'); // 700 advances of 50 in size 34
    ASSERT_EQ(font_bytes(34).advance('%'), 50);
    lcd_text(0, 0, long_text.c_str(), 34, ALIGN_CENTRE, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, -17500);
    EXPECT_EQ(text_end_x, int16_t(uint16_t(-17500 + 35000)));

    // And a total beyond 65535 wraps.
    std::string longer(1400, '%'); // 70000 = 4464 modulo 65536
    lcd_text(0, 0, longer.c_str(), 34, ALIGN_RIGHT, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, -4464);
}

TEST_F(Text, NullTextIsAnEmptyText) {
    lcd_text(33, 0, nullptr, 8, ALIGN_RIGHT, COLOUR_WHITE);
    EXPECT_EQ(text_start_x, 33);
    EXPECT_EQ(text_end_x, 33);
}

// Every code in every size and alignment at the extremes of the coordinates:
// nothing may fault (this also runs under the sanitizers), and the position
// variables always agree with the font widths.
TEST_F(Text, EveryCodeEverySizeEveryAlignAtExtremes) {
    char all[256];
    for (int i = 1; i < 256; ++i) all[i - 1] = char(i);
    all[255] = 0;
    const int16_t coords[] = {-32768, -100, -1, 0, 80, 159, 160, 32767};
    for (uint8_t size : {0, 8, 9, 10, 11, 12, 16, 20, 24, 30, 34, 255}) {
        const FontBytes& f = font_bytes(size);
        uint16_t total = 0;
        for (int c = 1; c < 256; ++c)
            if (f.has(c)) total = uint16_t(total + f.advance(c));
        for (uint8_t align : {0, 1, 2, 3})
            for (int16_t x : coords)
                for (int16_t y : coords) {
                    lcd_text(x, y, all, size, align, COLOUR_WHITE);
                    EXPECT_EQ(uint16_t(text_end_x - text_start_x), total);
                }
        for (int c = 0; c < 256; ++c) {
            const char one[2] = {char(c), 0};
            for (uint8_t align : {0, 1, 2, 3})
                lcd_text(int16_t(c - 50), int16_t(c / 2 - 10), one, size, align, 15);
        }
    }
}

// The record keeps each call until lcd_clear, cuts long texts, and counts the
// calls that find it full instead of writing past its end.
TEST_F(Text, RecordKeepsCallsUntilClearAndCountsOverflow) {
    lcd_clear();
    lcd_text(158, 94, "Max 104", 10, ALIGN_RIGHT, COLOUR_RED);
    ASSERT_EQ(text_record_count, 1);
    EXPECT_STREQ(text_record[0].text, "Max 104");
    EXPECT_EQ(text_record[0].x, 158);
    EXPECT_EQ(text_record[0].size, 10);
    EXPECT_EQ(text_record[0].align, ALIGN_RIGHT);
    EXPECT_EQ(text_record[0].colour, COLOUR_RED);
    EXPECT_EQ(text_record[0].start_x, text_start_x);
    EXPECT_EQ(text_record[0].end_x, 158);

    const std::string long_text(40, 'W');
    lcd_text(0, 0, long_text.c_str(), 8, ALIGN_LEFT, COLOUR_WHITE);
    EXPECT_EQ(std::strlen(text_record[1].text), TEXT_RECORD_CHARS);
    for (int i = 2; i < TEXT_RECORD_CAPACITY + 5; ++i) lcd_text(0, 0, nullptr, 8, ALIGN_LEFT, 1);
    EXPECT_EQ(text_record_count, TEXT_RECORD_CAPACITY);
    EXPECT_EQ(text_record_overflow, 5);
    EXPECT_STREQ(text_record[TEXT_RECORD_CAPACITY - 1].text, "");

    lcd_clear();
    EXPECT_EQ(text_record_count, 0);
    EXPECT_EQ(text_record_overflow, 0);
}

// A picture of typical texts in several sizes, for looking at.
TEST_F(Text, WritesASamplePicture) {
    lcd_text(80, 0, "Oil Pressure", 12, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(2, 22, "CH1 bar", 9, ALIGN_LEFT, COLOUR_GREY);
    lcd_text(157, 22, "ZOLT", 9, ALIGN_RIGHT, COLOUR_GREY);
    lcd_text(80, 30, "-12.5", 34, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(2, 94, "87\260C", 10, ALIGN_LEFT, COLOUR_YELLOW); // \260 is the degree sign
    lcd_text(158, 94, "Max 104\260F", 10, ALIGN_RIGHT, COLOUR_RED);
    lcd_text(80, 112, "4-20mA 13.8V gjpqy", 8, ALIGN_CENTRE, COLOUR_GREEN);
    EXPECT_TRUE(write_png_file(test_output_dir() + "/text_sample.png", frame_picture()));
}

} // namespace
