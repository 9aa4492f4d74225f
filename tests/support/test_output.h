// Where tests write their pictures (sheets, actual and diff images):
// <build>/test-output, made when first asked for.
#pragma once

#include <filesystem>
#include <string>

inline std::string test_output_dir() {
    std::filesystem::create_directories(QD5_OUTPUT_DIR "/golden");
    return QD5_OUTPUT_DIR;
}
