// The conditions on parts and patterns of drawn texts, and the nearest drawn
// text for a text that was not found.
#pragma once

#include <string>

#include "runner/scenario/scenario.h"

// text-contains, text-matches and their negations, under the visibility
// rule of text.
bool text_pattern_holds(const Condition& condition, std::string& found);
std::string describe_text_pattern(const Condition& condition);
// "; did you mean '...'?" naming the shown text nearest to wanted (Latin-1),
// or "" when none is shown, the nearest is wanted itself, or it differs in
// more than half of wanted's characters.
std::string nearest_text_hint(const std::string& wanted);
