// The runner's time model: the 100 ms timer every six passes, passes only
// while the device is on, and the one-deep key slot as a quick clicker meets it.
#include <gtest/gtest.h>

#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "runner/play/driver.h"

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
