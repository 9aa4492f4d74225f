// Pictures of the instrument: the display alone, or the device (the front
// picture with the display set into it where the window shows it), scaled
// nearest-neighbour, as RGB for PNG files or as palette indices for GIFs.
#pragma once

#include <cstdint>
#include <vector>

#include "host/panel/front_geometry.h"
#include "host/panel/jpeg_decode.h"
#include "runner/scenario/scenario.h"

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> index; // one palette index per pixel, rows top first
};

// The 256-entry GIF colour table: the instrument's 246 colours, then black.
// Index 246 marks frame-buffer values without a colour (shown magenta).
constexpr uint8_t NO_COLOUR_INDEX = 246;
uint32_t gif_colour(int index);

// The current frame buffer (or the device around it) as palette indices.
void take_indexed(View view, int scale, IndexedPicture& picture);
// The same picture in RGB.
RgbPicture take_rgb(View view, int scale);
// The RGB colours of an indexed picture.
RgbPicture to_rgb(const IndexedPicture& picture);
