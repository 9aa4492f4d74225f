#include "runner/png_file.h"

#include <cstring>

#include <png.h>

bool write_png_file(const std::string& path, const RgbPicture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

bool read_png_file(const std::string& path, RgbPicture& picture) {
    // References are small pictures of the display or the device.
    constexpr png_uint_32 LARGEST = 4096;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    if (image.width > LARGEST || image.height > LARGEST) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    const int ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

RgbPicture diff_picture(const RgbPicture& actual, const RgbPicture& expected) {
    RgbPicture diff = actual;
    for (std::size_t i = 0; i + 2 < diff.rgb.size(); i += 3) {
        const bool same =
            i + 2 < expected.rgb.size() && std::memcmp(&actual.rgb[i], &expected.rgb[i], 3) == 0;
        if (same) {
            for (int k = 0; k < 3; ++k) diff.rgb[i + k] = static_cast<uint8_t>(actual.rgb[i + k] / 4);
        } else {
            diff.rgb[i] = 255;
            diff.rgb[i + 1] = 0;
            diff.rgb[i + 2] = 0;
        }
    }
    return diff;
}
