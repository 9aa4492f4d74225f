#include "runner/play/step_player.h"

#include <algorithm>
#include <cstdio>

#include "host/panel/device.h"
#include "runner/play/conditions.h"
#include "runner/play/reading_inverse.h"

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
    case StepKind::click:
    case StepKind::settings:
        return true;
    default:
        return false;
    }
}

namespace {

constexpr int64_t PASSES_PER_SECOND = 1000 / MS_PER_TICK * PASSES_PER_TICK;
constexpr const char* INTERRUPTED = "interrupted";

} // namespace

bool StepPlayer::play(const Step& s, std::string& what, const Condition*& failing) {
    failing = nullptr;
    stopped_ = false;
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
    case StepKind::set: {
        // Every reading is worked out before any slider moves: a step that
        // fails moves none.
        std::array<std::optional<uint16_t>, RAW_INPUTS> raw = s.raw;
        for (int i = 0; i < RAW_INPUTS; ++i) {
            uint16_t value = 0;
            if (!s.by_reading[i]) continue;
            if (!raw_for_reading(i, *s.by_reading[i], value, what)) return false;
            raw[i] = value;
        }
        for (int i = 0; i < RAW_INPUTS; ++i)
            if (raw[i]) driver_.set_raw(i, *raw[i]);
        input_at_pass_ = driver_.passes_run();
        return true;
    }
    case StepKind::mode:
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            if (s.modes[c]) driver_.set_mode(c, *s.modes[c]);
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::zolt:
        driver_.set_zolt(s.on);
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::press:
        if (s.until) return press_until(s, what, failing);
        if (s.times == 0) return true;
        for (int i = 0; i < s.times; ++i) {
            if (!driver_.press(s.key)) {
                what = "the key slot stayed full for a second";
                return false;
            }
            if (stop_asked()) {
                what = INTERRUPTED;
                return false;
            }
        }
        if (!driver_.settle()) {
            what = "the instrument did not take the key within a second";
            return false;
        }
        return true;
    case StepKind::click:
        driver_.click(s.key);
        return true;
    case StepKind::settings:
        // Power-on loads the defaults, which would undo the fixture at once.
        if (!driver_.on()) {
            what = "settings are written only while the instrument is on (power-on loads the defaults)";
            return false;
        }
        for (const SettingWrite& w : s.settings) write_setting(w);
        driver_.settings_written();
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::wait:
        if (s.samples > 0) return wait_samples(s.samples, what);
        if (wait(s.passes)) return true;
        what = INTERRUPTED;
        return false;
    case StepKind::wait_for: {
        failing = first_failing(s.conditions, driver_, found);
        for (int64_t i = 0; failing != nullptr && i < s.passes && !capped(); ++i) {
            if (!advance()) {
                failing = nullptr;
                what = INTERRUPTED;
                return false;
            }
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

bool StepPlayer::stop_asked() {
    if (interrupted && interrupted()) stopped_ = true;
    return stopped_;
}

// Each press settles before the conditions are judged; every condition that
// does not hold after the last press is named.
bool StepPlayer::press_until(const Step& s, std::string& what, const Condition*& failing) {
    std::string found;
    for (int i = 0; i < s.times; ++i) {
        if (!driver_.press(s.key)) {
            what = "the key slot stayed full for a second";
            return false;
        }
        if (!driver_.settle()) {
            what = "the instrument did not take the key within a second";
            return false;
        }
        failing = first_failing(s.conditions, driver_, found);
        if (failing == nullptr) return true;
        if (stop_asked()) {
            what = INTERRUPTED;
            return false;
        }
    }
    what = "still not after " + std::to_string(s.times) + (s.times == 1 ? " press:" : " presses:");
    for (const Condition& c : s.conditions)
        if (!condition_holds(c, driver_, found))
            what += " expected " + describe(c) + ", found " + found + ";";
    what += " the last frame shows " + shown_texts();
    return false;
}

bool StepPlayer::advance() {
    driver_.step();
    return driver_.now() % PASSES_PER_SECOND != 0 || !stop_asked();
}

bool StepPlayer::wait(int64_t passes) {
    if (max_passes_ >= 0) passes = std::min(passes, std::max<int64_t>(0, max_passes_ - driver_.now()));
    while (passes > 0) {
        // The driver jumps quiet stretches: it runs up to each whole second, where a stop is asked for.
        const int64_t run = std::min(passes, PASSES_PER_SECOND - driver_.now() % PASSES_PER_SECOND);
        driver_.run(run);
        passes -= run;
        if (driver_.now() % PASSES_PER_SECOND == 0 && stop_asked()) return false;
    }
    return true;
}

// Samplings the instrument takes, ending on the pass that takes the last: a
// wait for samples while it is off would never end, so it fails at once.
bool StepPlayer::wait_samples(int samples, std::string& what) {
    const int64_t until = driver_.samples() + samples;
    while (driver_.samples() < until && !capped()) {
        if (!driver_.on()) {
            what = "the instrument is off and takes no samples (" +
                   std::to_string(samples - (until - driver_.samples())) + " of " + std::to_string(samples) +
                   " taken)";
            return false;
        }
        // Only the pass on a tick samples: time moves from tick to tick.
        if (!wait(PASSES_PER_TICK - driver_.now() % PASSES_PER_TICK)) {
            what = INTERRUPTED;
            return false;
        }
    }
    return true;
}
