// Channel settings, sender curves, name tables and calibration values.
//
// Index 0..3 is channel 1..4 everywhere. All values are stored in the scale of
// the record's unit and are never converted when the unit changes.
#pragma once

#include <cstdint>

enum : uint8_t {
    MODE_OFF = 0,
    MODE_PRESSURE = 1,
    MODE_TEMPERATURE = 2,
    MODE_CURRENT = 3,
    MODE_VOLTS = 4,
};
// Modes 0..MODE_VOLTS: what a mode slider can set.
constexpr uint8_t MODE_COUNT = MODE_VOLTS + 1;

// The instrument's channels; index 0..3 is channel 1..4.
constexpr uint8_t CHANNEL_COUNT = 4;

// A label is 4 characters and a terminating zero in a zero-filled field.
constexpr int LABEL_SIZE = 5;

struct SenderPoint {
    int16_t value; // display value, in the unit of the reading it produces
    int16_t raw;   // ADC counts
};

struct SenderCurve {
    uint8_t point_count; // valid points, 2..16 when set by the menus
    uint8_t reserved;
    SenderPoint points[16];
};

// PressureChannelConfig::sender_type.
enum : uint8_t {
    SENDER_TYPE_RESISTIVE = 0,
    SENDER_TYPE_VOLTAGE = 1,
    SENDER_TYPE_CURRENT = 2,
};
constexpr uint8_t SENDER_TYPE_COUNT = 3;

// PressureChannelConfig::sender; which ones a type offers is in PRESSURE_SENDER_TYPES.
enum : uint8_t {
    SENDER_VDO = 0,
    SENDER_USER = 1,
    SENDER_UMA_OR_LOOP = 2, // UMA with a voltage type, 4-20mA with a current type
    SENDER_RATIOMETRIC = 3, // 0.5-4.5V
};

// PressureChannelConfig::unit.
enum : uint8_t {
    PRESSURE_UNIT_BAR = 0,       // 0.1 bar
    PRESSURE_UNIT_PSI = 1,       // whole psi
    PRESSURE_UNIT_TENTH_PSI = 2, // 0.1 psi
};

// TemperatureChannelConfig::sender, an index into temperature_sender_names.
enum : uint8_t {
    TEMP_SENDER_LM335 = 2,
    TEMP_SENDER_USER = 3,
};

// TemperatureChannelConfig::unit.
enum : uint8_t {
    TEMP_UNIT_CELSIUS = 0,
    TEMP_UNIT_FAHRENHEIT = 1,
};

// The senders each pressure sender type offers, first to last, with their
// names; one table for the range rule, the stepping and the names.
struct PressureSenderType {
    uint8_t first;
    uint8_t last;
    bool corrects_above;  // a sender above last is brought back to first (VOLTAGE keeps it)
    const char* names[4]; // by sender value; entries the type does not offer are unused
};
extern const PressureSenderType PRESSURE_SENDER_TYPES[SENDER_TYPE_COUNT];
// The sender brought into the range of its type (an unknown type keeps it).
uint8_t sender_in_range(uint8_t sender_type, uint8_t sender);

struct PressureChannelConfig {
    uint8_t sender_type; // SENDER_TYPE_*
    uint8_t sender;      // SENDER_*
    uint8_t unit;        // PRESSURE_UNIT_*
    uint8_t vdo_model;   // 0 2 bar, 1 5 bar, 2 10 bar
    uint8_t uma_model;   // index into uma_model_names
    char label[LABEL_SIZE];
    int16_t press_at_4ma;
    int16_t press_at_20ma;
    int16_t display_max;
    int16_t display_min;
    int16_t low_alarm;
    uint8_t low_alarm_on;
    int16_t high_alarm;
    int16_t low_caution;
    int16_t high_caution;
    uint8_t high_alarm_on;
    uint8_t data_source; // 0 INTERNAL, 1 ZOLT
    SenderCurve user_curve;
};

struct TemperatureChannelConfig {
    uint8_t sender; // index into temperature_sender_names
    uint8_t unit;   // TEMP_UNIT_*
    char label[LABEL_SIZE];
    int8_t cal_offset; // degrees added to the LM335 reading
    int16_t display_max;
    int16_t display_min;
    int16_t low_alarm;
    uint8_t low_alarm_on;
    int16_t high_alarm;
    int16_t low_caution;
    int16_t high_caution;
    uint8_t high_alarm_on;
    uint8_t data_source;
    SenderCurve user_curve;
};

struct CurrentChannelConfig {
    char label[LABEL_SIZE];
    int16_t display_max; // whole amperes
    int16_t display_min;
    int16_t low_alarm;
    uint8_t low_alarm_on;
    int16_t high_alarm;
    int16_t low_caution;
    int16_t high_caution;
    uint8_t high_alarm_on;
    int16_t gain;
    uint8_t data_source;
};

struct VoltsChannelConfig {
    char label[LABEL_SIZE];
    int16_t display_max; // 0.1 V
    int16_t display_min;
    uint16_t low_alarm;
    uint16_t high_alarm;
    uint8_t low_alarm_on;
    uint8_t high_alarm_on;
    uint16_t low_caution;
    uint16_t high_caution;
};

struct ChannelSettings {
    uint8_t channel_mode[CHANNEL_COUNT];
    PressureChannelConfig pressure[CHANNEL_COUNT];
    TemperatureChannelConfig temperature[CHANNEL_COUNT];
    CurrentChannelConfig current[CHANNEL_COUNT];
    VoltsChannelConfig volts[CHANNEL_COUNT];
    uint8_t zolt_address; // 0..3, shown as 1..4
};

extern ChannelSettings channel_settings;
// The names the rest of the instrument uses for two of its fields.
inline uint8_t (&channel_mode)[CHANNEL_COUNT] = channel_settings.channel_mode;
inline uint8_t& zolt_address = channel_settings.zolt_address;

// Device-wide settings that the defaults also reset.
extern uint8_t backlight_level; // percent, 10..100
extern uint8_t security_on;     // 1 while the menus are guarded by the code
extern uint16_t security_code;  // 0..9999
extern uint8_t display_page;    // run screen page 0..3
constexpr uint16_t FACTORY_SECURITY_CODE = 6381;

// Calibration values, set by reset_calibration only.
extern uint16_t current_zero[CHANNEL_COUNT]; // zero point in 1/16 ADC counts
extern uint8_t volts_cal_percent;            // supply trim, 50..150

// Built-in sender curves.
extern const SenderCurve orv_ntc_curve;
extern const SenderCurve vdo150_curve;
extern const SenderCurve westach_curve;
extern const SenderCurve vdo120_curve;
extern const SenderCurve vdo_2bar_curve;
extern const SenderCurve vdo_2bar_ch2_curve;
extern const SenderCurve vdo_5bar_curve;
extern const SenderCurve vdo_5bar_ch2_curve;
extern const SenderCurve vdo_10bar_curve;
extern const SenderCurve vdo_10bar_ch2_curve;
extern const SenderCurve uma_t1eu07_curve;
extern const SenderCurve uma_t1eu35_curve;
extern const SenderCurve uma_n1eu07_curve;
extern const SenderCurve uma_n1eu35_curve;
extern const SenderCurve uma_n1eu100_curve;

// Name tables; the index is the stored value.
extern const char* const channel_mode_names[5];
extern const char* const pressure_sender_type_names[3];
extern const char* const vdo_model_names[3];
extern const char* const uma_model_names[6];
extern const char* const pressure_unit_names[3];
extern const char* const temperature_sender_names[6];
extern const char* const temperature_unit_names[2];
extern const char* const data_source_names[2];
extern const char* const switch_state_names[2];

void load_default_settings();
// Settings and calibration as at program start, before any power-on: all 0.
void settings_reset();
void reset_calibration();

// Notification hooks; they have no effect in the simulator.
void settings_changed();
void channel_setup_changed();
void min_max_changed();
