// The current-sensor zeroing question.
#include <gtest/gtest.h>

#include "test_channel_setup_support.h"

using namespace setup_test;

namespace {

class ZeroCurrent : public ::testing::Test {
  protected:
    void SetUp() override {
        open_channel_setup(2);
        cursor_to(10);
        key(KEY_PUSH);
        ASSERT_EQ(current_screen, zero_current_screen);
        hook_counts = HookCounts{};
    }

    // YES with the channel's input at adc, then the current read at that input.
    static void zero_at(uint16_t adc) {
        current_screen = zero_current_screen;
        adc_input[2] = adc;
        key(KEY_RIGHT);
        sample_current(2, channel_settings.current[2]);
    }
};

TEST_F(ZeroCurrent, TheQuestionOnThreeLinesWithNoAndYes) {
    Snapshot actual, expected;
    take(actual);
    lcd_clear();
    lcd_text(110, 35, "ZERO", 9, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(110, 58, "CURRENT", 9, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(110, 81, "SENSOR?", 9, ALIGN_CENTRE, COLOUR_WHITE);
    draw_yes_no_keys();
    take(expected);
    put(actual);
    EXPECT_TRUE(same_region(actual, expected, 56, 26, 159, 127));
    EXPECT_TRUE(title_is("MESSAGE", ""));
    EXPECT_GT(ink_in(5, 42, 54, 91), 0) << "the question picture";
}

TEST_F(ZeroCurrent, AtTheFactoryMiddleTheZeroPointIsTheFactoryOne) {
    current_zero[2] = 0;
    zero_at(2048);
    EXPECT_EQ(current_zero[2], 0x8000);
    EXPECT_EQ(current_tenths[2], 0);
}

TEST_F(ZeroCurrent, YesTakesThePresentInputAndShowsDone) {
    zero_at(2100);
    EXPECT_EQ(current_zero[2], 33600);
    EXPECT_EQ(current_tenths[2], 0);
    EXPECT_EQ(current_amps[2], 0);
    EXPECT_EQ(hook_counts.channel_setup_changed, 1);
    EXPECT_EQ(current_screen, message_screen);
    EXPECT_EQ(message_next_screen, channel_setup_screen);
    EXPECT_EQ(menu_cursor, 10);
    EXPECT_EQ(current_zero[0], 0x8000) << "only the selected channel";
    key(KEY_UP);
    EXPECT_EQ(current_screen, channel_setup_screen);
    EXPECT_TRUE(row_is(4, "ZERO SENSOR", true));
}

// 4096 counts times 16 does not fit 16 bits; the zero point is held at 0xFFFF
// so that the current reads 0 at that input instead of 40.9 A.
TEST_F(ZeroCurrent, AtFullScaleTheZeroPointIsHeldBelowTheWrap) {
    zero_at(4096);
    EXPECT_EQ(current_zero[2], 0xFFFF);
    EXPECT_EQ(current_tenths[2], 0);
    zero_at(4095);
    EXPECT_EQ(current_zero[2], 65520);
    zero_at(0);
    EXPECT_EQ(current_zero[2], 0);
}

TEST_F(ZeroCurrent, NoChangesNothingAndReturnsToZeroSensor) {
    adc_input[2] = 3000;
    menu_editing = 1; // whatever the state, NO resets it
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, channel_setup_screen);
    EXPECT_EQ(menu_cursor, 10);
    EXPECT_EQ(menu_editing, 0);
    EXPECT_EQ(current_zero[2], 0x8000);
    EXPECT_EQ(hook_counts.channel_setup_changed, 0);
}

TEST_F(ZeroCurrent, TheKnobDoesNothingButIsConsumed) {
    for (uint8_t k : {KEY_PUSH, KEY_UP, KEY_DOWN}) {
        press_key(k);
        run_pass(false);
        EXPECT_EQ(pending_key, KEY_NONE);
        EXPECT_EQ(current_screen, zero_current_screen);
    }
    EXPECT_EQ(current_zero[2], 0x8000);
}

} // namespace
