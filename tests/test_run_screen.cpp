// The run screen: counting channels, the prompt, alarm acknowledgement, the
// keys, page stepping and the page-2 skip with one channel.
#include "test_pages_fixture.h"

namespace {

class RunScreenTest : public PagesTest {
  protected:
    void press(uint8_t key) {
        pending_key = key;
        draw_run_screen();
    }
    // Recorded values that differ from the live readings, so a reset shows.
    void record_extremes() {
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            pressure_max[c] = 99;
            temp_max[c] = 140;
            current_tenths_min[c] = -150;
            current_amps_min[c] = -15;
            volts_max[c] = 160;
        }
        hook_counts = HookCounts{};
    }
    bool recorded_values_reset() const {
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            if (pressure_max[c] != pressure_reading[c] || temp_max[c] != temp_reading[c] ||
                current_tenths_min[c] != current_tenths[c] || current_amps_min[c] != current_amps[c] ||
                volts_max[c] != volts_reading[c])
                return false;
        return true;
    }
};

} // namespace

TEST_F(RunScreenTest, NoChannelShowsOnlyTheRedPrompt) {
    set_modes(0, 0, 0, 0);
    display_page = 3;
    draw_run_screen();
    capture();
    EXPECT_TRUE(filled(frame, 3, 21, 157, 28, COLOUR_RED));
    EXPECT_TRUE(filled(frame, 2, 20, 158, 20, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 2, 110, 158, 110, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 2, 20, 2, 110, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 158, 20, 158, 110, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 80, 29, "SELECT", 10, ALIGN_CENTRE, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 80, 54, "CHANNELS", 10, ALIGN_CENTRE, COLOUR_WHITE));
    EXPECT_TRUE(text_at(frame, 80, 79, "TO DISPLAY", 10, ALIGN_CENTRE, COLOUR_WHITE));
    // Nothing outside the box: no min/max title, no soft keys.
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK, 0, 0, 159, 19), 160 * 20);
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK, 0, 111, 159, 127), 160 * 17);
    EXPECT_EQ(count_colour(frame, COLOUR_RED) + count_colour(frame, COLOUR_WHITE) + count_colour(frame, 0),
              160 * 128);
}

TEST_F(RunScreenTest, NoChannelStillStepsPagesWithoutSkipAndEntersMenus) {
    set_modes(0, 0, 0, 0);
    const uint8_t expected_up[] = {1, 2, 3, 3};
    for (uint8_t page : expected_up) {
        press(KEY_UP);
        EXPECT_EQ(display_page, page);
    }
    record_extremes();
    press(KEY_LEFT);
    EXPECT_TRUE(recorded_values_reset());
    press(KEY_PUSH);
    EXPECT_EQ(current_screen, main_menu_screen);
}

TEST_F(RunScreenTest, PagesStepWithoutWrapAndEveryTurnCallsSettingsChanged) {
    const uint8_t expected_up[] = {1, 2, 3, 3};
    for (uint8_t page : expected_up) {
        press(KEY_UP);
        EXPECT_EQ(display_page, page);
        EXPECT_EQ(pending_key, KEY_NONE);
    }
    const uint8_t expected_down[] = {2, 1, 0, 0};
    for (uint8_t page : expected_down) {
        press(KEY_DOWN);
        EXPECT_EQ(display_page, page);
    }
    EXPECT_EQ(hook_counts.settings_changed, 8);
}

TEST_F(RunScreenTest, OneChannelSkipsTheDigitalPageBothWays) {
    set_modes(0, 2, 0, 0);
    const uint8_t expected_up[] = {1, 3, 3};
    for (uint8_t page : expected_up) {
        press(KEY_UP);
        EXPECT_EQ(display_page, page);
    }
    const uint8_t expected_down[] = {1, 0, 0};
    for (uint8_t page : expected_down) {
        press(KEY_DOWN);
        EXPECT_EQ(display_page, page);
    }
    EXPECT_EQ(hook_counts.settings_changed, 6);
}

TEST_F(RunScreenTest, DigitalPageKeptWhenChannelsDropToOne) {
    display_page = 2;
    set_modes(0, 0, 1, 0);
    draw_run_screen();
    capture();
    EXPECT_EQ(display_page, 2);
    // The four-quadrant layout: both dividers, the channel in the top-left quadrant.
    EXPECT_TRUE(filled(frame, 80, 0, 80, 127, COLOUR_GREY));
    EXPECT_TRUE(filled(frame, 0, 62, 79, 62, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 40, 11, "5.0", 20, ALIGN_CENTRE, COLOUR_WHITE));
    EXPECT_EQ(count_colour(frame, COLOUR_WHITE, 0, 63, 159, 127), 0);
    EXPECT_EQ(count_colour(frame, COLOUR_WHITE, 81, 0, 159, 127), 0);
    // Only a turn moves away from it, and then by the skip rule.
    press(KEY_DOWN);
    EXPECT_EQ(display_page, 1);
}

TEST_F(RunScreenTest, AnyKeyFirstOnlyAcknowledgesEveryUnacknowledgedAlarm) {
    const uint8_t keys[] = {KEY_LEFT, KEY_RIGHT, KEY_PUSH, KEY_UP, KEY_DOWN};
    for (uint8_t key : keys) {
        reset_run_screen_state();
        display_page = 3;
        record_extremes();
        alarm_flags = 0x15; // channels 1 and 3 and the supply voltage
        alarm_ack_flags = 0x04;
        press(key);
        EXPECT_EQ(alarm_ack_flags, 0x15u) << int(key);
        EXPECT_EQ(pending_key, KEY_NONE);
        EXPECT_EQ(display_page, 3);
        EXPECT_EQ(current_screen, run_screen);
        EXPECT_FALSE(recorded_values_reset());
        EXPECT_EQ(hook_counts.settings_changed, 0);
        EXPECT_EQ(hook_counts.min_max_changed, 0);
        // The next press acts normally.
        press(KEY_DOWN);
        EXPECT_EQ(display_page, 2);
    }
}

TEST_F(RunScreenTest, AcknowledgedOrUnknownAlarmBitsDoNotSwallowTheKey) {
    alarm_flags = 0x01;
    alarm_ack_flags = 0x01;
    press(KEY_UP);
    EXPECT_EQ(display_page, 1);
    // Only bits 0..4 are acknowledged by a key.
    alarm_flags = 0x20;
    alarm_ack_flags = 0;
    press(KEY_UP);
    EXPECT_EQ(display_page, 2);
    EXPECT_EQ(alarm_ack_flags, 0u);
    // An alarm that came back (its acknowledgement cleared with it) needs a new one.
    alarm_flags = 0x02;
    press(KEY_UP);
    EXPECT_EQ(display_page, 2);
    EXPECT_EQ(alarm_ack_flags, 0x02u);
}

TEST_F(RunScreenTest, LeftKeyResetsRecordedValuesOnlyOnTheMinMaxPage) {
    for (uint8_t page = 0; page < 3; ++page) {
        display_page = page;
        record_extremes();
        press(KEY_LEFT);
        EXPECT_FALSE(recorded_values_reset()) << int(page);
        EXPECT_EQ(hook_counts.min_max_changed, 0);
        EXPECT_EQ(display_page, page);
    }
    display_page = 3;
    set_modes(1, 0, 0, 0); // channels that are off are reset too
    record_extremes();
    press(KEY_LEFT);
    EXPECT_TRUE(recorded_values_reset());
    EXPECT_EQ(hook_counts.min_max_changed, 1);
    EXPECT_EQ(pending_key, KEY_NONE);
}

TEST_F(RunScreenTest, RightKeyAndUnknownCodesOnlyClearTheKey) {
    const uint8_t keys[] = {KEY_RIGHT, 6, 200};
    for (uint8_t key : keys) {
        press(key);
        EXPECT_EQ(pending_key, KEY_NONE);
        EXPECT_EQ(display_page, 0);
        EXPECT_EQ(current_screen, run_screen);
        EXPECT_EQ(hook_counts.settings_changed, 0);
    }
}

TEST_F(RunScreenTest, KnobPushEntersTheMainMenuOrTheCodeEntry) {
    menu_cursor = 3;
    menu_editing = 1;
    menu_scroll = 2;
    edit_step = 100;
    press(KEY_PUSH);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(menu_editing, 0);
    EXPECT_EQ(menu_scroll, 2);
    EXPECT_EQ(edit_step, 100);
    EXPECT_EQ(pending_key, KEY_NONE);

    current_screen = run_screen;
    security_on = 1;
    for (uint8_t& d : code_digits) d = 7;
    press(KEY_PUSH);
    EXPECT_EQ(current_screen, menu_code_screen);
    for (uint8_t d : code_digits) EXPECT_EQ(d, 0);

    // Only the value 1 guards the menus.
    current_screen = run_screen;
    security_on = 2;
    press(KEY_PUSH);
    EXPECT_EQ(current_screen, main_menu_screen);
}

TEST_F(RunScreenTest, PageOutsideTheRangeDrawsNothing) {
    display_page = 4;
    draw_run_screen();
    capture();
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK), 160 * 128);
    press(KEY_DOWN);
    EXPECT_EQ(display_page, 3);
}

TEST_F(RunScreenTest, ModeAboveFourCountsButIsDrawnNowhere) {
    // n = 2: the two-row layout with channel 1 in the upper slot, the lower empty.
    set_modes(1, 7, 0, 0);
    draw_run_screen();
    capture();
    EXPECT_TRUE(text_at(frame, 140, -2, "5.0", 24, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 10, 47, 10, 57, COLOUR_RED));
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK, 0, 64, 159, 127), 160 * 64);

    // Alone, it makes n = 1: nothing drawn (no prompt), and the skip rule applies.
    set_modes(0, 0, 9, 0);
    draw_run_screen();
    capture();
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK), 160 * 128);
    press(KEY_UP);
    press(KEY_UP);
    EXPECT_EQ(display_page, 3);
    draw_run_screen();
    capture();
    // The min/max page keeps the row's place but leaves it empty.
    EXPECT_EQ(count_colour(frame, COLOUR_GREY), 0);
    EXPECT_TRUE(text_at(frame, 26, 112, "RESET", 8, ALIGN_CENTRE, COLOUR_WHITE));
}
