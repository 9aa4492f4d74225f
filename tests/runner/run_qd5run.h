// qd5run's command run in the test process, and a file read whole, for the
// tests of what the command reads and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/cli.h"

inline int run_qd5run(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>("qd5run")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    return qd5run_main(static_cast<int>(argv.size()), argv.data());
}

inline std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
