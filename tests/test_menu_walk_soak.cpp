// A long random walk of keys through the run screen and every menu screen.
// The default length keeps the sanitizer run short; QD5_MENU_WALK_KEYS sets
// another (for example 1000000) and QD5_MENU_WALK_SEED another seed.
#include <cstdlib>
#include <random>
#include <vector>

#include "menus/screen_table.h"
#include "soak/invariants.h"
#include "test_menu_framework_support.h"

using namespace menu_test;

namespace {

unsigned long env_number(const char* name, unsigned long fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0') return fallback;
    return std::strtoul(value, nullptr, 10);
}

struct WalkStats {
    unsigned long keys = 0;
    unsigned long menu_passes = 0;
    unsigned long screens_seen = 0;
};

// The state every pass must leave, whatever keys came before.
::testing::AssertionResult menu_state_sound() {
    const uint8_t count = menu_item_count();
    if (count > 0 && menu_cursor >= count)
        return ::testing::AssertionFailure()
               << "cursor " << int(menu_cursor) << " of " << int(count) << " items";
    if (backlight_level < 10 || backlight_level > 100)
        return ::testing::AssertionFailure() << "backlight level " << int(backlight_level);
    for (uint8_t d : code_digits)
        if (d > 9) return ::testing::AssertionFailure() << "code digit " << int(d);
    if (menu_editing > 1) return ::testing::AssertionFailure() << "editing flag " << int(menu_editing);
    if (pending_key != KEY_NONE)
        return ::testing::AssertionFailure() << "key " << int(pending_key) << " left pending";
    return ::testing::AssertionSuccess();
}

// Keys that give the master code, from the first digit at 0.
constexpr uint8_t master_code_keys[] = {KEY_UP, KEY_UP,   KEY_UP,   KEY_UP,   KEY_UP, KEY_UP,
                                        KEY_UP, KEY_PUSH, KEY_UP,   KEY_PUSH, KEY_UP, KEY_UP,
                                        KEY_UP, KEY_UP,   KEY_PUSH, KEY_UP,   KEY_UP, KEY_PUSH};

TEST(MenuWalkSoak, RandomKeysKeepTheMenuStateSound) {
    const unsigned long total = env_number("QD5_MENU_WALK_KEYS", 200000);
    std::mt19937 random(static_cast<uint32_t>(env_number("QD5_MENU_WALK_SEED", 20261208)));
    std::uniform_int_distribution<int> key_of(KEY_LEFT, KEY_DOWN);
    std::uniform_int_distribution<int> percent(0, 99);

    power_on_sequence();
    clear_menu_state();
    WalkStats stats;
    ScreenHandler last = nullptr;
    std::vector<unsigned long> visits(SCREEN_TABLE_SIZE);
    bool zolt = false;
    while (stats.keys < total) {
        uint8_t k = static_cast<uint8_t>(key_of(random));
        // The run screen and the code screens would hold most of the walk; lean
        // towards the keys that lead into the menus and past the present code.
        if (current_screen == run_screen && percent(random) < 60) k = KEY_PUSH;
        const bool asks_present_code =
            current_screen == menu_code_screen || current_screen == old_code_screen;
        if (asks_present_code && menu_cursor == 0 && code_digits[0] == 0 && percent(random) < 50) {
            for (uint8_t code_key : master_code_keys) {
                device_key(code_key, zolt);
                ++stats.keys;
                ASSERT_TRUE(menu_state_sound()) << "after " << stats.keys << " keys";
            }
            continue;
        }
        if (percent(random) < 2) zolt = !zolt;
        if (percent(random) < 10) timer_tick();
        device_key(k, zolt);
        ++stats.keys;
        if (current_screen != run_screen) ++stats.menu_passes;
        if (current_screen != last) ++stats.screens_seen;
        for (int i = 0; i < SCREEN_TABLE_SIZE; ++i)
            visits[i] += SCREEN_TABLE[i].handler == current_screen ? 1 : 0;
        last = current_screen;
        ASSERT_TRUE(menu_state_sound()) << "after " << stats.keys << " keys";
    }
    // The walk must actually spend its time in the menus.
    EXPECT_GT(stats.menu_passes, total / 2);
    EXPECT_GT(stats.screens_seen, total / 100);
    if (total >= 100000) {
        for (int i = 0; i < SCREEN_TABLE_SIZE; ++i)
            EXPECT_GT(visits[i], 0u) << SCREEN_TABLE[i].name << " screen, entry " << i << ", never reached";
    }
}

} // namespace
