// Decoding a JPEG held in memory into RGB bytes, without any toolkit: the
// window and the headless runner both show the instrument's front picture.
#pragma once

#include <cstddef>

#include "picture/rgb_picture.h"

// Decodes any JPEG; false (and an empty picture) on any error.
bool decode_jpeg_rgb(const unsigned char* data, std::size_t size, RgbPicture& picture);

// The embedded picture of the instrument's front (620 by 620).
bool decode_front_picture(RgbPicture& picture);
