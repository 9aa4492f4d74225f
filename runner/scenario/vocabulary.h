// The readable names a scenario uses for keys, modes, screens, pages and
// inputs, each a table that the loader, the conditions and the docs share.
#pragma once

#include <cstdint>
#include <string>

#include "host/panel/device.h"
#include "measurement/settings.h"

struct KeyName {
    const char* name;
    uint8_t code;
};
inline constexpr KeyName KEY_NAMES[] = {
    {"left", KEY_LEFT}, {"right", KEY_RIGHT}, {"knob", KEY_PUSH}, {"up", KEY_UP}, {"down", KEY_DOWN},
};

// Modes in the order of their values 0..4.
inline constexpr const char* MODE_NAMES[] = {"off", "pressure", "temperature", "current", "volts"};
static_assert(sizeof MODE_NAMES / sizeof MODE_NAMES[0] == MODE_COUNT, "a name for every mode");

// Raw inputs: the four channels, then the supply voltage.
inline constexpr const char* INPUT_NAMES[] = {"ch1", "ch2", "ch3", "ch4", "volts"};

// Run-screen pages in the order of display_page.
inline constexpr const char* PAGE_NAMES[] = {"hbar", "vbar", "digital", "min-max"};

// Screens by name, grouped from the instrument's screen table (several
// handlers can share one name: the code entry steps, the messages).
constexpr int MAX_HANDLERS_PER_NAME = 4;
constexpr int MAX_SCREEN_NAMES = 32;
struct ScreenName {
    const char* name;
    ScreenHandler handlers[MAX_HANDLERS_PER_NAME];
};
extern const ScreenName* const SCREEN_NAMES;
extern const int SCREEN_NAME_COUNT;

// The index of name in a table of names, or -1.
int index_of_name(const char* const* names, int count, const char* name);

// The instrument's texts are single bytes (the degree sign is 176); scenario
// files and messages are UTF-8. False if the text holds a character above 255.
bool utf8_to_latin1(const std::string& utf8, std::string& latin1);
std::string latin1_to_utf8(const char* latin1);
