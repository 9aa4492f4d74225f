// Backlight page: the level is set with the knob in steps of 10 percent and
// shown as a bar. The level is only stored; the display does not change.
#include "display/framebuffer.h"
#include "display/text.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"

namespace {

constexpr uint8_t BACKLIGHT_MIN = 10;
constexpr uint8_t BACKLIGHT_MAX = 100;
constexpr uint8_t BACKLIGHT_STEP = 10;

// Keeps a level stored from elsewhere within the page's range before it is drawn.
uint8_t held_level(uint8_t level) {
    if (level < BACKLIGHT_MIN) return BACKLIGHT_MIN;
    if (level > BACKLIGHT_MAX) return BACKLIGHT_MAX;
    return level;
}

void draw_level_bar(uint8_t level) {
    const int16_t x_end = static_cast<int16_t>(9 + 14 * level / 10);
    lcd_fill_rect(10, 83, x_end, 95, COLOUR_RED);
    lcd_rect(10, 83, 150, 95, COLOUR_WHITE);
}

} // namespace

void backlight_screen() {
    draw_title_bar("BACKLIGHT", "");
    lcd_text(80, 30, "USE THE ROTARY", 8, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(80, 45, "CONTROL TO ADJUST", 8, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(80, 60, "THE BACKLIGHT", 8, ALIGN_CENTRE, COLOUR_WHITE);
    draw_level_bar(held_level(backlight_level));
    draw_soft_keys(SOFT_KEYS_BACK);

    if (pending_key == KEY_NONE) return;
    switch (pending_key) {
    case KEY_LEFT:
    case KEY_PUSH:
        current_screen = misc_setup_screen;
        menu_reset(0);
        break;
    case KEY_UP:
        backlight_level = backlight_level >= BACKLIGHT_MAX - BACKLIGHT_STEP
                              ? BACKLIGHT_MAX
                              : held_level(static_cast<uint8_t>(backlight_level + BACKLIGHT_STEP));
        break;
    case KEY_DOWN:
        backlight_level = backlight_level <= BACKLIGHT_MIN + BACKLIGHT_STEP
                              ? BACKLIGHT_MIN
                              : held_level(static_cast<uint8_t>(backlight_level - BACKLIGHT_STEP));
        break;
    default:
        break;
    }
    pending_key = KEY_NONE;
}
