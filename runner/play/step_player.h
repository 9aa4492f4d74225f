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
    // A host that shows time as it passes (the web page) plays steps in
    // slices: with pause_at set to a pass count after now, a step that takes
    // time stops between passes once the clock reaches it, and paused() says
    // so; playing the same step again goes on where it stopped. Presses are
    // not split. -1 (qd5run, Python): every step plays whole.
    int64_t pause_at = -1;
    bool paused() const { return paused_; }
    bool capped() const { return max_passes_ >= 0 && driver_.now() >= max_passes_; }

    // Asked at least once a simulated second while a step runs, and between
    // presses: true stops the step, which then fails as interrupted. A host
    // checks here for a signal (Ctrl+C) that a long wait would otherwise
    // hold back until its end.
    std::function<bool()> interrupted;
    // Whether the last step failed because interrupted said so.
    bool stopped() const { return stopped_; }

  private:
    bool press(const Step& s, std::string& what);
    bool press_until(const Step& s, std::string& what, const Condition*& failing);
    bool wait_for(const Step& s, std::string& what, const Condition*& failing);
    // One pass; false when interrupted says to stop.
    bool advance();
    bool stop_asked();
    // Whether a step that has done some of its work stops here for pause_at.
    bool pause_here();
    // Runs up to the pass end, or to pause_at if pausable; false when interrupted.
    bool run_to(int64_t end, bool pausable);
    bool wait_samples(int samples, std::string& what);

    Driver& driver_;
    const int64_t max_passes_;
    int64_t input_at_pass_ = -1; // the pass count when a slider or the check box last moved
    bool stopped_ = false;
    bool paused_ = false;
    // Of the step paused: where its wait ends (a pass, or a count of
    // samples), and the presses it has made.
    int64_t until_ = 0;
    int presses_ = 0;
};

// The one-line message of a failed step, as qd5run prints it and the page
// shows it: "file:line:column: step: what (at 1.234 s)". A condition on a
// line of its own (a list-form expect) is named by its line.
std::string step_failure(const std::string& file, const Step& s, const std::string& what, const Condition* at,
                         double now_ms);

// The most simulated time one scenario may take; a step that keys pushed
// past it fails with this.
constexpr const char* PAST_TIME_LIMIT = "the scenario ran past the 24 h of simulated time it may take";
