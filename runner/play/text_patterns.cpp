#include "runner/play/text_patterns.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "display/text_record.h"
#include "runner/play/conditions.h"
#include "runner/scenario/text_pattern.h"
#include "runner/scenario/vocabulary.h"

namespace {

bool positive(ConditionKind k) {
    return k == ConditionKind::text_contains || k == ConditionKind::text_matches;
}

bool text_fits(const Condition& c, const char* text) {
    if (c.kind == ConditionKind::text_contains || c.kind == ConditionKind::no_text_contains)
        return std::strstr(text, c.text.c_str()) != nullptr;
    return c.pattern != nullptr && text_pattern_matches(*c.pattern, text);
}

// Edits (insert, delete, replace one character) from a to b.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

bool text_pattern_holds(const Condition& c, std::string& found) {
    for (int i = 0; i < text_record_count; ++i) {
        if (!text_shown(i) || !text_options_match(i, c) || !text_fits(c, text_record[i].text)) continue;
        if (positive(c.kind)) return true;
        const TextRecordEntry& e = text_record[i];
        found = "\"" + latin1_to_utf8(e.text) + "\" was drawn at x " + std::to_string(e.x) + ", y " +
                std::to_string(e.y) + " (colour " + std::to_string(e.colour) + ", size " +
                std::to_string(e.size) + ")";
        return false;
    }
    if (!positive(c.kind)) return true;
    found = drawn_texts();
    return false;
}

std::string describe_text_pattern(const Condition& c) {
    static const char* const WORDS[] = {"a text containing", "no text containing", "a text matching",
                                        "no text matching"};
    const int word = static_cast<int>(c.kind) - static_cast<int>(ConditionKind::text_contains);
    std::string out = std::string(WORDS[word]) + " \"" + latin1_to_utf8(c.text.c_str()) + "\"";
    if (c.colour >= 0) out += " in colour " + std::to_string(c.colour);
    if (c.size >= 0) out += " in size " + std::to_string(c.size);
    if (c.at) out += " at " + std::to_string(c.x) + "," + std::to_string(c.y);
    return out;
}

std::string nearest_text_hint(const std::string& wanted) {
    int best = -1;
    std::size_t best_distance = 0;
    for (int i = 0; i < text_record_count; ++i) {
        if (!text_shown(i) || text_record[i].text[0] == 0) continue;
        const std::size_t d = distance(wanted, text_record[i].text);
        if (best < 0 || d < best_distance) best = i, best_distance = d;
    }
    // A text that shares less than half of the wanted one is no likely slip.
    const std::size_t most = wanted.size() / 2 > 1 ? wanted.size() / 2 : 1;
    if (best < 0 || best_distance == 0 || best_distance > most) return "";
    return "; did you mean '" + latin1_to_utf8(text_record[best].text) + "'?";
}
