// PNG files of RGB pictures (libpng).
#pragma once

#include <string>

#include "host/jpeg_decode.h"

bool write_png_file(const std::string& path, const RgbPicture& picture);
bool read_png_file(const std::string& path, RgbPicture& picture);

// Differing pixels red over a dimmed copy of the actual picture; both must
// have the same size.
RgbPicture diff_picture(const RgbPicture& actual, const RgbPicture& expected);
