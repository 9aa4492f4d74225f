// The runner skips a pass that follows an idle pass with nothing new (no key,
// input or tick that a screen sees): that is sound only if every screen is
// idempotent then. This walk reaches every screen and checks, after each step,
// that a second idle pass leaves the frame and every instrument variable as
// the first left them, and so does a pass after a tick that moved only the
// timer's dividers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "display/text.h"
#include "display/text_record.h"
#include "display/trig.h"
#include "host/panel/front_panel.h"
#include "host/panel/instrument.h"
#include "screens/gauge.h"

namespace {

struct Region {
    const void* at;
    size_t size;
};

template <typename T> Region region(const T& object) { return {&object, sizeof object}; }

// Every variable of the instrument, and what the panel shows.
std::vector<uint8_t> whole_state() {
    const Region regions[] = {
        region(FrameBuffer),
        region(current_screen),
        region(pending_key),
        region(power_off_request),
        region(second_tick),
        region(blink_phase),
        region(message_timer),
        region(second_divider),
        region(countdown_divider),
        region(alarm_flags),
        region(alarm_ack_flags),
        region(zolt_enabled),
        region(channel_settings),
        region(backlight_level),
        region(security_on),
        region(security_code),
        region(display_page),
        region(current_zero),
        region(volts_cal_percent),
        region(adc_input),
        region(supply_adc),
        region(zolt_value),
        region(work_adc),
        region(pressure_reading),
        region(temp_reading),
        region(temp_celsius),
        region(current_tenths),
        region(current_amps),
        region(volts_reading),
        region(pressure_max),
        region(temp_max),
        region(current_tenths_min),
        region(current_tenths_max),
        region(current_amps_min),
        region(current_amps_max),
        region(volts_min),
        region(volts_max),
        region(menu_cursor),
        region(menu_scroll),
        region(menu_editing),
        region(edit_step),
        region(text_cursor),
        region(message_next_screen),
        region(security_scratch),
        region(selected_channel),
        region(selected_pressure_config),
        region(selected_temperature_config),
        region(selected_current_config),
        region(selected_volts_config),
        region(code_digits),
        region(calibration_curve),
        region(calibration_kind),
        region(bar_params),
        region(text_start_x),
        region(text_end_x),
        region(text_record),
        region(text_record_count),
        region(text_record_overflow),
        region(sin_pos),
        region(front_panel.lamp_bright),
        region(front_panel.shown),
    };
    std::vector<uint8_t> state;
    for (const Region& r : regions) {
        const auto* bytes = static_cast<const uint8_t*>(r.at);
        state.insert(state.end(), bytes, bytes + r.size);
    }
    return state;
}

// Keys that give the master code, from the first digit at 0.
constexpr uint8_t MASTER_CODE_KEYS[] = {KEY_UP, KEY_UP,   KEY_UP,   KEY_UP,   KEY_UP, KEY_UP,
                                        KEY_UP, KEY_PUSH, KEY_UP,   KEY_PUSH, KEY_UP, KEY_UP,
                                        KEY_UP, KEY_UP,   KEY_PUSH, KEY_UP,   KEY_UP, KEY_PUSH};

TEST(IdlePass, EveryScreenDrawsTheSameFrameAndStateWhenNothingHappened) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> key_of(KEY_FIRST, KEY_LAST);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> raw_of(0, RAW_MAXIMUM);
    front_panel_reset();
    front_panel_power_on();
    std::vector<bool> reached(SCREEN_TABLE_SIZE);
    std::vector<uint8_t> queued;
    for (int step = 0; step < 60000; ++step) {
        // One stimulus, the pass that acts on it, then two idle passes.
        if (queued.empty()) {
            const bool asks_present_code =
                current_screen == menu_code_screen || current_screen == old_code_screen;
            if (asks_present_code && menu_cursor == 0 && code_digits[0] == 0 && percent(random) < 50)
                queued.assign(std::rbegin(MASTER_CODE_KEYS), std::rend(MASTER_CODE_KEYS));
        }
        const int roll = percent(random);
        if (!queued.empty()) {
            front_panel_click(queued.back());
            queued.pop_back();
        } else if (roll < 8) {
            for (int t = percent(random) % 12; t >= 0; --t) front_panel_timer_tick();
        } else if (roll < 12) {
            front_panel_set_raw(percent(random) % RAW_INPUT_COUNT, raw_of(random));
        } else if (roll < 13) {
            front_panel_set_zolt(!front_panel.zolt_checked);
        } else {
            // Lean towards the pushes that lead into the menus and through a new code.
            const bool push =
                (current_screen == run_screen || current_screen == new_code_screen) && percent(random) < 60;
            front_panel_click(push ? KEY_PUSH : key_of(random));
        }
        front_panel_pass();
        front_panel_pass();
        const std::vector<uint8_t> first = whole_state();
        front_panel_pass();
        if (const ScreenInfo* screen = screen_info(current_screen))
            reached[static_cast<size_t>(screen - SCREEN_TABLE)] = true;
        ASSERT_TRUE(first == whole_state()) << "step " << step << ": a second idle pass on the "
                                            << screen_name(current_screen) << " screen changed the state";
        // A tick that moves only the timer's dividers is no stimulus, so the
        // pass after it is skipped too: it must change nothing either.
        const uint32_t stimuli = front_panel.stimuli;
        front_panel_timer_tick();
        if (front_panel.stimuli == stimuli) {
            const std::vector<uint8_t> after_tick = whole_state();
            front_panel_pass();
            ASSERT_TRUE(after_tick == whole_state())
                << "step " << step << ": a pass after a quiet tick on the " << screen_name(current_screen)
                << " screen changed the state";
        }
    }
    for (uint8_t i = 0; i < SCREEN_TABLE_SIZE; ++i)
        EXPECT_TRUE(reached[i]) << SCREEN_TABLE[i].name << " screen, entry " << int(i) << ", never reached";
}

} // namespace
