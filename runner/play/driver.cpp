#include "runner/play/driver.h"

#include <algorithm>

#include "host/panel/device.h"
#include "screens/run_screen.h"

namespace {

// A key slot that stays full this long means a screen has stopped taking keys.
constexpr int64_t KEY_PATIENCE = 1000 / MS_PER_TICK * PASSES_PER_TICK;

} // namespace

Driver::Driver() { current_screen = run_screen; }

void Driver::power_on() {
    // The first pass samples if the timer raised the flag while the device was off.
    const bool sampling = second_tick != 0;
    const PassResult first = front_panel_power_on();
    stimuli_at_last_pass_ = front_panel.stimuli;
    last_pass_idle_ = false;
    passed(first, sampling);
}

void Driver::power_off() { front_panel_power_off(); }

void Driver::set_raw(int input, uint16_t value) { front_panel_set_raw(input, value); }

void Driver::set_mode(int channel, uint8_t mode) { front_panel_set_mode(channel, mode); }

bool Driver::press(uint8_t key) {
    // While the device is off nothing takes keys: the click lands or is lost.
    for (int64_t waited = 0; on() && pending_key != 0; ++waited) {
        if (waited >= KEY_PATIENCE) return false;
        step();
    }
    front_panel_click(key);
    return true;
}

bool Driver::settle() {
    if (!on()) return true;
    for (int64_t waited = 0; pending_key != 0; ++waited) {
        if (waited >= KEY_PATIENCE) return false;
        step();
    }
    // The screen a key leads to is drawn on the pass after the key's.
    step();
    return true;
}

bool Driver::quiet() const {
    if (!front_panel.running) return true;
    return front_panel.stimuli == stimuli_at_last_pass_ && last_pass_idle_ && power_off_request == 0;
}

void Driver::run(int64_t passes) {
    // With no key, input or tick since a pass that itself followed none, a
    // pass draws that pass's frame again and changes no state: every screen
    // is idempotent then, which the idle-pass test proves over every screen.
    // Such passes are counted but not run, and a stretch of them is jumped.
    int64_t skipped = 0;
    auto report_skipped = [&] {
        if (skipped == 0) return;
        skipped = 0;
        frame_changed_ = false;
        sampled_ = false;
        if (after_pass) after_pass();
    };
    while (passes > 0) {
        if (quiet()) {
            // Up to the pass on which the timer ticks next.
            const int64_t jump = std::min(passes, PASSES_PER_TICK - 1 - now_ % PASSES_PER_TICK);
            now_ += jump;
            passes -= jump;
            if (front_panel.running) passes_ += jump, skipped += jump;
            if (passes == 0) break;
        }
        ++now_;
        --passes;
        if (now_ % PASSES_PER_TICK == 0) {
            // The skipped passes drew the frame from before the tick.
            report_skipped();
            front_panel_timer_tick();
        }
        if (!front_panel.running) continue;
        const bool idle = front_panel.stimuli == stimuli_at_last_pass_;
        if (idle && last_pass_idle_ && power_off_request == 0) {
            ++passes_;
            ++skipped;
            continue;
        }
        report_skipped();
        last_pass_idle_ = idle;
        stimuli_at_last_pass_ = front_panel.stimuli;
        const bool sampling = second_tick != 0;
        passed(front_panel_pass(), sampling);
    }
    report_skipped();
}

void Driver::passed(const PassResult& result, bool sampling) {
    if (!result.ran) return;
    ++passes_;
    frame_changed_ = result.frame_changed;
    sampled_ = sampling;
    samples_ += sampling;
    if (after_pass) after_pass();
}
