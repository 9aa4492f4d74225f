#include "display/palette.h"

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

// Index 16 + ... : a cube of 14 red, 5 green and 3 blue levels without its black
// and white corners, so index 15 + 15 r + 3 g + b for level numbers r, g, b.
constexpr uint32_t RED_LEVELS[14] = {0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220, 240, 255};
constexpr uint32_t GREEN_LEVELS[5] = {0, 64, 128, 192, 255};
constexpr uint32_t BLUE_LEVELS[3] = {0, 128, 255};

constexpr std::array<uint32_t, PALETTE_SIZE> make_palette() {
    std::array<uint32_t, PALETTE_SIZE> p{};
    const uint32_t base[16] = {
        rgb(0, 0, 0),       rgb(165, 42, 42), rgb(0, 128, 0),   rgb(80, 64, 0),
        rgb(0, 0, 128),     rgb(80, 0, 128),  rgb(0, 128, 128), rgb(85, 85, 85),
        rgb(170, 170, 170), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
        rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255),
    };
    for (int i = 0; i < 16; ++i) p[i] = base[i];
    for (int r = 0; r < 14; ++r)
        for (int g = 0; g < 5; ++g)
            for (int b = 0; b < 3; ++b) {
                const int index = 15 + 15 * r + 3 * g + b;
                if (index >= 16 && index <= 223)
                    p[index] = rgb(RED_LEVELS[r], GREEN_LEVELS[g], BLUE_LEVELS[b]);
            }
    for (int i = 224; i <= 237; ++i) {
        const uint32_t v = 32 + 16 * static_cast<uint32_t>(i - 224);
        p[i] = rgb(v, v, v);
    }
    const uint32_t tints[8] = {
        rgb(200, 150, 150), rgb(211, 165, 165), rgb(217, 179, 179), rgb(229, 194, 194),
        rgb(239, 213, 213), rgb(247, 231, 231), rgb(245, 250, 250), rgb(252, 253, 253),
    };
    for (int i = 0; i < 8; ++i) p[238 + i] = tints[i];
    return p;
}

} // namespace

const std::array<uint32_t, PALETTE_SIZE> lcd_palette = make_palette();
