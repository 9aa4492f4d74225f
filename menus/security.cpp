// Security code: the four code entry screens, the message that reports the
// outcome of an entry and the security setup list.
#include <cstdio>
#include <cstring>

#include "display/framebuffer.h"
#include "display/icons.h"
#include "display/image.h"
#include "display/text.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "screens/run_screen.h"

uint8_t code_digits[4];
const char* const security_setup_items[SECURITY_SETUP_ITEMS] = {"SECURITY: ", "CHANGE CODE"};

namespace {

constexpr uint8_t CODE_DIGITS = 4;
constexpr uint8_t SECURITY_SETUP_ITEM = 1; // misc setup's "SECURITY SETUP"
constexpr uint8_t CHANGE_CODE_ITEM = 1;    // security setup's "CHANGE CODE"
constexpr int16_t digit_x[CODE_DIGITS] = {50, 70, 90, 110};

void clear_code_digits() {
    for (uint8_t& d : code_digits) d = 0;
}

// The entered value, thousands digit first, as the integer that is compared
// with the stored 16-bit code.
uint16_t entered_code() {
    return static_cast<uint16_t>(code_digits[0] * 1000 + code_digits[1] * 100 + code_digits[2] * 10 +
                                 code_digits[3]);
}

bool code_accepted(uint16_t v) { return v == security_code || v == master_code; }

void show_code_message(uint8_t changed, ScreenHandler next) {
    security_scratch = changed;
    current_screen = code_message_screen;
    message_next_screen = next;
}

void menu_code_complete() {
    if (code_accepted(entered_code())) {
        clear_code_digits();
        menu_cursor = 0;
        current_screen = main_menu_screen;
    } else {
        show_code_message(0, run_screen);
    }
}

void old_code_complete() {
    if (code_accepted(entered_code())) {
        clear_code_digits();
        menu_cursor = 0;
        current_screen = new_code_screen;
    } else {
        menu_cursor = CHANGE_CODE_ITEM;
        show_code_message(0, security_setup_screen);
    }
}

void new_code_complete() {
    security_scratch = entered_code();
    clear_code_digits();
    menu_cursor = 0;
    current_screen = confirm_code_screen;
}

void confirm_code_complete() {
    const uint16_t v = entered_code();
    const uint8_t changed = v == security_scratch ? 1 : 0;
    if (changed == 1) security_code = v;
    menu_cursor = CHANGE_CODE_ITEM;
    show_code_message(changed, security_setup_screen);
}

struct CodeScreen {
    const char* prompt1;
    uint8_t soft_key_label; // SOFT_KEYS_*
    void (*complete)();
};

constexpr CodeScreen menu_code = {"ENTER SECURITY", SOFT_KEYS_EXIT, menu_code_complete};
constexpr CodeScreen old_code = {"ENTER SECURITY", SOFT_KEYS_BACK, old_code_complete};
constexpr CodeScreen new_code = {"ENTER NEW", SOFT_KEYS_BACK, new_code_complete};
constexpr CodeScreen confirm_code = {"CONFIRM NEW", SOFT_KEYS_BACK, confirm_code_complete};

void draw_code_screen(const CodeScreen& screen) {
    draw_title_bar("SECURITY", "CODE");
    lcd_text(80, 30, screen.prompt1, 8, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(80, 45, "CODE", 8, ALIGN_CENTRE, COLOUR_WHITE);
    for (uint8_t i = 0; i < CODE_DIGITS; ++i) {
        char digit[8];
        std::snprintf(digit, sizeof digit, "%d", static_cast<int>(code_digits[i]));
        lcd_text(digit_x[i], 65, digit, 20, ALIGN_CENTRE, i == menu_cursor ? COLOUR_RED : COLOUR_WHITE);
    }
    draw_soft_keys(screen.soft_key_label);
}

void code_screen_keys(const CodeScreen& screen) {
    // The cursor names the digit being set; anything else starts at the first.
    if (menu_cursor >= CODE_DIGITS) menu_cursor = 0;
    uint8_t& digit = code_digits[menu_cursor];
    switch (pending_key) {
    case KEY_UP:
        digit = digit == 9 ? 0 : static_cast<uint8_t>(digit + 1);
        break;
    case KEY_DOWN:
        digit = digit == 0 ? 9 : static_cast<uint8_t>(digit - 1);
        break;
    case KEY_PUSH:
        if (menu_cursor < CODE_DIGITS - 1) {
            ++menu_cursor;
        } else {
            screen.complete();
        }
        break;
    case KEY_LEFT:
        if (screen.soft_key_label == SOFT_KEYS_EXIT) {
            current_screen = run_screen;
        } else {
            // Abandons a code change in progress; the stored code is untouched.
            current_screen = security_setup_screen;
            menu_reset(CHANGE_CODE_ITEM);
        }
        break;
    default:
        break;
    }
    pending_key = KEY_NONE;
}

void code_screen(const CodeScreen& screen) {
    // Digits are 0..9 whatever was stored in them before the entry started.
    for (uint8_t& d : code_digits)
        if (d > 9) d = 0;
    draw_code_screen(screen);
    if (pending_key != KEY_NONE) code_screen_keys(screen);
}

} // namespace

void menu_code_screen() { code_screen(menu_code); }
void old_code_screen() { code_screen(old_code); }
void new_code_screen() { code_screen(new_code); }
void confirm_code_screen() { code_screen(confirm_code); }

void code_message_screen() {
    draw_title_bar("MESSAGE", "");
    lcd_draw_image(5, 42, icon_warning);
    lcd_text(110, 45, "CODE", 10, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(110, 65, security_scratch == 1 ? "CHANGED" : "ERROR", 10, ALIGN_CENTRE, COLOUR_WHITE);
    draw_back_key();
    if (pending_key == KEY_NONE) return;
    current_screen = message_next_screen != nullptr ? message_next_screen : run_screen;
    pending_key = KEY_NONE;
}

void security_setup_screen() {
    // Any value other than 1 counts as off, here as on the run screen; with the
    // code off only row 0 exists, so the cursor cannot stay on a hidden row.
    const bool on = security_on == 1;
    if (!on || menu_cursor > CHANGE_CODE_ITEM) menu_cursor = 0;
    menu_update_scroll();
    draw_title_bar("SECURITY", "SETUP");
    draw_menu_item(0, security_setup_items[0], on ? "ON" : "OFF");
    if (on)
        draw_menu_line(CHANGE_CODE_ITEM, security_setup_items[CHANGE_CODE_ITEM],
                       menu_cursor == CHANGE_CODE_ITEM ? COLOUR_RED : COLOUR_WHITE);
    draw_soft_keys(SOFT_KEYS_BACK);

    if (pending_key == KEY_NONE) return;
    switch (pending_key) {
    case KEY_LEFT:
        current_screen = misc_setup_screen;
        menu_reset(SECURITY_SETUP_ITEM);
        break;
    case KEY_PUSH:
        if (menu_cursor == 0) {
            menu_editing = menu_editing == 0 ? 1 : 0;
        } else {
            clear_code_digits();
            menu_cursor = 0;
            current_screen = old_code_screen;
            message_next_screen = security_setup_screen;
        }
        break;
    case KEY_UP:
    case KEY_DOWN:
        if (menu_editing == 1 && menu_cursor == 0) {
            security_on = on ? 0 : 1;
        } else if (menu_editing == 0 && on) {
            menu_cursor = menu_cursor == 0 ? 1 : 0;
        }
        break;
    default:
        break;
    }
    pending_key = KEY_NONE;
}

void code_entry_reset() { std::memset(code_digits, 0, sizeof code_digits); }
