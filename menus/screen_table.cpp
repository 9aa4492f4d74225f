#include "menus/screen_table.h"

#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "screens/run_screen.h"

// In the order scenarios list the names: a name's first entry fixes its place.
const ScreenInfo SCREEN_TABLE[] = {
    {run_screen, "run", 0},
    {main_menu_screen, "main-menu", 6},
    {channel_setup_screen, "channel-setup", ITEMS_FROM_SETTINGS},
    {sender_calibration_screen, "calibration", ITEMS_FROM_SETTINGS},
    {zero_current_screen, "zeroing", 1},
    {menu_code_screen, "code", 4},
    {old_code_screen, "code", 4},
    {new_code_screen, "code", 4},
    {confirm_code_screen, "code", 4},
    {values_screen, "values", 1},
    {information_screen, "information", 1},
    {backlight_screen, "backlight", 1},
    {security_setup_screen, "security", ITEMS_FROM_SETTINGS},
    {misc_setup_screen, "misc", 4},
    {default_settings_screen, "defaults", 1},
    {message_screen, "message", 0},
    {code_message_screen, "message", 0},
};
const uint8_t SCREEN_TABLE_SIZE = sizeof SCREEN_TABLE / sizeof SCREEN_TABLE[0];

const ScreenInfo* screen_info(ScreenHandler handler) {
    for (const ScreenInfo& screen : SCREEN_TABLE)
        if (handler != nullptr && screen.handler == handler) return &screen;
    return nullptr;
}

const char* screen_name(ScreenHandler handler) {
    const ScreenInfo* screen = screen_info(handler);
    return screen != nullptr ? screen->name : "unknown";
}
