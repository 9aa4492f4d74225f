#include "support/golden.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "picture/picture.h"
#include "support/test_output.h"

namespace {

std::string golden_dir() { return std::string(QD5_SOURCE_DIR) + "/tests/golden"; }

} // namespace

::testing::AssertionResult matches_golden(const std::string& name) {
    const RgbPicture actual = frame_picture();
    const std::string reference = golden_dir() + "/" + name + ".png";
    const std::string out = test_output_dir() + "/golden/" + name;
    write_png_file(out + ".actual.png", actual);
    if (references_update_requested()) {
        if (!write_png_file(reference, actual))
            return ::testing::AssertionFailure() << "cannot write " << reference;
        return ::testing::AssertionSuccess();
    }
    RgbPicture expected;
    if (!read_png_file(reference, expected))
        return ::testing::AssertionFailure() << "no golden image " << reference << " (make refs creates it)";
    const int64_t differing = differing_pixels(actual, expected);
    if (differing < 0) return ::testing::AssertionFailure() << reference << " has the wrong size";
    if (differing == 0) return ::testing::AssertionSuccess();
    write_png_file(out + ".diff.png", diff_picture(actual, expected));
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
    RgbPicture sheet;
    sheet.width = columns * cell_w + gap;
    sheet.height = rows * cell_h + gap;
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 96);
    for (size_t n = 0; n < files.size(); ++n) {
        RgbPicture picture;
        if (!read_png_file(files[n], picture)) continue;
        const int ox = gap + static_cast<int>(n % columns) * cell_w;
        const int oy = gap + static_cast<int>(n / columns) * cell_h;
        for (int y = 0; y < picture.height * scale; ++y)
            for (int x = 0; x < picture.width * scale; ++x)
                for (int k = 0; k < 3; ++k)
                    sheet.rgb[(static_cast<size_t>(oy + y) * sheet.width + ox + x) * 3 + k] =
                        picture.rgb[(static_cast<size_t>(y / scale) * picture.width + x / scale) * 3 + k];
    }
    return write_png_file(test_output_dir() + "/" + sheet_name + ".png", sheet);
}
