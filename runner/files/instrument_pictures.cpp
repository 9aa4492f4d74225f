#include "runner/files/instrument_pictures.h"

#include <algorithm>
#include <cstring>

#include "display/framebuffer.h"
#include "display/palette.h"
#include "host/panel/front_panel.h"

namespace {

constexpr uint32_t STRIP_RGB = 0xEFEFEF; // a light window background around the lamp

// Whether the device view's pixel x, y is on the lamp's disc.
bool on_lamp(int x, int y) {
    const int dx = 2 * (x - LAMP_X) + 1 - LAMP_SIZE, dy = 2 * (y - LAMP_Y) + 1 - LAMP_SIZE;
    return dx * dx + dy * dy <= LAMP_SIZE * LAMP_SIZE;
}

// The front picture scaled to the window's 241 by 249 by averaging the source
// pixels under each target pixel, as a smooth downscale does, above the
// lamp's strip.
RgbPicture window_front() {
    RgbPicture source;
    RgbPicture out;
    out.width = DEVICE_WIDTH;
    out.height = DEVICE_VIEW_HEIGHT;
    out.rgb.assign(static_cast<std::size_t>(DEVICE_WIDTH) * DEVICE_VIEW_HEIGHT * 3, 0);
    for (std::size_t i = static_cast<std::size_t>(DEVICE_WIDTH) * DEVICE_HEIGHT; i < out.rgb.size() / 3; ++i)
        for (int k = 0; k < 3; ++k) out.rgb[i * 3 + k] = static_cast<uint8_t>(STRIP_RGB >> (16 - 8 * k));
    if (!decode_front_picture(source)) return out; // a black face rather than none
    for (int y = 0; y < DEVICE_HEIGHT; ++y) {
        const int y0 = y * source.height / DEVICE_HEIGHT;
        const int y1 = std::max(y0 + 1, (y + 1) * source.height / DEVICE_HEIGHT);
        for (int x = 0; x < DEVICE_WIDTH; ++x) {
            const int x0 = x * source.width / DEVICE_WIDTH;
            const int x1 = std::max(x0 + 1, (x + 1) * source.width / DEVICE_WIDTH);
            uint32_t sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int k = 0; k < 3; ++k) sum[k] += source.rgb[(sy * source.width + sx) * 3 + k];
            const auto count = static_cast<uint32_t>((y1 - y0) * (x1 - x0));
            for (int k = 0; k < 3; ++k)
                out.rgb[(y * DEVICE_WIDTH + x) * 3 + k] = static_cast<uint8_t>((sum[k] + count / 2) / count);
        }
    }
    return out;
}

const RgbPicture& front_rgb() {
    static const RgbPicture front = window_front();
    return front;
}

uint8_t nearest_colour(const uint8_t* rgb) {
    uint8_t best = 0;
    int best_distance = 1 << 30;
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        const uint32_t c = lcd_palette[i];
        const int dr = static_cast<int>(c >> 16) - rgb[0];
        const int dg = static_cast<int>((c >> 8) & 0xFF) - rgb[1];
        const int db = static_cast<int>(c & 0xFF) - rgb[2];
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < best_distance) best_distance = distance, best = static_cast<uint8_t>(i);
    }
    return best;
}

// The front picture in the instrument's palette, for GIFs (which hold 256
// colours, and the display needs 246 of them).
const IndexedPicture& front_indexed() {
    static const IndexedPicture front = [] {
        const RgbPicture& rgb = front_rgb();
        IndexedPicture p{rgb.width, rgb.height, std::vector<uint8_t>(rgb.rgb.size() / 3, STRIP_INDEX)};
        for (std::size_t i = 0; i < static_cast<std::size_t>(DEVICE_WIDTH) * DEVICE_HEIGHT; ++i)
            p.index[i] = nearest_colour(&rgb.rgb[i * 3]);
        return p;
    }();
    return front;
}

uint8_t frame_index(int x, int y) {
    const uint8_t v = FrameBuffer[y][x];
    return v < PALETTE_SIZE ? v : NO_COLOUR_INDEX;
}

// The unscaled picture: the display, or the device with the panel (black
// beyond the frame buffer's 160 by 128) set in and the lamp that goes with
// the frame.
void take_unscaled(View view, IndexedPicture& p) {
    if (view == View::display) {
        p.width = LCD_WIDTH;
        p.height = LCD_HEIGHT;
        p.index.resize(static_cast<std::size_t>(LCD_WIDTH) * LCD_HEIGHT);
        for (int y = 0; y < LCD_HEIGHT; ++y)
            for (int x = 0; x < LCD_WIDTH; ++x) p.index[y * LCD_WIDTH + x] = frame_index(x, y);
        return;
    }
    p = front_indexed();
    for (int y = 0; y < PANEL_HEIGHT; ++y)
        for (int x = 0; x < PANEL_WIDTH; ++x)
            p.index[(PANEL_Y + y) * p.width + PANEL_X + x] =
                x < LCD_WIDTH && y < LCD_HEIGHT ? frame_index(x, y) : uint8_t{COLOUR_BLACK};
    const uint8_t lamp = front_panel_lamp_with_frame() ? LAMP_BRIGHT_INDEX : LAMP_DARK_INDEX;
    for (int y = LAMP_Y; y < LAMP_Y + LAMP_SIZE; ++y)
        for (int x = LAMP_X; x < LAMP_X + LAMP_SIZE; ++x)
            if (on_lamp(x, y)) p.index[y * p.width + x] = lamp;
}

void scale_up(const IndexedPicture& in, int scale, IndexedPicture& out) {
    out.width = in.width * scale;
    out.height = in.height * scale;
    out.index.resize(static_cast<std::size_t>(out.width) * out.height);
    for (int y = 0; y < in.height; ++y) {
        uint8_t* row = &out.index[static_cast<std::size_t>(y) * scale * out.width];
        for (int x = 0; x < in.width; ++x) std::memset(row + x * scale, in.index[y * in.width + x], scale);
        for (int k = 1; k < scale; ++k) std::memcpy(row + k * out.width, row, out.width);
    }
}

} // namespace

uint32_t gif_colour(int index) {
    if (index < PALETTE_SIZE) return lcd_palette[index];
    switch (index) {
    case NO_COLOUR_INDEX:
        return palette_rgb(NO_COLOUR_INDEX); // black, as on every other host
    case LAMP_BRIGHT_INDEX:
        return LAMP_BRIGHT_RGB;
    case LAMP_DARK_INDEX:
        return LAMP_DARK_RGB;
    case STRIP_INDEX:
        return STRIP_RGB;
    default:
        return 0;
    }
}

void take_indexed(View view, int scale, IndexedPicture& picture) {
    if (scale == 1) {
        take_unscaled(view, picture);
        return;
    }
    IndexedPicture unscaled;
    take_unscaled(view, unscaled);
    scale_up(unscaled, scale, picture);
}

RgbPicture to_rgb(const IndexedPicture& picture) {
    RgbPicture out{picture.width, picture.height, std::vector<uint8_t>(picture.index.size() * 3)};
    for (std::size_t i = 0; i < picture.index.size(); ++i) {
        const uint32_t c = gif_colour(picture.index[i]);
        out.rgb[i * 3] = static_cast<uint8_t>(c >> 16);
        out.rgb[i * 3 + 1] = static_cast<uint8_t>(c >> 8);
        out.rgb[i * 3 + 2] = static_cast<uint8_t>(c);
    }
    return out;
}

RgbPicture take_rgb(View view, int scale) {
    IndexedPicture indexed;
    take_indexed(view, scale, indexed);
    RgbPicture out = to_rgb(indexed);
    if (view == View::display) return out;
    // The face in its true colours: only the panel and the lamp come from the palette.
    const RgbPicture& front = front_rgb();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const int fx = x / scale, fy = y / scale;
            const bool in_panel =
                fx >= PANEL_X && fx < PANEL_X + PANEL_WIDTH && fy >= PANEL_Y && fy < PANEL_Y + PANEL_HEIGHT;
            if (!in_panel && !on_lamp(fx, fy))
                std::memcpy(&out.rgb[(y * out.width + x) * 3], &front.rgb[(fy * front.width + fx) * 3], 3);
        }
    return out;
}
