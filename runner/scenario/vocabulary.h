// The readable names a scenario uses for screens and pages, each a table that
// the loader, the conditions and the docs share; those of keys, modes and
// inputs are the front panel's (panel_names.h).
#pragma once

#include <cstdint>
#include <string>

#include "host/panel/device.h"
#include "host/panel/panel_names.h"
#include "measurement/settings.h"

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
