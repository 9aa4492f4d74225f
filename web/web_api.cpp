#include "web/web_api.h"

#include "web/driven.h"
#include "web/export.h"

#include <cstring>

#include "display/palette.h"
#include "display/text_record.h"
#include "host/panel/front_geometry.h"
#include "host/panel/front_panel.h"
#include "host/panel/panel_names.h"

namespace {

// CH 1..CH 4 and Volts: readings well inside every default alarm limit.
constexpr int START_RAW[RAW_INPUT_COUNT] = {205, 246, 2253, 1229, 1229};

// Texts whose rows lie this close belong to one line (a value and its unit
// are drawn in different sizes, a few rows apart).
constexpr int LINE_ROWS = 4;
// Every recorded text, a separator after each, and the terminator.
constexpr int SCREEN_TEXT_SIZE = TEXT_RECORD_CAPACITY * (TEXT_RECORD_CHARS + 1) + 1;
char screen_text[SCREEN_TEXT_SIZE];

bool before(const TextRecordEntry& a, const TextRecordEntry& b) {
    if (a.y != b.y) return a.y < b.y;
    return a.start_x < b.start_x;
}

// A text drawn twice over itself (a value on its highlight) is read once.
bool drawn_again(const TextRecordEntry& entry, int first, int at, const uint8_t* order) {
    for (int i = first; i < at; ++i) {
        const TextRecordEntry& earlier = text_record[order[i]];
        if (earlier.start_x < entry.end_x && entry.start_x < earlier.end_x &&
            std::strcmp(earlier.text, entry.text) == 0)
            return true;
    }
    return false;
}

} // namespace

// The frame's texts in reading order: sorted by row, then gathered into lines
// and sorted by where each text starts.
void describe_screen() {
    uint8_t order[TEXT_RECORD_CAPACITY];
    const int count = text_record_count;
    for (int i = 0; i < count; ++i) order[i] = static_cast<uint8_t>(i);
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && before(text_record[order[j]], text_record[order[j - 1]]); --j) {
            const uint8_t swap = order[j];
            order[j] = order[j - 1];
            order[j - 1] = swap;
        }
    int length = 0;
    for (int first = 0; first < count;) {
        int last = first + 1;
        while (last < count && text_record[order[last]].y - text_record[order[first]].y <= LINE_ROWS) ++last;
        for (int i = first + 1; i < last; ++i)
            for (int j = i; j > first && text_record[order[j]].start_x < text_record[order[j - 1]].start_x;
                 --j) {
                const uint8_t swap = order[j];
                order[j] = order[j - 1];
                order[j - 1] = swap;
            }
        const TextRecordEntry* previous = nullptr;
        for (int i = first; i < last; ++i) {
            const TextRecordEntry& entry = text_record[order[i]];
            if (entry.text[0] == 0 || drawn_again(entry, first, i, order)) continue;
            // Pieces drawn edge to edge (a word in two fonts) join without a
            // space, and so does a label that ends in one.
            if (previous != nullptr && entry.start_x > previous->end_x + 1 && screen_text[length - 1] != ' ')
                screen_text[length++] = ' ';
            for (const char* c = entry.text; *c != 0; ++c) screen_text[length++] = *c;
            previous = &entry;
        }
        if (previous != nullptr) screen_text[length++] = '\n';
        first = last;
    }
    if (length > 0) --length; // no line break after the last line
    screen_text[length] = 0;
}

namespace {

int result_bits(const PassResult& result) {
    if (result.frame_changed) describe_screen();
    return (result.ran ? QD5_PASS_RAN : 0) | (result.lamp_bright ? QD5_PASS_LAMP_BRIGHT : 0) |
           (result.frame_changed ? QD5_PASS_FRAME_CHANGED : 0);
}

} // namespace

extern "C" {

QD5_EXPORT int qd5_power_on() { return driven() ? driven_power(true) : result_bits(front_panel_power_on()); }
QD5_EXPORT void qd5_power_off() {
    if (driven())
        driven_power(false);
    else
        front_panel_power_off();
}
QD5_EXPORT int qd5_pass() { return result_bits(front_panel_pass()); }
QD5_EXPORT int qd5_running() { return front_panel.running ? 1 : 0; }
QD5_EXPORT void qd5_timer_tick() { front_panel_timer_tick(); }
QD5_EXPORT void qd5_key(int code) {
    front_panel_click(code);
    driven_noted_click(code);
}
QD5_EXPORT void qd5_set_input(int input, int value) {
    front_panel_set_raw(input, value);
    driven_noted_input(input);
}
QD5_EXPORT void qd5_set_mode(int channel, int mode) {
    front_panel_set_mode(channel, mode);
    driven_noted_mode(channel);
}
QD5_EXPORT void qd5_set_zolt(int checked) {
    front_panel_set_zolt(checked != 0);
    driven_noted_zolt();
}
QD5_EXPORT int qd5_zolt() { return front_panel.zolt_checked ? 1 : 0; }

QD5_EXPORT int qd5_raw_slider(int input) {
    return input >= 0 && input < RAW_INPUT_COUNT ? front_panel.raw_slider[input] : 0;
}

QD5_EXPORT int qd5_mode_slider(int channel) {
    return channel >= 0 && channel < CHANNEL_COUNT ? front_panel.mode_slider[channel] : 0;
}

QD5_EXPORT int qd5_lamp_bright() { return front_panel.lamp_bright ? 1 : 0; }
QD5_EXPORT const uint8_t* qd5_frame() { return &front_panel.shown[0][0]; }

QD5_EXPORT const uint32_t* qd5_palette() {
    static uint32_t colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = palette_rgb(static_cast<uint8_t>(i));
    return colours;
}

QD5_EXPORT const char* qd5_screen_text() { return screen_text; }

QD5_EXPORT const char* qd5_mode_name(int mode) {
    return mode >= 0 && mode < MODE_COUNT ? MODE_NAMES[mode] : "";
}
QD5_EXPORT const char* qd5_mode_slider_caption() { return MODE_SLIDER_CAPTION; }
QD5_EXPORT const char* qd5_mode_slider_title() { return MODE_SLIDER_TITLE; }

QD5_EXPORT int qd5_key_count() { return KEY_NAME_COUNT; }
QD5_EXPORT int qd5_key_code(int key) {
    return key >= 0 && key < KEY_NAME_COUNT ? KEY_NAMES[key].code : KEY_NONE;
}
QD5_EXPORT const char* qd5_key_name(int key) {
    return key >= 0 && key < KEY_NAME_COUNT ? KEY_NAMES[key].name : "";
}
QD5_EXPORT const char* qd5_key_label(int key) {
    return key >= 0 && key < KEY_NAME_COUNT ? KEY_NAMES[key].label : "";
}
QD5_EXPORT const char* qd5_key_action(int key) {
    return key >= 0 && key < KEY_NAME_COUNT ? KEY_NAMES[key].action : "";
}

QD5_EXPORT int qd5_input_count() { return RAW_INPUT_COUNT; }
QD5_EXPORT const char* qd5_input_name(int input) {
    return input >= 0 && input < RAW_INPUT_COUNT ? INPUT_NAMES[input] : "";
}
QD5_EXPORT const char* qd5_input_caption(int input) {
    return input >= 0 && input < RAW_INPUT_COUNT ? INPUT_CAPTIONS[input] : "";
}
QD5_EXPORT const char* qd5_input_title(int input) {
    return input >= 0 && input < RAW_INPUT_COUNT ? INPUT_TITLES[input] : "";
}

QD5_EXPORT int qd5_start_raw(int input) {
    return input >= 0 && input < RAW_INPUT_COUNT ? START_RAW[input] : 0;
}

QD5_EXPORT int qd5_lcd_width() { return LCD_WIDTH; }
QD5_EXPORT int qd5_lcd_height() { return LCD_HEIGHT; }
QD5_EXPORT int qd5_front_width() { return DEVICE_WIDTH; }
QD5_EXPORT int qd5_front_height() { return DEVICE_HEIGHT; }
QD5_EXPORT int qd5_channel_count() { return CHANNEL_COUNT; }
QD5_EXPORT int qd5_raw_maximum() { return RAW_MAXIMUM; }
QD5_EXPORT int qd5_mode_count() { return MODE_COUNT; }
QD5_EXPORT int qd5_ms_per_tick() { return static_cast<int>(MS_PER_TICK); }
QD5_EXPORT int qd5_passes_per_tick() { return PASSES_PER_TICK; }
QD5_EXPORT int qd5_pass_ran_bit() { return QD5_PASS_RAN; }
QD5_EXPORT int qd5_pass_lamp_bright_bit() { return QD5_PASS_LAMP_BRIGHT; }
QD5_EXPORT int qd5_pass_frame_changed_bit() { return QD5_PASS_FRAME_CHANGED; }
}
