// The 246-entry colour palette of the display, each entry 0x00RRGGBB. Index 0 is
// the only black entry; indices above 245 have no colour.
#pragma once

#include <array>
#include <cstdint>

constexpr int PALETTE_SIZE = 246;
extern const std::array<uint32_t, PALETTE_SIZE> lcd_palette;
