// Placeholder until the menu framework lands.
#include "menus/menu.h"
uint8_t menu_cursor, menu_scroll, menu_editing, text_cursor, selected_channel;
uint16_t edit_step, security_scratch;
ScreenHandler message_next_screen;
PressureChannelConfig* selected_pressure_config;
TemperatureChannelConfig* selected_temperature_config;
CurrentChannelConfig* selected_current_config;
VoltsChannelConfig* selected_volts_config;
