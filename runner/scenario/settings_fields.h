// The instrument's settings by their own names, with the type and range of
// each: one table for the settings fixture's load-time checks, its writes and
// the docs. A fixture writes them as the menus would have left them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "measurement/settings.h"

enum class SettingsRecord : uint8_t { pressure, temperature, current, volts, channel, device };
// The records' names as a scenario gives them (channel and device fields
// stand outside any record).
inline constexpr const char* SETTINGS_RECORD_NAMES[] = {"pressure", "temperature", "current", "volts"};

enum class FieldType : uint8_t { u8, i8, i16, u16, flag, label, curve, mode };

struct SettingsField {
    SettingsRecord record;
    const char* name;
    FieldType type;
    std::size_t offset; // in the record; for device fields unused
    int32_t low;        // the range the menus allow (the defaults where they lie outside it)
    int32_t high;
    void* device; // device fields: the variable
};
extern const SettingsField SETTINGS_FIELDS[];
extern const int SETTINGS_FIELD_COUNT;

// One field's value to write, checked against its range when loaded.
struct SettingWrite {
    int field = 0;   // index into SETTINGS_FIELDS
    int channel = 0; // 0..3; unused for device fields
    int32_t value = 0;
    char label[LABEL_SIZE] = {};
    SenderCurve curve{};
};

// Writes it into the instrument's settings.
void write_setting(const SettingWrite& w);

// The Markdown table of the fields for the docs.
std::string settings_table();
