// Walks through the menus with keys, as a user makes them: each key goes into
// the key slot and is acted on by the next loop pass.
#include "menus/screen_table.h"
#include "test_menu_framework_support.h"

using namespace menu_test;

namespace {

class MenuWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument_reset();
        power_on_sequence();
        clear_menu_state();
        alarm_flags = 0;
        alarm_ack_flags = 0;
        device_pass();
    }

    // One key and the pass that shows its result.
    static void key(uint8_t k, int times = 1) {
        for (int i = 0; i < times; ++i) {
            device_key(k);
            device_pass();
        }
    }

    static void open_menus() {
        ASSERT_EQ(current_screen, run_screen);
        key(KEY_PUSH);
    }

    // From the main menu at entry 0 to misc setup with the cursor on item.
    static void open_misc_item(uint8_t item) {
        key(KEY_UP, 4);
        key(KEY_PUSH);
        ASSERT_EQ(current_screen, misc_setup_screen);
        key(KEY_UP, item);
        ASSERT_EQ(menu_cursor, item);
        key(KEY_PUSH);
    }
};

TEST_F(MenuWalk, KnobPushOpensTheMainMenuAtTheFirstEntry) {
    open_menus();
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 0);
    key(KEY_UP, 3);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, run_screen);
    EXPECT_EQ(edit_step, 1);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 0) << "the next entry starts at the first entry";
}

TEST_F(MenuWalk, ValuesAndBack) {
    open_menus();
    key(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 5);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, values_screen);
    key(KEY_UP);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, values_screen);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 5);
}

TEST_F(MenuWalk, MiscSetupAndBack) {
    open_menus();
    key(KEY_UP, 4);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 0);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 4);
}

TEST_F(MenuWalk, EveryMiscItemAndBackToItsEntry) {
    struct Case {
        uint8_t item;
        ScreenHandler screen;
        uint8_t back_key;
    };
    const Case cases[] = {{0, backlight_screen, KEY_LEFT},
                          {1, security_setup_screen, KEY_LEFT},
                          {2, information_screen, KEY_LEFT},
                          {3, default_settings_screen, KEY_LEFT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.item));
        SetUp();
        open_menus();
        open_misc_item(c.item);
        EXPECT_EQ(current_screen, c.screen);
        key(c.back_key);
        EXPECT_EQ(current_screen, misc_setup_screen);
        EXPECT_EQ(menu_cursor, c.item);
        key(KEY_LEFT);
        EXPECT_EQ(current_screen, main_menu_screen);
        EXPECT_EQ(menu_cursor, 4);
    }
}

TEST_F(MenuWalk, BacklightLevelFromTheMenus) {
    open_menus();
    open_misc_item(0);
    key(KEY_DOWN, 3);
    EXPECT_EQ(backlight_level, 70);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(backlight_level, 70);
}

TEST_F(MenuWalk, ChannelSetupReturnsToItsChannelEntry) {
    open_menus();
    key(KEY_UP, 2);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, channel_setup_screen);
    EXPECT_EQ(selected_channel, 2);
    EXPECT_EQ(selected_pressure_config, &channel_settings.pressure[2]);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 2) << "the main menu shows the channel 3 entry";
}

TEST_F(MenuWalk, DefaultSettingsThroughTheDoneMessage) {
    channel_mode[1] = MODE_OFF;
    open_menus();
    open_misc_item(3);
    key(KEY_RIGHT);
    EXPECT_EQ(current_screen, message_screen);
    EXPECT_EQ(channel_mode[1], MODE_TEMPERATURE);
    key(KEY_DOWN);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 3);
}

TEST_F(MenuWalk, SecurityOnGuardsTheMenus) {
    open_menus();
    open_misc_item(1);
    key(KEY_PUSH);
    key(KEY_UP);
    key(KEY_PUSH);
    EXPECT_EQ(security_on, 1);
    key(KEY_LEFT);
    key(KEY_LEFT);
    key(KEY_LEFT);
    ASSERT_EQ(current_screen, run_screen);

    code_digits[1] = 4; // left over: cleared by the knob push
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, menu_code_screen);
    EXPECT_EQ(menu_cursor, 0);
    for (uint8_t d : code_digits) EXPECT_EQ(d, 0);
    // 6 3 8 1, each digit confirmed by a push.
    key(KEY_DOWN, 4);
    key(KEY_PUSH);
    key(KEY_UP, 3);
    key(KEY_PUSH);
    key(KEY_DOWN, 2);
    key(KEY_PUSH);
    key(KEY_UP, 1);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 0);

    // A wrong code leads back to the run screen through the error message.
    key(KEY_LEFT);
    key(KEY_PUSH);
    key(KEY_PUSH, 4);
    EXPECT_EQ(current_screen, code_message_screen);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, run_screen);

    // "EXIT" leaves the menus closed.
    key(KEY_PUSH);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, run_screen);
}

TEST_F(MenuWalk, ChangeCodeAndBackToChangeCode) {
    security_on = 1;
    open_menus();
    // Master code on the way in.
    key(KEY_UP, 7);
    key(KEY_PUSH);
    key(KEY_UP, 1);
    key(KEY_PUSH);
    key(KEY_UP, 4);
    key(KEY_PUSH);
    key(KEY_UP, 2);
    key(KEY_PUSH);
    ASSERT_EQ(current_screen, main_menu_screen);
    open_misc_item(1);
    key(KEY_UP);
    key(KEY_PUSH);
    ASSERT_EQ(current_screen, old_code_screen);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, security_setup_screen);
    EXPECT_EQ(menu_cursor, 1) << "back on CHANGE CODE";
    key(KEY_PUSH);
    key(KEY_PUSH, 4); // 0000 is not the present code
    EXPECT_EQ(current_screen, code_message_screen);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, security_setup_screen);
    EXPECT_EQ(menu_cursor, 1);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 1);
}

TEST_F(MenuWalk, EveryScreenClearsTheKeyAfterAnyKey) {
    for (uint8_t i = 0; i < SCREEN_TABLE_SIZE; ++i) {
        const ScreenHandler screen = SCREEN_TABLE[i].handler;
        // These need a selected channel, and the run screen has tests of its own.
        if (screen == run_screen || screen == channel_setup_screen || screen == sender_calibration_screen ||
            screen == zero_current_screen)
            continue;
        for (uint8_t k = KEY_LEFT; k <= KEY_DOWN; ++k) {
            load_default_settings();
            clear_menu_state();
            message_next_screen = misc_setup_screen;
            current_screen = screen;
            device_key(k);
            EXPECT_EQ(pending_key, KEY_NONE) << "key " << int(k);
        }
    }
}

} // namespace
