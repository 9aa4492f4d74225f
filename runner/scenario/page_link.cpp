#include "runner/scenario/page_link.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace {

std::string raw_deflate(const std::string& text) {
    z_stream stream{};
    // Negative window bits: raw deflate, no zlib header, as CompressionStream("deflate-raw").
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return "";
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int done = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return done == Z_STREAM_END ? out : "";
}

std::string base64url(const std::string& bytes) {
    static const char* const DIGITS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        const std::size_t digits = bytes.size() - i >= 3 ? 4 : bytes.size() - i + 1; // no padding
        for (std::size_t d = 0; d < digits; ++d) out += DIGITS[(group >> (18 - 6 * d)) & 63];
    }
    return out;
}

} // namespace

std::string scenario_fragment(const std::string& text, const std::string& file) {
    return "scenario=" + base64url(raw_deflate(text)) + "&file=" + percent_encoded(file, "-_.~");
}

std::string percent_encoded(const std::string& text, const char* kept) {
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
            (c != 0 && std::strchr(kept, c) != nullptr)) {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            out += hex;
        }
    }
    return out;
}

std::string fragment_at(const std::string& fragment, int line) {
    return fragment + "&speed=max&at=" + std::to_string(line);
}

bool is_scenario_fragment(const std::string& text) {
    const std::string start = "scenario=", middle = "&file=";
    const std::size_t split = text.find(middle);
    if (!text.starts_with(start) || split == std::string::npos) return false;
    for (std::size_t i = start.size(); i < text.size(); ++i) {
        if (i >= split && i < split + middle.size()) continue;
        const char c = text[i];
        const bool digit = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_';
        if (!digit && !(i > split && (c == '%' || c == '.' || c == '~'))) return false;
    }
    return true;
}
