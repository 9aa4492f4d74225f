// The runner's time model: the 100 ms timer every six passes, passes only
// while the device is on, and the one-deep key slot as a quick clicker meets it.
#include <gtest/gtest.h>

#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "runner/play/driver.h"
#include "runner/play/step_player.h"
#include "runner/scenario/loader.h"

namespace {

class ScenarioTime : public ::testing::Test {
  protected:
    void SetUp() override { front_panel_reset(); }
    Driver driver;
};

TEST_F(ScenarioTime, TimerTicksEverySixPassesAndSamplesOnTheEleventhTick) {
    driver.power_on();
    EXPECT_EQ(driver.passes_run(), 1); // On runs the first pass at once
    for (int i = 0; i < PASSES_PER_TICK - 1; ++i) driver.step();
    EXPECT_EQ(second_divider, 0);
    driver.step();
    EXPECT_EQ(second_divider, 1);
    EXPECT_DOUBLE_EQ(driver.now_ms(), 100.0);
    // The 11th tick (1.1 s) raises second_tick and toggles the blink; the
    // pass in the same step samples and lowers it.
    while (driver.now() < 11 * PASSES_PER_TICK - 1) driver.step();
    EXPECT_EQ(blink_phase, 0);
    driver.step();
    EXPECT_EQ(blink_phase, 1);
    EXPECT_EQ(second_tick, 0);
    EXPECT_EQ(driver.passes_run(), 1 + 11 * PASSES_PER_TICK);
}

TEST_F(ScenarioTime, TimeRunsWhileOffButPassesDoNot) {
    for (int i = 0; i < 11 * PASSES_PER_TICK; ++i) driver.step();
    EXPECT_EQ(driver.passes_run(), 0);
    EXPECT_EQ(second_tick, 1); // raised while off: the first pass after On samples
    driver.power_on();
    EXPECT_EQ(second_tick, 0);
    driver.power_off();
    driver.step();
    EXPECT_EQ(driver.passes_run(), 1);
}

TEST_F(ScenarioTime, KeysWaitForTheSlotOnePerPass) {
    driver.power_on();
    const int64_t before = driver.passes_run();
    ASSERT_TRUE(driver.press(KEY_UP));
    EXPECT_EQ(driver.passes_run(), before); // the slot was free: no wait
    ASSERT_TRUE(driver.press(KEY_UP));
    EXPECT_EQ(driver.passes_run(), before + 1); // one pass took the first key
    ASSERT_TRUE(driver.settle());
    // The second key was taken by the next pass, and one more drew its result.
    EXPECT_EQ(driver.passes_run(), before + 3);
    EXPECT_EQ(pending_key, 0);
    EXPECT_EQ(display_page, 2);
}

TEST_F(ScenarioTime, KeysWhileOffAreLostOrDiscardedAtPowerOn) {
    ASSERT_TRUE(driver.press(KEY_UP));
    ASSERT_TRUE(driver.press(KEY_DOWN)); // the slot is full: lost, no wait
    EXPECT_EQ(pending_key, KEY_UP);
    EXPECT_EQ(driver.now(), 0);
    driver.power_on();
    EXPECT_EQ(pending_key, 0);
    EXPECT_EQ(display_page, 0);
}

TEST_F(ScenarioTime, PowerOnRereadsChannelSlidersAndMovesModeSliders) {
    driver.set_raw(0, 1234);
    driver.set_raw(4, 1440);
    driver.set_mode(1, MODE_OFF);
    EXPECT_EQ(channel_mode[1], MODE_OFF); // the handler stores at once, even while off
    driver.power_on();
    EXPECT_EQ(adc_input[0], 1234);
    EXPECT_EQ(supply_adc, 1440);
    EXPECT_EQ(channel_mode[1], MODE_TEMPERATURE); // the defaults win
}

} // namespace

// The page plays steps in slices of simulated time (pause_at): a step taken
// up again where it paused must end where the same step played whole ends.
TEST(ScenarioSlices, PlayingInSlicesEndsOnTheFrameOfPlayingWhole) {
    const char* text = "name: slices\nsteps:\n"
                       "  - set: {ch1: 300, ch2: 2500, volts: 1229}\n"
                       "  - power: on\n"
                       "  - wait: 2 samples\n"
                       "  - wait: 1.35s\n"
                       "  - press: {key: up, times: 3}\n"
                       "  - wait-for: {page: digital, timeout: 5s}\n"
                       "  - press: {key: down, until: {page: hbar}, max: 10}\n"
                       "  - set: {ch1: 3900}\n"
                       "  - wait-for: {lamp: bright, timeout: 3s}\n"
                       "  - wait: 7 passes\n"
                       "  - wait-for: {text: \"NEVER\", timeout: 500ms}\n";
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(load_scenario_text(text, "slices.yaml", scenario, error)) << error;
    struct End {
        int64_t now, samples;
        std::vector<uint8_t> frame;
    };
    const auto play = [&](int64_t slice) {
        front_panel_reset();
        Driver driver;
        StepPlayer player(driver, -1);
        for (const Step& s : scenario.steps) {
            std::string what;
            const Condition* failing = nullptr;
            bool ok = true;
            for (int slices = 0; slices < 100000; ++slices) {
                if (slice > 0) player.pause_at = driver.now() + slice;
                ok = player.play(s, what, failing);
                if (!player.paused()) break;
            }
            // The last step times out, in slices as whole.
            EXPECT_EQ(ok, &s != &scenario.steps.back()) << s.summary << ": " << what;
        }
        const uint8_t* shown = &front_panel.shown[0][0];
        return End{driver.now(), driver.samples(),
                   std::vector<uint8_t>(shown, shown + sizeof front_panel.shown)};
    };
    const End whole = play(0);
    for (const int64_t slice : {1, 5, 7, 61}) {
        const End sliced = play(slice);
        EXPECT_EQ(sliced.now, whole.now) << "slices of " << slice;
        EXPECT_EQ(sliced.samples, whole.samples) << "slices of " << slice;
        EXPECT_TRUE(sliced.frame == whole.frame) << "slices of " << slice;
    }
}
