// The sender calibration page: a USER sender's curve edited point by point on
// a working copy, which BACK stores into the record it came from.
//
// Items: 0 is the point count; for point k, item 2k+1 is its display value and
// item 2k+2 its raw value, so the item index is the position of the edited
// 16-bit word in the stored curve.
#include <cstdio>
#include <cstring>

#include "display/framebuffer.h"
#include "display/text.h"
#include "measurement/sampling.h"
#include "menus/channel_setup_items.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"

SenderCurve calibration_curve;
uint8_t calibration_kind;

namespace {

constexpr uint8_t MAX_POINTS = 16;
// The channel setup's "CALIBRATE SENDER" item, by calibration_kind.
constexpr uint8_t CALIBRATE_ITEM[2] = {3, 2};

// A curve can reach this page with any point count; the page never shows or
// edits more points than the curve can hold.
uint8_t shown_point_count() {
    return calibration_curve.point_count < MAX_POINTS ? calibration_curve.point_count : MAX_POINTS;
}

bool is_pressure() { return calibration_kind == CALIBRATION_PRESSURE; }
uint8_t pressure_unit() { return setup_pressure_record().unit; }

bool is_display_item(uint8_t item) { return item != 0 && (item & 1) == 1; }
bool is_raw_item(uint8_t item) { return item != 0 && (item & 1) == 0; }
SenderPoint& point_of_item(uint8_t item) { return calibration_curve.points[((item - 1) / 2) % MAX_POINTS]; }

void title() {
    // The live raw input stands in the title so that the user can read it
    // while setting the raw values of the points.
    char line2[16];
    snprintf(line2, sizeof line2, "ADC %u", unsigned(adc_input[setup_channel()]));
    draw_title_bar(is_pressure() ? "PRESS SETUP" : "TEMP SETUP", line2);
}

void format_display_value(char* text, size_t size, int16_t value) {
    const uint8_t unit = pressure_unit();
    if (is_pressure() && unit != 1)
        snprintf(text, size, "%.1f ", value * 0.1);
    else
        snprintf(text, size, "%03d ", int(value));
    if (is_pressure() && unit < 3) {
        const size_t used = strlen(text);
        snprintf(text + used, size - used, "%s", pressure_unit_names[unit]);
    }
}

// Only the five visible items are formatted and drawn.
void draw_items(uint8_t n) {
    char label[16];
    char value[24];
    const unsigned last_item = 2u * n;
    for (unsigned item = menu_scroll; item <= last_item && item < menu_scroll + 5u; ++item) {
        const int8_t row = int8_t(item - menu_scroll);
        if (item == 0) {
            snprintf(value, sizeof value, "%d", int(n));
            draw_menu_item(row, "POINTS: ", value);
            continue;
        }
        const unsigned k = (item - 1) / 2;
        const SenderPoint& p = calibration_curve.points[k];
        if (is_display_item(uint8_t(item))) {
            snprintf(label, sizeof label, "DISPLAY %u: ", k + 1);
            format_display_value(value, sizeof value, p.value);
        } else {
            snprintf(label, sizeof label, "ADC %u: ", k + 1);
            snprintf(value, sizeof value, "%04d", int(p.raw));
        }
        draw_menu_item(row, label, value);
    }
}

const char* step_text(uint16_t step, const char* const (&labels)[4]) {
    static const uint16_t steps[4] = {1, 10, 100, 1000};
    for (int i = 0; i < 4; ++i)
        if (steps[i] == step) return labels[i];
    return nullptr;
}

void draw_calibration_step_label() {
    static const char* const whole[4] = {"X1", "X10", "X100", "X1000"};
    // A pressure display value has no label for a step of 1000.
    static const char* const pressure_tenths[4] = {"X0.1", "X1", "X10", nullptr};
    static const char* const pressure_whole[4] = {"X1", "X10", "X100", nullptr};
    const char* text = nullptr;
    if (is_display_item(menu_cursor)) {
        // A display value steps by 1 or 10 only: a step of 100 left by the
        // right key starts again at 1.
        if (edit_step == 100) edit_step = 1;
        if (!is_pressure())
            text = step_text(edit_step, whole);
        else
            text = step_text(edit_step, pressure_unit() == 1 ? pressure_whole : pressure_tenths);
    } else if (is_raw_item(menu_cursor)) {
        text = step_text(edit_step, whole);
    }
    if (text) lcd_text(134, 112, text, 8, ALIGN_CENTRE, COLOUR_WHITE);
}

void next_step(uint16_t largest) { edit_step = edit_step < largest ? edit_step * 10 : 1; }

void step_point_count(uint8_t key, uint8_t n) {
    // Any count that came with the curve is brought back into 2..16 by the
    // first change.
    if (key == KEY_UP)
        calibration_curve.point_count = (n >= MAX_POINTS || n < 2) ? 2 : n + 1;
    else
        calibration_curve.point_count = n <= 2 ? MAX_POINTS : n - 1;
}

// The limit is tested before the step, so one step can carry the value past
// it (998 + 10 gives 1008) and the next one wraps.
void step_word(uint8_t key, int16_t& v, int16_t top) {
    if (key == KEY_UP)
        v = v >= top ? 0 : int16_t(v + edit_step);
    else
        v = v <= 0 ? top : int16_t(v - edit_step);
}

void edit_item(uint8_t key, uint8_t n) {
    if (menu_cursor == 0)
        step_point_count(key, n);
    else if (is_display_item(menu_cursor))
        step_word(key, point_of_item(menu_cursor).value, 999);
    else
        step_word(key, point_of_item(menu_cursor).raw, 4095);
}

// BACK keeps the calibration: the working copy goes into the record it came
// from, and the "DONE" message leads back to the channel setup with its cursor
// on "CALIBRATE SENDER".
void store_and_leave() {
    if (is_pressure())
        setup_pressure_record().user_curve = calibration_curve;
    else
        setup_temperature_record().user_curve = calibration_curve;
    menu_reset(CALIBRATE_ITEM[is_pressure() ? 0 : 1]);
    message_next_screen = channel_setup_screen;
    current_screen = message_screen;
}

void act_on_key(uint8_t key, uint8_t n, uint8_t last_item) {
    switch (key) {
    case KEY_LEFT:
        store_and_leave();
        break;
    case KEY_RIGHT:
        if (is_display_item(menu_cursor))
            next_step(100);
        else if (is_raw_item(menu_cursor))
            next_step(1000);
        break;
    case KEY_PUSH:
        menu_editing = menu_editing ? 0 : 1;
        break;
    case KEY_UP:
    case KEY_DOWN:
        if (menu_editing)
            edit_item(key, n);
        else if (key == KEY_UP)
            menu_cursor = menu_cursor >= last_item ? 0 : menu_cursor + 1;
        else
            menu_cursor = menu_cursor == 0 ? last_item : menu_cursor - 1;
        break;
    default:
        break;
    }
}

} // namespace

uint8_t calibration_item_count() { return uint8_t(2 * shown_point_count() + 1); }

void sender_calibration_screen() {
    const uint8_t n = shown_point_count();
    const uint8_t last_item = uint8_t(2 * n);
    if (menu_cursor > last_item) menu_cursor = last_item;
    menu_scroll = menu_cursor >= 5 ? menu_cursor - 4 : 0;
    title();
    draw_menu_scroll_bar(menu_cursor, last_item + 1);
    draw_items(n);
    draw_calibration_step_label();
    draw_soft_keys(SOFT_KEYS_BACK);
    if (pending_key != KEY_NONE) {
        act_on_key(pending_key, n, last_item);
        pending_key = KEY_NONE;
    }
}

void calibration_screen_reset() {
    calibration_curve = SenderCurve{};
    calibration_kind = CALIBRATION_PRESSURE;
}
