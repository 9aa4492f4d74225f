#include "runner/files/evidence_names.h"

#include <cstdio>
#include <filesystem>

#include "runner/play/flow.h"
#include "runner/play/fnv.h"

namespace fs = std::filesystem;

namespace {

bool kept(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

} // namespace

std::string evidence_stem(const std::string& scenario_file) {
    const std::string path = fs::path(scenario_file).lexically_normal().generic_string();
    std::string stem;
    for (const char c : path) {
        if (kept(c) && !(c == '.' && stem.empty())) {
            stem += c;
        } else if (c == '/') {
            stem += '~';
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "+%02X", static_cast<unsigned char>(c));
            stem += escaped;
        }
    }
    if (stem.size() <= LONGEST_STEM) return stem;
    // "+h" never appears in a short stem, whose "+" is always followed by hex.
    const std::string hash = "+h" + hash_text(fnv_bytes(path.data(), path.size()));
    std::size_t cut = LONGEST_STEM - hash.size();
    while (cut > 0 && stem.rfind('+', cut - 1) != std::string::npos && stem.rfind('+', cut - 1) + 3 > cut)
        --cut; // never inside a "+XX"
    return stem.substr(0, cut) + hash;
}

bool is_evidence_stem(const std::string& stem) {
    if (stem.empty() || stem.size() > LONGEST_STEM || stem.front() == '.') return false;
    for (const char* own : {"index", "screens", "coverage"})
        if (stem == own) return false;
    for (const char c : stem)
        if (!kept(c) && c != '~' && c != '+') return false;
    return true;
}

std::string evidence_picture(const std::string& stem, Evidence kind) {
    return "pictures/" + stem + "." + EVIDENCE_NAMES[static_cast<int>(kind)] + ".png";
}

std::string screen_picture(uint64_t hash) { return "screens/" + hash_text(hash) + ".png"; }

std::string scenario_page(const std::string& stem) { return stem + ".html"; }

std::string scenario_folder(const std::string& scenario_file) {
    const std::string folder = fs::path(scenario_file).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string comparison_stem(const std::string& evidence, const std::string& reference_path) {
    return evidence + "." + std::filesystem::path(reference_path).stem().string();
}

std::string report_output(const std::string& stem, const std::string& save) {
    return "outputs/" + stem + "/" + save;
}
