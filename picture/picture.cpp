#include "picture/picture.h"

#include <png.h>

#include <cstring>

#include "display/framebuffer.h"
#include "display/palette.h"

namespace {

png_image blank_image() {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    return image;
}

png_image rgb_image(const RgbPicture& picture) {
    png_image image = blank_image();
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    return image;
}

// Reads a begun image into picture, within the size bound.
bool finish_read(png_image& image, RgbPicture& picture) {
    if (image.width > LARGEST_PNG_SIDE || image.height > LARGEST_PNG_SIDE) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    const int ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    if (!ok) picture = RgbPicture{};
    return ok != 0;
}

} // namespace

RgbPicture indexed_picture(const uint8_t* indices, int width, int height, int scale) {
    RgbPicture picture;
    picture.width = width * scale;
    picture.height = height * scale;
    picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t c = palette_rgb(indices[(y / scale) * width + x / scale]);
            uint8_t* p = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
            p[0] = static_cast<uint8_t>(c >> 16);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c);
        }
    return picture;
}

RgbPicture frame_picture(int scale) {
    return indexed_picture(&FrameBuffer[0][0], LCD_WIDTH, LCD_HEIGHT, scale);
}

bool encode_png(const RgbPicture& picture, std::string& bytes) {
    png_image image = rgb_image(picture);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgb.data(), 0, nullptr)) return false;
    bytes.assign(size, '\0');
    const int ok = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    bytes.resize(ok ? size : 0);
    return ok != 0;
}

bool decode_png(const std::string& bytes, RgbPicture& picture) {
    png_image image = blank_image();
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
    return finish_read(image, picture);
}

bool write_png_file(const std::string& path, const RgbPicture& picture) {
    png_image image = rgb_image(picture);
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

bool read_png_file(const std::string& path, RgbPicture& picture) {
    png_image image = blank_image();
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    return finish_read(image, picture);
}

int64_t differing_pixels(const RgbPicture& actual, const RgbPicture& expected) {
    if (actual.width != expected.width || actual.height != expected.height ||
        actual.rgb.size() != expected.rgb.size())
        return -1;
    int64_t differing = 0;
    for (size_t i = 0; i + 2 < actual.rgb.size(); i += 3)
        if (std::memcmp(&actual.rgb[i], &expected.rgb[i], 3) != 0) ++differing;
    return differing;
}

RgbPicture diff_picture(const RgbPicture& actual, const RgbPicture& expected) {
    RgbPicture diff = actual;
    for (size_t i = 0; i + 2 < diff.rgb.size(); i += 3) {
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
