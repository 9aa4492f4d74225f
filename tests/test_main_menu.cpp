// Main menu, misc setup, values, information and the default-settings question.
#include "support/golden.h"
#include "test_menu_framework_support.h"

using namespace menu_test;

namespace {

class MainMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument_reset();
        trig_init();
        load_default_settings();
        clear_menu_state();
        zolt_enabled = 0;
        for (uint16_t& v : work_adc) v = 0;
        supply_adc = 0;
        current_screen = main_menu_screen;
    }
};

const char* const entry_lines[6][2] = {{"CH 1", "SETUP"}, {"CH 2", "SETUP"}, {"CH 3", "SETUP"},
                                       {"CH 4", "SETUP"}, {"MISC", "SETUP"}, {"ADC", "VALUES"}};

// The main menu as its entry should look, built from the primitives.
Frame expected_main_menu(uint8_t entry) {
    const uint8_t* const pictures[6] = {icon_channel, icon_channel, icon_channel,
                                        icon_channel, icon_misc,    icon_values};
    return drawn_by([=] {
        draw_title_bar("MAIN MENU", "");
        draw_menu_scroll_bar(entry, 6);
        lcd_text(108, 50, entry_lines[entry][0], 10, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(108, 68, entry_lines[entry][1], 10, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_draw_image(10, 45, pictures[entry]);
        draw_soft_keys(1);
    });
}

TEST_F(MainMenu, EachEntryShowsItsLinesAndPicture) {
    for (uint8_t entry = 0; entry < 6; ++entry) {
        SCOPED_TRACE(int(entry));
        menu_cursor = entry;
        screen_pass();
        const Frame actual = capture();
        EXPECT_TRUE(same_region(actual, expected_main_menu(entry), whole_screen));
        EXPECT_GT(count_ink(actual, {60, 50, 150, 89}), 0) << "the two lines are drawn";
        EXPECT_GT(count_ink(actual, {10, 45, 59, 94}), 0) << "the picture is drawn";
    }
    // Neighbouring entries differ in their text.
    EXPECT_FALSE(same_region(expected_main_menu(0), expected_main_menu(1), {60, 50, 150, 70}));
    EXPECT_FALSE(same_region(expected_main_menu(3), expected_main_menu(4), {10, 45, 59, 94}));
}

TEST_F(MainMenu, KnobWrapsAtBothEnds) {
    for (uint8_t expected : {1, 2, 3, 4, 5}) {
        screen_pass(KEY_UP);
        EXPECT_EQ(menu_cursor, expected);
        EXPECT_EQ(pending_key, KEY_NONE);
    }
    screen_pass(KEY_UP);
    EXPECT_EQ(menu_cursor, 0) << "the sixth step wraps to the channel 1 entry";
    screen_pass(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 5) << "one step down from channel 1 shows the values entry";
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_main_menu(5), whole_screen));
}

TEST_F(MainMenu, PushHandsTheChannelToTheSetup) {
    for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) {
        SCOPED_TRACE(int(c));
        current_screen = main_menu_screen;
        menu_cursor = c;
        menu_scroll = 3;
        menu_editing = 1;
        edit_step = 10;
        security_scratch = 42;
        screen_pass(KEY_PUSH);
        EXPECT_EQ(current_screen, channel_setup_screen);
        EXPECT_EQ(selected_channel, c);
        EXPECT_EQ(selected_pressure_config, &channel_settings.pressure[c]);
        EXPECT_EQ(selected_temperature_config, &channel_settings.temperature[c]);
        EXPECT_EQ(selected_current_config, &channel_settings.current[c]);
        EXPECT_EQ(selected_volts_config, &channel_settings.volts[c]);
        EXPECT_EQ(menu_cursor, 0);
        EXPECT_EQ(menu_scroll, 0);
        EXPECT_EQ(menu_editing, 0);
        EXPECT_EQ(edit_step, 1);
        EXPECT_EQ(security_scratch, 42) << "not touched";
        EXPECT_EQ(pending_key, KEY_NONE);
    }
}

TEST_F(MainMenu, PushOpensMiscAndValues) {
    selected_channel = 2;
    menu_cursor = 4;
    screen_pass(KEY_PUSH);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(selected_channel, 2) << "only a channel entry selects a channel";
    current_screen = main_menu_screen;
    menu_cursor = 5;
    edit_step = 10;
    screen_pass(KEY_PUSH);
    EXPECT_EQ(current_screen, values_screen);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(edit_step, 1);
}

TEST_F(MainMenu, ExitLeavesAndRightKeyDoesNothing) {
    menu_cursor = 3;
    screen_pass(KEY_RIGHT);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 3);
    EXPECT_EQ(pending_key, KEY_NONE);
    EXPECT_EQ(hook_counts.settings_changed, 0);
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, run_screen);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(pending_key, KEY_NONE);
    EXPECT_EQ(hook_counts.settings_changed, 1);
}

TEST_F(MainMenu, CursorOutOfRangeShowsTheFirstEntry) {
    menu_cursor = 200;
    screen_pass();
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_TRUE(same_region(capture(), expected_main_menu(0), whole_screen));
}

class MiscSetup : public MainMenu {
  protected:
    void SetUp() override {
        MainMenu::SetUp();
        current_screen = misc_setup_screen;
    }
};

Frame expected_misc(uint8_t cursor) {
    const char* const items[] = {"BACKLIGHT", "SECURITY SETUP", "INFORMATION", "DEFAULT SETTINGS"};
    return drawn_by([=] {
        draw_title_bar("MISC SETUP", "");
        draw_menu_scroll_bar(cursor, 4);
        for (int i = 0; i < 4; ++i)
            lcd_text(0, static_cast<int16_t>(16 * i + 27), items[i], 8, ALIGN_LEFT,
                     i == cursor ? COLOUR_RED : COLOUR_WHITE);
        draw_soft_keys(2);
    });
}

TEST_F(MiscSetup, ListWithEachCursor) {
    for (uint8_t cursor = 0; cursor < 4; ++cursor) {
        SCOPED_TRACE(int(cursor));
        menu_cursor = cursor;
        screen_pass();
        const Frame f = capture();
        EXPECT_TRUE(same_region(f, expected_misc(cursor), whole_screen));
        EXPECT_GT(count_colour(f, {0, 16 * cursor + 27, 150, 16 * cursor + 42}, COLOUR_RED), 0);
        EXPECT_EQ(menu_scroll, 0);
    }
}

TEST_F(MiscSetup, KnobWrapsAndRightKeyDoesNothing) {
    screen_pass(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 3);
    screen_pass(KEY_UP);
    EXPECT_EQ(menu_cursor, 0);
    screen_pass(KEY_UP);
    screen_pass(KEY_RIGHT);
    EXPECT_EQ(menu_cursor, 1);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(pending_key, KEY_NONE);
}

TEST_F(MiscSetup, PushOpensEachItem) {
    const ScreenHandler children[] = {backlight_screen, security_setup_screen, information_screen,
                                      default_settings_screen};
    for (uint8_t item = 0; item < 4; ++item) {
        SCOPED_TRACE(int(item));
        current_screen = misc_setup_screen;
        menu_cursor = item;
        edit_step = 10;
        screen_pass(KEY_PUSH);
        EXPECT_EQ(current_screen, children[item]);
        // The backlight page keeps the menu state; the others start at their first item.
        EXPECT_EQ(menu_cursor, 0);
        EXPECT_EQ(edit_step, item == 0 ? 10 : 1);
    }
}

TEST_F(MiscSetup, BackReturnsToTheMiscEntry) {
    menu_cursor = 2;
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 4);
}

TEST_F(MainMenu, ValuesPageFollowsTheInputs) {
    current_screen = values_screen;
    work_adc[0] = 1234;
    work_adc[1] = 0;
    work_adc[2] = 4096;
    work_adc[3] = 7;
    supply_adc = 2048;
    screen_pass();
    const Frame expected = drawn_by([] {
        draw_title_bar("ADC", "VALUES");
        const char* rows[] = {"CH 1: 1234", "CH 2: 0", "CH 3: 4096", "CH 4: 7", "VOLTS: 2048"};
        for (int r = 0; r < 5; ++r)
            lcd_text(0, static_cast<int16_t>(16 * r + 27), rows[r], 8, ALIGN_LEFT, 15);
        draw_back_key();
    });
    EXPECT_TRUE(same_region(capture(), expected, whole_screen));
    supply_adc = 2049;
    screen_pass();
    EXPECT_FALSE(same_region(capture(), expected, {0, 91, 150, 106})) << "the next pass shows the new value";
    EXPECT_TRUE(same_region(capture(), expected, {0, 0, 159, 90}));
}

TEST_F(MainMenu, ValuesPageReactsOnlyToTheLeftKey) {
    current_screen = values_screen;
    for (uint8_t key : {KEY_RIGHT, KEY_PUSH, KEY_UP, KEY_DOWN}) {
        screen_pass(key);
        EXPECT_EQ(current_screen, values_screen);
        EXPECT_EQ(pending_key, KEY_NONE);
    }
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 5);
}

Frame expected_information(const char* can_line) {
    return drawn_by([=] {
        draw_title_bar("INFO", "");
        lcd_text(0, 27, "MODEL: QD-5", 8, ALIGN_LEFT, COLOUR_WHITE);
        lcd_text(0, 43, "FIRMWARE: V1.00", 8, ALIGN_LEFT, COLOUR_WHITE);
        lcd_text(0, 91, can_line, 8, ALIGN_LEFT, COLOUR_WHITE);
        draw_back_key();
    });
}

TEST_F(MainMenu, InformationPageShowsTheZoltState) {
    current_screen = information_screen;
    zolt_enabled = 1;
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_information("CAN: OK (Z)"), whole_screen));
    EXPECT_EQ(count_ink(capture(), {0, 59, 150, 90}), 0) << "rows 2 and 3 stay empty";
    zolt_enabled = 0;
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_information("CAN: ERROR"), whole_screen));
    EXPECT_FALSE(
        same_region(expected_information("CAN: OK (Z)"), expected_information("CAN: ERROR"), whole_screen));
}

TEST_F(MainMenu, InformationPageReactsOnlyToTheLeftKey) {
    current_screen = information_screen;
    for (uint8_t key : {KEY_RIGHT, KEY_PUSH, KEY_UP, KEY_DOWN}) {
        screen_pass(key);
        EXPECT_EQ(current_screen, information_screen);
        EXPECT_EQ(pending_key, KEY_NONE);
    }
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 2);
}

TEST_F(MainMenu, DefaultSettingsQuestion) {
    current_screen = default_settings_screen;
    screen_pass();
    const Frame expected = drawn_by([] {
        draw_title_bar("MESSAGE", "");
        lcd_draw_image(5, 42, icon_question);
        lcd_text(110, 35, "LOAD", 9, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(110, 58, "DEFAULT", 9, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(110, 81, "SETTINGS?", 9, ALIGN_CENTRE, COLOUR_WHITE);
        draw_yes_no_keys();
    });
    EXPECT_TRUE(same_region(capture(), expected, whole_screen));

    for (uint8_t key : {KEY_PUSH, KEY_UP, KEY_DOWN}) {
        screen_pass(key);
        EXPECT_EQ(current_screen, default_settings_screen);
        EXPECT_EQ(pending_key, KEY_NONE);
    }
    channel_mode[0] = MODE_OFF;
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 3);
    EXPECT_EQ(channel_mode[0], MODE_OFF) << "NO keeps the settings";
}

TEST_F(MainMenu, YesLoadsTheDefaultsAndShowsDone) {
    current_screen = default_settings_screen;
    channel_mode[0] = MODE_OFF;
    channel_mode[3] = MODE_PRESSURE;
    security_on = 1;
    security_code = 1111;
    backlight_level = 30;
    display_page = 2;
    security_scratch = 5;
    screen_pass(KEY_RIGHT);
    EXPECT_EQ(current_screen, message_screen);
    EXPECT_EQ(message_next_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 3);
    EXPECT_EQ(security_scratch, 0);
    const uint8_t modes[] = {MODE_PRESSURE, MODE_TEMPERATURE, MODE_CURRENT, MODE_VOLTS};
    for (int c = 0; c < CHANNEL_COUNT; ++c) EXPECT_EQ(channel_mode[c], modes[c]);
    EXPECT_EQ(security_on, 0);
    EXPECT_EQ(security_code, FACTORY_SECURITY_CODE);
    EXPECT_EQ(backlight_level, 100);
    EXPECT_EQ(display_page, 0);
    screen_pass(KEY_UP);
    EXPECT_EQ(current_screen, misc_setup_screen);
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_misc(3), whole_screen)) << "DEFAULT SETTINGS highlighted";
}

// Golden pictures of every state of these screens.
TEST_F(MainMenu, GoldenImages) {
    const char* const entry_names[] = {"ch1", "ch2", "ch3", "ch4", "misc", "values"};
    for (uint8_t entry = 0; entry < 6; ++entry) {
        current_screen = main_menu_screen;
        menu_cursor = entry;
        screen_pass();
        EXPECT_TRUE(matches_golden(std::string("menu_main_") + entry_names[entry]));
    }
    for (uint8_t cursor = 0; cursor < 4; ++cursor) {
        current_screen = misc_setup_screen;
        menu_cursor = cursor;
        screen_pass();
        EXPECT_TRUE(matches_golden("menu_misc_setup_" + std::to_string(cursor)));
    }
    current_screen = values_screen;
    const uint16_t adc[] = {1234, 0, 4096, 815};
    for (int c = 0; c < CHANNEL_COUNT; ++c) work_adc[c] = adc[c];
    supply_adc = 2760;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_values"));
    current_screen = information_screen;
    zolt_enabled = 1;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_information_zolt_on"));
    zolt_enabled = 0;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_information_zolt_off"));
    current_screen = default_settings_screen;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_default_settings"));
    current_screen = message_screen;
    message_next_screen = misc_setup_screen;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_message_done"));
}

} // namespace

namespace {

// A sheet of every menu picture side by side, for looking them over.
TEST(MenuGolden, ContactSheet) { EXPECT_TRUE(write_golden_contact_sheet("menu_", "menu_contact_sheet")); }

} // namespace
