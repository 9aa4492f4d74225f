// The one rule for a relative path that a file names inside its folder: a
// scenario's save and compare paths, a flows file's keys and stored frames, a
// report's pictures. It is lexical only, so that the scenario language can
// check paths at load time where there are no files (the page); the file layer
// then opens each folder on the way without following a symlink.
#pragma once
#include <cstddef>
#include <string>

constexpr std::size_t LONGEST_PATH = 4096;

// True when path is relative, at most LONGEST_PATH bytes, made of parts that
// are neither empty, "." nor "..", and free of backslashes, NUL and other
// control characters. Otherwise why says which, in one line.
bool confined_relative_path(const std::string& path, std::string& why);
