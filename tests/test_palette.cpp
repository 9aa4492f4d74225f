#include <gtest/gtest.h>

#include "display/palette.h"

TEST(Palette, BaseColoursCubeGreysAndTints) {
    EXPECT_EQ(lcd_palette[0], 0x000000u);
    EXPECT_EQ(lcd_palette[9], 0xFF0000u);
    EXPECT_EQ(lcd_palette[10], 0x00FF00u);
    EXPECT_EQ(lcd_palette[11], 0xFFFF00u);
    EXPECT_EQ(lcd_palette[15], 0xFFFFFFu);
    EXPECT_EQ(lcd_palette[16], 0x000080u);
    EXPECT_EQ(lcd_palette[29], 0x00FFFFu);
    EXPECT_EQ(lcd_palette[30], 0x140000u);
    EXPECT_EQ(lcd_palette[223], 0xFFFF80u);
    EXPECT_EQ(lcd_palette[224], 0x202020u);
    EXPECT_EQ(lcd_palette[229], 0x707070u);
    EXPECT_EQ(lcd_palette[237], 0xF0F0F0u);
    EXPECT_EQ(lcd_palette[238], 0xC89696u);
    EXPECT_EQ(lcd_palette[245], 0xFCFDFDu);
}

TEST(Palette, OnlyIndexZeroIsBlack) {
    for (int i = 1; i < PALETTE_SIZE; ++i) EXPECT_NE(lcd_palette[i], 0u) << "index " << i;
}
