// Every screen of the instrument in one table: its handler, the name that
// scenarios, reports and messages use, and its number of list items. The
// menus, the scenario runner, the soak and the tests all read this table.
#pragma once

#include <cstdint>

#include "host/panel/device.h"

// The list of a screen whose items the settings decide (channel setup,
// calibration, security): menu_item_count() counts them.
constexpr uint8_t ITEMS_FROM_SETTINGS = 0xFF;

struct ScreenInfo {
    ScreenHandler handler;
    const char* name; // several handlers share a name: the code entry steps, the messages
    uint8_t items;    // list items; 0 for a screen without a list
};

extern const ScreenInfo SCREEN_TABLE[];
extern const uint8_t SCREEN_TABLE_SIZE;

// The entry of a handler, or nullptr for a handler of no screen.
const ScreenInfo* screen_info(ScreenHandler handler);
// The name of a handler's screen, or "unknown".
const char* screen_name(ScreenHandler handler);
