// The channel setup screen: the mode of one channel and every field of the
// record of that mode, as a list built anew on every pass from the item tables.
#include <cstdio>
#include <cstring>

#include "display/framebuffer.h"
#include "display/text.h"
#include "measurement/sampling.h"
#include "menus/channel_setup_items.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"

namespace {

// Large enough for any of the records, so that the item count can be worked
// out on a copy without touching the settings.
union AnyRecord {
    PressureChannelConfig pressure;
    TemperatureChannelConfig temperature;
    CurrentChannelConfig current;
    VoltsChannelConfig volts;
};

uint8_t* record_of_mode(uint8_t mode) {
    switch (mode) {
    case MODE_PRESSURE:
        return reinterpret_cast<uint8_t*>(&setup_pressure_record());
    case MODE_TEMPERATURE:
        return reinterpret_cast<uint8_t*>(&setup_temperature_record());
    case MODE_CURRENT:
        return reinterpret_cast<uint8_t*>(&setup_current_record());
    case MODE_VOLTS:
        return reinterpret_cast<uint8_t*>(&setup_volts_record());
    default:
        return nullptr;
    }
}

size_t record_size_of_mode(uint8_t mode) {
    switch (mode) {
    case MODE_PRESSURE:
        return sizeof(PressureChannelConfig);
    case MODE_TEMPERATURE:
        return sizeof(TemperatureChannelConfig);
    case MODE_CURRENT:
        return sizeof(CurrentChannelConfig);
    case MODE_VOLTS:
        return sizeof(VoltsChannelConfig);
    default:
        return 0;
    }
}

int32_t read_field(const uint8_t* record, SetupField field) {
    const uint8_t* p = record + field.offset;
    switch (field.type) {
    case FIELD_U8:
        return *p;
    case FIELD_I8:
        return int8_t(*p);
    case FIELD_I16: {
        int16_t v;
        memcpy(&v, p, sizeof v);
        return v;
    }
    case FIELD_U16: {
        uint16_t v;
        memcpy(&v, p, sizeof v);
        return v;
    }
    default:
        return 0;
    }
}

void write_field(uint8_t* record, SetupField field, int32_t value) {
    uint8_t* p = record + field.offset;
    switch (field.type) {
    case FIELD_U8:
    case FIELD_I8:
        *p = uint8_t(value);
        break;
    case FIELD_I16:
    case FIELD_U16: {
        const uint16_t v = uint16_t(value);
        memcpy(p, &v, sizeof v);
        break;
    }
    default:
        break;
    }
}

bool condition_holds(const uint8_t* record, SetupCondition c) {
    return !c.active || record[c.offset] == c.value;
}

bool row_shown(const uint8_t* record, const SetupRow& row) {
    return condition_holds(record, row.first) && condition_holds(record, row.second);
}

int16_t row_high_limit(const SetupTable& table, const uint8_t* record, const SetupRow& row) {
    switch (row.limits) {
    case LIMITS_PRESSURE_UNIT:
        return pressure_unit_max(record[table.unit_offset]);
    case LIMITS_TEMPERATURE_UNIT:
        return record[table.unit_offset] == TEMP_UNIT_FAHRENHEIT ? 570 : 300;
    default:
        return row.hi;
    }
}

// A name from a table, or the stored number when it lies outside the table.
void format_name(char* text, size_t size, const char* const* names, uint8_t last, int32_t value) {
    if (names && value >= 0 && value <= last)
        snprintf(text, size, "%s", names[value]);
    else
        snprintf(text, size, "%d", int(value));
}

bool whole_psi(const SetupTable& table, const uint8_t* record) {
    return table.step_label_kind == STEP_LABEL_PRESSURE_UNIT &&
           record[table.unit_offset] == PRESSURE_UNIT_PSI;
}

void format_value(char* text, size_t size, const SetupTable& table, const uint8_t* record,
                  const SetupRow& row) {
    const uint8_t channel = setup_channel();
    const int32_t v = read_field(record, row.field);
    switch (row.format) {
    case FORMAT_NAME:
        format_name(text, size, row.names, row.last_choice, v);
        break;
    case FORMAT_PRESSURE:
        if (whole_psi(table, record))
            snprintf(text, size, "%d ", int(v));
        else
            snprintf(text, size, "%.1f ", v * 0.1);
        break;
    case FORMAT_PRESSURE_UNSIGNED:
        // The 4-20mA values are written unsigned, as 16-bit numbers.
        if (whole_psi(table, record))
            snprintf(text, size, "%u ", unsigned(uint16_t(v)));
        else
            snprintf(text, size, "%.1f ", v * 0.1);
        break;
    case FORMAT_DEGREES:
        snprintf(text, size, "%d", int(v));
        break;
    case FORMAT_AMPERES:
        snprintf(text, size, "%dA", int(v));
        break;
    case FORMAT_VOLTS:
        snprintf(text, size, "%.1f", v * 0.1);
        break;
    case FORMAT_LM335:
        snprintf(text, size,
                 "%+d %d\xB0"
                 "C",
                 int(v), int(temp_celsius[channel]));
        break;
    case FORMAT_GAIN:
        if (current_tenths[channel] > -100 && current_tenths[channel] < 100)
            snprintf(text, size, "%d %.1fA", int(v), current_tenths[channel] * 0.1);
        else
            snprintf(text, size, "%d %dA", int(v), int(current_amps[channel]));
        break;
    case FORMAT_TRIM:
        snprintf(text, size, "%d%% %.1fV", int(volts_cal_percent), volts_reading[channel] * 0.1);
        break;
    case FORMAT_ADDRESS:
        snprintf(text, size, "%d", zolt_address + 1);
        break;
    default:
        text[0] = 0;
        break;
    }
}

// The first item is the channel's mode; on channels 1 and 2 it reads as the
// oil gauge switched on or off while the ZOLT unit supplies that gauge.
struct FirstItemRule {
    const char* zolt_label;
    uint8_t zolt_mode; // the record whose data source decides
};

const FirstItemRule first_item_rules[4] = {
    {"OIL PRESS: ", MODE_PRESSURE},
    {"OIL TEMP: ", MODE_TEMPERATURE},
    {nullptr, MODE_OFF},
    {nullptr, MODE_OFF},
};

bool first_item_is_zolt_switch(uint8_t channel) {
    const FirstItemRule& rule = first_item_rules[channel];
    if (!rule.zolt_label) return false;
    if (rule.zolt_mode == MODE_PRESSURE) return setup_pressure_record().data_source == 1;
    return setup_temperature_record().data_source == 1;
}

void step_choice(uint8_t key, int32_t& v, int32_t last) {
    if (key == KEY_UP)
        v = (v >= last || v < 0) ? 0 : v + 1;
    else if (key == KEY_DOWN)
        v = (v <= 0 || v > last) ? last : v - 1;
}

// Through the senders of the type, wrapping at both ends (the range rule has
// brought the sender into the type's range on this pass already).
void step_sender(uint8_t key, uint8_t sender_type, int32_t& v) {
    if (sender_type >= SENDER_TYPE_COUNT) return;
    const PressureSenderType& type = PRESSURE_SENDER_TYPES[sender_type];
    if (key == KEY_UP)
        v = (v >= type.last || v < type.first) ? type.first : v + 1;
    else
        v = (v <= type.first || v > type.last) ? type.last : v - 1;
}

void step_number(uint8_t key, int32_t& v, int32_t lo, int32_t hi) {
    if (key == KEY_UP) {
        v += edit_step;
        if (v > hi) v = lo;
    } else {
        v -= edit_step;
        if (v < lo) v = hi;
    }
}

void step_label_character(uint8_t key, char* label) {
    // text_cursor is 0..3; anything else edits the last position.
    unsigned char& c = reinterpret_cast<unsigned char&>(label[text_cursor < 4 ? text_cursor : 3]);
    if (key == KEY_UP)
        c = c < '~' ? c + 1 : ' ';
    else
        c = c > ' ' ? c - 1 : '~';
}

void toggle_editing() { menu_editing = menu_editing ? 0 : 1; }

void push_text_item() {
    if (!menu_editing) {
        menu_editing = 1;
        text_cursor = 0;
    } else if (text_cursor >= 3) {
        menu_editing = 0;
    } else {
        ++text_cursor;
    }
}

void open_calibration(uint8_t mode) {
    menu_cursor = 0;
    if (mode == MODE_PRESSURE) {
        calibration_kind = CALIBRATION_PRESSURE;
        calibration_curve = setup_pressure_record().user_curve;
    } else {
        calibration_kind = CALIBRATION_TEMPERATURE;
        calibration_curve = setup_temperature_record().user_curve;
    }
    message_next_screen = channel_setup_screen;
    current_screen = sender_calibration_screen;
}

void open_zeroing() {
    menu_cursor = 0;
    current_screen = zero_current_screen;
    pending_key = KEY_NONE;
}

// The knob push on the line items opens their screen; it only ends an edit.
void push_line_item(const SetupRow& row, uint8_t mode) {
    if (menu_editing) {
        menu_editing = 0;
        return;
    }
    if (row.kind == KIND_OPEN_CALIBRATION)
        open_calibration(mode);
    else
        open_zeroing();
}

void act_on_row(const SetupTable& table, uint8_t* record, const SetupRow& row, uint8_t mode, uint8_t key) {
    if (row.kind == KIND_OPEN_CALIBRATION || row.kind == KIND_OPEN_ZEROING) {
        if (key == KEY_PUSH) push_line_item(row, mode);
        return;
    }
    if (key == KEY_RIGHT) {
        if (row.kind == KIND_NUMBER) edit_step = edit_step == 1 ? 10 : 1;
        return;
    }
    if (key == KEY_PUSH) {
        if (row.kind == KIND_TEXT)
            push_text_item();
        else
            toggle_editing();
        return;
    }
    if (!menu_editing || (key != KEY_UP && key != KEY_DOWN)) return;

    int32_t v = read_field(record, row.field);
    switch (row.kind) {
    case KIND_CHOICE:
        step_choice(key, v, row.last_choice);
        break;
    case KIND_SENDER:
        step_sender(key, record[offsetof(PressureChannelConfig, sender_type)], v);
        break;
    case KIND_UNIT:
        step_choice(key, v, 2);
        break;
    case KIND_SWITCH:
        v = v == 0 ? 1 : 0;
        break;
    case KIND_NUMBER:
        step_number(key, v, row.lo, row_high_limit(table, record, row));
        break;
    case KIND_OFFSET:
        if (key == KEY_UP && v < 30) ++v;
        if (key == KEY_DOWN && v > -30) --v;
        break;
    case KIND_TEXT:
        step_label_character(key, reinterpret_cast<char*>(record + row.field.offset));
        return;
    case KIND_ADDRESS: {
        int32_t a = zolt_address;
        step_choice(key, a, 3);
        zolt_address = uint8_t(a);
        return;
    }
    case KIND_TRIM:
        if (key == KEY_UP && volts_cal_percent < 150) ++volts_cal_percent;
        if (key == KEY_DOWN && volts_cal_percent > 50) --volts_cal_percent;
        // Every step of the trim is reported, at its limit too.
        channel_setup_changed();
        return;
    default:
        return;
    }
    write_field(record, row.field, v);
    if (row.kind == KIND_UNIT) clamp_pressure_limits(*reinterpret_cast<PressureChannelConfig*>(record));
}

uint8_t row_colour(uint8_t index) { return index == menu_cursor ? COLOUR_RED : COLOUR_WHITE; }

void draw_row(const SetupTable& table, const uint8_t* record, const SetupRow& row, uint8_t index) {
    const int8_t row_on_screen = int8_t(index - menu_scroll);
    // Rows outside the five visible ones draw nothing; their values are not
    // even formatted. The cursor item is always visible.
    if (row_on_screen < 0 || row_on_screen > 4) return;
    if (row.kind == KIND_OPEN_CALIBRATION || row.kind == KIND_OPEN_ZEROING) {
        draw_menu_line(row_on_screen, row.label, row_colour(index));
    } else if (row.kind == KIND_TEXT) {
        // The label is drawn from a terminated copy of its four positions, so
        // that a record whose fifth byte is not zero is still drawn in bounds.
        char label[LABEL_SIZE] = {};
        memcpy(label, record + row.field.offset, LABEL_SIZE - 1);
        draw_menu_text_item(row_on_screen, row.label, label);
    } else if (row.kind == KIND_SENDER) {
        const uint8_t type = record[offsetof(PressureChannelConfig, sender_type)];
        const int32_t sender = read_field(record, row.field);
        char text[16];
        if (type < SENDER_TYPE_COUNT && sender >= PRESSURE_SENDER_TYPES[type].first)
            format_name(text, sizeof text, PRESSURE_SENDER_TYPES[type].names,
                        PRESSURE_SENDER_TYPES[type].last, sender);
        else
            snprintf(text, sizeof text, "%d", int(sender));
        draw_menu_item(row_on_screen, row.label, text);
    } else {
        char text[32];
        format_value(text, sizeof text, table, record, row);
        draw_menu_item(row_on_screen, row.label, text);
    }
    if (row.step_label) {
        const uint8_t kind = table.step_label_kind == STEP_LABEL_PRESSURE_UNIT ? record[table.unit_offset]
                                                                               : table.step_label_kind;
        draw_step_label(kind, index);
    }
}

// Walks the items of one pass. With draw set it draws each item and lets the
// cursor item act on key; without, it only counts. Items after a changed item
// are built from the new values. found, if given, gets the row of item find.
uint8_t walk_items(uint8_t* record, uint8_t mode, bool draw, uint8_t key, uint8_t find = 0,
                   const SetupRow** found = nullptr) {
    const SetupTable* table = setup_table_for_mode(mode);
    if (!table || !record) return 1;
    uint8_t index = 1;
    for (uint8_t r = 0; r < table->row_count; ++r) {
        const SetupRow& row = table->rows[r];
        if (row.kind == KIND_SENDER) {
            // The sender is kept within the range of its type before it is shown.
            const uint8_t type = record[offsetof(PressureChannelConfig, sender_type)];
            record[row.field.offset] = sender_in_range(type, record[row.field.offset]);
        }
        if (!row_shown(record, row)) continue;
        if (found && index == find) *found = &row;
        if (draw) {
            draw_row(*table, record, row, index);
            if (index == menu_cursor && key != KEY_NONE) act_on_row(*table, record, row, mode, key);
        }
        ++index;
    }
    return index;
}

void draw_first_item(uint8_t channel) {
    const uint8_t mode = channel_mode[channel];
    char text[16];
    if (first_item_is_zolt_switch(channel)) {
        draw_menu_item(-int8_t(menu_scroll), first_item_rules[channel].zolt_label, mode ? "ON" : "OFF");
        return;
    }
    format_name(text, sizeof text, channel_mode_names, MODE_VOLTS, mode);
    draw_menu_item(-int8_t(menu_scroll), SETUP_MODE_LABEL, text);
}

void act_on_first_item(uint8_t channel, uint8_t key) {
    if (key == KEY_PUSH) toggle_editing();
    if (!menu_editing || (key != KEY_UP && key != KEY_DOWN)) return;
    int32_t mode = channel_mode[channel];
    step_choice(key, mode, MODE_VOLTS);
    channel_mode[channel] = uint8_t(mode);
}

void title(uint8_t channel) {
    char line1[8];
    snprintf(line1, sizeof line1, "CH %u", unsigned(channel + 1));
    draw_title_bar(line1, "SETUP");
}

void screen_keys(uint8_t key, uint8_t item_count) {
    if (key == KEY_LEFT) {
        current_screen = main_menu_screen;
        menu_reset(setup_channel());
        channel_setup_changed();
    } else if (key == KEY_UP && !menu_editing) {
        menu_cursor = menu_cursor + 1 >= item_count ? 0 : menu_cursor + 1;
    } else if (key == KEY_DOWN && !menu_editing) {
        menu_cursor = menu_cursor == 0 ? item_count - 1 : menu_cursor - 1;
    }
}

} // namespace

uint8_t channel_setup_item_count() {
    const uint8_t mode = channel_mode[setup_channel()];
    const uint8_t* record = record_of_mode(mode);
    if (!record) return 1;
    AnyRecord copy;
    memcpy(&copy, record, record_size_of_mode(mode));
    return walk_items(reinterpret_cast<uint8_t*>(&copy), mode, false, KEY_NONE);
}

const SetupRow* channel_setup_row_of_item(uint8_t item) {
    const uint8_t mode = channel_mode[setup_channel()];
    const uint8_t* record = record_of_mode(mode);
    if (!record) return nullptr;
    AnyRecord copy;
    memcpy(&copy, record, record_size_of_mode(mode));
    const SetupRow* row = nullptr;
    walk_items(reinterpret_cast<uint8_t*>(&copy), mode, false, KEY_NONE, item, &row);
    return row;
}

void channel_setup_screen() {
    const uint8_t channel = setup_channel();
    // The window's mode sliders can shorten the list under the cursor; the
    // cursor then stands on the last item.
    const uint8_t count_before = channel_setup_item_count();
    if (menu_cursor >= count_before) menu_cursor = count_before - 1;

    menu_scroll = menu_cursor >= 5 ? menu_cursor - 4 : 0;
    title(channel);

    const uint8_t key = pending_key;
    draw_first_item(channel);
    if (menu_cursor == 0 && key != KEY_NONE) act_on_first_item(channel, key);

    // The mode is read after the first item may have changed it.
    const uint8_t mode = channel_mode[channel];
    const uint8_t item_count = walk_items(record_of_mode(mode), mode, true, key);

    draw_menu_scroll_bar(menu_cursor, item_count);
    draw_soft_keys(SOFT_KEYS_BACK);
    if (pending_key != KEY_NONE) {
        screen_keys(key, item_count);
        pending_key = KEY_NONE;
    }
}

void clamp_pressure_limits(PressureChannelConfig& record) {
    const int16_t unit_max = pressure_unit_max(record.unit);
    int16_t* const limits[6] = {&record.display_max, &record.display_min, &record.low_alarm,
                                &record.high_alarm,  &record.low_caution, &record.high_caution};
    for (int16_t* v : limits) {
        if (*v > unit_max) *v = unit_max;
        if (*v < 1) *v = 1;
    }
}
