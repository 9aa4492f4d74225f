// The conditions of expect and wait-for, checked against the instrument as it
// is after the current pass: the texts and pixels of the last frame, the lamp,
// the screen, the page, the readings and the alarm flags.
#pragma once

#include <cstdint>
#include <string>

#include "runner/play/driver.h"
#include "runner/scenario/scenario.h"

// Whether the condition holds; if not, found says what was there instead.
bool condition_holds(const Condition& condition, const Driver& driver, std::string& found);
// The texts of the last frame, with their colours, sizes and places (for
// failures and -v).
std::string drawn_texts();
// The texts the last frame still shows, in drawing order, as a screen reader
// would read them (the report's text for a picture).
std::string shown_texts();
// What the condition asks for, in words.
std::string describe(const Condition& condition);
// A channel's reading (0..3) in the scale its display uses, as the reading
// condition compares it; false while the channel is off.
bool channel_reading(int channel, int32_t& value);
// Whether the screen still shows drawing i of the text record at the end of
// the frame; the one rule every text condition follows.
bool text_shown(int i);
// Whether drawing i has the colour, size and place the condition asks for.
bool text_options_match(int i, const Condition& condition);
