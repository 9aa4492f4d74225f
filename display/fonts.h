// The nine built-in fonts as byte strings (format described in text.cpp).
#pragma once

#include <cstdint>

extern const uint8_t font_8[];
extern const uint8_t font_9[];
extern const uint8_t font_10[];
extern const uint8_t font_12[];
extern const uint8_t font_16[];
extern const uint8_t font_20[];
extern const uint8_t font_24[];
extern const uint8_t font_30[];
extern const uint8_t font_34[];

// Length in bytes of each font's byte string; the text reader never reads past it.
extern const uint32_t font_8_size;
extern const uint32_t font_9_size;
extern const uint32_t font_10_size;
extern const uint32_t font_12_size;
extern const uint32_t font_16_size;
extern const uint32_t font_20_size;
extern const uint32_t font_24_size;
extern const uint32_t font_30_size;
extern const uint32_t font_34_size;
