#include "runner/names.h"

#include <cstring>

#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "screens/run_screen.h"

const ScreenName SCREEN_NAMES[] = {
    {"run", {run_screen}},
    {"main-menu", {main_menu_screen}},
    {"channel-setup", {channel_setup_screen}},
    {"calibration", {sender_calibration_screen}},
    {"zeroing", {zero_current_screen}},
    {"code", {menu_code_screen, old_code_screen, new_code_screen, confirm_code_screen}},
    {"values", {values_screen}},
    {"information", {information_screen}},
    {"backlight", {backlight_screen}},
    {"security", {security_setup_screen}},
    {"misc", {misc_setup_screen}},
    {"defaults", {default_settings_screen}},
    {"message", {message_screen, code_message_screen}},
};
const int SCREEN_NAME_COUNT = sizeof SCREEN_NAMES / sizeof SCREEN_NAMES[0];

const char* name_of_screen(ScreenHandler handler) {
    for (const ScreenName& screen : SCREEN_NAMES)
        for (ScreenHandler h : screen.handlers)
            if (h != nullptr && h == handler) return screen.name;
    return "unknown";
}

int index_of_name(const char* const* names, int count, const char* name) {
    for (int i = 0; i < count; ++i)
        if (std::strcmp(names[i], name) == 0) return i;
    return -1;
}
