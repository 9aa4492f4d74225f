// The instrument's five 50 by 50 pictures, in the run-length image format.
#pragma once

#include <cstdint>

extern const uint8_t icon_warning[];
extern const uint8_t icon_question[];
extern const uint8_t icon_channel[];
extern const uint8_t icon_misc[];
extern const uint8_t icon_values[];
