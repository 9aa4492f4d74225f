// The item tables of the channel setup screen, one per channel mode.
#include "menus/channel_setup_items.h"

#include "menus/menu.h"

namespace {

#define FIELD(Record, member)                                                                                \
    SetupField { uint8_t(offsetof(Record, member)), setup_field_type<decltype(Record::member)>() }
#define P(member) FIELD(PressureChannelConfig, member)
#define T(member) FIELD(TemperatureChannelConfig, member)
#define C(member) FIELD(CurrentChannelConfig, member)
#define V(member) FIELD(VoltsChannelConfig, member)
#define IS(Record, member, v)                                                                                \
    SetupCondition { true, uint8_t(offsetof(Record, member)), v }

constexpr SetupCondition always{false, 0, 0};
constexpr SetupField no_field{0, FIELD_NONE};

// The setup names the third pressure unit apart from plain psi.
const char* const setup_pressure_unit_names[3] = {"bar", "psi", "psi(0.1)"};

constexpr SetupRow choice(const char* label, SetupField field, const char* const* names, uint8_t last,
                          SetupCondition first = always, SetupCondition second = always) {
    return {label, KIND_CHOICE, field, FORMAT_NAME, names, last, LIMITS_FIXED, 0, 0, false, first, second};
}

constexpr SetupRow sender_choice(const char* label, SetupField field) {
    return {label, KIND_SENDER, field, FORMAT_NONE, nullptr, 0, LIMITS_FIXED, 0, 0, false, always, always};
}

constexpr SetupRow unit_choice(const char* label, SetupField field) {
    return {label, KIND_UNIT, field,  FORMAT_NAME, setup_pressure_unit_names, 2, LIMITS_FIXED, 0,
            0,     false,     always, always};
}

constexpr SetupRow on_off(const char* label, SetupField field, const char* const* names) {
    return {label, KIND_SWITCH, field, FORMAT_NAME, names, 1, LIMITS_FIXED, 0, 0, false, always, always};
}

constexpr SetupRow number(const char* label, SetupField field, uint8_t format, uint8_t limits, int16_t lo,
                          int16_t hi, SetupCondition first = always, SetupCondition second = always) {
    return {label, KIND_NUMBER, field, format, nullptr, 0, limits, lo, hi, true, first, second};
}

constexpr SetupRow kind_row(const char* label, uint8_t kind, SetupField field, uint8_t format,
                            SetupCondition first = always) {
    return {label, kind, field, format, nullptr, 0, LIMITS_FIXED, 0, 0, false, first, always};
}

constexpr SetupRow pressure_number(const char* label, SetupField field) {
    return number(label, field, FORMAT_PRESSURE, LIMITS_PRESSURE_UNIT, 1, 0);
}

constexpr SetupRow temperature_number(const char* label, SetupField field) {
    return number(label, field, FORMAT_DEGREES, LIMITS_TEMPERATURE_UNIT, -40, 0);
}

constexpr SetupRow current_number(const char* label, SetupField field) {
    return number(label, field, FORMAT_AMPERES, LIMITS_FIXED, -100, 100);
}

constexpr SetupRow volts_number(const char* label, SetupField field, int16_t lo) {
    return number(label, field, FORMAT_VOLTS, LIMITS_FIXED, lo, 300);
}

constexpr SetupCondition pressure_sender_is(uint8_t v) { return IS(PressureChannelConfig, sender, v); }
constexpr SetupCondition pressure_type_is(uint8_t v) { return IS(PressureChannelConfig, sender_type, v); }

const SetupRow pressure_rows[] = {
    choice("TYPE: ", P(sender_type), pressure_sender_type_names, 2),
    sender_choice("SENDER: ", P(sender)),
    choice("MODEL: ", P(vdo_model), vdo_model_names, 2, pressure_sender_is(SENDER_VDO)),
    kind_row("CALIBRATE SENDER", KIND_OPEN_CALIBRATION, no_field, FORMAT_NONE,
             pressure_sender_is(SENDER_USER)),
    choice("MODEL: ", P(uma_model), uma_model_names, 5, pressure_sender_is(SENDER_UMA_OR_LOOP),
           pressure_type_is(SENDER_TYPE_VOLTAGE)),
    number("PRESS@4mA: ", P(press_at_4ma), FORMAT_PRESSURE_UNSIGNED, LIMITS_PRESSURE_UNIT, 0, 0,
           pressure_sender_is(SENDER_UMA_OR_LOOP), pressure_type_is(SENDER_TYPE_CURRENT)),
    number("PRESS@20mA: ", P(press_at_20ma), FORMAT_PRESSURE_UNSIGNED, LIMITS_PRESSURE_UNIT, 0, 0,
           pressure_sender_is(SENDER_UMA_OR_LOOP), pressure_type_is(SENDER_TYPE_CURRENT)),
    // The 0.5-4.5V sender reads linearly up to the pressure it gives at 4.5 V,
    // which is kept in press_at_20ma; this item sets it, shown and edited like
    // "PRESS@20mA: " (a longer label would push the value off the screen).
    number("PRESS@4.5V: ", P(press_at_20ma), FORMAT_PRESSURE_UNSIGNED, LIMITS_PRESSURE_UNIT, 0, 0,
           pressure_sender_is(SENDER_RATIOMETRIC)),
    kind_row("LABEL: ", KIND_TEXT, P(label), FORMAT_NONE),
    unit_choice("UNIT: ", P(unit)),
    pressure_number("DISPLAY MAX: ", P(display_max)),
    pressure_number("DISPLAY MIN: ", P(display_min)),
    on_off("HIGH ALARM: ", P(high_alarm_on), switch_state_names),
    pressure_number("HIGH ALARM: ", P(high_alarm)),
    pressure_number("HIGH CAUTION: ", P(high_caution)),
    pressure_number("LOW CAUTION: ", P(low_caution)),
    on_off("LOW ALARM: ", P(low_alarm_on), switch_state_names),
    pressure_number("LOW ALARM: ", P(low_alarm)),
    on_off("DATA: ", P(data_source), data_source_names),
    kind_row("ZOLT ADDRESS: ", KIND_ADDRESS, no_field, FORMAT_ADDRESS,
             IS(PressureChannelConfig, data_source, 1)),
};

const SetupRow temperature_rows[] = {
    choice("SENDER: ", T(sender), temperature_sender_names, 5),
    kind_row("CAL: ", KIND_OFFSET, T(cal_offset), FORMAT_LM335,
             IS(TemperatureChannelConfig, sender, TEMP_SENDER_LM335)),
    kind_row("CALIBRATE SENDER", KIND_OPEN_CALIBRATION, no_field, FORMAT_NONE,
             IS(TemperatureChannelConfig, sender, TEMP_SENDER_USER)),
    kind_row("LABEL: ", KIND_TEXT, T(label), FORMAT_NONE),
    on_off("TEMP UNIT: ", T(unit), temperature_unit_names),
    temperature_number("DISPLAY MAX: ", T(display_max)),
    temperature_number("DISPLAY MIN: ", T(display_min)),
    on_off("HIGH ALARM: ", T(high_alarm_on), switch_state_names),
    temperature_number("HIGH ALARM: ", T(high_alarm)),
    temperature_number("HIGH CAUTION: ", T(high_caution)),
    temperature_number("LOW CAUTION: ", T(low_caution)),
    on_off("LOW ALARM: ", T(low_alarm_on), switch_state_names),
    temperature_number("LOW ALARM: ", T(low_alarm)),
    on_off("DATA: ", T(data_source), data_source_names),
    kind_row("ZOLT ADDRESS: ", KIND_ADDRESS, no_field, FORMAT_ADDRESS,
             IS(TemperatureChannelConfig, data_source, 1)),
};

const SetupRow current_rows[] = {
    kind_row("LABEL: ", KIND_TEXT, C(label), FORMAT_NONE),
    current_number("DISPLAY MAX: ", C(display_max)),
    current_number("DISPLAY MIN: ", C(display_min)),
    on_off("HIGH ALARM: ", C(high_alarm_on), switch_state_names),
    current_number("HIGH ALARM: ", C(high_alarm)),
    current_number("HIGH CAUTION: ", C(high_caution)),
    current_number("LOW CAUTION: ", C(low_caution)),
    on_off("LOW ALARM: ", C(low_alarm_on), switch_state_names),
    current_number("LOW ALARM: ", C(low_alarm)),
    kind_row("ZERO SENSOR", KIND_OPEN_ZEROING, no_field, FORMAT_NONE),
    number("GAIN: ", C(gain), FORMAT_GAIN, LIMITS_FIXED, 1, 1000),
    on_off("DATA: ", C(data_source), data_source_names),
    kind_row("ZOLT ADDRESS: ", KIND_ADDRESS, no_field, FORMAT_ADDRESS,
             IS(CurrentChannelConfig, data_source, 1)),
};

const SetupRow volts_rows[] = {
    kind_row("LABEL: ", KIND_TEXT, V(label), FORMAT_NONE),
    volts_number("DISPLAY MAX: ", V(display_max), 100),
    volts_number("DISPLAY MIN: ", V(display_min), 0),
    on_off("HIGH ALARM: ", V(high_alarm_on), switch_state_names),
    volts_number("HIGH ALARM: ", V(high_alarm), 100),
    volts_number("HIGH CAUTION: ", V(high_caution), 100),
    volts_number("LOW CAUTION: ", V(low_caution), 0),
    on_off("LOW ALARM: ", V(low_alarm_on), switch_state_names),
    volts_number("LOW ALARM: ", V(low_alarm), 0),
    kind_row("CAL: ", KIND_TRIM, no_field, FORMAT_TRIM),
};

template <size_t N> constexpr uint8_t count_of(const SetupRow (&)[N]) { return uint8_t(N); }

const SetupTable mode_tables[4] = {
    {pressure_rows, count_of(pressure_rows), STEP_LABEL_PRESSURE_UNIT,
     uint8_t(offsetof(PressureChannelConfig, unit))},
    {temperature_rows, count_of(temperature_rows), 1, uint8_t(offsetof(TemperatureChannelConfig, unit))},
    {current_rows, count_of(current_rows), 1, 0},
    {volts_rows, count_of(volts_rows), 2, 0},
};

} // namespace

const SetupTable* setup_table_for_mode(uint8_t mode) {
    if (mode < MODE_PRESSURE || mode > MODE_VOLTS) return nullptr;
    return &mode_tables[mode - MODE_PRESSURE];
}

// selected_channel is only ever 0..3; anything else is read as channel 4 so
// that no table is indexed out of range.
uint8_t setup_channel() { return selected_channel < CHANNEL_COUNT ? selected_channel : CHANNEL_COUNT - 1; }

PressureChannelConfig& setup_pressure_record() {
    return selected_pressure_config ? *selected_pressure_config : channel_settings.pressure[setup_channel()];
}

TemperatureChannelConfig& setup_temperature_record() {
    return selected_temperature_config ? *selected_temperature_config
                                       : channel_settings.temperature[setup_channel()];
}

CurrentChannelConfig& setup_current_record() {
    return selected_current_config ? *selected_current_config : channel_settings.current[setup_channel()];
}

VoltsChannelConfig& setup_volts_record() {
    return selected_volts_config ? *selected_volts_config : channel_settings.volts[setup_channel()];
}

int16_t pressure_unit_max(uint8_t unit) {
    static const int16_t unit_max[3] = {100, 150, 999};
    return unit < 3 ? unit_max[unit] : 999;
}
