// The steps that act on the instrument and judge it (power, set, mode, zolt,
// press, click, settings, wait, wait-for, expect), played on a driver exactly as qd5run plays
// them. The runner and the Python module both play their steps here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runner/play/driver.h"
#include "runner/scenario/scenario.h"

// The first condition that does not hold (found says what was there), or nullptr.
const Condition* first_failing(const std::vector<Condition>& conditions, const Driver& driver,
                               std::string& found);

class StepPlayer {
  public:
    // max_passes caps simulated time (-1: no cap), as the fuzz target needs.
    StepPlayer(Driver& driver, int64_t max_passes) : driver_(driver), max_passes_(max_passes) {}

    // Whether play() handles steps of this kind; pictures and recordings are the host's.
    static bool plays(StepKind kind);
    // Plays one step. False on a failure: what says what was expected and
    // found, failing names the condition (or stays nullptr).
    bool play(const Step& s, std::string& what, const Condition*& failing);
    bool capped() const { return max_passes_ >= 0 && driver_.now() >= max_passes_; }

    // Asked at least once a simulated second while a step runs, and between
    // presses: true stops the step, which then fails as interrupted. A host
    // checks here for a signal (Ctrl+C) that a long wait would otherwise
    // hold back until its end.
    std::function<bool()> interrupted;
    // Whether the last step failed because interrupted said so.
    bool stopped() const { return stopped_; }

  private:
    bool press_until(const Step& s, std::string& what, const Condition*& failing);
    // One pass; false when interrupted says to stop.
    bool advance();
    bool stop_asked();
    bool wait(int64_t passes);
    bool wait_samples(int samples, std::string& what);

    Driver& driver_;
    const int64_t max_passes_;
    int64_t input_at_pass_ = -1; // the pass count when a slider or the check box last moved
    bool stopped_ = false;
};
