// Pictures of the instrument's display and their PNG files, for every host
// and test that writes or compares one: the golden tests, qd5run and the
// Python module. One reader, one writer, one comparison and one diff image.
#pragma once

#include <cstdint>
#include <string>

#include "picture/rgb_picture.h"

// The largest PNG read, in either direction: references are pictures of the
// display or the device, and a bound keeps a hostile file from exhausting memory.
constexpr int LARGEST_PNG_SIDE = 4096;

// Colour indices through the palette, each pixel a scale-by-scale block.
RgbPicture indexed_picture(const uint8_t* indices, int width, int height, int scale = 1);
// The frame buffer as it stands.
RgbPicture frame_picture(int scale = 1);

bool encode_png(const RgbPicture& picture, std::string& bytes);
bool decode_png(const std::string& bytes, RgbPicture& picture);
bool write_png_file(const std::string& path, const RgbPicture& picture);
bool read_png_file(const std::string& path, RgbPicture& picture);

// Pixels that differ, or -1 when the sizes do.
int64_t differing_pixels(const RgbPicture& actual, const RgbPicture& expected);
// Differing pixels red over a dimmed copy of the actual picture.
RgbPicture diff_picture(const RgbPicture& actual, const RgbPicture& expected);
