// Pictures of the instrument: the display alone, or the device (the front
// picture with the display set into it, and the alarm lamp below it, where the
// window shows them), scaled nearest-neighbour, as RGB for PNG files or as
// palette indices for GIFs.
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

// The device view: the front picture, then a strip that holds the lamp with
// the lamp's left margin below it.
constexpr int DEVICE_VIEW_HEIGHT = LAMP_Y + LAMP_SIZE + LAMP_X;

// The 256-entry GIF colour table: the instrument's 246 colours, then the
// entries below, then black. Index 246 marks frame-buffer values without a
// colour (black, as everywhere); the lamp and the strip around it are exact.
constexpr uint8_t NO_COLOUR_INDEX = 246;
constexpr uint8_t LAMP_BRIGHT_INDEX = 247;
constexpr uint8_t LAMP_DARK_INDEX = 248;
constexpr uint8_t STRIP_INDEX = 249;
uint32_t gif_colour(int index);

// The current frame buffer (or the device around it) as palette indices.
void take_indexed(View view, int scale, IndexedPicture& picture);
// The same picture in RGB.
RgbPicture take_rgb(View view, int scale);
// The RGB colours of an indexed picture.
RgbPicture to_rgb(const IndexedPicture& picture);
