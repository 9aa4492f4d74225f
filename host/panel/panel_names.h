// The words for the front panel's keys, modes and inputs: what a scenario and
// the page's address write, and what the window's tooltips and the page's
// labels say. Every host reads them here (the page through its C API), so a
// key is called the same everywhere.
#pragma once

#include <cstdint>

#include "host/panel/device.h"
#include "host/panel/front_panel.h"
#include "measurement/settings.h"

struct KeyName {
    const char* name;   // the one word for the key: scenarios, Python, the page
    uint8_t code;       // its code for front_panel_click()
    const char* label;  // what a screen reader calls the control
    const char* action; // what a click does, the start of its tooltip
};
inline constexpr KeyName KEY_NAMES[] = {
    {"left", KEY_LEFT, "F1", "Left key F1"},
    {"right", KEY_RIGHT, "F2", "Right key F2"},
    {"knob", KEY_PUSH, "Push the knob", "Push the knob"},
    {"up", KEY_UP, "Knob +", "Turn the knob up"},
    {"down", KEY_DOWN, "Knob -", "Turn the knob down"},
};
inline constexpr int KEY_NAME_COUNT = sizeof KEY_NAMES / sizeof KEY_NAMES[0];
static_assert(KEY_NAME_COUNT == KEY_LAST - KEY_FIRST + 1, "a name for every key");

// The entry of a key code (KEY_FIRST..KEY_LAST).
constexpr const KeyName& key_name(uint8_t code) {
    for (const KeyName& key : KEY_NAMES)
        if (key.code == code) return key;
    return KEY_NAMES[0];
}

// Modes in the order of their values 0..MODE_COUNT - 1.
inline constexpr const char* MODE_NAMES[] = {"off", "pressure", "temperature", "current", "volts"};
static_assert(sizeof MODE_NAMES / sizeof MODE_NAMES[0] == MODE_COUNT, "a name for every mode");
// A mode slider's caption and the start of its title, each followed by its
// channel's number.
inline constexpr const char* MODE_SLIDER_CAPTION = "Channel";
inline constexpr const char* MODE_SLIDER_TITLE = "Mode of channel";

// Raw inputs in the front panel's order: the channels, then the supply
// voltage. The name is a scenario's and the page address's; the caption is
// the slider's; the title says what it stands for.
inline constexpr const char* INPUT_NAMES[] = {"ch1", "ch2", "ch3", "ch4", "volts"};
inline constexpr const char* INPUT_CAPTIONS[] = {"CH 1", "CH 2", "CH 3", "CH 4", "Volts"};
inline constexpr const char* INPUT_TITLES[] = {"Raw reading of channel 1", "Raw reading of channel 2",
                                               "Raw reading of channel 3", "Raw reading of channel 4",
                                               "Raw supply-voltage reading"};
static_assert(sizeof INPUT_NAMES / sizeof INPUT_NAMES[0] == RAW_INPUT_COUNT, "a name for every input");
static_assert(sizeof INPUT_CAPTIONS / sizeof INPUT_CAPTIONS[0] == RAW_INPUT_COUNT,
              "a caption for every input");
static_assert(sizeof INPUT_TITLES / sizeof INPUT_TITLES[0] == RAW_INPUT_COUNT, "a title for every input");
