#include "soak/soak.h"

#include <cstdio>
#include <cstring>

#include "host/panel/front_panel.h"
#include "host/panel/instrument.h"
#include "menus/screen_table.h"
#include "soak/invariants.h"

namespace {

// xorshift64*: small, fast and the same on every machine, so a seed replays.
struct Random {
    uint64_t state;
    explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1Dull;
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
    bool chance(uint32_t one_in) { return below(one_in) == 0; }
};

uint16_t random_raw(Random& random) {
    switch (random.below(6)) {
    case 0:
        return 0;
    case 1:
        return RAW_MAXIMUM;
    case 2:
        return static_cast<uint16_t>(RAW_MAXIMUM - 6 + random.below(7));
    default:
        return static_cast<uint16_t>(random.below(RAW_MAXIMUM + 1));
    }
}

void move_slider(Random& random) {
    front_panel_set_raw(static_cast<int>(random.below(RAW_INPUT_COUNT)), random_raw(random));
}

void set_mode(Random& random) {
    const uint32_t channel = random.below(CHANNEL_COUNT);
    // Mostly what the mode sliders can set; sometimes a value no slider gives.
    channel_mode[channel] = random.chance(4) ? static_cast<uint8_t>(5 + random.below(251))
                                             : static_cast<uint8_t>(random.below(5));
}

// Overwrites one byte of a channel record, or another stored value, with any byte.
void write_setting(Random& random) {
    uint8_t* target = nullptr;
    size_t size = 0;
    const uint32_t channel = random.below(CHANNEL_COUNT);
    switch (random.below(8)) {
    case 0:
    case 1:
        target = reinterpret_cast<uint8_t*>(&channel_settings.pressure[channel]);
        size = sizeof(PressureChannelConfig);
        break;
    case 2:
    case 3:
        target = reinterpret_cast<uint8_t*>(&channel_settings.temperature[channel]);
        size = sizeof(TemperatureChannelConfig);
        break;
    case 4:
        target = reinterpret_cast<uint8_t*>(&channel_settings.current[channel]);
        size = sizeof(CurrentChannelConfig);
        break;
    case 5:
        target = reinterpret_cast<uint8_t*>(&channel_settings.volts[channel]);
        size = sizeof(VoltsChannelConfig);
        break;
    case 6:
        target = reinterpret_cast<uint8_t*>(&current_zero[channel]);
        size = sizeof(current_zero[channel]);
        break;
    default:
        target = &volts_cal_percent;
        size = 1;
        break;
    }
    target[random.below(static_cast<uint32_t>(size))] = static_cast<uint8_t>(random.next());
}

void tick_timer(Random& random) {
    const uint32_t kind = random.below(10);
    const uint32_t ticks = kind < 6 ? 0 : kind < 9 ? 1 : random.below(40);
    for (uint32_t i = 0; i < ticks; ++i) front_panel_timer_tick();
}

void one_event(Random& random) {
    const uint32_t roll = random.below(100);
    if (roll < 45)
        front_panel_click(static_cast<int>(KEY_FIRST + random.below(KEY_LAST - KEY_FIRST + 1)));
    else if (roll < 60)
        move_slider(random);
    else if (roll < 64)
        set_mode(random);
    else if (roll < 67)
        front_panel_set_zolt(!front_panel.zolt_checked);
    else if (roll < 70)
        write_setting(random);
    else if (roll < 71 && random.chance(20))
        front_panel_power_on();
}

} // namespace

SoakResult run_soak(uint64_t seed, uint64_t passes) {
    SoakResult result;
    Random random(seed);
    bool reached[64] = {};
    front_panel_reset();
    front_panel_power_on();
    for (result.passes = 0; result.passes < passes; ++result.passes) {
        one_event(random);
        tick_timer(random);
        const PassContext context = before_pass();
        for (int i = 0; i < SCREEN_TABLE_SIZE && i < 64; ++i)
            if (SCREEN_TABLE[i].handler == current_screen && !reached[i]) {
                reached[i] = true;
                ++result.screens_reached;
            }
        front_panel_pass();
        char message[160];
        if (!check_invariants(context, message, sizeof message)) {
            result.ok = false;
            std::snprintf(result.failure, sizeof result.failure, "seed %llu, pass %llu: %s",
                          static_cast<unsigned long long>(seed),
                          static_cast<unsigned long long>(result.passes), message);
            return result;
        }
    }
    return result;
}
