// Generates display/fonts_data.cpp: the nine bitmap fonts of the display,
// rendered with FreeType from DejaVu Sans Bold.
//
//   make_fonts <DejaVuSans-Bold.ttf> <output.cpp>
//
// Every font is a byte string: an 8-byte header (first and last code, height),
// one 4-byte entry per code (width and a 24-bit bitmap offset) and the glyph
// bitmaps, rows top first, MSB leftmost, ceil(width / 8) bytes per row.
//
// The screens rest on a few fixed figures per size: the cell height, the rows
// on which capitals and digits ink (cap top and baseline), the widest glyph and
// the widths of space, "-", "." and the digits. The outlines are therefore not
// rendered at one uniform scale: each glyph's outline points are mapped
// piecewise-linearly so that the cap top, x-height and baseline land on pixel
// edges, capitals and digits fill exactly their rows, accents and descenders
// are pressed into the cell, and the ink spans a whole number of columns. The
// extremes of every contour are then fitted to the pixel grid (so dots, rings
// and accents keep their gaps), and the exact area coverage of the outline is
// thresholded.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include FT_BITMAP_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The fixed figures of one font and the tuning of its rendering.
struct FontSpec {
    int size;
    int first, last;
    int height;
    int ink_top, ink_bottom; // rows of the cap top and of the baseline
    int widest;
    int space, minus, dot, digit;
    double aspect;       // horizontal scale of capitals and signs relative to the vertical one
    double lower_aspect; // the same for lower-case letters
    int digit_margin;    // columns of a digit cell left free of ink (both sides together)
    int threshold;       // coverage (0..255) from which a pixel is ink
    int descent;         // rows below the baseline that descenders may ink
    int label_width;     // widest cell of a character a label can hold (space to "~"); 0: no limit
};

// Sizes 8, 9 and 10 are condensed (the lower case of size 9 a little less): the
// screens place their longest texts (menu rows, unit names, messages) at fixed
// points, and those texts must end inside the screen and left of the menus'
// scroll bar. Size 8 keeps its last row free of ink, so a unit whose cell ends
// at the bottom edge (y 113 on the vertical-bar page) keeps its descenders.
// The run pages centre four-character labels in sizes 8 and 9 near the screen
// edges, so no character a label can hold is wider than such a place allows;
// the widest glyph of those fonts is one that no label holds.
const FontSpec font_specs[] = {
    {8, 0, 255, 16, 3, 12, 14, 4, 4, 4, 8, 0.80, 0.80, 0, 100, 2, 10},
    {9, 32, 127, 19, 3, 14, 16, 4, 5, 4, 9, 0.80, 0.85, 1, 105, 4, 12},
    {10, 0, 255, 21, 4, 17, 21, 5, 6, 5, 11, 0.90, 0.90, 1, 110, 3, 0},
    {12, 32, 127, 24, 4, 18, 21, 6, 7, 6, 12, 0.95, 0.95, 1, 115, 5, 0},
    {16, 32, 127, 33, 6, 25, 27, 8, 9, 8, 16, 0.95, 0.95, 2, 120, 7, 0},
    {20, 32, 57, 41, 7, 31, 31, 10, 12, 10, 19, 0.85, 0.85, 3, 125, 9, 0},
    {24, 32, 57, 51, 9, 39, 39, 12, 14, 12, 24, 0.85, 0.85, 3, 125, 11, 0},
    {30, 32, 57, 62, 11, 48, 47, 15, 18, 15, 29, 0.85, 0.85, 4, 125, 13, 0},
    {34, 32, 57, 70, 13, 56, 51, 17, 20, 17, 33, 0.85, 0.85, 5, 125, 13, 0},
};

// Windows-1252 codes 128..159 as Unicode (0: no character).
const uint32_t cp1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Symbols shown for the control codes 0..31 (0: blank): the classic set of
// faces, card suits, arrows and marks.
const uint32_t control_symbols[32] = {
    0,      0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0,      0,
    0x2642, 0x2640, 0,      0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0,      0,      0,      0,
};

enum class Kind { Blank, Box, Outline };

struct GlyphPlan {
    Kind kind = Kind::Blank;
    uint32_t unicode = 0;
    bool fit_cap_rows = false;  // capitals and digits: ink exactly on the cap rows
    bool lower_case = false;    // x-height lands on a pixel edge
    int width = 0;              // cell width
    int ink_width = 0;          // columns spanned by the ink
    int ink_left = 0;           // first ink column
    double natural_advance = 0; // advance in pixels at the font's scale (for the widest choice)
};

struct Glyph {
    int width = 0;
    std::vector<uint8_t> ink; // height * width, 1 = ink
};

FT_Library library;
FT_Face face;
int cap_units = 0;      // height of "H" in font units
int x_height_units = 0; // height of "x" in font units

[[noreturn]] void fail(const std::string& what) {
    std::cerr << "make_fonts: " << what << "\n";
    std::exit(1);
}

bool load_outline(uint32_t unicode) {
    FT_UInt index = FT_Get_Char_Index(face, unicode);
    if (index == 0) return false;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP)) return false;
    return face->glyph->format == FT_GLYPH_FORMAT_OUTLINE;
}

struct Bounds {
    long x_min, x_max, y_min, y_max;
    bool empty;
};

Bounds outline_bounds() {
    const FT_Outline& outline = face->glyph->outline;
    if (outline.n_points == 0) return {0, 0, 0, 0, true};
    // The exact box, without off-curve control points that lie outside the curve.
    FT_BBox box;
    FT_Outline_Get_BBox(const_cast<FT_Outline*>(&outline), &box);
    return {box.xMin, box.xMax, box.yMin, box.yMax, false};
}

double pixel_scale(const FontSpec& spec) { return double(spec.ink_bottom - spec.ink_top + 1) / cap_units; }

// Maps a font-unit y to pixels above the baseline.
struct VerticalMap {
    bool fit = false;
    bool snap_x_height = false;
    double fit_min = 0, fit_scale = 0;
    double cap_px = 0, x_px = 0, scale = 0;
    double above_k = 1, below_k = 1;

    double operator()(double y) const {
        if (fit) return (y - fit_min) * fit_scale;
        if (y < 0) return y * scale * below_k;
        if (!snap_x_height) return y <= cap_units ? y * scale : cap_px + (y - cap_units) * scale * above_k;
        if (y <= x_height_units) return y * x_px / x_height_units;
        if (y <= cap_units)
            return x_px + (y - x_height_units) * (cap_px - x_px) / (cap_units - x_height_units);
        return cap_px + (y - cap_units) * scale * above_k;
    }
};

VerticalMap vertical_map(const FontSpec& spec, const Bounds& b, bool fit, bool snap_x_height) {
    VerticalMap map;
    map.snap_x_height = snap_x_height;
    double scale = pixel_scale(spec);
    map.scale = scale;
    map.cap_px = spec.ink_bottom - spec.ink_top + 1;
    map.x_px = std::round(x_height_units * scale);
    if (fit && b.y_max > b.y_min) {
        map.fit = true;
        map.fit_min = b.y_min;
        map.fit_scale = map.cap_px / double(b.y_max - b.y_min);
        return map;
    }
    double room_above = spec.ink_top;
    double room_below = std::min(spec.height - 1 - spec.ink_bottom, spec.descent);
    if (b.y_max > cap_units) {
        double need = (b.y_max - cap_units) * scale;
        if (need > room_above) map.above_k = room_above / need;
    }
    if (b.y_min < 0) {
        double need = -b.y_min * scale;
        if (need > room_below) map.below_k = room_below / need;
    }
    return map;
}

// A monotone piecewise-linear map that moves chosen key coordinates onto whole
// pixels (keys further apart than a fraction of a pixel stay at least one
// pixel apart) and interpolates in between.
struct GridSnap {
    std::vector<double> from, to;

    double operator()(double v) const {
        if (from.empty()) return v;
        if (v <= from.front()) return v + to.front() - from.front();
        if (v >= from.back()) return v + to.back() - from.back();
        size_t i = size_t(std::upper_bound(from.begin(), from.end(), v) - from.begin());
        double t = (v - from[i - 1]) / (from[i] - from[i - 1]);
        return to[i - 1] + t * (to[i] - to[i - 1]);
    }
};

// A key coordinate and the whole pixel it should move to.
struct SnapKey {
    double from, to;
    bool operator<(const SnapKey& other) const { return from < other.from; }
};

GridSnap make_snap(std::vector<SnapKey> keys, double low, double high) {
    std::sort(keys.begin(), keys.end());
    GridSnap snap;
    for (const SnapKey& key : keys) {
        double target = key.to;
        if (!snap.from.empty()) {
            if (key.from - snap.from.back() < 0.3) continue; // the same edge
            target = std::max(target, snap.to.back() + 1);
        }
        target = std::clamp(target, low, high);
        if (!snap.to.empty() && target <= snap.to.back()) continue;
        snap.from.push_back(key.from);
        snap.to.push_back(target);
    }
    return snap;
}

// Both edges of a span move to whole pixels keeping its width (rounded, half
// down, at least one pixel) and its centre as far as possible: the two dots
// of a dieresis stay alike.
void add_span(std::vector<SnapKey>& keys, double lo, double hi) {
    double width = std::max(1.0, std::ceil(hi - lo - 0.5));
    double left = std::round((lo + hi - width) / 2);
    keys.push_back({lo, left});
    keys.push_back({hi, left + width});
}

// Grid fitting in the manner of a hinter: the top, bottom, left and right
// extremes of every contour (stems, bowls, counters, dots, accents) move onto
// pixel edges, so strokes come out even and small gaps (the dot of "i", the
// hole of "°") do not close up. Coordinates are 26.6 pixels.
void snap_to_grid(FT_Outline& outline, double x_low, double x_high, double y_low, double y_high) {
    std::vector<SnapKey> x_keys, y_keys;
    int start = 0;
    for (int c = 0; c < outline.n_contours; ++c) {
        FT_Outline contour = outline;
        short last = short(outline.contours[c] - start);
        contour.n_points = short(last + 1);
        contour.points = outline.points + start;
        contour.tags = outline.tags + start;
        contour.n_contours = 1;
        contour.contours = &last;
        FT_BBox box;
        FT_Outline_Get_BBox(&contour, &box);
        // Columns: only the filled parts (dots, accents, stems of separate
        // contours); snapping the counters would unbalance the stems of round glyphs.
        if (FT_Outline_Get_Orientation(&contour) == FT_ORIENTATION_TRUETYPE)
            add_span(x_keys, box.xMin / 64.0, box.xMax / 64.0);
        y_keys.push_back({box.yMin / 64.0, std::round(box.yMin / 64.0)});
        y_keys.push_back({box.yMax / 64.0, std::round(box.yMax / 64.0)});
        start = outline.contours[c] + 1;
    }
    GridSnap snap_x = make_snap(x_keys, x_low, x_high);
    GridSnap snap_y = make_snap(y_keys, y_low, y_high);
    for (int i = 0; i < outline.n_points; ++i) {
        outline.points[i].x = FT_Pos(std::lround(snap_x(outline.points[i].x / 64.0) * 64));
        outline.points[i].y = FT_Pos(std::lround(snap_y(outline.points[i].y / 64.0) * 64));
    }
}

// Renders the current glyph's outline into a cell of plan.width columns.
Glyph render_outline(const FontSpec& spec, const GlyphPlan& plan) {
    Glyph glyph;
    glyph.width = plan.width;
    glyph.ink.assign(size_t(spec.height) * plan.width, 0);
    if (plan.width == 0) return glyph;
    Bounds b = outline_bounds();
    if (b.empty) return glyph;

    VerticalMap vmap = vertical_map(spec, b, plan.fit_cap_rows, plan.lower_case);
    double ink_units = double(std::max(1L, b.x_max - b.x_min));
    double kx = plan.ink_width / ink_units;
    double below_rows = spec.height - 1 - spec.ink_bottom;

    FT_Outline outline;
    const FT_Outline& source = face->glyph->outline;
    if (FT_Outline_New(library, source.n_points, source.n_contours, &outline)) fail("outline");
    FT_Outline_Copy(&source, &outline);
    for (int i = 0; i < outline.n_points; ++i) {
        double x = (source.points[i].x - b.x_min) * kx + plan.ink_left;
        double y = vmap(double(source.points[i].y)) + below_rows;
        outline.points[i].x = FT_Pos(std::lround(x * 64));
        outline.points[i].y = FT_Pos(std::lround(y * 64));
    }
    double y_low = plan.fit_cap_rows ? below_rows : 0;
    double y_high = plan.fit_cap_rows ? below_rows + spec.ink_bottom - spec.ink_top + 1 : spec.height;
    snap_to_grid(outline, plan.ink_left, plan.ink_left + plan.ink_width, y_low, y_high);

    std::vector<uint8_t> grey(size_t(spec.height) * plan.width, 0);
    FT_Bitmap bitmap;
    FT_Bitmap_Init(&bitmap);
    bitmap.rows = unsigned(spec.height);
    bitmap.width = unsigned(plan.width);
    bitmap.pitch = plan.width;
    bitmap.buffer = grey.data();
    bitmap.num_grays = 256;
    bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    if (FT_Outline_Get_Bitmap(library, &outline, &bitmap)) fail("render");
    FT_Outline_Done(library, &outline);

    for (size_t i = 0; i < grey.size(); ++i) glyph.ink[i] = grey[i] >= spec.threshold ? 1 : 0;

    if (plan.fit_cap_rows) {
        // Capitals and digits ink exactly the cap rows: a faint top or bottom
        // edge still gets its strongest pixel.
        for (int row : {spec.ink_top, spec.ink_bottom}) {
            uint8_t* ink = &glyph.ink[size_t(row) * plan.width];
            const uint8_t* g = &grey[size_t(row) * plan.width];
            if (std::find(ink, ink + plan.width, 1) != ink + plan.width) continue;
            ink[std::max_element(g, g + plan.width) - g] = 1;
        }
        for (int row = 0; row < spec.height; ++row)
            if (row < spec.ink_top || row > spec.ink_bottom)
                std::fill_n(&glyph.ink[size_t(row) * plan.width], plan.width, 0);
    }
    return glyph;
}

Glyph render_box(const FontSpec& spec, const GlyphPlan& plan) {
    Glyph glyph;
    glyph.width = plan.width;
    glyph.ink.assign(size_t(spec.height) * plan.width, 0);
    int pen = spec.height >= 20 ? 2 : 1;
    int left = plan.ink_left, right = plan.ink_left + plan.ink_width - 1;
    for (int row = spec.ink_top; row <= spec.ink_bottom; ++row)
        for (int col = left; col <= right; ++col) {
            bool edge = row < spec.ink_top + pen || row > spec.ink_bottom - pen || col < left + pen ||
                        col > right - pen;
            if (edge) glyph.ink[size_t(row) * plan.width + col] = 1;
        }
    return glyph;
}

uint32_t unicode_of(int code) {
    if (code < 32) return control_symbols[code];
    if (code == 127) return 0x2302; // house
    if (code >= 128 && code < 160) return cp1252_high[code - 128];
    return uint32_t(code);
}

bool is_lower_case(uint32_t u) {
    return (u >= 'a' && u <= 'z') || (u >= 0xDF && u <= 0xFF && u != 0xF7) || u == 0x0161 || u == 0x017E ||
           u == 0x0153 || u == 0x0192;
}

bool is_label_character(int code) { return code >= ' ' && code <= '~'; }

bool is_cap_or_digit(int code) { return (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'); }

// Widths and ink placement of one glyph, before the widest one is fixed.
GlyphPlan plan_glyph(const FontSpec& spec, int code, double digit_scale) {
    GlyphPlan plan;
    double scale = pixel_scale(spec);
    double sx = scale * (is_lower_case(unicode_of(code)) ? spec.lower_aspect : spec.aspect);
    int digit_width = (spec.size == 8 && code == '1') ? 7 : spec.digit;

    if (code == ' ' || code == 160) {
        plan.width = spec.space;
        return plan;
    }
    uint32_t unicode = unicode_of(code);
    if (unicode == 0 && code < 128) {
        plan.width = spec.space; // blank control codes: a small gap
        return plan;
    }
    if (unicode == 0 || !load_outline(unicode)) {
        // The holes of the code page (and any symbol the face lacks) show a box.
        plan.kind = Kind::Box;
        plan.width = std::max(3, int(std::lround(spec.digit * 0.8)));
        plan.ink_width = plan.width;
        return plan;
    }
    plan.kind = Kind::Outline;
    plan.unicode = unicode;
    plan.fit_cap_rows = is_cap_or_digit(code);
    plan.lower_case = is_lower_case(unicode);
    Bounds b = outline_bounds();
    double ink_units = b.empty ? 0 : double(b.x_max - b.x_min);
    double advance_units = double(face->glyph->metrics.horiAdvance);
    double lsb = b.empty ? 0 : double(b.x_min);
    double rsb = advance_units - lsb - ink_units;

    int fixed = -1;
    if (code >= '0' && code <= '9') fixed = digit_width;
    if (code == '-') fixed = spec.minus;
    if (code == '.') fixed = spec.dot;

    if (fixed >= 0) {
        plan.width = fixed;
        double k = (code >= '0' && code <= '9') ? digit_scale : sx;
        int room = (code >= '0' && code <= '9') ? fixed - spec.digit_margin : fixed - 1;
        plan.ink_width = std::clamp(int(std::lround(ink_units * k)), 1, std::max(1, room));
        plan.ink_left = (plan.width - plan.ink_width) / 2;
        plan.natural_advance = 0;
        return plan;
    }

    plan.natural_advance = advance_units * sx;
    plan.ink_width = std::max(1, int(std::lround(ink_units * sx)));
    plan.width = std::max(int(std::lround(advance_units * sx)) - 1, plan.ink_width);
    if (plan.width > spec.widest) plan.width = spec.widest;
    if (spec.label_width > 0 && is_label_character(code)) {
        plan.natural_advance = 0; // never the widest
        if (plan.width > spec.label_width) {
            plan.ink_width = std::max(1, plan.ink_width - (plan.width - spec.label_width));
            plan.width = spec.label_width;
        }
    }
    if (plan.ink_width > plan.width) plan.ink_width = plan.width;
    int spare = plan.width - plan.ink_width;
    double sides = std::max(0.0, lsb) + std::max(0.0, rsb);
    plan.ink_left = sides > 0 ? int(std::lround(spare * std::max(0.0, lsb) / sides)) : spare / 2;
    plan.ink_left = std::clamp(plan.ink_left, 0, spare);
    return plan;
}

// The horizontal scale of the digits: the widest digit fills its cell less the margin.
double digit_scale_for(const FontSpec& spec) {
    long widest = 1;
    for (char c = '0'; c <= '9'; ++c) {
        if (!load_outline(uint32_t(c))) fail("no digit glyph");
        Bounds b = outline_bounds();
        widest = std::max(widest, b.x_max - b.x_min);
    }
    int room = spec.digit - spec.digit_margin;
    return double(room) / double(widest);
}

std::vector<Glyph> make_font(const FontSpec& spec) {
    double digit_scale = digit_scale_for(spec);
    std::vector<GlyphPlan> plans;
    for (int code = spec.first; code <= spec.last; ++code)
        plans.push_back(plan_glyph(spec, code, digit_scale));

    // Exactly one size is the widest: the glyph that is naturally widest gets it.
    int widest = 0;
    for (auto& p : plans) widest = std::max(widest, p.width);
    if (widest < spec.widest) {
        auto it = std::max_element(plans.begin(), plans.end(), [](const GlyphPlan& a, const GlyphPlan& b) {
            return a.natural_advance < b.natural_advance;
        });
        int margins = it->width - it->ink_width;
        it->width = spec.widest;
        it->ink_width = spec.widest - margins;
        it->ink_left = std::min(it->ink_left, margins);
    }

    std::vector<Glyph> glyphs;
    for (size_t i = 0; i < plans.size(); ++i) {
        const GlyphPlan& plan = plans[i];
        if (plan.kind == Kind::Outline) {
            load_outline(plan.unicode);
            glyphs.push_back(render_outline(spec, plan));
        } else if (plan.kind == Kind::Box) {
            glyphs.push_back(render_box(spec, plan));
        } else {
            Glyph blank;
            blank.width = plan.width;
            blank.ink.assign(size_t(spec.height) * plan.width, 0);
            glyphs.push_back(blank);
        }
    }
    return glyphs;
}

std::vector<uint8_t> encode_font(const FontSpec& spec, const std::vector<Glyph>& glyphs) {
    std::vector<uint8_t> out(8 + 4 * glyphs.size(), 0);
    out[2] = uint8_t(spec.first & 0xFF);
    out[3] = uint8_t(spec.first >> 8);
    out[4] = uint8_t(spec.last & 0xFF);
    out[5] = uint8_t(spec.last >> 8);
    out[7] = uint8_t(spec.height);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        uint32_t offset = uint32_t(out.size());
        uint8_t* entry = &out[8 + 4 * i];
        entry[0] = uint8_t(offset >> 16);
        entry[1] = uint8_t(g.width);
        entry[2] = uint8_t(offset & 0xFF);
        entry[3] = uint8_t(offset >> 8);
        int row_bytes = (g.width + 7) / 8;
        for (int row = 0; row < spec.height; ++row)
            for (int byte = 0; byte < row_bytes; ++byte) {
                uint8_t bits = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    int col = byte * 8 + bit;
                    if (col < g.width && g.ink[size_t(row) * g.width + col]) bits |= uint8_t(0x80 >> bit);
                }
                out.push_back(bits);
            }
    }
    return out;
}

void write_font(std::ostream& os, const FontSpec& spec, const std::vector<uint8_t>& bytes) {
    os << "\nconst uint8_t font_" << spec.size << "[] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) os << "\n   ";
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02X,", bytes[i]);
        os << hex;
    }
    os << "\n};\nconst uint32_t font_" << spec.size << "_size = sizeof(font_" << spec.size << ");\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_fonts <DejaVuSans-Bold.ttf> <output.cpp>\n";
        return 2;
    }
    if (FT_Init_FreeType(&library)) fail("cannot start FreeType");
    if (FT_New_Face(library, argv[1], 0, &face)) fail(std::string("cannot open ") + argv[1]);
    if (!load_outline('H')) fail("no H");
    cap_units = int(outline_bounds().y_max);
    if (!load_outline('x')) fail("no x");
    x_height_units = int(outline_bounds().y_max);

    std::ofstream os(argv[2]);
    os << "// Generated by tools/make_fonts (make generate); do not edit.\n"
          "// The nine display fonts, rendered from DejaVu Sans Bold. Each is one byte string:\n"
          "// header (first and last code, height), a 4-byte entry per code and the bitmaps.\n"
          "// clang-format off\n"
          "#include \"display/fonts.h\"\n";
    for (const FontSpec& spec : font_specs) {
        std::vector<Glyph> glyphs = make_font(spec);
        write_font(os, spec, encode_font(spec, glyphs));
    }
    os << "// clang-format on\n";
    if (!os) fail(std::string("cannot write ") + argv[2]);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
