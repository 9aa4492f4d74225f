#include "runner/scenario/clean_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// The length of the valid UTF-8 character at s[i] (shortest form, no
// surrogates, at most U+10FFFF), or 0.
std::size_t utf8_length(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char lead = b(0);
    std::size_t n = 0;
    uint32_t code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        n = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        n = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        n = 4, code = lead & 0x07;
    else
        return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (b(k) & 0x3F);
    }
    const bool shortest = (n == 3 && code >= 0x800) || (n == 4 && code >= 0x10000) || n == 2;
    if (!shortest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    // C1 controls and the two non-characters that XML 1.0 forbids.
    if ((code >= 0x80 && code <= 0x9F) || code == 0xFFFE || code == 0xFFFF) return 0;
    return n;
}

} // namespace

std::string printable(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t n = utf8_length(s, i);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
            ++i;
        } else {
            out.append(s, i, n);
            i += n;
        }
    }
    return out;
}

std::string cut_utf8(const std::string& s, std::size_t bytes) {
    if (s.size() <= bytes) return s;
    std::size_t end = bytes;
    // Back over continuation bytes to the start of the character that is cut.
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    return s.substr(0, end);
}

std::string html_escaped(const std::string& s) {
    std::string out;
    for (const char c : printable(s)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string quoted_input(const std::string& s) {
    return "'" + printable(cut_utf8(s, LONGEST_QUOTE)) + (s.size() > LONGEST_QUOTE ? "...'" : "'");
}
