// The run loop's device side: power-on, passes, the 100 ms timer, the key slot
// and the alarm lamp.
#include <gtest/gtest.h>

#include <cstring>

#include "host/panel/instrument.h"
#include "support/hooks_probe.h"

namespace {

// A screen of the tests' own that records how it was called.
struct ScreenProbe {
    int calls = 0;
    bool frame_was_clear = true;
    uint8_t key_seen = 0;
};
ScreenProbe probe;

void probe_screen() {
    ++probe.calls;
    probe.key_seen = pending_key;
    for (const auto& row : FrameBuffer) {
        for (uint8_t pixel : row) {
            if (pixel != 0) probe.frame_was_clear = false;
        }
    }
    // Leave something behind so the next pass has to clear it.
    lcd_set_pixel(5, 5, COLOUR_WHITE);
}

int other_screen_calls = 0;
void other_screen() { ++other_screen_calls; }

// A screen that moves on to another one, as menus do.
void switching_screen() {
    ++probe.calls;
    current_screen = other_screen;
}

class Device : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument_reset();
        power_on_sequence();
        second_tick = 0;
        second_divider = 0;
        countdown_divider = 0;
        blink_phase = 0;
        probe = ScreenProbe{};
        other_screen_calls = 0;
        current_screen = probe_screen;
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            adc_input[c] = 0;
            pressure_reading[c] = 0;
            temp_reading[c] = 0;
            current_tenths[c] = 0;
            volts_reading[c] = 0;
        }
        supply_adc = 0;
    }
    void TearDown() override { current_screen = run_screen; }

    static void ticks(int n) {
        for (int i = 0; i < n; ++i) timer_tick();
    }
};

TEST_F(Device, PowerOnClearsRequestFlagsKeyAndLoadsDefaults) {
    power_off_request = 1;
    pending_key = KEY_PUSH;
    alarm_flags = 0x1F;
    alarm_ack_flags = 0x03;
    message_timer = 7;
    edit_step = 1000;
    channel_mode[0] = MODE_OFF;
    volts_cal_percent = 140;
    current_zero[2] = 1234;
    current_screen = probe_screen;

    power_on_sequence();

    EXPECT_EQ(power_off_request, 0);
    EXPECT_EQ(pending_key, KEY_NONE);
    EXPECT_EQ(alarm_flags, 0u);
    EXPECT_EQ(alarm_ack_flags, 0u);
    EXPECT_EQ(message_timer, 0);
    EXPECT_EQ(edit_step, 1);
    EXPECT_EQ(current_screen, &run_screen);
    EXPECT_EQ(channel_mode[0], MODE_PRESSURE);
    EXPECT_EQ(volts_cal_percent, 100);
    EXPECT_EQ(current_zero[2], 0x8000);
    // The degree tables are filled.
    EXPECT_FLOAT_EQ(sin_pos[90], 1.0f);
    EXPECT_FLOAT_EQ(cos_pos[0], 1.0f);
}

TEST_F(Device, PowerOnLeavesTimerStateAlone) {
    second_divider = 6;
    countdown_divider = 13;
    second_tick = 1;
    blink_phase = 1;
    power_on_sequence();
    EXPECT_EQ(second_divider, 6);
    EXPECT_EQ(countdown_divider, 13);
    EXPECT_EQ(second_tick, 1);
    EXPECT_EQ(blink_phase, 1);
}

TEST_F(Device, SecondPowerOnWhileRunningReloadsDefaultsAndReturnsToRunScreen) {
    channel_settings.pressure[0].high_alarm = 5;
    std::strcpy(channel_settings.temperature[1].label, "XXXX");
    display_page = 2;
    security_on = 1;
    channel_mode[3] = MODE_OFF;
    current_screen = other_screen;
    press_key(KEY_LEFT);
    alarm_flags = 0x01;

    power_on_sequence();

    EXPECT_EQ(channel_settings.pressure[0].high_alarm, 80);
    EXPECT_STREQ(channel_settings.temperature[1].label, "OILT");
    EXPECT_EQ(display_page, 0);
    EXPECT_EQ(security_on, 0);
    EXPECT_EQ(channel_mode[3], MODE_VOLTS);
    EXPECT_EQ(current_screen, &run_screen);
    EXPECT_EQ(pending_key, KEY_NONE);
    EXPECT_EQ(alarm_flags, 0u);
    // The device keeps running: nothing asks it to stop.
    EXPECT_EQ(power_off_request, 0);
}

TEST_F(Device, SecondTickAndBlinkPhaseComeOnEveryEleventhTick) {
    ticks(10);
    EXPECT_EQ(second_tick, 0);
    EXPECT_EQ(blink_phase, 0);
    EXPECT_EQ(second_divider, 10);
    timer_tick();
    EXPECT_EQ(second_tick, 1);
    EXPECT_EQ(blink_phase, 1);
    EXPECT_EQ(second_divider, 0);

    second_tick = 0;
    ticks(10);
    EXPECT_EQ(second_tick, 0);
    EXPECT_EQ(blink_phase, 1);
    timer_tick();
    EXPECT_EQ(second_tick, 1);
    EXPECT_EQ(blink_phase, 0);
}

TEST_F(Device, BlinkPhaseFollowsTheTicksOverManyCycles) {
    int raised = 0;
    for (int tick = 1; tick <= 11 * 30; ++tick) {
        timer_tick();
        if (second_tick) {
            ++raised;
            EXPECT_EQ(tick % 11, 0) << "tick " << tick;
            EXPECT_EQ(blink_phase, raised % 2);
            second_tick = 0;
        }
    }
    EXPECT_EQ(raised, 30);
}

TEST_F(Device, MessageTimerCountsDownOnEveryTwentiethTickAndStopsAtZero) {
    message_timer = 2;
    ticks(19);
    EXPECT_EQ(message_timer, 2);
    EXPECT_EQ(countdown_divider, 19);
    timer_tick();
    EXPECT_EQ(message_timer, 1);
    EXPECT_EQ(countdown_divider, 0);
    ticks(19);
    EXPECT_EQ(message_timer, 1);
    timer_tick();
    EXPECT_EQ(message_timer, 0);
    ticks(40);
    EXPECT_EQ(message_timer, 0);
}

TEST_F(Device, TicksWhileSecondTickIsRaisedAreLostAndSampleOnce) {
    channel_mode[1] = MODE_OFF;
    channel_mode[2] = MODE_OFF;
    channel_mode[3] = MODE_OFF;
    ticks(11 * 3); // three sampling periods during one slow pass
    EXPECT_EQ(second_tick, 1);

    adc_input[0] = 433;
    run_pass(false);
    EXPECT_EQ(pressure_reading[0], 100);
    EXPECT_EQ(second_tick, 0);

    // The lost ticks do not bring extra samples.
    adc_input[0] = 128;
    run_pass(false);
    run_pass(false);
    EXPECT_EQ(pressure_reading[0], 100);
    ticks(11);
    run_pass(false);
    EXPECT_EQ(pressure_reading[0], 20);
}

TEST_F(Device, KeySlotHoldsOneKeyAndDropsTheRest) {
    press_key(KEY_LEFT);
    press_key(KEY_RIGHT);
    press_key(KEY_DOWN);
    EXPECT_EQ(pending_key, KEY_LEFT);
    pending_key = KEY_NONE; // a screen consumed it
    press_key(KEY_UP);
    EXPECT_EQ(pending_key, KEY_UP);
}

TEST_F(Device, KeysPressedWhileOffAreDiscardedAtPowerOn) {
    press_key(KEY_PUSH);
    power_on_sequence();
    EXPECT_EQ(pending_key, KEY_NONE);
}

TEST_F(Device, PassCopiesZoltClearsFrameAndCallsScreenOnce) {
    FrameBuffer[100][100] = COLOUR_RED;
    press_key(KEY_RIGHT);
    run_pass(true);
    EXPECT_EQ(zolt_enabled, 1);
    EXPECT_EQ(probe.calls, 1);
    EXPECT_TRUE(probe.frame_was_clear);
    EXPECT_EQ(probe.key_seen, KEY_RIGHT);

    run_pass(false);
    EXPECT_EQ(zolt_enabled, 0);
    EXPECT_EQ(probe.calls, 2);
    EXPECT_TRUE(probe.frame_was_clear) << "the previous pass's drawing must be cleared";
    EXPECT_EQ(FrameBuffer[5][5], COLOUR_WHITE);
}

TEST_F(Device, NewScreenIsFirstCalledOnTheNextPass) {
    current_screen = switching_screen;
    run_pass(false);
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(other_screen_calls, 0);
    run_pass(false);
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(other_screen_calls, 1);
}

TEST_F(Device, PassSamplesOnlyOnSecondTickByChannelMode) {
    adc_input[0] = 433;  // pressure: 10.0 bar
    adc_input[1] = 2000; // temperature, VDO 150: 10 degrees
    adc_input[2] = 4096; // current: 20.4 A
    supply_adc = 1500;   // volts: 14.3 V
    run_pass(false);
    EXPECT_EQ(pressure_reading[0], 0);

    second_tick = 1;
    run_pass(false);
    EXPECT_EQ(second_tick, 0);
    EXPECT_EQ(pressure_reading[0], 100);
    EXPECT_EQ(temp_reading[1], 10);
    EXPECT_EQ(current_tenths[2], 204);
    EXPECT_EQ(volts_reading[3], 143);
}

TEST_F(Device, ChannelOffOrUnknownModeLosesItsAlarmBitsAtNextSample) {
    alarm_flags = 0x1F;
    alarm_ack_flags = 0x1F;
    channel_mode[0] = MODE_OFF;
    channel_mode[1] = 9;
    channel_mode[2] = 255;
    channel_mode[3] = MODE_OFF;
    second_tick = 1;
    run_pass(false);
    // With no volts channel left the supply alarm goes too.
    EXPECT_EQ(alarm_flags, 0u);
    EXPECT_EQ(alarm_ack_flags, 0u);
}

TEST_F(Device, SupplyAlarmEndsWhenTheLastVoltsChannelChangesMode) {
    channel_mode[0] = MODE_OFF; // only the supply may raise an alarm here
    channel_mode[1] = MODE_OFF;
    channel_mode[2] = MODE_VOLTS;
    supply_adc = 4096; // 37.3 V, above the volts channels' high alarm
    second_tick = 1;
    run_pass(false);
    ASSERT_EQ(alarm_flags, 0x10u);
    alarm_ack_flags = 0x10;
    // Another volts channel still evaluates it: the alarm stays.
    channel_mode[3] = MODE_OFF;
    second_tick = 1;
    run_pass(false);
    EXPECT_EQ(alarm_flags, 0x10u);
    EXPECT_EQ(alarm_ack_flags, 0x10u);
    channel_mode[2] = MODE_OFF;
    run_pass(false);
    EXPECT_EQ(alarm_flags, 0x10u) << "only a sampling tick clears it";
    second_tick = 1;
    run_pass(false);
    EXPECT_EQ(alarm_flags, 0u);
    EXPECT_EQ(alarm_ack_flags, 0u);
    // The next key on the run screen is a key again, not an acknowledgement.
    current_screen = run_screen;
    press_key(KEY_PUSH);
    run_pass(false);
    EXPECT_NE(current_screen, run_screen);
}

TEST_F(Device, LampIsBrightOnlyForUnacknowledgedChannelAlarms) {
    alarm_flags = 0;
    alarm_ack_flags = 0;
    EXPECT_FALSE(alarm_lamp_bright());
    alarm_flags = 0x10; // the supply alarm alone never lights it
    EXPECT_FALSE(alarm_lamp_bright());
    alarm_flags = 0x14;
    EXPECT_TRUE(alarm_lamp_bright());
    alarm_ack_flags = 0x04;
    EXPECT_FALSE(alarm_lamp_bright());
    alarm_flags = 0x16; // a new alarm on another channel
    EXPECT_TRUE(alarm_lamp_bright());
    alarm_flags = 0x08;
    alarm_ack_flags = 0x00;
    EXPECT_TRUE(alarm_lamp_bright());
    alarm_flags = 0xFFFFFFE0u; // bits beyond the channels never light it either
    EXPECT_FALSE(alarm_lamp_bright());
}

TEST_F(Device, LampGoesDarkWhenTheAlarmedChannelIsSwitchedOff) {
    adc_input[0] = 500; // 12.2 bar, above the high alarm
    channel_mode[1] = MODE_OFF;
    channel_mode[2] = MODE_OFF;
    second_tick = 1;
    run_pass(false);
    EXPECT_TRUE(alarm_lamp_bright());
    channel_mode[0] = MODE_OFF;
    second_tick = 1;
    run_pass(false);
    EXPECT_FALSE(alarm_lamp_bright());
    EXPECT_EQ(alarm_flags & 0x01u, 0u);
}

TEST_F(Device, FirstPassAfterPowerOnSamplesWhenTheTimerRanWhileOff) {
    ticks(25);
    adc_input[0] = 300;
    power_on_sequence();
    current_screen = probe_screen;
    run_pass(false);
    EXPECT_EQ(pressure_reading[0], 59);
}

} // namespace
