#include "runner/play/step_player.h"

#include <algorithm>
#include <cstdio>

#include "host/panel/device.h"
#include "runner/play/conditions.h"

const Condition* first_failing(const std::vector<Condition>& conditions, const Driver& driver,
                               std::string& found) {
    for (const Condition& c : conditions)
        if (!condition_holds(c, driver, found)) return &c;
    return nullptr;
}

bool StepPlayer::plays(StepKind kind) {
    switch (kind) {
    case StepKind::power:
    case StepKind::set:
    case StepKind::mode:
    case StepKind::zolt:
    case StepKind::press:
    case StepKind::wait:
    case StepKind::wait_for:
    case StepKind::expect:
        return true;
    default:
        return false;
    }
}

bool StepPlayer::play(const Step& s, std::string& what, const Condition*& failing) {
    failing = nullptr;
    // A slider or the check box acts on the next pass, as in the window; an
    // expect or wait-for straight after one judges the frame that shows it,
    // as it does after a press.
    if ((s.kind == StepKind::expect || s.kind == StepKind::wait_for) && driver_.on() &&
        input_at_pass_ == driver_.passes_run())
        driver_.step();
    std::string found;
    switch (s.kind) {
    case StepKind::power:
        if (s.on)
            driver_.power_on();
        else
            driver_.power_off();
        return true;
    case StepKind::set:
        for (int i = 0; i < RAW_INPUTS; ++i)
            if (s.raw[i]) driver_.set_raw(i, *s.raw[i]);
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::mode:
        for (int c = 0; c < CHANNELS; ++c)
            if (s.modes[c]) driver_.set_mode(c, *s.modes[c]);
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::zolt:
        driver_.set_zolt(s.on);
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::press:
        for (int i = 0; i < s.times; ++i)
            if (!driver_.press(s.key)) {
                what = "the key slot stayed full for a second";
                return false;
            }
        if (!driver_.settle()) {
            what = "the instrument did not take the key within a second";
            return false;
        }
        return true;
    case StepKind::wait:
        if (s.samples > 0)
            wait_samples(s.samples);
        else
            wait(s.passes);
        return true;
    case StepKind::wait_for: {
        failing = first_failing(s.conditions, driver_, found);
        for (int64_t i = 0; failing != nullptr && i < s.passes && !capped(); ++i) {
            driver_.step();
            failing = first_failing(s.conditions, driver_, found);
        }
        if (failing == nullptr || capped()) {
            failing = nullptr;
            return true;
        }
        char waited[32];
        std::snprintf(waited, sizeof waited, "%.3f s",
                      static_cast<double>(s.passes) * MS_PER_TICK / PASSES_PER_TICK / 1000);
        what = "timed out after " + std::string(waited) + " waiting for " + describe(*failing) + "; found " +
               found;
        return false;
    }
    case StepKind::expect:
        failing = first_failing(s.conditions, driver_, found);
        if (failing == nullptr) return true;
        what = "expected " + describe(*failing) + "; found " + found;
        return false;
    default:
        return true;
    }
}

void StepPlayer::wait(int64_t passes) {
    driver_.run(max_passes_ >= 0 ? std::min(passes, std::max<int64_t>(0, max_passes_ - driver_.now()))
                                 : passes);
}

// The sampling tick flips the blink phase; the pass on that tick samples.
// Only a tick flips it, so time moves from tick to tick.
void StepPlayer::wait_samples(int samples) {
    for (int seen = 0; seen < samples && !capped();) {
        const uint8_t phase = blink_phase;
        wait(PASSES_PER_TICK - driver_.now() % PASSES_PER_TICK);
        seen += blink_phase != phase;
    }
}
