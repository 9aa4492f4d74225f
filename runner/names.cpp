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

bool utf8_to_latin1(const std::string& utf8, std::string& latin1) {
    latin1.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
                   (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

std::string latin1_to_utf8(const char* latin1) {
    std::string out;
    for (const char* p = latin1; *p != 0; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
