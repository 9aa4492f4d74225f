// Builds the instrument's icons from their text drawings.
//
//   make_icons <icon dir> <output .cpp> [<preview dir>]
//
// Every <name>.txt in the icon directory is one picture: comment lines start
// with '#', legend lines "<char> = <colour index>" map characters to colours,
// and every other non-empty line is one row of pixels, one character each. The
// tool writes the pictures as run-length images into the output source, checks
// that lcd_draw_image gives back every pixel, and writes enlarged PNG previews
// (by default next to the tool, in icon_previews/).
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "display/image.h"
#include "display/palette.h"

namespace fs = std::filesystem;

namespace {

constexpr int PREVIEW_SCALE = 8;
constexpr int MAX_PACKET = 127;
constexpr int MIN_RUN = 3; // shorter repeats are cheaper inside a literal

struct Icon {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // colour indices, rows top first
};

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "make_icons: " << message << "\n";
    std::exit(1);
}

bool is_legend(const std::string& line) { return line.size() >= 5 && line.compare(1, 3, " = ") == 0; }

Icon read_icon(const fs::path& path) {
    std::ifstream in(path);
    if (!in) fail("cannot read " + path.string());
    Icon icon;
    icon.name = path.stem().string();
    std::map<char, int> legend;
    std::vector<std::string> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (is_legend(line)) {
            const int index = std::stoi(line.substr(4));
            if (index < 0 || index >= PALETTE_SIZE) fail(path.string() + ": no colour " + line.substr(4));
            legend[line[0]] = index;
        } else {
            rows.push_back(line);
        }
    }
    if (rows.empty()) fail(path.string() + ": no pixels");
    icon.width = static_cast<int>(rows[0].size());
    icon.height = static_cast<int>(rows.size());
    if (icon.width > LCD_WIDTH || icon.height > LCD_HEIGHT) fail(path.string() + ": larger than the screen");
    for (const std::string& row : rows) {
        if (static_cast<int>(row.size()) != icon.width) fail(path.string() + ": rows of different lengths");
        for (char c : row) {
            const auto it = legend.find(c);
            if (it == legend.end())
                fail(path.string() + ": '" + std::string(1, c) + "' is not in the legend");
            icon.pixels.push_back(static_cast<uint8_t>(it->second));
        }
    }
    return icon;
}

// One row as packets: runs of at least MIN_RUN equal pixels, literals between
// them. No packet is empty and none runs past the row.
void encode_row(const uint8_t* row, int width, std::vector<uint8_t>& out) {
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < MAX_PACKET && row[i + run] == row[i]) ++run;
        if (run >= MIN_RUN) {
            out.push_back(static_cast<uint8_t>(0x80 + run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        int end = i;
        while (end < width && end - i < MAX_PACKET) {
            int repeat = 1;
            while (end + repeat < width && repeat < MIN_RUN && row[end + repeat] == row[end]) ++repeat;
            if (repeat >= MIN_RUN) break;
            ++end;
        }
        out.push_back(static_cast<uint8_t>(end - i));
        out.insert(out.end(), row + i, row + end);
        i = end;
    }
}

std::vector<uint8_t> encode(const Icon& icon) {
    std::vector<uint8_t> out = {
        static_cast<uint8_t>(icon.width & 0xFF), static_cast<uint8_t>(icon.width >> 8),
        static_cast<uint8_t>(icon.height & 0xFF), static_cast<uint8_t>(icon.height >> 8)};
    for (int y = 0; y < icon.height; ++y)
        encode_row(&icon.pixels[static_cast<size_t>(y) * icon.width], icon.width, out);
    return out;
}

// Decodes with the instrument's own decoder over a marked frame buffer: every
// pixel must come back and nothing outside the picture may change.
void check_round_trip(const Icon& icon, const std::vector<uint8_t>& data) {
    constexpr uint8_t MARK = 0xFF;
    std::memset(FrameBuffer, MARK, sizeof FrameBuffer);
    lcd_draw_image(0, 0, data.data());
    for (int y = 0; y < LCD_HEIGHT; ++y)
        for (int x = 0; x < LCD_WIDTH; ++x) {
            const bool inside = x < icon.width && y < icon.height;
            const uint8_t expected = inside ? icon.pixels[static_cast<size_t>(y) * icon.width + x] : MARK;
            if (FrameBuffer[y][x] != expected)
                fail(icon.name + ": decoded picture differs at " + std::to_string(x) + ", " +
                     std::to_string(y));
        }
}

void write_source(const fs::path& path, const std::vector<Icon>& icons,
                  const std::vector<std::vector<uint8_t>>& data) {
    std::ostringstream out;
    out << "// Generated by tools/make_icons (make generate); do not edit.\n"
        << "// The drawings are tools/icons/<name>.txt; run-length image format of lcd_draw_image.\n"
        << "#include \"display/icons.h\"\n\n// clang-format off\n";
    for (size_t i = 0; i < icons.size(); ++i) {
        out << "\n// " << icons[i].width << " by " << icons[i].height << " pixels, " << data[i].size()
            << " bytes.\n"
            << "const uint8_t " << icons[i].name << "[] = {";
        for (size_t k = 0; k < data[i].size(); ++k) {
            if (k % 16 == 0) out << "\n   ";
            char hex[8];
            std::snprintf(hex, sizeof hex, " 0x%02X,", data[i][k]);
            out << hex;
        }
        out << "\n};\n";
    }
    out << "// clang-format on\n";
    std::ofstream file(path);
    file << out.str();
    if (!file) fail("cannot write " + path.string());
}

void write_png(const fs::path& path, const std::vector<uint8_t>& indices, int width, int height, int scale) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * scale * height * scale * 3);
    for (int y = 0; y < height * scale; ++y)
        for (int x = 0; x < width * scale; ++x) {
            const uint32_t c = lcd_palette[indices[static_cast<size_t>(y / scale) * width + x / scale]];
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width * scale + x) * 3];
            p[0] = static_cast<uint8_t>(c >> 16);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c);
        }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width * scale);
    png.height = static_cast<png_uint_32>(height * scale);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr))
        fail("cannot write " + path.string());
}

// Each icon on its own, and all of them side by side on a grey strip with a
// gap of 4 pixels, so that their black backgrounds show as squares.
void write_previews(const fs::path& dir, const std::vector<Icon>& icons) {
    fs::create_directories(dir);
    constexpr int GAP = 4;
    constexpr uint8_t STRIP = 229;
    int width = GAP, height = 0;
    for (const Icon& icon : icons) {
        write_png(dir / (icon.name + ".png"), icon.pixels, icon.width, icon.height, PREVIEW_SCALE);
        width += icon.width + GAP;
        height = std::max(height, icon.height);
    }
    height += 2 * GAP;
    std::vector<uint8_t> sheet(static_cast<size_t>(width) * height, STRIP);
    int left = GAP;
    for (const Icon& icon : icons) {
        for (int y = 0; y < icon.height; ++y)
            for (int x = 0; x < icon.width; ++x)
                sheet[static_cast<size_t>(y + GAP) * width + left + x] =
                    icon.pixels[static_cast<size_t>(y) * icon.width + x];
        left += icon.width + GAP;
    }
    write_png(dir / "icon_sheet.png", sheet, width, height, PREVIEW_SCALE / 2);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) fail("usage: make_icons <icon dir> <output .cpp> [<preview dir>]");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(argv[1]))
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) fail(std::string("no drawings in ") + argv[1]);

    std::vector<Icon> icons;
    std::vector<std::vector<uint8_t>> data;
    for (const fs::path& file : files) {
        icons.push_back(read_icon(file));
        data.push_back(encode(icons.back()));
        check_round_trip(icons.back(), data.back());
    }
    write_source(argv[2], icons, data);
    const fs::path previews =
        argc == 4 ? fs::path(argv[3]) : fs::absolute(argv[0]).parent_path() / "icon_previews";
    write_previews(previews, icons);
    for (size_t i = 0; i < icons.size(); ++i)
        std::cout << icons[i].name << ": " << data[i].size() << " bytes\n";
    std::cout << "previews in " << previews.string() << "\n";
    return 0;
}
