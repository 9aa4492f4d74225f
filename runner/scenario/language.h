// The words of the scenario language, steps and conditions, with an example
// of each in a scenario and in Python and what it does: the one table that
// the loader's lists of names, the Python module and the tables of
// docs/SCENARIOS.md and docs/PYTHON.md come from.
#pragma once

#include <string>

struct LanguageWord {
    const char* name;    // as a scenario writes it; Python writes - as _
    const char* example; // in a scenario
    const char* python;  // the same in Python, or "" where Python has its own call
    const char* meaning; // Markdown, on one line
};
extern const LanguageWord STEP_WORDS[];
extern const int STEP_WORD_COUNT;
extern const LanguageWord CONDITION_WORDS[];
extern const int CONDITION_WORD_COUNT;

// "a, b, c": the names, for messages.
std::string word_names(const LanguageWord* words, int count);
// The Markdown table of the docs: steps or conditions, as a scenario or in Python.
std::string language_table(bool steps, bool python);
