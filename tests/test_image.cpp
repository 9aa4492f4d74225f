#include <gtest/gtest.h>

#include <cstring>

#include "host/panel/instrument.h"

namespace {

constexpr uint8_t MARK = 0xEE; // background that no image below uses

class ImageTest : public ::testing::Test {
  protected:
    void SetUp() override { std::memset(FrameBuffer, MARK, sizeof FrameBuffer); }

    // Number of pixels that the image changed.
    static int changed() {
        int n = 0;
        for (const auto& row : FrameBuffer)
            for (uint8_t v : row) n += v != MARK;
        return n;
    }
};

// 3 by 2: row 0 a literal of three colours, row 1 a run of three.
const uint8_t small[] = {3, 0, 2, 0, 0x03, 9, 0, 11, 0x83, 10};

TEST_F(ImageTest, LiteralsAndRunsFillRowsTopToBottom) {
    lcd_draw_image(20, 30, small);
    EXPECT_EQ(FrameBuffer[30][20], 9);
    EXPECT_EQ(FrameBuffer[30][21], 0); // colour 0 is drawn too: images are opaque
    EXPECT_EQ(FrameBuffer[30][22], 11);
    EXPECT_EQ(FrameBuffer[31][20], 10);
    EXPECT_EQ(FrameBuffer[31][21], 10);
    EXPECT_EQ(FrameBuffer[31][22], 10);
    EXPECT_EQ(changed(), 6);
}

TEST_F(ImageTest, SizeIsSixteenBitLowByteFirst) {
    // 260 by 1: one run of 127, one of 127 and a literal of 6.
    const uint8_t wide[] = {0x04, 0x01, 1, 0, 0xFF, 8, 0xFF, 7, 0x06, 1, 2, 3, 4, 5, 6};
    lcd_draw_image(0, 0, wide);
    EXPECT_EQ(FrameBuffer[0][0], 8);
    EXPECT_EQ(FrameBuffer[0][126], 8);
    EXPECT_EQ(FrameBuffer[0][127], 7);
    EXPECT_EQ(FrameBuffer[0][159], 7); // the rest is clipped
    EXPECT_EQ(changed(), 160);
}

TEST_F(ImageTest, OvershootingPacketFinishesToTheRightOnTheSameRow) {
    // Width 2: row 0's run of 5 draws three pixels right of the image; row 1
    // starts again at column 0 with a fresh packet.
    const uint8_t over[] = {2, 0, 2, 0, 0x85, 9, 0x02, 10, 11};
    lcd_draw_image(10, 10, over);
    for (int x = 10; x < 15; ++x) EXPECT_EQ(FrameBuffer[10][x], 9) << x;
    EXPECT_EQ(FrameBuffer[10][15], MARK);
    EXPECT_EQ(FrameBuffer[11][10], 10);
    EXPECT_EQ(FrameBuffer[11][11], 11);
    EXPECT_EQ(changed(), 7);
}

TEST_F(ImageTest, EmptyPacketsDrawNothingAndRun128ConsumesItsColour) {
    const uint8_t empty[] = {2, 0, 1, 0, 0x80, 9, 0x00, 0x82, 11};
    lcd_draw_image(0, 0, empty);
    EXPECT_EQ(FrameBuffer[0][0], 11);
    EXPECT_EQ(FrameBuffer[0][1], 11);
    EXPECT_EQ(changed(), 2);
}

TEST_F(ImageTest, RowEndsAsSoonAsWidthIsReached) {
    // Width 3 as a literal of 2 and a run of 1; the next packet already belongs
    // to row 1.
    const uint8_t rows[] = {3, 0, 2, 0, 0x02, 9, 10, 0x81, 11, 0x83, 15};
    lcd_draw_image(0, 0, rows);
    EXPECT_EQ(FrameBuffer[0][2], 11);
    EXPECT_EQ(FrameBuffer[1][0], 15);
    EXPECT_EQ(FrameBuffer[1][2], 15);
    EXPECT_EQ(changed(), 6);
}

TEST_F(ImageTest, ImagePartlyOffScreenDrawsItsVisiblePart) {
    lcd_draw_image(-2, -1, small); // only column 2 of row 1 lands on (0, 0)
    EXPECT_EQ(FrameBuffer[0][0], 10);
    EXPECT_EQ(changed(), 1);

    std::memset(FrameBuffer, MARK, sizeof FrameBuffer);
    lcd_draw_image(158, 127, small); // two pixels of row 0 in the corner
    EXPECT_EQ(FrameBuffer[127][158], 9);
    EXPECT_EQ(FrameBuffer[127][159], 0);
    EXPECT_EQ(changed(), 2);

    std::memset(FrameBuffer, MARK, sizeof FrameBuffer);
    lcd_draw_image(160, 0, small);
    lcd_draw_image(0, 128, small);
    lcd_draw_image(-3, 0, small);
    lcd_draw_image(32767, 32767, small); // positions wrap at 16 bits, still off
    EXPECT_EQ(changed(), 0);
}

TEST_F(ImageTest, IconAtScreenPositionsDrawsOpaqueSquare) {
    lcd_draw_image(10, 45, icon_warning);
    EXPECT_EQ(changed(), 50 * 50);
    for (int y = 45; y < 95; ++y)
        for (int x = 10; x < 60; ++x) ASSERT_NE(FrameBuffer[y][x], MARK);
    EXPECT_EQ(FrameBuffer[44][10], MARK);
    EXPECT_EQ(FrameBuffer[45][60], MARK);
    EXPECT_EQ(FrameBuffer[95][10], MARK);
}

} // namespace
