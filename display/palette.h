// The 246-entry colour palette of the display, each entry 0x00RRGGBB. Index 0 is
// the only black entry; indices above 245 have no colour.
#pragma once

#include <array>
#include <cstdint>

constexpr int PALETTE_SIZE = 246;
extern const std::array<uint32_t, PALETTE_SIZE> lcd_palette;

// What every host shows for an index without a colour: an unlit pixel.
constexpr uint32_t NO_COLOUR_RGB = 0x000000;
inline uint32_t palette_rgb(uint8_t index) {
    return index < PALETTE_SIZE ? lcd_palette[index] : NO_COLOUR_RGB;
}
