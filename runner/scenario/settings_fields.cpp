#include "runner/scenario/settings_fields.h"

#include <cstring>

#include "host/panel/front_panel.h"

namespace {

using R = SettingsRecord;
using T = FieldType;

#define P(field) offsetof(PressureChannelConfig, field)
#define TE(field) offsetof(TemperatureChannelConfig, field)
#define C(field) offsetof(CurrentChannelConfig, field)
#define V(field) offsetof(VoltsChannelConfig, field)

// Pressure values may reach 999, the largest unit's maximum (0.1 psi); the
// menus allow less in the other units, but a fixture sets the unit too and
// the fields may come in any order.
constexpr int32_t PRESSURE_TOP = 999;

} // namespace

const SettingsField SETTINGS_FIELDS[] = {
    {R::pressure, "sender_type", T::u8, P(sender_type), 0, SENDER_TYPE_COUNT - 1, nullptr},
    {R::pressure, "sender", T::u8, P(sender), 0, SENDER_RATIOMETRIC, nullptr},
    {R::pressure, "unit", T::u8, P(unit), 0, PRESSURE_UNIT_TENTH_PSI, nullptr},
    {R::pressure, "vdo_model", T::u8, P(vdo_model), 0, 2, nullptr},
    {R::pressure, "uma_model", T::u8, P(uma_model), 0, 5, nullptr},
    {R::pressure, "label", T::label, P(label), 0, 0, nullptr},
    {R::pressure, "press_at_4ma", T::i16, P(press_at_4ma), 0, PRESSURE_TOP, nullptr},
    {R::pressure, "press_at_20ma", T::i16, P(press_at_20ma), 0, PRESSURE_TOP, nullptr},
    {R::pressure, "display_max", T::i16, P(display_max), 1, PRESSURE_TOP, nullptr},
    {R::pressure, "display_min", T::i16, P(display_min), 0, PRESSURE_TOP, nullptr},
    {R::pressure, "low_alarm", T::i16, P(low_alarm), 1, PRESSURE_TOP, nullptr},
    {R::pressure, "low_alarm_on", T::flag, P(low_alarm_on), 0, 1, nullptr},
    {R::pressure, "high_alarm", T::i16, P(high_alarm), 1, PRESSURE_TOP, nullptr},
    {R::pressure, "low_caution", T::i16, P(low_caution), 1, PRESSURE_TOP, nullptr},
    {R::pressure, "high_caution", T::i16, P(high_caution), 1, PRESSURE_TOP, nullptr},
    {R::pressure, "high_alarm_on", T::flag, P(high_alarm_on), 0, 1, nullptr},
    {R::pressure, "data_source", T::u8, P(data_source), 0, 1, nullptr},
    {R::pressure, "user_curve", T::curve, P(user_curve), 0, 0, nullptr},
    {R::temperature, "sender", T::u8, TE(sender), 0, 5, nullptr},
    {R::temperature, "unit", T::u8, TE(unit), 0, TEMP_UNIT_FAHRENHEIT, nullptr},
    {R::temperature, "label", T::label, TE(label), 0, 0, nullptr},
    {R::temperature, "cal_offset", T::i8, TE(cal_offset), -30, 30, nullptr},
    {R::temperature, "display_max", T::i16, TE(display_max), -40, 570, nullptr},
    {R::temperature, "display_min", T::i16, TE(display_min), -40, 570, nullptr},
    {R::temperature, "low_alarm", T::i16, TE(low_alarm), -40, 570, nullptr},
    {R::temperature, "low_alarm_on", T::flag, TE(low_alarm_on), 0, 1, nullptr},
    {R::temperature, "high_alarm", T::i16, TE(high_alarm), -40, 570, nullptr},
    {R::temperature, "low_caution", T::i16, TE(low_caution), -40, 570, nullptr},
    {R::temperature, "high_caution", T::i16, TE(high_caution), -40, 570, nullptr},
    {R::temperature, "high_alarm_on", T::flag, TE(high_alarm_on), 0, 1, nullptr},
    {R::temperature, "data_source", T::u8, TE(data_source), 0, 1, nullptr},
    {R::temperature, "user_curve", T::curve, TE(user_curve), 0, 0, nullptr},
    {R::current, "label", T::label, C(label), 0, 0, nullptr},
    {R::current, "display_max", T::i16, C(display_max), -100, 100, nullptr},
    {R::current, "display_min", T::i16, C(display_min), -100, 100, nullptr},
    {R::current, "low_alarm", T::i16, C(low_alarm), -100, 100, nullptr},
    {R::current, "low_alarm_on", T::flag, C(low_alarm_on), 0, 1, nullptr},
    {R::current, "high_alarm", T::i16, C(high_alarm), -100, 100, nullptr},
    {R::current, "low_caution", T::i16, C(low_caution), -100, 100, nullptr},
    {R::current, "high_caution", T::i16, C(high_caution), -100, 100, nullptr},
    {R::current, "high_alarm_on", T::flag, C(high_alarm_on), 0, 1, nullptr},
    {R::current, "gain", T::i16, C(gain), 1, 1000, nullptr},
    {R::current, "data_source", T::u8, C(data_source), 0, 1, nullptr},
    {R::volts, "label", T::label, V(label), 0, 0, nullptr},
    {R::volts, "display_max", T::i16, V(display_max), 100, 300, nullptr},
    {R::volts, "display_min", T::i16, V(display_min), 0, 300, nullptr},
    {R::volts, "low_alarm", T::u16, V(low_alarm), 0, 300, nullptr},
    {R::volts, "high_alarm", T::u16, V(high_alarm), 100, 300, nullptr},
    {R::volts, "low_alarm_on", T::flag, V(low_alarm_on), 0, 1, nullptr},
    {R::volts, "high_alarm_on", T::flag, V(high_alarm_on), 0, 1, nullptr},
    {R::volts, "low_caution", T::u16, V(low_caution), 0, 300, nullptr},
    {R::volts, "high_caution", T::u16, V(high_caution), 100, 300, nullptr},
    {R::channel, "channel_mode", T::mode, 0, 0, MODE_COUNT - 1, nullptr},
    {R::device, "zolt_address", T::u8, 0, 0, 3, &channel_settings.zolt_address},
    {R::device, "display_page", T::u8, 0, 0, 3, &display_page},
    {R::device, "backlight_level", T::u8, 0, 10, 100, &backlight_level},
    {R::device, "security_on", T::flag, 0, 0, 1, &security_on},
    {R::device, "security_code", T::u16, 0, 0, 9999, &security_code},
    {R::device, "volts_cal_percent", T::u8, 0, 50, 150, &volts_cal_percent},
};
const int SETTINGS_FIELD_COUNT = sizeof SETTINGS_FIELDS / sizeof SETTINGS_FIELDS[0];

void write_setting(const SettingWrite& w) {
    const SettingsField& f = SETTINGS_FIELDS[w.field];
    unsigned char* at = static_cast<unsigned char*>(f.device);
    switch (f.record) {
    case R::pressure:
        at = reinterpret_cast<unsigned char*>(&channel_settings.pressure[w.channel]) + f.offset;
        break;
    case R::temperature:
        at = reinterpret_cast<unsigned char*>(&channel_settings.temperature[w.channel]) + f.offset;
        break;
    case R::current:
        at = reinterpret_cast<unsigned char*>(&channel_settings.current[w.channel]) + f.offset;
        break;
    case R::volts:
        at = reinterpret_cast<unsigned char*>(&channel_settings.volts[w.channel]) + f.offset;
        break;
    case R::channel:
    case R::device:
        break;
    }
    switch (f.type) {
    case T::u8:
    case T::flag: {
        const auto v = static_cast<uint8_t>(w.value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    case T::i8: {
        const auto v = static_cast<int8_t>(w.value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    case T::i16: {
        const auto v = static_cast<int16_t>(w.value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    case T::u16: {
        const auto v = static_cast<uint16_t>(w.value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    case T::label:
        std::memcpy(at, w.label, LABEL_SIZE);
        break;
    case T::curve:
        std::memcpy(at, &w.curve, sizeof w.curve);
        break;
    case T::mode:
        // The mode slider moves with it, as power-on moves it to the mode loaded.
        front_panel_set_mode(w.channel, w.value);
        break;
    }
}

std::string settings_table() {
    static const char* const WHERE[] = {"`ch1`..`ch4` → `pressure`",
                                        "`ch1`..`ch4` → `temperature`",
                                        "`ch1`..`ch4` → `current`",
                                        "`ch1`..`ch4` → `volts`",
                                        "`ch1`..`ch4`",
                                        "the top"};
    std::string out = "| Where | Fields and their ranges |\n|---|---|\n";
    for (int record = 0; record < 6; ++record) {
        std::string fields;
        for (const SettingsField& f : SETTINGS_FIELDS) {
            if (static_cast<int>(f.record) != record) continue;
            std::string range;
            switch (f.type) {
            case FieldType::flag:
                range = "true or false";
                break;
            case FieldType::label:
                range = "up to " + std::to_string(LABEL_SIZE - 1) + " characters";
                break;
            case FieldType::curve:
                range = "2..16 points `[value, raw]`";
                break;
            case FieldType::mode:
                range = "a mode's name or 0.." + std::to_string(f.high);
                break;
            default:
                range = std::to_string(f.low) + ".." + std::to_string(f.high);
            }
            fields += (fields.empty() ? "" : ", ") + ("`" + std::string(f.name) + "` " + range);
        }
        out += "| " + std::string(WHERE[record]) + " | " + fields + " |\n";
    }
    return out;
}
