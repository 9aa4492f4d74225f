// What became of one scenario, and its name: the one verdict that the console,
// JUnit, the report and its merge all show and count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// pass and fail are the scenario's own; error: it could not run or ended
// abnormally; interrupted: a signal stopped the run before it finished.
enum class Verdict : uint8_t { pass, fail, error, interrupted };
constexpr int VERDICT_KINDS = 4;
inline constexpr const char* VERDICT_NAMES[VERDICT_KINDS] = {"pass", "fail", "error", "interrupted"};

inline const char* verdict_name(Verdict verdict) { return VERDICT_NAMES[static_cast<int>(verdict)]; }
// False when name is none of VERDICT_NAMES.
inline bool parse_verdict(const std::string& name, Verdict& verdict) {
    for (int k = 0; k < VERDICT_KINDS; ++k)
        if (name == VERDICT_NAMES[k]) {
            verdict = static_cast<Verdict>(k);
            return true;
        }
    return false;
}

// How many scenarios got each verdict.
struct VerdictCounts {
    std::size_t of[VERDICT_KINDS] = {};
    void add(Verdict verdict) { ++of[static_cast<int>(verdict)]; }
    std::size_t operator[](Verdict verdict) const { return of[static_cast<int>(verdict)]; }
    std::size_t total() const { return of[0] + of[1] + of[2] + of[3]; }
    // "2 passed, 1 failed, 1 error, 1 interrupted": errors and interrupted only when there are any.
    std::string text() const;
};

inline std::string VerdictCounts::text() const {
    static const char* const words[VERDICT_KINDS][2] = {{" passed", " passed"},
                                                        {" failed", " failed"},
                                                        {" error", " errors"},
                                                        {" interrupted", " interrupted"}};
    std::string out;
    for (int k = 0; k < VERDICT_KINDS; ++k) {
        if (k > 1 && of[k] == 0) continue;
        out += (out.empty() ? "" : ", ") + std::to_string(of[k]) + words[k][of[k] == 1 ? 0 : 1];
    }
    return out;
}
