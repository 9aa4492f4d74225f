// Golden pictures of every run screen page for one to four channels, with the
// default modes and with mixes, in the normal, caution and alarm states and
// both blink phases. `make refs` rewrites them after an intended change.
#include <string>

#include "support/golden.h"
#include "test_pages_fixture.h"

namespace {

enum State : uint8_t { NORMAL, CAUTION, ALARM_ON, ALARM_OFF };
const char* const STATE_NAMES[] = {"normal", "caution", "alarm_on", "alarm_off"};
const char* const PAGE_NAMES[] = {"hbar", "vbar", "digital", "minmax"};

// Readings of every mode for a state: beyond the caution or alarm limits of
// the default settings.
void set_readings(State state) {
    struct Readings {
        int16_t pressure, temperature, tenths;
        uint16_t volts;
    };
    static const Readings table[] = {
        {50, 100, 55, 125},   // normal
        {72, 125, 352, 108},  // caution: 7.2 bar, 125 C, 35 A, 10.8 V
        {85, 140, -452, 160}, // alarm: 8.5 bar, 140 C, -45 A, 16.0 V
        {85, 140, -452, 160},
    };
    const Readings& r = table[state];
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        pressure_reading[c] = r.pressure;
        temp_reading[c] = r.temperature;
        current_tenths[c] = r.tenths;
        current_amps[c] = static_cast<int16_t>(r.tenths / 10);
        volts_reading[c] = r.volts;
    }
    reset_min_max();
    // Recorded extremes that differ from the live readings on the min/max page.
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        pressure_max[c] = static_cast<int16_t>(r.pressure + 3);
        temp_max[c] = static_cast<int16_t>(r.temperature + 4);
        current_tenths_min[c] = static_cast<int16_t>(r.tenths - 17);
        current_amps_min[c] = static_cast<int16_t>(current_tenths_min[c] / 10);
        volts_max[c] = static_cast<uint16_t>(r.volts + 6);
    }
    blink_phase = state == ALARM_OFF ? 0 : 1;
}

void default_modes(uint8_t n) {
    for (uint8_t c = 0; c < CHANNEL_COUNT; ++c)
        channel_mode[c] = c < n ? static_cast<uint8_t>(c + 1) : uint8_t{MODE_OFF};
}

// Mixed channels: temperature in F, pressure in whole psi, current beyond 10 A
// either way, and a ZOLT channel while the unit is disconnected.
void pressure_psi(uint8_t c) {
    channel_mode[c] = MODE_PRESSURE;
    channel_settings.pressure[c].unit = 1;
    pressure_reading[c] = 73;
    pressure_max[c] = 88;
}
void temperature_f(uint8_t c) {
    channel_mode[c] = MODE_TEMPERATURE;
    channel_settings.temperature[c].unit = 1;
    temp_reading[c] = 110;
    temp_max[c] = 212;
}
void current_high(uint8_t c, int16_t tenths) {
    channel_mode[c] = MODE_CURRENT;
    current_tenths[c] = tenths;
    current_amps[c] = static_cast<int16_t>(tenths / 10);
    current_tenths_min[c] = static_cast<int16_t>(tenths - 31);
    current_amps_min[c] = static_cast<int16_t>(current_tenths_min[c] / 10);
    current_tenths_max[c] = static_cast<int16_t>(tenths + 52);
    current_amps_max[c] = static_cast<int16_t>(current_tenths_max[c] / 10);
}
void zolt_pressure(uint8_t c) {
    channel_mode[c] = MODE_PRESSURE;
    channel_settings.pressure[c].data_source = 1;
    pressure_reading[c] = 0;
    pressure_max[c] = 0;
}

void mixed_modes(uint8_t n) {
    set_readings(NORMAL);
    set_modes(0, 0, 0, 0);
    zolt_enabled = 0;
    switch (n) {
    case 1:
        temperature_f(0);
        break;
    case 2:
        pressure_psi(0);
        current_high(1, 153);
        break;
    case 3:
        temperature_f(0);
        current_high(1, -127);
        zolt_pressure(2);
        break;
    default:
        pressure_psi(0);
        temperature_f(1);
        current_high(2, 153);
        zolt_pressure(3);
        break;
    }
}

class PagesGoldenTest : public PagesTest {
  protected:
    void draw_page(uint8_t page) {
        display_page = page;
        draw_run_screen();
    }
};

} // namespace

TEST_F(PagesGoldenTest, EveryPageAndChannelCountInEveryState) {
    for (uint8_t page = 0; page < 4; ++page)
        for (uint8_t n = 1; n <= CHANNEL_COUNT; ++n)
            for (uint8_t state = NORMAL; state <= ALARM_OFF; ++state) {
                reset_run_screen_state();
                default_modes(n);
                set_readings(static_cast<State>(state));
                draw_page(page);
                const std::string name = std::string("run_") + PAGE_NAMES[page] + "_" + std::to_string(n) +
                                         "ch_" + STATE_NAMES[state];
                EXPECT_TRUE(matches_golden(name));
            }
}

TEST_F(PagesGoldenTest, EveryPageAndChannelCountWithMixedChannels) {
    for (uint8_t page = 0; page < 4; ++page)
        for (uint8_t n = 1; n <= CHANNEL_COUNT; ++n)
            for (uint8_t blink = 0; blink < 2; ++blink) {
                reset_run_screen_state();
                mixed_modes(n);
                blink_phase = blink;
                draw_page(page);
                const std::string name = std::string("run_") + PAGE_NAMES[page] + "_" + std::to_string(n) +
                                         "ch_mixed_blink" + std::to_string(blink);
                EXPECT_TRUE(matches_golden(name));
            }
}

TEST_F(PagesGoldenTest, SelectionPrompt) {
    set_modes(0, 0, 0, 0);
    draw_run_screen();
    EXPECT_TRUE(matches_golden("run_prompt"));
}

// Last in this file: a sheet of every run screen golden for a look at them all.
TEST_F(PagesGoldenTest, ContactSheet) {
    EXPECT_TRUE(write_golden_contact_sheet("run_", "run_contact_sheet"));
}
