// An RGB picture, rows top first: what the front JPEG decodes to and what
// every PNG of the project holds.
#pragma once

#include <cstdint>
#include <vector>

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // width * height * 3 bytes, rows top first
};
