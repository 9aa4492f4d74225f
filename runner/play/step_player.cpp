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
    const bool resuming = paused_;
    paused_ = false;
    if (!resuming) presses_ = 0;
    // A slider or the check box acts on the next pass, as in the window; an
    // expect or wait-for straight after one judges the frame that shows it,
    // as it does after a press.
    if (!resuming && (s.kind == StepKind::expect || s.kind == StepKind::wait_for) && driver_.on() &&
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
        return s.until ? press_until(s, what, failing) : press(s, what);
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
        if (!resuming) until_ = s.samples > 0 ? driver_.samples() + s.samples : driver_.now() + s.passes;
        if (s.samples > 0) return wait_samples(s.samples, what);
        if (!run_to(until_, true)) {
            what = INTERRUPTED;
            return false;
        }
        paused_ = driver_.now() < until_ && !capped();
        return true;
    case StepKind::wait_for:
        if (!resuming) until_ = driver_.now() + s.passes;
        return wait_for(s, what, failing);
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

bool StepPlayer::pause_here() {
    paused_ = pause_at >= 0 && driver_.now() >= pause_at;
    return paused_;
}

// Each press waits for the key slot; the last one settles.
bool StepPlayer::press(const Step& s, std::string& what) {
    if (s.times == 0) return true;
    for (; presses_ < s.times; ++presses_) {
        if (presses_ > 0 && pause_here()) return true;
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
}

// Each press settles before the conditions are judged; every condition that
// does not hold after the last press is named.
bool StepPlayer::press_until(const Step& s, std::string& what, const Condition*& failing) {
    std::string found;
    for (; presses_ < s.times; ++presses_) {
        if (presses_ > 0 && pause_here()) return true;
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

// Pass by pass until every condition holds, or the timeout (until_) passes.
bool StepPlayer::wait_for(const Step& s, std::string& what, const Condition*& failing) {
    std::string found;
    failing = first_failing(s.conditions, driver_, found);
    while (failing != nullptr && driver_.now() < until_ && !capped()) {
        if (pause_at >= 0 && driver_.now() >= pause_at) {
            failing = nullptr;
            paused_ = true;
            return true;
        }
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
    what =
        "timed out after " + std::string(waited) + " waiting for " + describe(*failing) + "; found " + found;
    return false;
}

bool StepPlayer::advance() {
    driver_.step();
    return driver_.now() % PASSES_PER_SECOND != 0 || !stop_asked();
}

bool StepPlayer::run_to(int64_t end, bool pausable) {
    if (max_passes_ >= 0) end = std::min(end, std::max(driver_.now(), max_passes_));
    if (pausable && pause_at >= 0) end = std::min(end, std::max(driver_.now(), pause_at));
    while (driver_.now() < end) {
        // The driver jumps quiet stretches: it runs up to each whole second, where a stop is asked for.
        driver_.run(std::min(end - driver_.now(), PASSES_PER_SECOND - driver_.now() % PASSES_PER_SECOND));
        if (driver_.now() % PASSES_PER_SECOND == 0 && stop_asked()) return false;
    }
    return true;
}

// Samplings the instrument takes, ending on the pass that takes the last
// (until_ counts them): a wait for samples while it is off would never end,
// so it fails at once.
bool StepPlayer::wait_samples(int samples, std::string& what) {
    while (driver_.samples() < until_ && !capped()) {
        if (!driver_.on()) {
            what = "the instrument is off and takes no samples (" +
                   std::to_string(samples - (until_ - driver_.samples())) + " of " + std::to_string(samples) +
                   " taken)";
            return false;
        }
        if (pause_at >= 0 && driver_.now() >= pause_at) {
            paused_ = true;
            return true;
        }
        // Only the pass on a tick samples: time moves from tick to tick.
        if (!run_to(driver_.now() + PASSES_PER_TICK - driver_.now() % PASSES_PER_TICK, false)) {
            what = INTERRUPTED;
            return false;
        }
    }
    return true;
}

std::string step_failure(const std::string& file, const Step& s, const std::string& what, const Condition* at,
                         double now_ms) {
    char when[32];
    std::snprintf(when, sizeof when, "%.3f s", now_ms / 1000);
    const bool own_line = at != nullptr && at->line != s.line;
    return file + ":" + std::to_string(own_line ? at->line : s.line) + ":" +
           std::to_string(own_line ? at->column : s.column) + ": " + s.summary + ": " + what + " (at " +
           when + ")";
}
