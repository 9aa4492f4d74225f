// The security code screens and the security setup list.
#include "support/golden.h"
#include "test_menu_framework_support.h"

using namespace menu_test;

namespace {

class Security : public ::testing::Test {
  protected:
    void SetUp() override {
        trig_init();
        load_default_settings();
        clear_menu_state();
    }

    // Sets the digits with knob turns from the shortest side, each confirmed by a push.
    static void enter_code(const char* digits) {
        for (int i = 0; i < 4; ++i) {
            const int d = digits[i] - '0';
            if (d <= 5) {
                for (int k = 0; k < d; ++k) screen_pass(KEY_UP);
            } else {
                for (int k = 0; k < 10 - d; ++k) screen_pass(KEY_DOWN);
            }
            screen_pass(KEY_PUSH);
        }
    }
};

Frame expected_code_screen(const char* prompt1, uint8_t soft_key_label, const uint8_t digits[4],
                           uint8_t cursor) {
    return drawn_by([=] {
        draw_title_bar("SECURITY", "CODE");
        lcd_text(80, 30, prompt1, 8, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(80, 45, "CODE", 8, ALIGN_CENTRE, COLOUR_WHITE);
        const int16_t x[] = {50, 70, 90, 110};
        for (int i = 0; i < 4; ++i) {
            const char digit[2] = {static_cast<char>('0' + digits[i]), '\0'};
            lcd_text(x[i], 65, digit, 20, ALIGN_CENTRE, i == cursor ? COLOUR_RED : COLOUR_WHITE);
        }
        draw_soft_keys(soft_key_label);
    });
}

TEST_F(Security, CodeScreenLayoutWithTheCursorDigitRed) {
    struct Case {
        ScreenHandler screen;
        const char* prompt1;
        uint8_t soft_key_label;
    };
    const Case cases[] = {{menu_code_screen, "ENTER SECURITY", 1},
                          {old_code_screen, "ENTER SECURITY", 2},
                          {new_code_screen, "ENTER NEW", 2},
                          {confirm_code_screen, "CONFIRM NEW", 2}};
    const uint8_t digits[4] = {6, 3, 8, 1};
    for (const Case& c : cases) {
        for (uint8_t cursor = 0; cursor < 4; ++cursor) {
            SCOPED_TRACE(::testing::Message() << c.prompt1 << " cursor " << int(cursor));
            current_screen = c.screen;
            for (int i = 0; i < 4; ++i) code_digits[i] = digits[i];
            menu_cursor = cursor;
            screen_pass();
            const Frame f = capture();
            EXPECT_TRUE(same_region(f, expected_code_screen(c.prompt1, c.soft_key_label, digits, cursor),
                                    whole_screen));
            const int x = 50 + 20 * cursor;
            EXPECT_GT(count_colour(f, {x - 10, 65, x + 9, 105}, COLOUR_RED), 0);
            EXPECT_EQ(count_colour(f, {30, 65, 125, 105}, COLOUR_RED),
                      count_colour(f, {x - 10, 65, x + 9, 105}, COLOUR_RED))
                << "only one digit is red";
        }
    }
}

TEST_F(Security, DigitsWrapAndPushesMoveToTheNextDigit) {
    current_screen = menu_code_screen;
    screen_pass(KEY_DOWN);
    EXPECT_EQ(code_digits[0], 9);
    screen_pass(KEY_UP);
    EXPECT_EQ(code_digits[0], 0);
    screen_pass(KEY_RIGHT);
    EXPECT_EQ(code_digits[0], 0);
    EXPECT_EQ(pending_key, KEY_NONE);
    screen_pass(KEY_PUSH);
    EXPECT_EQ(menu_cursor, 1);
    for (int k = 0; k < 12; ++k) screen_pass(KEY_UP);
    EXPECT_EQ(code_digits[1], 2);
    EXPECT_EQ(code_digits[0], 0) << "the set digit stays";
    screen_pass(KEY_PUSH);
    screen_pass(KEY_PUSH);
    EXPECT_EQ(menu_cursor, 3);
    EXPECT_EQ(current_screen, menu_code_screen);
}

TEST_F(Security, FactoryCodeOpensTheMainMenu) {
    current_screen = menu_code_screen;
    enter_code("6381");
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 0);
    for (uint8_t d : code_digits) EXPECT_EQ(d, 0);
}

TEST_F(Security, MasterCodeOpensTheMainMenu) {
    current_screen = menu_code_screen;
    enter_code("7142");
    EXPECT_EQ(current_screen, main_menu_screen);
}

TEST_F(Security, WrongCodeShowsErrorThenTheRunScreen) {
    current_screen = menu_code_screen;
    enter_code("6382");
    EXPECT_EQ(current_screen, code_message_screen);
    EXPECT_EQ(message_next_screen, run_screen);
    EXPECT_EQ(security_scratch, 0);
    screen_pass();
    const Frame expected = drawn_by([] {
        draw_title_bar("MESSAGE", "");
        lcd_draw_image(5, 42, icon_warning);
        lcd_text(110, 45, "CODE", 10, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(110, 65, "ERROR", 10, ALIGN_CENTRE, COLOUR_WHITE);
        draw_back_key();
    });
    EXPECT_TRUE(same_region(capture(), expected, whole_screen));
    screen_pass(KEY_RIGHT);
    EXPECT_EQ(current_screen, run_screen);
    EXPECT_EQ(pending_key, KEY_NONE);
}

TEST_F(Security, ExitOnTheMenuCodeScreenKeepsTheMenusClosed) {
    current_screen = menu_code_screen;
    screen_pass(KEY_UP);
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, run_screen);
    EXPECT_EQ(pending_key, KEY_NONE);
}

TEST_F(Security, CodeMessageLeavesOnAnyKey) {
    for (uint8_t key = KEY_LEFT; key <= KEY_DOWN; ++key) {
        current_screen = code_message_screen;
        message_next_screen = security_setup_screen;
        menu_cursor = 1;
        screen_pass();
        EXPECT_EQ(current_screen, code_message_screen);
        screen_pass(key);
        EXPECT_EQ(current_screen, security_setup_screen);
        EXPECT_EQ(menu_cursor, 1);
    }
}

Frame expected_security_setup(bool on, uint8_t cursor, bool editing) {
    return drawn_by([=] {
        draw_title_bar("SECURITY", "SETUP");
        const uint8_t label_colour = cursor == 0 && !editing ? COLOUR_RED : COLOUR_WHITE;
        lcd_text(0, 27, "SECURITY: ", 8, ALIGN_LEFT, label_colour);
        lcd_text(text_end_x, 27, on ? "ON" : "OFF", 8, ALIGN_LEFT, cursor == 0 ? COLOUR_RED : COLOUR_WHITE);
        if (on) lcd_text(0, 43, "CHANGE CODE", 8, ALIGN_LEFT, cursor == 1 ? COLOUR_RED : COLOUR_WHITE);
        draw_soft_keys(2);
    });
}

TEST_F(Security, SetupWithSecurityOffShowsOneRow) {
    current_screen = security_setup_screen;
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_security_setup(false, 0, false), whole_screen));
    EXPECT_EQ(count_ink(capture(), {0, 43, 150, 106}), 0) << "no CHANGE CODE, no scroll bar";
    screen_pass(KEY_UP);
    screen_pass(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(security_on, 0) << "knob turns do nothing until the row is edited";
    screen_pass(KEY_PUSH);
    EXPECT_EQ(menu_editing, 1);
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_security_setup(false, 0, true), whole_screen));
    screen_pass(KEY_UP);
    EXPECT_EQ(security_on, 1);
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_security_setup(true, 0, true), whole_screen))
        << "CHANGE CODE appears at once";
    screen_pass(KEY_DOWN);
    EXPECT_EQ(security_on, 0);
    screen_pass(KEY_DOWN);
    EXPECT_EQ(security_on, 1);
    screen_pass(KEY_PUSH);
    EXPECT_EQ(menu_editing, 0);
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_security_setup(true, 0, false), whole_screen));
}

TEST_F(Security, SetupWithSecurityOnMovesBetweenTheRows) {
    security_on = 1;
    current_screen = security_setup_screen;
    screen_pass(KEY_UP);
    EXPECT_EQ(menu_cursor, 1);
    screen_pass();
    EXPECT_TRUE(same_region(capture(), expected_security_setup(true, 1, false), whole_screen));
    screen_pass(KEY_UP);
    EXPECT_EQ(menu_cursor, 0);
    screen_pass(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 1);
    screen_pass(KEY_DOWN);
    EXPECT_EQ(menu_cursor, 0);
    screen_pass(KEY_RIGHT);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(security_on, 1);
    // Switching off on row 0 hides the second row; the cursor stays.
    screen_pass(KEY_PUSH);
    screen_pass(KEY_UP);
    screen_pass(KEY_PUSH);
    EXPECT_EQ(security_on, 0);
    EXPECT_EQ(menu_cursor, 0);
    screen_pass();
    EXPECT_EQ(count_ink(capture(), {0, 43, 150, 106}), 0);
}

TEST_F(Security, SetupBackWhileEditingKeepsTheValue) {
    current_screen = security_setup_screen;
    screen_pass(KEY_PUSH);
    screen_pass(KEY_UP);
    ASSERT_EQ(menu_editing, 1);
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, misc_setup_screen);
    EXPECT_EQ(menu_cursor, 1) << "on SECURITY SETUP";
    EXPECT_EQ(menu_editing, 0);
    EXPECT_EQ(security_on, 1) << "no value is restored";
}

TEST_F(Security, HiddenRowCannotKeepTheCursor) {
    security_on = 0;
    menu_cursor = 1;
    current_screen = security_setup_screen;
    screen_pass(KEY_PUSH);
    EXPECT_EQ(current_screen, security_setup_screen) << "a hidden CHANGE CODE cannot be opened";
    EXPECT_EQ(menu_cursor, 0);
    security_on = 7; // anything but 1 counts as off
    screen_pass(KEY_UP);
    EXPECT_EQ(menu_cursor, 0);
}

class CodeChange : public Security {
  protected:
    void SetUp() override {
        Security::SetUp();
        security_on = 1;
        current_screen = security_setup_screen;
        code_digits[2] = 5; // left over from an earlier entry
        screen_pass(KEY_UP);
        screen_pass(KEY_PUSH);
    }
};

TEST_F(CodeChange, ChangeCodeStartsAtZeroZeroZeroZero) {
    EXPECT_EQ(current_screen, old_code_screen);
    EXPECT_EQ(message_next_screen, security_setup_screen);
    EXPECT_EQ(menu_cursor, 0);
    for (uint8_t d : code_digits) EXPECT_EQ(d, 0);
}

TEST_F(CodeChange, ConfirmedChangeTakesTheNewCode) {
    enter_code("6381");
    EXPECT_EQ(current_screen, new_code_screen);
    for (uint8_t d : code_digits) EXPECT_EQ(d, 0);
    enter_code("2468");
    EXPECT_EQ(current_screen, confirm_code_screen);
    EXPECT_EQ(security_scratch, 2468);
    EXPECT_EQ(security_code, FACTORY_SECURITY_CODE) << "not before the confirmation";
    enter_code("2468");
    EXPECT_EQ(current_screen, code_message_screen);
    EXPECT_EQ(security_code, 2468);
    EXPECT_EQ(security_scratch, 1);
    EXPECT_EQ(menu_cursor, 1);
    screen_pass();
    const Frame changed = drawn_by([] {
        draw_title_bar("MESSAGE", "");
        lcd_draw_image(5, 42, icon_warning);
        lcd_text(110, 45, "CODE", 10, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_text(110, 65, "CHANGED", 10, ALIGN_CENTRE, COLOUR_WHITE);
        draw_back_key();
    });
    EXPECT_TRUE(same_region(capture(), changed, whole_screen));
    screen_pass(KEY_PUSH);
    EXPECT_EQ(current_screen, security_setup_screen);
    EXPECT_EQ(menu_cursor, 1) << "back on CHANGE CODE";

    // The new code opens the menus, the old one no longer does, the master code still does.
    current_screen = menu_code_screen;
    menu_cursor = 0;
    enter_code("6381");
    EXPECT_EQ(current_screen, code_message_screen);
    current_screen = menu_code_screen;
    menu_cursor = 0;
    for (uint8_t& d : code_digits) d = 0;
    enter_code("2468");
    EXPECT_EQ(current_screen, main_menu_screen);
    current_screen = menu_code_screen;
    enter_code("7142");
    EXPECT_EQ(current_screen, main_menu_screen);
}

TEST_F(CodeChange, MasterCodeAlsoUnlocksTheChange) {
    enter_code("7142");
    EXPECT_EQ(current_screen, new_code_screen);
}

TEST_F(CodeChange, MismatchedConfirmationKeepsTheOldCode) {
    enter_code("6381");
    enter_code("1111");
    enter_code("1112");
    EXPECT_EQ(current_screen, code_message_screen);
    EXPECT_EQ(security_scratch, 0);
    EXPECT_EQ(security_code, FACTORY_SECURITY_CODE);
    EXPECT_EQ(message_next_screen, security_setup_screen);
    screen_pass(KEY_LEFT);
    EXPECT_EQ(current_screen, security_setup_screen);
    EXPECT_EQ(menu_cursor, 1);
}

TEST_F(CodeChange, MasterCodeDoesNotConfirm) {
    enter_code("6381");
    enter_code("1111");
    enter_code("7142");
    EXPECT_EQ(security_scratch, 0);
    EXPECT_EQ(security_code, FACTORY_SECURITY_CODE);
}

TEST_F(CodeChange, WrongPresentCodeGoesStraightToTheError) {
    enter_code("1234");
    EXPECT_EQ(current_screen, code_message_screen);
    EXPECT_EQ(security_scratch, 0);
    EXPECT_EQ(menu_cursor, 1);
    EXPECT_EQ(security_code, FACTORY_SECURITY_CODE);
    screen_pass(KEY_DOWN);
    EXPECT_EQ(current_screen, security_setup_screen);
}

TEST_F(CodeChange, BackOnAnyCodeScreenAbandonsTheChange) {
    for (int stage = 0; stage < 3; ++stage) {
        SCOPED_TRACE(stage);
        current_screen = old_code_screen;
        menu_cursor = 0;
        for (uint8_t& d : code_digits) d = 0;
        if (stage >= 1) enter_code("6381");
        if (stage >= 2) enter_code("9999");
        screen_pass(KEY_UP);
        screen_pass(KEY_LEFT);
        EXPECT_EQ(current_screen, security_setup_screen);
        EXPECT_EQ(menu_cursor, 1);
        EXPECT_EQ(security_scratch, 0);
        EXPECT_EQ(security_code, FACTORY_SECURITY_CODE);
    }
}

TEST_F(CodeChange, NewCodeZeroZeroZeroZeroIsTaken) {
    enter_code("6381");
    enter_code("0000");
    enter_code("0000");
    EXPECT_EQ(security_scratch, 1);
    EXPECT_EQ(security_code, 0);
}

TEST_F(Security, DefaultsSwitchSecurityOff) {
    security_on = 1;
    security_code = 4321;
    load_default_settings();
    EXPECT_EQ(security_on, 0);
    EXPECT_EQ(security_code, FACTORY_SECURITY_CODE);
}

TEST_F(Security, StrayDigitsAreShownAndUsedAsZero) {
    current_screen = menu_code_screen;
    code_digits[0] = 200;
    code_digits[3] = 10;
    menu_cursor = 250;
    screen_pass(KEY_UP);
    for (uint8_t d : code_digits) EXPECT_LE(d, 9);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(code_digits[0], 1);
}

TEST_F(Security, GoldenImages) {
    struct Shot {
        ScreenHandler screen;
        const char* name;
    };
    const Shot code_screens[] = {{menu_code_screen, "menu_code_entry"},
                                 {old_code_screen, "menu_code_old"},
                                 {new_code_screen, "menu_code_new"},
                                 {confirm_code_screen, "menu_code_confirm"}};
    for (const Shot& s : code_screens) {
        current_screen = s.screen;
        for (uint8_t& d : code_digits) d = 0;
        menu_cursor = 0;
        screen_pass();
        EXPECT_TRUE(matches_golden(std::string(s.name) + "_start"));
    }
    current_screen = menu_code_screen;
    const uint8_t digits[] = {6, 3, 8, 0};
    for (int i = 0; i < 4; ++i) code_digits[i] = digits[i];
    menu_cursor = 2;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_code_entry_digit3"));

    current_screen = code_message_screen;
    security_scratch = 1;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_code_message_changed"));
    security_scratch = 0;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_code_message_error"));

    current_screen = security_setup_screen;
    security_on = 0;
    menu_cursor = 0;
    menu_editing = 0;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_security_setup_off"));
    menu_editing = 1;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_security_setup_editing"));
    menu_editing = 0;
    security_on = 1;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_security_setup_on"));
    menu_cursor = 1;
    screen_pass();
    EXPECT_TRUE(matches_golden("menu_security_setup_change_code"));
}

} // namespace
