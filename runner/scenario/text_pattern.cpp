#include "runner/scenario/text_pattern.h"

#include <re2/re2.h>

std::shared_ptr<const re2::RE2> compile_text_pattern(const std::string& latin1, std::string& why) {
    if (latin1.size() > MAX_PATTERN_BYTES) {
        why = "longer than " + std::to_string(MAX_PATTERN_BYTES) + " characters";
        return nullptr;
    }
    re2::RE2::Options options;
    options.set_encoding(re2::RE2::Options::EncodingLatin1);
    options.set_log_errors(false);
    // A small program: a pattern whose expansion would need more is refused.
    options.set_max_mem(1 << 20);
    auto pattern = std::make_shared<const re2::RE2>(latin1, options);
    if (pattern->ok()) return pattern;
    why = pattern->error();
    return nullptr;
}

bool text_pattern_matches(const re2::RE2& pattern, const char* text) {
    return re2::RE2::FullMatch(text, pattern);
}
