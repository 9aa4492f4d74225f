// The item tables of the channel setup screen: one row per item that a mode
// can show, walked in order by the screen. A row names its label, how the keys
// act on it (its kind), the record field it edits, how its value is written
// and the condition on the record under which it appears.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "measurement/settings.h"

enum SetupItemKind : uint8_t {
    KIND_MODE,             // channel_mode, 0..4
    KIND_CHOICE,           // a field 0..last_choice
    KIND_SENDER,           // the pressure sender within the range of its type
    KIND_UNIT,             // the pressure unit, then clamp_pressure_limits
    KIND_SWITCH,           // a flag 0/1
    KIND_ADDRESS,          // zolt_address 0..3
    KIND_NUMBER,           // a number lo..hi, wrapping to the other limit
    KIND_OFFSET,           // the LM335 offset -30..30
    KIND_TRIM,             // volts_cal_percent 50..150
    KIND_TEXT,             // the label, one character at a time
    KIND_OPEN_CALIBRATION, // a line that opens the sender calibration
    KIND_OPEN_ZEROING,     // a line that opens the current-sensor zeroing
};

enum SetupValueFormat : uint8_t {
    FORMAT_NONE,
    FORMAT_NAME,              // names[value]
    FORMAT_PRESSURE,          // "%.1f " of tenths, "%d " in whole psi
    FORMAT_PRESSURE_UNSIGNED, // "%.1f " of tenths, "%u " in whole psi
    FORMAT_DEGREES,           // "%d"
    FORMAT_AMPERES,           // "%dA"
    FORMAT_VOLTS,             // "%.1f" of tenths
    FORMAT_LM335,             // "%+d %d°C" of the offset and the Celsius reading
    FORMAT_GAIN,              // "%d %.1fA" or "%d %dA" with the live current
    FORMAT_TRIM,              // "%d%% %.1fV" with the live supply voltage
    FORMAT_ADDRESS,           // "%d" of zolt_address + 1
};

enum SetupLimits : uint8_t {
    LIMITS_FIXED,            // lo..hi as given
    LIMITS_PRESSURE_UNIT,    // lo..unit_max of the pressure unit
    LIMITS_TEMPERATURE_UNIT, // lo..300 in Celsius, lo..570 in Fahrenheit
};

enum SetupFieldType : uint8_t { FIELD_NONE, FIELD_U8, FIELD_I8, FIELD_I16, FIELD_U16 };

struct SetupField {
    uint8_t offset; // byte offset in the record
    uint8_t type;   // SetupFieldType
};

// An item shows only while the record's byte at offset equals value.
struct SetupCondition {
    bool active;
    uint8_t offset;
    uint8_t value;
};

struct SetupRow {
    const char* label;
    uint8_t kind; // SetupItemKind
    SetupField field;
    uint8_t format;           // SetupValueFormat
    const char* const* names; // choice and switch names
    uint8_t last_choice;      // choices run 0..last_choice
    uint8_t limits;           // SetupLimits
    int16_t lo;
    int16_t hi;
    bool step_label; // the right soft-key cell shows edit_step
    SetupCondition first;
    SetupCondition second;
};

// 0xFF: the step label kind is the pressure record's unit.
constexpr uint8_t STEP_LABEL_PRESSURE_UNIT = 0xFF;

struct SetupTable {
    const SetupRow* rows;
    uint8_t row_count;
    uint8_t step_label_kind;
    uint8_t unit_offset; // of the unit field (pressure and temperature limits)
};

// The rows of channel_mode 1..4; nullptr for mode 0 and anything out of range.
const SetupTable* setup_table_for_mode(uint8_t mode);

// The first item of every list, before the rows of the table: the channel's
// mode (on channels 1 and 2 it reads as the oil gauge's switch while the
// ZOLT unit supplies that gauge).
constexpr const char* SETUP_MODE_LABEL = "MODE: ";
// The row of list item item as the current settings list the items; nullptr
// for the mode item (0) and past the last item.
const SetupRow* channel_setup_row_of_item(uint8_t item);

// The records the screen edits: the selected references as the main menu set
// them, or the channel's own records when a reference was never set.
uint8_t setup_channel();
PressureChannelConfig& setup_pressure_record();
TemperatureChannelConfig& setup_temperature_record();
CurrentChannelConfig& setup_current_record();
VoltsChannelConfig& setup_volts_record();

// unit_max of a pressure unit: 100, 150 or 999 (999 for a unit out of range).
int16_t pressure_unit_max(uint8_t unit);

template <typename T> constexpr uint8_t setup_field_type() {
    if constexpr (std::is_same_v<T, uint8_t>)
        return FIELD_U8;
    else if constexpr (std::is_same_v<T, int8_t>)
        return FIELD_I8;
    else if constexpr (std::is_same_v<T, int16_t>)
        return FIELD_I16;
    else if constexpr (std::is_same_v<T, uint16_t>)
        return FIELD_U16;
    else
        return FIELD_NONE;
}
