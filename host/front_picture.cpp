#include "host/front_picture.h"

#include <cstring>

#include "host/panel/jpeg_decode.h"

namespace {

QImage to_image(const RgbPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    if (image.isNull()) return {};
    const std::size_t row_bytes = static_cast<std::size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), picture.rgb.data() + y * row_bytes, row_bytes);
    return image;
}

} // namespace

QImage decode_jpeg(const unsigned char* data, std::size_t size) {
    RgbPicture picture;
    if (!decode_jpeg_rgb(data, size, picture)) return {};
    return to_image(picture);
}

QImage load_front_picture() {
    RgbPicture picture;
    if (!decode_front_picture(picture)) return {};
    return to_image(picture);
}
