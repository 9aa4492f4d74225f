// The raw input that gives a wanted reading, worked out through the
// instrument's own conversion as the channel is set up now.
#pragma once

#include <cstdint>
#include <string>

// The raw value (0..RAW_MAXIMUM) of input 0..3 (a channel, through its mode)
// or 4 (the supply, through the volts conversion) whose reading is wanted, in
// the scale of the reading condition. Where a run of raw values gives it, the
// middle of the run. False with why (the nearest readings on either side and
// their raw values) where none does or the input cannot give a reading.
bool raw_for_reading(int input, int32_t wanted, uint16_t& raw, std::string& why);
