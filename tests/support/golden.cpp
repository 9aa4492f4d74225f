#include "support/golden.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "picture/picture.h"
#include "runner/files/reference_check.h"
#include "support/test_output.h"

namespace {

std::string golden_dir() { return std::string(QD5_SOURCE_DIR) + "/tests/golden"; }

} // namespace

::testing::AssertionResult matches_golden(const std::string& name) {
    ReferenceCheck check;
    check.root = golden_dir();
    check.relative = name + ".png";
    check.out_dir = test_output_dir() + "/golden";
    check.stem = name;
    check.update_flag = "make refs";
    const ReferenceOutcome outcome = check_reference(frame_picture(), check);
    if (outcome.kind == ReferenceOutcome::same || outcome.kind == ReferenceOutcome::written)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name << ": " << outcome.message;
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
