// Pictures of the instrument: the display alone, or the device (the front
// picture with the display set into it where the window shows it), scaled
// nearest-neighbour, as RGB for PNG files or as palette indices for GIFs.
#pragma once

#include <cstdint>
#include <vector>

#include "host/panel/front_geometry.h"
#include "host/panel/jpeg_decode.h"
#include "runner/scenario/scenario.h"

// The indices are the frame buffer's own, so a picture's colours, and a GIF's
// colour table, are palette_rgb() of them.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> index; // one palette index per pixel, rows top first
};

// The current frame buffer (or the device around it) as palette indices.
void take_indexed(View view, int scale, IndexedPicture& picture);
// The same picture in RGB.
RgbPicture take_rgb(View view, int scale);
// The RGB colours of an indexed picture.
RgbPicture to_rgb(const IndexedPicture& picture);
