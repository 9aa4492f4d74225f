#include "support/png_image.h"

#include <png.h>

#include <cstdio>
#include <filesystem>

#include "display/framebuffer.h"
#include "display/palette.h"

namespace {

uint32_t colour_of(uint8_t index) { return index < PALETTE_SIZE ? lcd_palette[index] : 0xFF00FFu; }

} // namespace

RgbImage indices_to_image(const uint8_t* indices, int width, int height, int scale) {
    RgbImage image;
    image.width = width * scale;
    image.height = height * scale;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint32_t c = colour_of(indices[(y / scale) * width + x / scale]);
            uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
            p[0] = static_cast<uint8_t>(c >> 16);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c);
        }
    return image;
}

RgbImage frame_to_image() { return indices_to_image(&FrameBuffer[0][0], LCD_WIDTH, LCD_HEIGHT); }

bool write_png(const std::string& path, const RgbImage& image) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr) != 0;
}

bool read_png(const std::string& path, RgbImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    return true;
}

std::string test_output_dir() { return QD5_OUTPUT_DIR; }
