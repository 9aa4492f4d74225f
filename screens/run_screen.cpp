// The run screen: the displayed channels on one of four pages, alarm
// acknowledgement, page stepping and the way into the setup menus.
#include "screens/run_screen.h"

#include "display/framebuffer.h"
#include "display/text.h"
#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"

namespace {

constexpr uint8_t PAGE_HBAR = 0;
constexpr uint8_t PAGE_VBAR = 1;
constexpr uint8_t PAGE_DIGITAL = 2;
constexpr uint8_t PAGE_MIN_MAX = 3;
constexpr uint32_t ACKNOWLEDGEABLE_BITS = CHANNEL_COUNT + 1; // the channels, then the supply voltage

void draw_selection_prompt() {
    lcd_fill_rect(2, 20, 158, 110, COLOUR_RED);
    lcd_rect(2, 20, 158, 110, COLOUR_WHITE);
    lcd_text(80, 29, "SELECT", 10, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(80, 54, "CHANNELS", 10, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(80, 79, "TO DISPLAY", 10, ALIGN_CENTRE, COLOUR_WHITE);
}

void draw_page(uint8_t n) {
    switch (display_page) {
    case PAGE_HBAR:
        draw_hbar_page(n);
        break;
    case PAGE_VBAR:
        draw_vbar_page(n);
        break;
    case PAGE_DIGITAL:
        draw_digital_page(n);
        break;
    case PAGE_MIN_MAX:
        draw_min_max_page();
        break;
    default:
        break; // a page outside 0..3 shows an empty screen
    }
}

// Every unacknowledged alarm is acknowledged by the same key, which then does
// nothing else.
void acknowledge_alarms() {
    for (uint32_t bit = 0; bit < ACKNOWLEDGEABLE_BITS; ++bit) {
        const uint32_t mask = 1u << bit;
        if ((alarm_flags & mask) != 0 && (alarm_ack_flags & mask) == 0) {
            alarm_ack_flags |= mask;
            pending_key = KEY_NONE;
        }
    }
}

void enter_menus() {
    menu_cursor = 0;
    menu_editing = 0;
    if (security_on == 1) {
        for (uint8_t& digit : code_digits) digit = 0;
        current_screen = menu_code_screen;
    } else {
        current_screen = main_menu_screen;
    }
}

// The digital page has no one-channel layout, so with one channel the knob
// skips it; only the new page value is looked at.
void step_page_up(uint8_t n) {
    if (display_page < PAGE_MIN_MAX) ++display_page;
    if (display_page == PAGE_DIGITAL && n == 1) display_page = PAGE_MIN_MAX;
    settings_changed();
}

void step_page_down(uint8_t n) {
    if (display_page > PAGE_HBAR) --display_page;
    if (display_page == PAGE_DIGITAL && n == 1) display_page = PAGE_VBAR;
    settings_changed();
}

void act_on_key(uint8_t n) {
    switch (pending_key) {
    case KEY_LEFT:
        if (display_page == PAGE_MIN_MAX) reset_min_max();
        break;
    case KEY_PUSH:
        enter_menus();
        break;
    case KEY_UP:
        step_page_up(n);
        break;
    case KEY_DOWN:
        step_page_down(n);
        break;
    default:
        break; // the right key and unknown codes do nothing
    }
}

} // namespace

// Any non-zero mode counts, also one above 4 that no page draws.
uint8_t displayed_channel_count() {
    uint8_t n = 0;
    for (uint8_t mode : channel_mode)
        if (mode != MODE_OFF) ++n;
    return n;
}

void run_screen() {
    const uint8_t n = displayed_channel_count();
    if (n == 0)
        draw_selection_prompt();
    else
        draw_page(n);

    if (pending_key == KEY_NONE) return;
    acknowledge_alarms();
    act_on_key(n);
    pending_key = KEY_NONE;
}
