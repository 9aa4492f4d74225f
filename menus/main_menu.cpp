// Main menu: one entry at a time, as a picture and two lines, chosen with the
// knob; a push opens the entry's screen.
#include "display/framebuffer.h"
#include "display/icons.h"
#include "display/image.h"
#include "display/text.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"

const MainMenuEntry main_menu_entries[MAIN_MENU_ENTRIES] = {
    {"CH 1", "SETUP", icon_channel, channel_setup_screen},
    {"CH 2", "SETUP", icon_channel, channel_setup_screen},
    {"CH 3", "SETUP", icon_channel, channel_setup_screen},
    {"CH 4", "SETUP", icon_channel, channel_setup_screen},
    {"MISC", "SETUP", icon_misc, misc_setup_screen},
    {"ADC", "VALUES", icon_values, values_screen},
};

namespace {

// Hands channel c to the channel setup through the selection and its four records.
void select_channel(uint8_t c) {
    selected_channel = c;
    selected_pressure_config = &channel_settings.pressure[c];
    selected_temperature_config = &channel_settings.temperature[c];
    selected_current_config = &channel_settings.current[c];
    selected_volts_config = &channel_settings.volts[c];
}

void open_entry(uint8_t entry) {
    if (entry < CHANNEL_COUNT) select_channel(entry);
    current_screen = main_menu_entries[entry].opens;
    edit_step = 1;
    menu_cursor = 0;
    menu_scroll = 0;
    menu_editing = 0;
}

} // namespace

void main_menu_screen() {
    // A cursor left out of range by another screen shows the first entry.
    if (menu_cursor >= MAIN_MENU_ENTRIES) menu_cursor = 0;
    const MainMenuEntry& entry = main_menu_entries[menu_cursor];
    draw_title_bar("MAIN MENU", "");
    draw_menu_scroll_bar(menu_cursor, MAIN_MENU_ENTRIES);
    lcd_text(108, 50, entry.line1, 10, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(108, 68, entry.line2, 10, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_draw_image(10, 45, entry.picture);
    draw_soft_keys(SOFT_KEYS_EXIT);

    if (pending_key == KEY_NONE) return;
    if (pending_key == KEY_LEFT) return_to_run_screen();
    if (pending_key == KEY_PUSH) open_entry(menu_cursor);
    menu_move_cursor(pending_key, MAIN_MENU_ENTRIES);
    pending_key = KEY_NONE;
}
