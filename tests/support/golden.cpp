#include "support/golden.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "support/png_image.h"

namespace {

std::string golden_dir() { return std::string(QD5_SOURCE_DIR) + "/tests/golden"; }

bool update_requested() {
    const char* value = std::getenv("QD5_UPDATE_GOLDEN");
    return value != nullptr && value[0] == '1';
}

RgbImage diff_image(const RgbImage& expected, const RgbImage& actual, int& differing) {
    RgbImage diff = actual;
    differing = 0;
    for (size_t i = 0; i + 2 < actual.pixels.size(); i += 3) {
        const bool same = expected.pixels[i] == actual.pixels[i] &&
                          expected.pixels[i + 1] == actual.pixels[i + 1] &&
                          expected.pixels[i + 2] == actual.pixels[i + 2];
        if (same) {
            for (int k = 0; k < 3; ++k) diff.pixels[i + k] = static_cast<uint8_t>(actual.pixels[i + k] / 4);
        } else {
            ++differing;
            diff.pixels[i] = 255;
            diff.pixels[i + 1] = 0;
            diff.pixels[i + 2] = 0;
        }
    }
    return diff;
}

} // namespace

::testing::AssertionResult matches_golden(const std::string& name) {
    const RgbImage actual = frame_to_image();
    const std::string reference = golden_dir() + "/" + name + ".png";
    const std::string out = test_output_dir() + "/golden/" + name;
    write_png(out + ".actual.png", actual);
    if (update_requested()) {
        if (!write_png(reference, actual))
            return ::testing::AssertionFailure() << "cannot write " << reference;
        return ::testing::AssertionSuccess();
    }
    RgbImage expected;
    if (!read_png(reference, expected))
        return ::testing::AssertionFailure()
               << "no golden image " << reference << " (run make golden to create it)";
    if (expected.width != actual.width || expected.height != actual.height)
        return ::testing::AssertionFailure() << reference << " has the wrong size";
    int differing = 0;
    const RgbImage diff = diff_image(expected, actual, differing);
    if (differing == 0) return ::testing::AssertionSuccess();
    write_png(out + ".diff.png", diff);
    return ::testing::AssertionFailure()
           << name << ": " << differing << " pixels differ; see " << out << ".actual.png and .diff.png";
}

bool write_golden_contact_sheet(const std::string& prefix, const std::string& sheet_name) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(golden_dir())) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() == ".png" && file.rfind(prefix, 0) == 0)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) return false;
    const int columns = 6, scale = 2, gap = 8;
    const int cell_w = 160 * scale + gap, cell_h = 128 * scale + gap;
    const int rows = static_cast<int>((files.size() + columns - 1) / columns);
    RgbImage sheet;
    sheet.width = columns * cell_w + gap;
    sheet.height = rows * cell_h + gap;
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 96);
    for (size_t n = 0; n < files.size(); ++n) {
        RgbImage picture;
        if (!read_png(files[n], picture)) continue;
        const int ox = gap + static_cast<int>(n % columns) * cell_w;
        const int oy = gap + static_cast<int>(n / columns) * cell_h;
        for (int y = 0; y < picture.height * scale; ++y)
            for (int x = 0; x < picture.width * scale; ++x)
                for (int k = 0; k < 3; ++k)
                    sheet.pixels[(static_cast<size_t>(oy + y) * sheet.width + ox + x) * 3 + k] =
                        picture.pixels[(static_cast<size_t>(y / scale) * picture.width + x / scale) * 3 + k];
    }
    return write_png(test_output_dir() + "/" + sheet_name + ".png", sheet);
}
