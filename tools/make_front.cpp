// Draws the picture of the instrument's front (620 by 620 pixels) and writes it
// as a JPEG. Usage: make_front OUTPUT.jpg [FONT.ttf]
//
// The window shows the picture stretched to 241 by 249, so everything here is
// laid out in those window pixels and then mapped onto the 620 by 620 canvas:
// circles drawn in window pixels come out round in the window, and the display
// opening and the keys land under the panel and the click areas.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>

namespace {

constexpr int SIZE = 620;
constexpr double WINDOW_W = 241.0, WINDOW_H = 249.0;
constexpr double SX = SIZE / WINDOW_W, SY = SIZE / WINDOW_H;
// Width of one canvas pixel measured in window pixels, for edge smoothing.
constexpr double PIXEL = 1.0 / ((SX + SY) / 2.0);

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb grey(double v) { return {v, v, v}; }

std::vector<Rgb> canvas(SIZE* SIZE, Rgb{239, 239, 239});

void blend(int x, int y, Rgb colour, double alpha) {
    if (x < 0 || y < 0 || x >= SIZE || y >= SIZE || alpha <= 0.0) return;
    alpha = std::min(alpha, 1.0);
    Rgb& p = canvas[static_cast<size_t>(y) * SIZE + static_cast<size_t>(x)];
    p = mix(p, colour, alpha);
}

// Coverage of a shape at a signed distance (negative inside), in window pixels.
double coverage(double distance) { return std::clamp(0.5 - distance / PIXEL, 0.0, 1.0); }

// Window-pixel coordinates of the centre of canvas pixel (x, y).
double wx(int x) { return (x + 0.5) / SX; }
double wy(int y) { return (y + 0.5) / SY; }

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
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) {
            const double d = distance(wx(x), wy(y));
            const double a = coverage(d);
            if (a > 0.0) blend(x, y, shade(wx(x), wy(y), d), a * opacity);
        }
}

// A soft shadow: opacity falls off over `spread` window pixels outside the shape.
template <typename Distance> void shadow(Distance distance, double spread, double strength) {
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) {
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
constexpr double PANEL_X0 = 40, PANEL_Y0 = 57, PANEL_X1 = 203, PANEL_Y1 = 186;
constexpr double LEFT_KEY_X = 52 + 16.5, RIGHT_KEY_X = 154 + 16.5, KEY_Y = 192 + 16.5, KEY_R = 13.5;
constexpr double KNOB_X = 100 + 20.5, KNOB_Y = 196 + 20.5, KNOB_R = 18.5;

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
    const double pixel_size = window_px * SY;
    double pen = cx * SX - text_width(text, pixel_size) / 2;
    const int base = static_cast<int>(baseline * SY);
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

bool write_jpeg(const char* path) {
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = SIZE;
    cinfo.image_height = SIZE;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(SIZE * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const Rgb* p = &canvas[cinfo.next_scanline * SIZE];
        for (int x = 0; x < SIZE; ++x) {
            row[x * 3 + 0] = static_cast<unsigned char>(std::clamp(std::lround(p[x].r), 0L, 255L));
            row[x * 3 + 1] = static_cast<unsigned char>(std::clamp(std::lround(p[x].g), 0L, 255L));
            row[x * 3 + 2] = static_cast<unsigned char>(std::clamp(std::lround(p[x].b), 0L, 255L));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg [FONT.ttf]\n", argv[0]);
        return 2;
    }
    const char* font = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, font, 0, &face) != 0) {
        std::fprintf(stderr, "make_front: cannot load font %s\n", font);
        return 1;
    }
    draw_case();
    draw_display_opening();
    draw_key(LEFT_KEY_X);
    draw_key(RIGHT_KEY_X);
    draw_knob();
    draw_markings();
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!write_jpeg(argv[1])) {
        std::fprintf(stderr, "make_front: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
