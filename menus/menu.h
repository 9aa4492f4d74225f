// Menu framework: the state shared by all menu screens and the drawing of the
// common layout (title bar, five list rows, scroll bar, soft-key bar).
#pragma once

#include <cstdint>

#include "host/panel/device.h"
#include "measurement/settings.h"

extern uint8_t menu_cursor;
extern uint8_t menu_scroll;
extern uint8_t menu_editing;
extern uint16_t edit_step;
extern uint8_t text_cursor;
extern ScreenHandler message_next_screen;
extern uint16_t security_scratch;
extern uint8_t selected_channel;
extern PressureChannelConfig* selected_pressure_config;
extern TemperatureChannelConfig* selected_temperature_config;
extern CurrentChannelConfig* selected_current_config;
extern VoltsChannelConfig* selected_volts_config;

void draw_title_bar(const char* line1, const char* line2);
// The soft-key sets: the left key's label.
enum : uint8_t {
    SOFT_KEYS_EXIT = 1, // "EXIT"
    SOFT_KEYS_BACK = 2, // "BACK"
};
void draw_soft_keys(uint8_t soft_key_label); // SOFT_KEYS_*
void menu_draw_rotary_icon();
void draw_back_key();
void draw_yes_no_keys();
void draw_menu_scroll_bar(uint8_t position, uint8_t count);
void draw_menu_item(int8_t row, const char* label, const char* value);
void draw_menu_text_item(int8_t row, const char* label, const char* text);
void draw_menu_line(int8_t row, const char* text, uint8_t colour);
void draw_step_label(uint8_t label_kind, uint8_t item);
void menu_reset(uint8_t cursor);
// The menu state as at program start.
void menu_state_reset();
void return_to_run_screen();
void message_screen();
// The yes/no question page: title "MESSAGE", the question picture and three
// centred lines; the caller handles the keys.
void draw_question(const char* line1, const char* line2, const char* line3);

// Step 1 of every list screen: the cursor item stays visible, in the bottom
// row once the cursor is past the fifth item.
void menu_update_scroll();
// Knob up (4) or down (5) moves the cursor through count items, wrapping at
// both ends; other keys and a count of 0 leave it alone.
void menu_move_cursor(uint8_t key, uint8_t count);
// The right key on a numeric item: the next edit step, back to 1 after the
// largest step the item allows.
void menu_next_edit_step(uint16_t largest_step);
// Number of items of the current menu screen (a message counts the items of
// the screen it hands over to); 0 for screens without a menu cursor.
uint8_t menu_item_count();
