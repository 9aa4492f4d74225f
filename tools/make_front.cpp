// Draws the picture of the instrument's front (620 by 620 pixels) and writes it
// as a JPEG; with an icon folder, also draws the application icons from it.
// Usage: make_front OUTPUT.jpg [ICON_DIR [FONT.ttf]]
//
// The window shows the picture stretched to DEVICE_WIDTH by DEVICE_HEIGHT
// (front_geometry.h), so everything here is
// laid out in those window pixels and then mapped onto the 620 by 620 canvas:
// circles drawn in window pixels come out round in the window, and the display
// opening and the keys land under the panel and the click areas.
//
// The icons are the same front, mapped square and cut out at the bezel on a
// transparent ground, with the instrument's own run screen in the display so
// that they read as the instrument even at 48 pixels. Written as
// ICON_DIR/qd5sim-<size>.png.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>
#include <png.h>

#include "display/framebuffer.h"
#include "display/palette.h"
#include "host/panel/device.h"
#include "host/panel/front_geometry.h"
#include "measurement/sampling.h"

namespace {

constexpr int FRONT_SIZE = 620;
constexpr double WINDOW_W = DEVICE_WIDTH, WINDOW_H = DEVICE_HEIGHT;
constexpr int ICON_SIZES[] = {48, 128, 256};
// The icons are drawn once at a size every icon size divides, then averaged down.
constexpr int ICON_MASTER = 768;

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb grey(double v) { return {v, v, v}; }

struct Pixel {
    Rgb colour;
    double alpha;
};

// The picture being drawn and where it lies in window pixels: `scale_x` and
// `scale_y` canvas pixels per window pixel, window point (`left`, `top`) at the
// canvas's corner.
struct Canvas {
    int size = 0;
    double scale_x = 1, scale_y = 1, left = 0, top = 0;
    std::vector<Pixel> pixels;
};

Canvas canvas;

void start_canvas(int size, double scale_x, double scale_y, double left, double top, Pixel ground) {
    canvas.size = size;
    canvas.scale_x = scale_x;
    canvas.scale_y = scale_y;
    canvas.left = left;
    canvas.top = top;
    canvas.pixels.assign(static_cast<size_t>(size) * static_cast<size_t>(size), ground);
}

// Lays `alpha` of `colour` over canvas pixel (x, y): on an opaque pixel a plain
// mix, on a transparent one the colour and its coverage.
void blend(int x, int y, Rgb colour, double alpha) {
    if (x < 0 || y < 0 || x >= canvas.size || y >= canvas.size || alpha <= 0.0) return;
    alpha = std::min(alpha, 1.0);
    Pixel& p =
        canvas.pixels[static_cast<size_t>(y) * static_cast<size_t>(canvas.size) + static_cast<size_t>(x)];
    if (p.alpha >= 1.0) {
        p.colour = mix(p.colour, colour, alpha);
        return;
    }
    const double covered = alpha + p.alpha * (1.0 - alpha);
    p.colour = mix(p.colour, colour, alpha / covered);
    p.alpha = covered;
}

// Width of one canvas pixel measured in window pixels, for edge smoothing.
double pixel_width() { return 1.0 / ((canvas.scale_x + canvas.scale_y) / 2.0); }

// Coverage of a shape at a signed distance (negative inside), in window pixels.
double coverage(double distance) { return std::clamp(0.5 - distance / pixel_width(), 0.0, 1.0); }

// Window-pixel coordinates of the centre of canvas pixel (x, y).
double wx(int x) { return canvas.left + (x + 0.5) / canvas.scale_x; }
double wy(int y) { return canvas.top + (y + 0.5) / canvas.scale_y; }

double circle_distance(double x, double y, double cx, double cy, double r) {
    return std::hypot(x - cx, y - cy) - r;
}

double rounded_rect_distance(double x, double y, double x0, double y0, double x1, double y1, double r) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
}

// Calls shade(x, y, distance) for every canvas pixel and blends the colour it
// returns with the coverage of the shape.
template <typename Distance, typename Shade>
void paint(Distance distance, Shade shade, double opacity = 1.0) {
    for (int y = 0; y < canvas.size; ++y)
        for (int x = 0; x < canvas.size; ++x) {
            const double d = distance(wx(x), wy(y));
            const double a = coverage(d);
            if (a > 0.0) blend(x, y, shade(wx(x), wy(y), d), a * opacity);
        }
}

// A soft shadow: opacity falls off over `spread` window pixels outside the shape.
template <typename Distance> void shadow(Distance distance, double spread, double strength) {
    for (int y = 0; y < canvas.size; ++y)
        for (int x = 0; x < canvas.size; ++x) {
            const double d = distance(wx(x), wy(y));
            const double t = std::clamp(1.0 - d / spread, 0.0, 1.0);
            blend(x, y, grey(0), strength * t * t);
        }
}

// Light falls from the upper left: 1 facing the light, 0 facing away.
double light(double x, double y, double cx, double cy) {
    const double a = std::atan2(y - cy, x - cx);
    return 0.5 + 0.5 * std::cos(a + 2.356);
}

// Layout, in window pixels.
constexpr double FACE_X = 120.5, FACE_Y = 128.0;
constexpr double BEZEL_R = 119.5, FACE_R = 111.0;
constexpr double PANEL_X0 = PANEL_X, PANEL_Y0 = PANEL_Y, PANEL_X1 = PANEL_X + PANEL_WIDTH,
                 PANEL_Y1 = PANEL_Y + PANEL_HEIGHT;
// Each key is drawn centred in its click area.
constexpr double centre(int start, int size) { return start + size / 2.0; }
constexpr KeyArea LEFT_KEY = key_area(KEY_LEFT), RIGHT_KEY = key_area(KEY_RIGHT), KNOB = key_area(KEY_PUSH);
constexpr double LEFT_KEY_X = centre(LEFT_KEY.x, LEFT_KEY.size),
                 RIGHT_KEY_X = centre(RIGHT_KEY.x, RIGHT_KEY.size), KEY_Y = centre(LEFT_KEY.y, LEFT_KEY.size),
                 KEY_R = 13.5;
constexpr double KNOB_X = centre(KNOB.x, KNOB.size), KNOB_Y = centre(KNOB.y, KNOB.size), KNOB_R = 18.5;

void draw_case() {
    auto outer = [](double x, double y) {
        return circle_distance(x, y, FACE_X + 1.5, FACE_Y + 2.5, BEZEL_R);
    };
    shadow(outer, 5.0, 0.35);
    // The bezel: brushed metal, bright where it faces the light.
    paint([](double x, double y) { return circle_distance(x, y, FACE_X, FACE_Y, BEZEL_R); },
          [](double x, double y, double) {
              const double l = light(x, y, FACE_X, FACE_Y);
              const double brush = 4.0 * std::sin(std::atan2(y - FACE_Y, x - FACE_X) * 90.0);
              return grey(95 + 130 * l + brush);
          });
    // A dark lip between the bezel and the face, lit the other way (it is sunken).
    paint([](double x, double y) { return circle_distance(x, y, FACE_X, FACE_Y, FACE_R + 3.0); },
          [](double x, double y, double) { return grey(25 + 55 * (1.0 - light(x, y, FACE_X, FACE_Y))); });
    // The face: black with a faint sheen towards the upper left.
    paint([](double x, double y) { return circle_distance(x, y, FACE_X, FACE_Y, FACE_R); },
          [](double x, double y, double) {
              const double d = std::hypot(x - (FACE_X - 45), y - (FACE_Y - 55)) / (2 * FACE_R);
              return grey(14 + 22 * std::clamp(1.0 - d, 0.0, 1.0));
          });
}

void draw_display_opening() {
    // The window of the display: a sunken frame around the glass.
    paint(
        [](double x, double y) {
            return rounded_rect_distance(x, y, PANEL_X0 - 5, PANEL_Y0 - 5, PANEL_X1 + 5, PANEL_Y1 + 5, 6);
        },
        [](double, double y, double) { return grey(70 - 30 * (y - PANEL_Y0) / (PANEL_Y1 - PANEL_Y0)); });
    paint(
        [](double x, double y) {
            return rounded_rect_distance(x, y, PANEL_X0 - 3, PANEL_Y0 - 3, PANEL_X1 + 3, PANEL_Y1 + 3, 4);
        },
        [](double, double, double) { return grey(8); });
    paint([](double x,
             double y) { return rounded_rect_distance(x, y, PANEL_X0, PANEL_Y0, PANEL_X1, PANEL_Y1, 1); },
          [](double, double, double) { return grey(0); });
}

void draw_key(double cx) {
    auto outline = [cx](double x, double y) { return circle_distance(x, y, cx, KEY_Y, KEY_R); };
    shadow([cx](double x, double y) { return circle_distance(x, y, cx + 1, KEY_Y + 2, KEY_R); }, 3.0, 0.6);
    paint(outline, [cx](double x, double y, double) { return grey(60 + 80 * light(x, y, cx, KEY_Y)); });
    paint([cx](double x, double y) { return circle_distance(x, y, cx, KEY_Y, KEY_R - 1.8); },
          [cx](double x, double y, double) {
              const double d = std::hypot(x - (cx - 5), y - (KEY_Y - 6)) / (2 * KEY_R);
              return grey(48 + 40 * std::clamp(1.0 - d, 0.0, 1.0));
          });
}

void draw_arrow(double cx, double cy, bool up) {
    const double half = 4.0, height = 4.5;
    paint(
        [=](double x, double y) {
            // A triangle as the largest of its three edge distances.
            const double ty = up ? (cy - y) : (y - cy);
            const double base = -ty - height / 2;
            const double n = std::hypot(height, half);
            const double side = (height * std::fabs(x - cx) + half * ty - half * height / 2) / n;
            return std::max(base, side);
        },
        [](double, double, double) { return grey(245); });
}

void draw_knob() {
    shadow([](double x, double y) { return circle_distance(x, y, KNOB_X + 1.5, KNOB_Y + 3, KNOB_R); }, 5.0,
           0.7);
    // Grip: a ring of fine ridges around the edge.
    paint([](double x, double y) { return circle_distance(x, y, KNOB_X, KNOB_Y, KNOB_R); },
          [](double x, double y, double) {
              const double ridge = 0.5 + 0.5 * std::cos(std::atan2(y - KNOB_Y, x - KNOB_X) * 36.0);
              return grey(160 + 60 * light(x, y, KNOB_X, KNOB_Y) - 25 * ridge);
          });
    // The white cap, domed: brightest towards the light.
    paint([](double x, double y) { return circle_distance(x, y, KNOB_X, KNOB_Y, KNOB_R - 3.0); },
          [](double x, double y, double) {
              const double d = std::hypot(x - (KNOB_X - 5), y - (KNOB_Y - 6)) / (2 * KNOB_R);
              return grey(255 - 55 * std::clamp(d, 0.0, 1.0));
          });
}

// Text through FreeType, rendered at the canvas resolution.
FT_Face face = nullptr;

double text_width(const char* text, double pixel_size) {
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size));
    double w = 0;
    for (const char* c = text; *c; ++c)
        if (FT_Load_Char(face, static_cast<unsigned char>(*c), FT_LOAD_DEFAULT) == 0)
            w += face->glyph->advance.x / 64.0;
    return w;
}

// Draws text centred on window x `cx` with its baseline at window y `baseline`.
void draw_text(const char* text, double cx, double baseline, double window_px, Rgb colour) {
    const double pixel_size = window_px * canvas.scale_y;
    double pen = (cx - canvas.left) * canvas.scale_x - text_width(text, pixel_size) / 2;
    const int base = static_cast<int>((baseline - canvas.top) * canvas.scale_y);
    for (const char* c = text; *c; ++c) {
        if (FT_Load_Char(face, static_cast<unsigned char>(*c), FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        const int left = static_cast<int>(pen) + g->bitmap_left, top = base - g->bitmap_top;
        for (unsigned row = 0; row < g->bitmap.rows; ++row)
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                const unsigned char a = g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col];
                blend(left + static_cast<int>(col), top + static_cast<int>(row), colour, a / 255.0);
            }
        pen += g->advance.x / 64.0;
    }
}

void draw_markings() {
    draw_text("Nuva", FACE_X, 38, 15, grey(235));
    draw_text("QD-5", FACE_X, 51, 7.5, Rgb{200, 60, 50});
    draw_text("F1", LEFT_KEY_X, KEY_Y - 1.5, 7.5, grey(245));
    draw_arrow(LEFT_KEY_X, KEY_Y + 4.5, true);
    draw_text("F2", RIGHT_KEY_X, KEY_Y - 1.5, 7.5, grey(245));
    draw_arrow(RIGHT_KEY_X, KEY_Y + 4.5, false);
}

// The instrument's own screen in the display opening: the run screen a few
// seconds after power-on, with the inputs of the README's screenshot.
void draw_run_screen() {
    power_on_sequence();
    const uint16_t inputs[CHANNEL_COUNT] = {197, 247, 2467, 1332};
    std::copy(std::begin(inputs), std::end(inputs), adc_input);
    supply_adc = 1332;
    for (int tick = 0; tick < 33; ++tick) {
        timer_tick();
        run_pass(false);
    }
    paint([](double x,
             double y) { return rounded_rect_distance(x, y, PANEL_X0, PANEL_Y0, PANEL_X1, PANEL_Y1, 1); },
          [](double x, double y, double) {
              const int fx = static_cast<int>((x - PANEL_X0) * LCD_WIDTH / (PANEL_X1 - PANEL_X0));
              const int fy = static_cast<int>((y - PANEL_Y0) * LCD_HEIGHT / (PANEL_Y1 - PANEL_Y0));
              const uint8_t index =
                  FrameBuffer[std::clamp(fy, 0, LCD_HEIGHT - 1)][std::clamp(fx, 0, LCD_WIDTH - 1)];
              const uint32_t rgb = index < PALETTE_SIZE ? lcd_palette[index] : 0;
              return Rgb{static_cast<double>((rgb >> 16) & 0xFF), static_cast<double>((rgb >> 8) & 0xFF),
                         static_cast<double>(rgb & 0xFF)};
          });
}

void draw_front() {
    draw_case();
    draw_display_opening();
    draw_key(LEFT_KEY_X);
    draw_key(RIGHT_KEY_X);
    draw_knob();
    draw_markings();
}

unsigned char channel(double v) { return static_cast<unsigned char>(std::clamp(std::lround(v), 0L, 255L)); }

bool write_jpeg(const char* path) {
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(canvas.size);
    cinfo.image_height = static_cast<JDIMENSION>(canvas.size);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(canvas.size) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const Pixel* p = &canvas.pixels[cinfo.next_scanline * static_cast<size_t>(canvas.size)];
        for (size_t x = 0; x < static_cast<size_t>(canvas.size); ++x) {
            row[x * 3 + 0] = channel(p[x].colour.r);
            row[x * 3 + 1] = channel(p[x].colour.g);
            row[x * 3 + 2] = channel(p[x].colour.b);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0;
}

// Averages the canvas down to size by size RGBA bytes, weighting each colour
// by its coverage so that transparent ground does not darken the edges.
std::vector<unsigned char> shrink(int size) {
    const int f = canvas.size / size;
    std::vector<unsigned char> rgba(static_cast<size_t>(size) * static_cast<size_t>(size) * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = y * f; sy < (y + 1) * f; ++sy)
                for (int sx = x * f; sx < (x + 1) * f; ++sx) {
                    const Pixel& p =
                        canvas.pixels[static_cast<size_t>(sy) * static_cast<size_t>(canvas.size) +
                                      static_cast<size_t>(sx)];
                    r += p.colour.r * p.alpha;
                    g += p.colour.g * p.alpha;
                    b += p.colour.b * p.alpha;
                    a += p.alpha;
                }
            unsigned char* out =
                &rgba[(static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)) * 4];
            const double weight = a > 0 ? 1.0 / a : 0.0;
            out[0] = channel(r * weight);
            out[1] = channel(g * weight);
            out[2] = channel(b * weight);
            out[3] = channel(255.0 * a / (f * f));
        }
    return rgba;
}

bool write_png(const std::string& path, const std::vector<unsigned char>& rgba, int size) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

// The front, square and a little larger than the bezel and its shadow.
bool write_icons(const std::string& dir) {
    constexpr double HALF = 128.0;
    const double scale = ICON_MASTER / (2 * HALF);
    start_canvas(ICON_MASTER, scale, scale, FACE_X - HALF, FACE_Y - HALF, Pixel{grey(0), 0.0});
    draw_front();
    draw_run_screen();
    for (const int size : ICON_SIZES) {
        const std::string path = dir + "/qd5sim-" + std::to_string(size) + ".png";
        if (!write_png(path, shrink(size), size)) {
            std::fprintf(stderr, "make_front: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg [ICON_DIR [FONT.ttf]]\n", argv[0]);
        return 2;
    }
    const char* font = argc > 3 ? argv[3] : "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, font, 0, &face) != 0) {
        std::fprintf(stderr, "make_front: cannot load font %s\n", font);
        return 1;
    }
    start_canvas(FRONT_SIZE, FRONT_SIZE / WINDOW_W, FRONT_SIZE / WINDOW_H, 0, 0, Pixel{grey(239), 1.0});
    draw_front();
    bool written = write_jpeg(argv[1]);
    if (!written) std::fprintf(stderr, "make_front: cannot write %s\n", argv[1]);
    if (written && argc > 2) written = write_icons(argv[2]);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return written ? 0 : 1;
}
