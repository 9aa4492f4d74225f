#include "runner/files/path_rule.h"

bool confined_relative_path(const std::string& path, std::string& why) {
    if (path.empty()) return why = "the path is empty", false;
    if (path.size() > LONGEST_PATH) return why = "the path is longer than 4096 bytes", false;
    if (path.front() == '/') return why = "the path is absolute", false;
    for (const char c : path)
        if (c == '\\' || static_cast<unsigned char>(c) < ' ' || c == 0x7F)
            return why = "no backslashes, zero bytes, newlines or other control characters in paths", false;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part.empty()) return why = "the path has an empty folder name", false;
        if (part == "." || part == "..") return why = "the path has a \".\" or \"..\" part", false;
        start = end + 1;
    }
    return true;
}
