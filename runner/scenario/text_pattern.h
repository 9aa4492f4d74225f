// Patterns of the text-matches conditions: RE2, whose matching time grows
// with the text alone, so that no pattern can hang a run.
#pragma once

#include <memory>
#include <string>

namespace re2 {
class RE2;
}

// The longest pattern taken: far more than any drawn text needs.
constexpr std::size_t MAX_PATTERN_BYTES = 256;

// latin1 compiled as a pattern over the instrument's single-byte texts, or
// nullptr with why.
std::shared_ptr<const re2::RE2> compile_text_pattern(const std::string& latin1, std::string& why);
// Whether the whole of text matches.
bool text_pattern_matches(const re2::RE2& pattern, const char* text);
