// Reading and writing PNG pictures of frame buffers, for the tests and sheets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width * height * 3 bytes, rows top first
};

// The current frame buffer through the palette (indices without a colour map
// to magenta so that they stand out).
RgbImage frame_to_image();
// A picture of any index buffer of the given size.
RgbImage indices_to_image(const uint8_t* indices, int width, int height, int scale = 1);

bool write_png(const std::string& path, const RgbImage& image);
bool read_png(const std::string& path, RgbImage& image);

// Directory for pictures that tests write (sheets, actual and diff images).
std::string test_output_dir();
