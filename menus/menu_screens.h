// Every screen of the setup menus.
#pragma once

#include <cstdint>

#include "host/panel/device.h"
#include "measurement/settings.h"

// Main menu and information screens. The main menu shows one entry at a
// time: a picture, two lines and the screen a push opens. The lists' texts are
// tables of their own so that the scenario runner names items as drawn.
struct MainMenuEntry {
    const char* line1;
    const char* line2;
    const uint8_t* picture;
    ScreenHandler opens;
};
constexpr uint8_t MAIN_MENU_ENTRIES = 6;
extern const MainMenuEntry main_menu_entries[MAIN_MENU_ENTRIES];
struct MiscItem {
    const char* text;
    ScreenHandler opens;
};
constexpr uint8_t MISC_ITEMS = 4;
extern const MiscItem misc_items[MISC_ITEMS];
void main_menu_screen();
void misc_setup_screen();
void values_screen();
void information_screen();
void default_settings_screen();
constexpr uint16_t firmware_version = 100; // hundredths: V1.00

// Channel setup.
void channel_setup_screen();
void clamp_pressure_limits(PressureChannelConfig& record);
uint8_t channel_setup_item_count(); // items the current settings give

// Sender calibration and current-sensor zeroing.
extern SenderCurve calibration_curve;
enum : uint8_t {
    CALIBRATION_PRESSURE = 0,
    CALIBRATION_TEMPERATURE = 1,
};
extern uint8_t calibration_kind; // CALIBRATION_*
void sender_calibration_screen();
void zero_current_screen();
uint8_t calibration_item_count(); // items the current curve gives
void calibration_screen_reset();  // the curve being edited, as at program start

// Security code and backlight.
constexpr uint16_t master_code = 7142;
extern uint8_t code_digits[4];
// The security setup list: the switch, then the code change while the code is on.
constexpr uint8_t SECURITY_SETUP_ITEMS = 2;
extern const char* const security_setup_items[SECURITY_SETUP_ITEMS];
void menu_code_screen();
void old_code_screen();
void new_code_screen();
void confirm_code_screen();
void code_message_screen();
void security_setup_screen();
void backlight_screen();
void code_entry_reset(); // the code digits, as at program start
