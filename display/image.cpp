#include "display/image.h"

#include "display/framebuffer.h"

namespace {

constexpr uint8_t RUN_FLAG = 0x80;

uint16_t read_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

} // namespace

// Every pixel is drawn, colour 0 included, so an image is an opaque rectangle.
// A packet that runs past the width finishes on the same row, further right;
// the next row starts with a new packet. Each row reads at least one packet.
//
// The format carries no length, so the decoder trusts its data: every built-in
// image is written by the icon generator, which emits no empty packets and so
// moves at least one column per packet, and every row ends after at most
// `width` packets.
void lcd_draw_image(int16_t x, int16_t y, const uint8_t* image) {
    const uint32_t width = read_u16(image);
    const uint32_t height = read_u16(image + 2);
    const uint8_t* p = image + 4;
    for (uint32_t r = 0; r < height; ++r) {
        const auto row = static_cast<int16_t>(y + r);
        uint32_t j = 0;
        do {
            const uint8_t control = *p++;
            if (control & RUN_FLAG) {
                const uint8_t colour = *p++;
                for (uint32_t k = 0; k < static_cast<uint32_t>(control - RUN_FLAG); ++k, ++j)
                    lcd_set_pixel(static_cast<int16_t>(x + j), row, colour);
            } else {
                for (uint32_t k = 0; k < control; ++k, ++j)
                    lcd_set_pixel(static_cast<int16_t>(x + j), row, *p++);
            }
        } while (j < width);
    }
}
