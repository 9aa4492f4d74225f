#include "runner/files/live_page.h"

#include <filesystem>
#include <system_error>

#include "runner/files/confined_files.h"

namespace fs = std::filesystem;

namespace {

// The page is a handful of files; none is near this.
constexpr std::size_t MAX_PAGE_FILE_BYTES = 8 << 20;

bool has_page(const fs::path& dir) {
    std::error_code error;
    return fs::is_regular_file(dir / "index.html", error) && fs::is_regular_file(dir / "qd5-wasm.js", error);
}

} // namespace

std::string built_page_dir() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = self.parent_path().parent_path() / "share" / "qd5sim" / "web";
        if (has_page(installed)) return installed.string();
    }
#ifdef QD5_BUILT_PAGE
    if (has_page(QD5_BUILT_PAGE)) return QD5_BUILT_PAGE;
#endif
    return "";
}

bool copy_live_page(const std::string& page_dir, const std::string& dir, std::string& why) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(page_dir, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::string name = entry.path().filename().string();
        std::string bytes;
        if (!read_file_beneath(page_dir, name, MAX_PAGE_FILE_BYTES, bytes, why) ||
            !write_file_beneath(dir, std::string(LIVE_FOLDER) + "/" + name, bytes, true, nullptr, why)) {
            why = name + ": " + why;
            return false;
        }
    }
    if (error) {
        why = page_dir + ": " + error.message();
        return false;
    }
    return true;
}
