// Menu framework: the menu state, the shared layout elements and the moves
// between screens that every setup screen uses.
#include "menus/menu.h"

#include <cstddef>
#include <cstring>

#include "display/framebuffer.h"
#include "display/icons.h"
#include "display/image.h"
#include "display/text.h"
#include "display/trig.h"
#include "menus/menu_screens.h"
#include "menus/screen_table.h"
#include "screens/run_screen.h"

uint8_t menu_cursor;
uint8_t menu_scroll;
uint8_t menu_editing;
uint16_t edit_step;
uint8_t text_cursor;
ScreenHandler message_next_screen;
uint16_t security_scratch;
uint8_t selected_channel;
PressureChannelConfig* selected_pressure_config;
TemperatureChannelConfig* selected_temperature_config;
CurrentChannelConfig* selected_current_config;
VoltsChannelConfig* selected_volts_config;

namespace {

constexpr uint8_t MENU_FONT = 8;
constexpr int16_t SOFT_KEY_TOP = 110;
constexpr int16_t SOFT_KEY_LABEL_Y = 112;
constexpr int16_t LEFT_LABEL_X = 26;
constexpr int16_t RIGHT_LABEL_X = 134;

struct Segment {
    int16_t x0, y0, x1, y1;
};

// Vertical runs that fill an arrowhead of the rotary symbol (a single pixel
// is a run of length one).
struct Run {
    int16_t x, y0, y1;
};

constexpr Segment left_arrow_edges[] = {{60, 117, 70, 122}, {60, 117, 62, 126}, {70, 122, 62, 126}};
constexpr Run left_arrow_fill[] = {{61, 118, 119}, {62, 119, 125}, {63, 119, 124}, {64, 120, 124},
                                   {65, 121, 123}, {66, 121, 123}, {67, 121, 123}, {68, 122, 122}};
constexpr Segment right_arrow_edges[] = {{90, 122, 100, 117}, {90, 122, 98, 126}, {100, 117, 98, 126}};
constexpr Run right_arrow_fill[] = {{92, 122, 122}, {93, 122, 122}, {94, 121, 123}, {95, 121, 123},
                                    {96, 120, 124}, {97, 120, 124}, {98, 119, 123}, {99, 119, 119}};

struct StepLabel {
    uint16_t step;
    const char* whole;  // label kind 1
    const char* tenths; // any other label kind
};

constexpr StepLabel step_labels[] = {
    {1, "X1", "X0.1"}, {10, "X10", "X1.0"}, {100, "X100", "X10.0"}, {1000, "X1000", "X100.0"}};

template <size_t N> void draw_segments(const Segment (&segments)[N]) {
    for (const Segment& s : segments) lcd_line(s.x0, s.y0, s.x1, s.y1, COLOUR_WHITE);
}

template <size_t N> void draw_runs(const Run (&runs)[N]) {
    for (const Run& r : runs) lcd_vline(r.y0, r.y1, r.x, COLOUR_WHITE);
}

// Rows 0..4 are on the screen; everything else is clipped away by the caller.
bool row_visible(int8_t row) { return row >= 0 && row <= 4; }

int16_t row_y(int8_t row) { return static_cast<int16_t>(16 * row + 27); }

bool row_is_cursor(int8_t row) { return row + menu_scroll == menu_cursor; }

// The part of the soft-key bar that all variants share.
void draw_soft_key_frame() {
    lcd_hline(0, 159, SOFT_KEY_TOP, COLOUR_WHITE);
    lcd_vline(SOFT_KEY_TOP, 127, 53, COLOUR_WHITE);
    lcd_vline(SOFT_KEY_TOP, 127, 106, COLOUR_WHITE);
}

void draw_left_label(const char* label) {
    lcd_text(LEFT_LABEL_X, SOFT_KEY_LABEL_Y, label, MENU_FONT, ALIGN_CENTRE, COLOUR_WHITE);
}

} // namespace

void draw_title_bar(const char* line1, const char* line2) {
    lcd_text(0, 0, "N", 12, ALIGN_LEFT, COLOUR_RED);
    lcd_text(15, 0, "uva", 12, ALIGN_LEFT, COLOUR_WHITE);
    if (line1 != nullptr && line1[0] != '\0') lcd_text(159, 0, line1, MENU_FONT, ALIGN_RIGHT, COLOUR_RED);
    if (line2 != nullptr && line2[0] != '\0') lcd_text(159, 11, line2, MENU_FONT, ALIGN_RIGHT, COLOUR_RED);
    lcd_hline(0, 159, 25, COLOUR_WHITE);
}

void draw_soft_keys(uint8_t soft_key_label) {
    draw_soft_key_frame();
    if (soft_key_label == SOFT_KEYS_EXIT) draw_left_label("EXIT");
    if (soft_key_label == SOFT_KEYS_BACK) draw_left_label("BACK");
    menu_draw_rotary_icon();
}

void menu_draw_rotary_icon() {
    lcd_arc(80, 132, 20, 220, 320, COLOUR_WHITE);
    draw_segments(left_arrow_edges);
    draw_runs(left_arrow_fill);
    draw_segments(right_arrow_edges);
    draw_runs(right_arrow_fill);
}

void draw_back_key() {
    draw_soft_key_frame();
    draw_left_label("BACK");
}

void draw_yes_no_keys() {
    draw_soft_key_frame();
    draw_left_label("NO");
    lcd_text(RIGHT_LABEL_X, SOFT_KEY_LABEL_Y, "YES", MENU_FONT, ALIGN_CENTRE, COLOUR_WHITE);
}

void draw_menu_scroll_bar(uint8_t position, uint8_t count) {
    lcd_vline(30, 106, 156, COLOUR_WHITE);
    // A count of 0 would divide by zero; it is drawn like a list of one item.
    const int32_t step = 760 / (count == 0 ? 1 : count);
    const int32_t top = (step * position + 300) / 10;
    const int32_t bottom = top + step / 10;
    lcd_fill_rect(153, static_cast<int16_t>(top), 159, static_cast<int16_t>(bottom), COLOUR_WHITE);
}

void draw_menu_item(int8_t row, const char* label, const char* value) {
    if (!row_visible(row)) return;
    const int16_t y = row_y(row);
    const bool selected = row_is_cursor(row);
    lcd_text(0, y, label, MENU_FONT, ALIGN_LEFT, selected && menu_editing == 0 ? COLOUR_RED : COLOUR_WHITE);
    lcd_text(text_end_x, y, value, MENU_FONT, ALIGN_LEFT, selected ? COLOUR_RED : COLOUR_WHITE);
}

void draw_menu_text_item(int8_t row, const char* label, const char* text) {
    if (!row_visible(row)) return;
    const int16_t y = row_y(row);
    const bool selected = row_is_cursor(row);
    const uint8_t colour = selected && menu_editing == 0 ? COLOUR_RED : COLOUR_WHITE;
    lcd_text(0, y, label, MENU_FONT, ALIGN_LEFT, colour);
    const int16_t x0 = text_end_x;
    lcd_text(x0, y, text, MENU_FONT, ALIGN_LEFT, colour);
    if (!selected || menu_editing != 1) return;
    // Redraw the four positions one by one so that only the edited one is red.
    // A zero among them (a stored label can hold one inside) draws nothing and
    // does not move x; the positions after it are still drawn.
    int16_t x = x0;
    for (uint8_t i = 0; i < 4; ++i) {
        const char one[2] = {text[i], '\0'};
        lcd_text(x, y, one, MENU_FONT, ALIGN_LEFT, i == text_cursor ? COLOUR_RED : COLOUR_WHITE);
        x = text_end_x;
    }
}

void draw_menu_line(int8_t row, const char* text, uint8_t colour) {
    if (!row_visible(row)) return;
    lcd_text(0, row_y(row), text, MENU_FONT, ALIGN_LEFT, colour);
}

void draw_step_label(uint8_t label_kind, uint8_t item) {
    if (item != menu_cursor) return;
    for (const StepLabel& label : step_labels) {
        if (label.step != edit_step) continue;
        lcd_text(RIGHT_LABEL_X, SOFT_KEY_LABEL_Y, label_kind == 1 ? label.whole : label.tenths, MENU_FONT,
                 ALIGN_CENTRE, COLOUR_WHITE);
        return;
    }
}

void menu_reset(uint8_t cursor) {
    security_scratch = 0;
    menu_editing = 0;
    menu_cursor = cursor;
    menu_scroll = 0;
    edit_step = 1;
}

void return_to_run_screen() {
    current_screen = run_screen;
    menu_editing = 0;
    menu_cursor = 0;
    menu_scroll = 0;
    edit_step = 1;
    settings_changed();
}

void draw_question(const char* line1, const char* line2, const char* line3) {
    draw_title_bar("MESSAGE", "");
    lcd_draw_image(5, 42, icon_question);
    lcd_text(110, 35, line1, 9, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(110, 58, line2, 9, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_text(110, 81, line3, 9, ALIGN_CENTRE, COLOUR_WHITE);
    draw_yes_no_keys();
}

void message_screen() {
    draw_title_bar("MESSAGE", "");
    lcd_text(110, 55, "DONE", 16, ALIGN_CENTRE, COLOUR_WHITE);
    lcd_draw_image(10, 45, icon_warning);
    if (pending_key == KEY_NONE) return;
    // A message shown without a next screen goes back to the run screen rather
    // than calling through an empty handler on the next pass.
    current_screen = message_next_screen != nullptr ? message_next_screen : run_screen;
    pending_key = KEY_NONE;
}

void menu_update_scroll() { menu_scroll = menu_cursor >= 5 ? static_cast<uint8_t>(menu_cursor - 4) : 0; }

void menu_move_cursor(uint8_t key, uint8_t count) {
    if (count == 0) return;
    if (key == KEY_UP) menu_cursor = menu_cursor + 1 >= count ? 0 : static_cast<uint8_t>(menu_cursor + 1);
    if (key == KEY_DOWN) {
        menu_cursor = menu_cursor == 0 || menu_cursor > count ? static_cast<uint8_t>(count - 1)
                                                              : static_cast<uint8_t>(menu_cursor - 1);
    }
}

void menu_next_edit_step(uint16_t largest_step) {
    const bool known = edit_step == 1 || edit_step == 10 || edit_step == 100 || edit_step == 1000;
    edit_step = known && edit_step < largest_step ? static_cast<uint16_t>(edit_step * 10) : 1;
}

namespace {

uint8_t item_count_of(ScreenHandler screen) {
    // Pages without a list keep the cursor on 0.
    const ScreenInfo* info = screen_info(screen);
    if (info == nullptr) return 0;
    if (info->items != ITEMS_FROM_SETTINGS) return info->items;
    if (screen == security_setup_screen) return security_on == 1 ? 2 : 1;
    if (screen == channel_setup_screen) return channel_setup_item_count();
    if (screen == sender_calibration_screen) return calibration_item_count();
    return 0; // a screen of the table without a rule of its own
}

} // namespace

uint8_t menu_item_count() {
    // A message keeps the cursor of the screen it hands over to.
    if (current_screen == message_screen || current_screen == code_message_screen) {
        if (message_next_screen == message_screen || message_next_screen == code_message_screen) return 0;
        return item_count_of(message_next_screen);
    }
    return item_count_of(current_screen);
}

void menu_state_reset() {
    menu_cursor = 0;
    menu_scroll = 0;
    menu_editing = 0;
    edit_step = 0;
    text_cursor = 0;
    message_next_screen = nullptr;
    security_scratch = 0;
    selected_channel = 0;
    selected_pressure_config = nullptr;
    selected_temperature_config = nullptr;
    selected_current_config = nullptr;
    selected_volts_config = nullptr;
}
