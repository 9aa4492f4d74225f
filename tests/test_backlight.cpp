// The backlight page: level limits, the bar and the way back.
#include "support/golden.h"
#include "test_menu_framework_support.h"

using namespace menu_test;

namespace {

class Backlight : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument_reset();
        trig_init();
        load_default_settings();
        clear_menu_state();
        current_screen = backlight_screen;
    }
};

// The bar fills x 10..x_end on rows 84..94 inside the white frame 10..150 x 83..95.
void expect_bar(int x_end) {
    const Frame f = capture();
    for (int y = 84; y <= 94; ++y) {
        for (int x = 11; x <= 149; ++x) {
            ASSERT_EQ(f.at(x, y), x <= x_end ? COLOUR_RED : COLOUR_BLACK) << "at (" << x << ", " << y << ")";
        }
    }
    for (int x = 10; x <= 150; ++x) {
        EXPECT_EQ(f.at(x, 83), COLOUR_WHITE);
        EXPECT_EQ(f.at(x, 95), COLOUR_WHITE);
    }
    for (int y = 83; y <= 95; ++y) {
        EXPECT_EQ(f.at(10, y), COLOUR_WHITE);
        EXPECT_EQ(f.at(150, y), COLOUR_WHITE);
    }
    EXPECT_EQ(count_ink(f, {0, 80, 9, 98}), 0);
    EXPECT_EQ(count_ink(f, {151, 80, 159, 98}), 0);
}

TEST_F(Backlight, PageLayout) {
    backlight_level = 100;
    screen_pass();
    const Frame expected = drawn_by([] {
        draw_title_bar("BACKLIGHT", "");
        lcd_text(80, 30, "USE THE ROTARY", 8, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(80, 45, "CONTROL TO ADJUST", 8, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(80, 60, "THE BACKLIGHT", 8, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_fill_rect(10, 83, 149, 95, COLOUR_RED);
        lcd_rect(10, 83, 150, 95, COLOUR_WHITE);
        draw_soft_keys(2);
    });
    EXPECT_TRUE(same_region(capture(), expected, whole_screen));
    EXPECT_GT(count_ink(capture(), {0, 30, 159, 75}), 0);
}

TEST_F(Backlight, BarWidthsAndLimits) {
    backlight_level = 100;
    screen_pass();
    expect_bar(149);
    screen_pass(KEY_UP);
    EXPECT_EQ(backlight_level, 100) << "held at 100";
    // Each step down shortens the bar by 14 pixels.
    for (int level = 90; level >= 10; level -= 10) {
        SCOPED_TRACE(level);
        screen_pass(KEY_DOWN);
        EXPECT_EQ(backlight_level, level);
        screen_pass();
        expect_bar(9 + 14 * level / 10);
    }
    screen_pass();
    expect_bar(23);
    screen_pass(KEY_DOWN);
    screen_pass(KEY_DOWN);
    EXPECT_EQ(backlight_level, 10) << "held at 10";
    for (int level = 20; level <= 100; level += 10) {
        screen_pass(KEY_UP);
        EXPECT_EQ(backlight_level, level);
    }
    EXPECT_EQ(current_screen, backlight_screen);
    EXPECT_EQ(pending_key, KEY_NONE);
}

TEST_F(Backlight, LevelsOutsideTheRangeAreHeld) {
    struct Case {
        uint8_t stored;
        uint8_t key;
        uint8_t after;
        int drawn_end;
    };
    const Case cases[] = {
        {0, KEY_DOWN, 10, 23},      {0, KEY_UP, 10, 23},       {5, KEY_UP, 15, 23},
        {15, KEY_DOWN, 10, 30},     {95, KEY_UP, 100, 142},    {95, KEY_DOWN, 85, 142},
        {255, KEY_UP, 100, 149},    {255, KEY_DOWN, 100, 149}, {101, KEY_DOWN, 91, 149},
        {250, KEY_RIGHT, 250, 149},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "level " << int(c.stored) << " key " << int(c.key));
        backlight_level = c.stored;
        screen_pass(c.key);
        expect_bar(c.drawn_end);
        EXPECT_EQ(backlight_level, c.after);
    }
}

TEST_F(Backlight, BackAndPushReturnToTheBacklightItem) {
    for (uint8_t key : {KEY_LEFT, KEY_PUSH}) {
        current_screen = backlight_screen;
        menu_cursor = 0;
        edit_step = 10;
        backlight_level = 60;
        screen_pass(key);
        EXPECT_EQ(current_screen, misc_setup_screen);
        EXPECT_EQ(menu_cursor, 0);
        EXPECT_EQ(edit_step, 1);
        EXPECT_EQ(backlight_level, 60);
    }
    current_screen = backlight_screen;
    screen_pass(KEY_RIGHT);
    EXPECT_EQ(current_screen, backlight_screen);
    EXPECT_EQ(pending_key, KEY_NONE);
}

TEST_F(Backlight, GoldenImages) {
    backlight_level = 10;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_backlight_10"));
    backlight_level = 100;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_backlight_100"));
}

} // namespace
