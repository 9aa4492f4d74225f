// Misc setup list and the pages below it that need no editing: raw input
// values, product information and the question that loads the defaults.
#include <cstdio>

#include "display/framebuffer.h"
#include "display/icons.h"
#include "display/image.h"
#include "display/text.h"
#include "measurement/sampling.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"

const MiscItem misc_items[MISC_ITEMS] = {
    {"BACKLIGHT", backlight_screen},
    {"SECURITY SETUP", security_setup_screen},
    {"INFORMATION", information_screen},
    {"DEFAULT SETTINGS", default_settings_screen},
};

namespace {

constexpr uint8_t MAIN_MENU_MISC_ENTRY = 4;
constexpr uint8_t MAIN_MENU_VALUES_ENTRY = 5;

void open_misc_item(uint8_t item) {
    if (item >= MISC_ITEMS) return;
    current_screen = misc_items[item].opens;
    // The backlight page is entered with the menu state as it is; it returns
    // to item 0 itself.
    if (item != 0) menu_reset(0);
}

// Pages that show only "BACK" react to the left key alone.
void back_only_keys(ScreenHandler parent, uint8_t parent_item) {
    if (pending_key == KEY_NONE) return;
    if (pending_key == KEY_LEFT) {
        current_screen = parent;
        menu_reset(parent_item);
    }
    pending_key = KEY_NONE;
}

} // namespace

void misc_setup_screen() {
    menu_update_scroll();
    draw_title_bar("MISC SETUP", "");
    draw_menu_scroll_bar(menu_cursor, MISC_ITEMS);
    for (uint8_t i = 0; i < MISC_ITEMS; ++i) {
        draw_menu_line(static_cast<int8_t>(i - menu_scroll), misc_items[i].text,
                       i == menu_cursor ? COLOUR_RED : COLOUR_WHITE);
    }
    draw_soft_keys(SOFT_KEYS_BACK);

    if (pending_key == KEY_NONE) return;
    if (pending_key == KEY_LEFT) {
        current_screen = main_menu_screen;
        menu_reset(MAIN_MENU_MISC_ENTRY);
    }
    if (pending_key == KEY_PUSH) open_misc_item(menu_cursor);
    menu_move_cursor(pending_key, MISC_ITEMS);
    pending_key = KEY_NONE;
}

void values_screen() {
    draw_title_bar("ADC", "VALUES");
    char text[24];
    for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) {
        std::snprintf(text, sizeof text, "CH %u: %d", c + 1u, static_cast<int>(work_adc[c]));
        draw_menu_line(static_cast<int8_t>(c), text, COLOUR_WHITE);
    }
    std::snprintf(text, sizeof text, "VOLTS: %d", static_cast<int>(supply_adc));
    draw_menu_line(4, text, COLOUR_WHITE);
    draw_back_key();
    back_only_keys(main_menu_screen, MAIN_MENU_VALUES_ENTRY);
}

void information_screen() {
    draw_title_bar("INFO", "");
    draw_menu_line(0, "MODEL: QD-5", COLOUR_WHITE);
    char text[24];
    std::snprintf(text, sizeof text, "FIRMWARE: V%.2f", firmware_version * 0.01);
    draw_menu_line(1, text, COLOUR_WHITE);
    draw_menu_line(4, zolt_enabled == 1 ? "CAN: OK (Z)" : "CAN: ERROR", COLOUR_WHITE);
    draw_back_key();
    back_only_keys(misc_setup_screen, 2);
}

void default_settings_screen() {
    draw_question("LOAD", "DEFAULT", "SETTINGS?");

    if (pending_key == KEY_NONE) return;
    if (pending_key == KEY_LEFT) {
        current_screen = misc_setup_screen;
        menu_reset(3);
    }
    if (pending_key == KEY_RIGHT) {
        current_screen = message_screen;
        message_next_screen = misc_setup_screen;
        menu_reset(3);
        load_default_settings();
    }
    pending_key = KEY_NONE;
}
