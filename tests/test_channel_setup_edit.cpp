// The channel setup's item kinds: how each one changes its field, the number
// wraps of every record kind, the label editor, the hooks and the screens the
// setup opens and returns to.
#include <gtest/gtest.h>

#include <random>

#include "test_channel_setup_support.h"

using namespace setup_test;

namespace {

class ChannelSetupEdit : public ::testing::Test {
  protected:
    void SetUp() override { open_channel_setup(0); }

    // Opens a channel with the cursor on item and editing on.
    static void edit(uint8_t channel, uint8_t item) {
        open_channel_setup(channel);
        cursor_to(item);
        key(KEY_PUSH);
        ASSERT_EQ(menu_editing, 1);
    }
};

struct Wrap {
    const char* what;
    uint8_t channel;
    uint8_t item;
    int16_t* field16;
    uint16_t* field_u16;
    int16_t start;
    uint16_t step;
    uint8_t knob;
    int expected;
};

int value_of(const Wrap& w) { return w.field16 ? *w.field16 : *w.field_u16; }

TEST_F(ChannelSetupEdit, NumbersWrapToTheOtherLimitForEveryRecordKind) {
    ChannelSettings& s = channel_settings;
    const Wrap wraps[] = {
        {"pressure max up", 0, 6, &s.pressure[0].display_max, nullptr, 100, 10, KEY_UP, 1},
        {"pressure max down", 0, 6, &s.pressure[0].display_max, nullptr, 1, 1, KEY_DOWN, 100},
        {"pressure max 95+10", 0, 6, &s.pressure[0].display_max, nullptr, 95, 10, KEY_UP, 1},
        {"pressure min from 0", 0, 7, &s.pressure[0].display_min, nullptr, 0, 1, KEY_DOWN, 100},
        {"pressure low alarm", 0, 13, &s.pressure[0].low_alarm, nullptr, 5, 10, KEY_DOWN, 100},
        {"pressure in range", 0, 10, &s.pressure[0].high_caution, nullptr, 70, 10, KEY_UP, 80},
        {"temperature max up", 1, 4, &s.temperature[1].display_max, nullptr, 300, 1, KEY_UP, -40},
        {"temperature 295+10", 1, 4, &s.temperature[1].display_max, nullptr, 295, 10, KEY_UP, -40},
        {"temperature min down", 1, 5, &s.temperature[1].display_min, nullptr, -40, 1, KEY_DOWN, 300},
        {"temperature low alarm", 1, 11, &s.temperature[1].low_alarm, nullptr, -35, 10, KEY_DOWN, 300},
        {"current min down", 2, 3, &s.current[2].display_min, nullptr, -95, 10, KEY_DOWN, 100},
        {"current max up", 2, 2, &s.current[2].display_max, nullptr, 100, 1, KEY_UP, -100},
        {"current caution", 2, 6, &s.current[2].high_caution, nullptr, 30, 10, KEY_DOWN, 20},
        {"gain up", 2, 11, &s.current[2].gain, nullptr, 1000, 1, KEY_UP, 1},
        {"gain down", 2, 11, &s.current[2].gain, nullptr, 1, 10, KEY_DOWN, 1000},
        {"volts max up", 3, 2, &s.volts[3].display_max, nullptr, 300, 1, KEY_UP, 100},
        {"volts max down", 3, 2, &s.volts[3].display_max, nullptr, 100, 1, KEY_DOWN, 300},
        {"volts min down", 3, 3, &s.volts[3].display_min, nullptr, 0, 1, KEY_DOWN, 300},
        {"volts high alarm", 3, 5, nullptr, &s.volts[3].high_alarm, 105, 10, KEY_DOWN, 300},
        {"volts low alarm", 3, 9, nullptr, &s.volts[3].low_alarm, 5, 10, KEY_DOWN, 300},
        {"volts low caution", 3, 7, nullptr, &s.volts[3].low_caution, 300, 1, KEY_UP, 0},
    };
    for (const Wrap& w : wraps) {
        SCOPED_TRACE(w.what);
        edit(w.channel, w.item);
        if (w.field16)
            *w.field16 = w.start;
        else
            *w.field_u16 = uint16_t(w.start);
        edit_step = w.step;
        key(w.knob);
        EXPECT_EQ(value_of(w), w.expected);
    }
}

TEST_F(ChannelSetupEdit, TemperatureLimitsFollowTheUnit) {
    edit(1, 4);
    channel_settings.temperature[1].unit = 1;
    channel_settings.temperature[1].display_max = 570;
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.temperature[1].display_max, 569);
    key(KEY_UP, 2);
    EXPECT_EQ(channel_settings.temperature[1].display_max, -40);
    channel_settings.temperature[1].unit = 0;
    channel_settings.temperature[1].display_max = 450;
    key(KEY_UP);
    EXPECT_EQ(channel_settings.temperature[1].display_max, -40)
        << "a Fahrenheit value above the Celsius limit";
}

TEST_F(ChannelSetupEdit, PsiValuesAreWholeAndTheFourToTwentyValuesUnsigned) {
    PressureChannelConfig& p = channel_settings.pressure[0];
    p.sender_type = 2;
    p.unit = 1;
    p.press_at_4ma = 12;
    p.press_at_20ma = 150;
    redraw();
    EXPECT_TRUE(row_shows(3, "PRESS@4mA: ", "12 ", COLOUR_WHITE, COLOUR_WHITE));
    EXPECT_TRUE(row_shows(4, "PRESS@20mA: ", "150 ", COLOUR_WHITE, COLOUR_WHITE));
    cursor_to(3);
    key(KEY_PUSH);
    edit_step = 10;
    key(KEY_DOWN, 2);
    EXPECT_EQ(p.press_at_4ma, 150) << "2 - 10 is below 0 and wraps to unit_max";
}

TEST_F(ChannelSetupEdit, RightKeyTogglesTheStepOnNumbersOnly) {
    cursor_to(6);
    EXPECT_TRUE(step_label_is("X0.1"));
    key(KEY_RIGHT);
    EXPECT_EQ(edit_step, 10);
    EXPECT_TRUE(step_label_is("X1.0"));
    key(KEY_PUSH);
    key(KEY_RIGHT);
    EXPECT_EQ(edit_step, 1) << "also while editing";
    key(KEY_RIGHT);
    key(KEY_PUSH);
    cursor_to(5); // UNIT keeps the step and shows no label
    key(KEY_RIGHT);
    EXPECT_EQ(edit_step, 10);
    EXPECT_TRUE(step_label_is(""));
    open_channel_setup(1);
    cursor_to(4);
    EXPECT_TRUE(step_label_is("X1"));
    key(KEY_RIGHT);
    EXPECT_TRUE(step_label_is("X10"));
    open_channel_setup(3);
    cursor_to(2);
    EXPECT_TRUE(step_label_is("X0.1"));
}

TEST_F(ChannelSetupEdit, WhileEditingTheLabelIsWhiteAndTheValueRed) {
    cursor_to(9);
    EXPECT_TRUE(row_shows(4, "HIGH ALARM: ", "8.0 ", COLOUR_RED, COLOUR_RED));
    key(KEY_PUSH);
    EXPECT_TRUE(row_shows(4, "HIGH ALARM: ", "8.0 ", COLOUR_WHITE, COLOUR_RED));
    key(KEY_UP);
    EXPECT_TRUE(row_shows(4, "HIGH ALARM: ", "8.1 ", COLOUR_WHITE, COLOUR_RED));
    EXPECT_EQ(menu_cursor, 9) << "the knob edits instead of moving the cursor";
    key(KEY_PUSH);
    EXPECT_TRUE(row_shows(4, "HIGH ALARM: ", "8.1 ", COLOUR_RED, COLOUR_RED));
}

TEST_F(ChannelSetupEdit, SwitchesToggle) {
    cursor_to(8);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_EQ(channel_settings.pressure[0].high_alarm_on, 0);
    EXPECT_TRUE(row_shows(4, "HIGH ALARM: ", "OFF", COLOUR_WHITE, COLOUR_RED));
    key(KEY_UP);
    EXPECT_EQ(channel_settings.pressure[0].high_alarm_on, 1);
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.pressure[0].high_alarm_on, 0);
    open_channel_setup(1);
    cursor_to(3);
    key(KEY_PUSH);
    key(KEY_DOWN);
    EXPECT_TRUE(row_shows(3, "TEMP UNIT: ",
                          "\xB0"
                          "F",
                          COLOUR_WHITE, COLOUR_RED));
}

TEST_F(ChannelSetupEdit, ChoicesWrapAtBothEnds) {
    cursor_to(3);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_EQ(channel_settings.pressure[0].vdo_model, 0);
    EXPECT_TRUE(row_shows(3, "MODEL: ", "2 bar", COLOUR_WHITE, COLOUR_RED));
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.pressure[0].vdo_model, 2);
    channel_settings.pressure[0].sender_type = 1;
    channel_settings.pressure[0].sender = 2;
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.pressure[0].uma_model, 5);
    EXPECT_TRUE(row_shows(3, "MODEL: ", "N1EU100", COLOUR_WHITE, COLOUR_RED));
    key(KEY_UP);
    EXPECT_EQ(channel_settings.pressure[0].uma_model, 0);
    cursor_to(1);
    key(KEY_PUSH);
    key(KEY_DOWN, 2);
    EXPECT_EQ(channel_settings.pressure[0].sender_type, 2) << "VOLTAGE, RESISTIVE, then CURRENT";
}

TEST_F(ChannelSetupEdit, LmOffsetStopsAtItsLimits) {
    open_channel_setup(1);
    TemperatureChannelConfig& t = channel_settings.temperature[1];
    t.sender = 2;
    t.cal_offset = 29;
    temp_celsius[1] = -3;
    cursor_to(2);
    key(KEY_PUSH);
    key(KEY_UP, 3);
    EXPECT_EQ(t.cal_offset, 30);
    EXPECT_TRUE(row_shows(2, "CAL: ",
                          "+30 -3\xB0"
                          "C",
                          COLOUR_WHITE, COLOUR_RED));
    EXPECT_TRUE(step_label_is(""));
    t.cal_offset = -29;
    key(KEY_DOWN, 3);
    EXPECT_EQ(t.cal_offset, -30);
    EXPECT_EQ(edit_step, 1);
    key(KEY_RIGHT);
    EXPECT_EQ(edit_step, 1) << "the right key does nothing on the offset";
}

TEST_F(ChannelSetupEdit, VoltsTrimStopsAtItsLimitsAndReportsEveryStep) {
    edit(3, 10);
    volts_reading[3] = 0;
    volts_cal_percent = 148;
    hook_counts = HookCounts{};
    key(KEY_UP, 4);
    EXPECT_EQ(volts_cal_percent, 150);
    EXPECT_EQ(hook_counts.channel_setup_changed, 4);
    EXPECT_TRUE(row_shows(4, "CAL: ", "150% 0.0V", COLOUR_WHITE, COLOUR_RED));
    volts_cal_percent = 51;
    key(KEY_DOWN, 3);
    EXPECT_EQ(volts_cal_percent, 50);
    EXPECT_EQ(hook_counts.channel_setup_changed, 7);
}

// Draws "LABEL: " white and the label's characters one at a time, red at the
// edited position, as the row must look while the label is edited.
::testing::AssertionResult label_row_editing(int row, const char* text, int red_at) {
    Snapshot actual, expected;
    take(actual);
    lcd_clear();
    const int16_t y = int16_t(row_y(row));
    lcd_text(0, y, "LABEL: ", 8, ALIGN_LEFT, COLOUR_WHITE);
    for (int i = 0; i < 4 && text[i]; ++i) {
        const char one[2] = {text[i], 0};
        lcd_text(text_end_x, y, one, 8, ALIGN_LEFT, i == red_at ? COLOUR_RED : COLOUR_WHITE);
    }
    take(expected);
    put(actual);
    return same_region(actual, expected, 0, y, LIST_RIGHT, y + 15);
}

TEST_F(ChannelSetupEdit, EditingTheLabelBat) {
    open_channel_setup(3);
    cursor_to(1);
    for (int push = 0; push < 4; ++push) {
        key(KEY_PUSH);
        EXPECT_EQ(menu_editing, 1);
        EXPECT_EQ(text_cursor, push);
        EXPECT_TRUE(label_row_editing(1, "BAT", push)) << "push " << push + 1;
    }
    // The fourth position holds the terminating zero.
    key(KEY_UP);
    EXPECT_EQ(channel_settings.volts[3].label[3], 1);
    EXPECT_EQ(channel_settings.volts[3].label[4], 0);
    channel_settings.volts[3].label[3] = 0;
    key(KEY_DOWN);
    EXPECT_EQ(channel_settings.volts[3].label[3], '~');
    key(KEY_PUSH);
    EXPECT_EQ(menu_editing, 0) << "the fifth push ends editing";
    EXPECT_TRUE(row_shows(1, "LABEL: ", "BAT~", COLOUR_RED, COLOUR_RED));
}

TEST_F(ChannelSetupEdit, LabelCharactersRunFromSpaceToTilde) {
    char* label = channel_settings.pressure[0].label;
    cursor_to(4);
    key(KEY_PUSH);
    key(KEY_UP);
    EXPECT_STREQ(label, "PILP");
    label[0] = '~';
    key(KEY_UP);
    EXPECT_EQ(label[0], ' ');
    key(KEY_DOWN);
    EXPECT_EQ(label[0], '~');
    label[0] = char(0xB0);
    key(KEY_UP);
    EXPECT_EQ(label[0], ' ') << "a code above the tilde goes to space";
    label[0] = char(0xB0);
    key(KEY_DOWN);
    EXPECT_EQ(uint8_t(label[0]), 0xAF);
}

TEST_F(ChannelSetupEdit, BackReturnsToTheChannelsMainMenuEntryAndReports) {
    open_channel_setup(2);
    cursor_to(5);
    key(KEY_PUSH);
    key(KEY_UP);
    ASSERT_EQ(channel_settings.current[2].high_alarm, 41);
    hook_counts = HookCounts{};
    press_key(KEY_LEFT);
    run_pass(false);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 2);
    EXPECT_EQ(menu_editing, 0);
    EXPECT_EQ(edit_step, 1);
    EXPECT_EQ(pending_key, KEY_NONE);
    EXPECT_EQ(hook_counts.channel_setup_changed, 1);
    EXPECT_EQ(channel_settings.current[2].high_alarm, 41) << "BACK while editing keeps the value";
}

TEST_F(ChannelSetupEdit, ReachedFromTheMainMenuByKeys) {
    power_on_sequence();
    second_tick = 0;
    current_screen = run_screen;
    key(KEY_PUSH);
    ASSERT_EQ(current_screen, main_menu_screen);
    key(KEY_UP, 3);
    key(KEY_PUSH);
    ASSERT_EQ(current_screen, channel_setup_screen);
    EXPECT_EQ(selected_channel, 3);
    EXPECT_TRUE(title_is("CH 4", "SETUP"));
    EXPECT_TRUE(row_shows(0, "MODE: ", "VOLTS", COLOUR_RED, COLOUR_RED));
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, main_menu_screen);
    EXPECT_EQ(menu_cursor, 3);
}

TEST_F(ChannelSetupEdit, CalibrateSenderOpensTheCalibrationOnACopyOfTheCurve) {
    PressureChannelConfig& p = channel_settings.pressure[0];
    p.sender = 1;
    p.user_curve.points[2].value = 44;
    edit_step = 10;
    cursor_to(3);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, sender_calibration_screen);
    EXPECT_EQ(calibration_kind, 0);
    EXPECT_EQ(calibration_curve.point_count, p.user_curve.point_count);
    EXPECT_EQ(calibration_curve.points[2].value, 44);
    EXPECT_EQ(message_next_screen, channel_setup_screen);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(edit_step, 10) << "the step comes along";

    open_channel_setup(1);
    channel_settings.temperature[1].sender = 3;
    cursor_to(2);
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, sender_calibration_screen);
    EXPECT_EQ(calibration_kind, 1);
    EXPECT_EQ(calibration_curve.points[0].raw, vdo150_curve.points[0].raw);
}

TEST_F(ChannelSetupEdit, APushOnALineItemWhileEditingOnlyEndsTheEdit) {
    open_channel_setup(2);
    cursor_to(10);
    menu_editing = 1;
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, channel_setup_screen);
    EXPECT_EQ(menu_editing, 0);
}

TEST_F(ChannelSetupEdit, ZeroSensorOpensTheQuestionAndNoComesBack) {
    open_channel_setup(2);
    cursor_to(10);
    EXPECT_TRUE(row_is(4, "ZERO SENSOR", true));
    key(KEY_PUSH);
    EXPECT_EQ(current_screen, zero_current_screen);
    EXPECT_EQ(menu_cursor, 0);
    key(KEY_LEFT);
    EXPECT_EQ(current_screen, channel_setup_screen);
    EXPECT_EQ(menu_cursor, 10);
    EXPECT_EQ(current_zero[2], 0x8000) << "NO changes nothing";
    EXPECT_TRUE(row_is(4, "ZERO SENSOR", true));
}

TEST_F(ChannelSetupEdit, UnusedKeysAreConsumed) {
    cursor_to(4);
    press_key(KEY_RIGHT);
    run_pass(false);
    EXPECT_EQ(pending_key, KEY_NONE);
    EXPECT_EQ(edit_step, 1);
    EXPECT_EQ(current_screen, channel_setup_screen);
}

// Whatever the settings hold and whatever keys come, the screens draw and act
// in bounds and the cursor names an existing item.
TEST_F(ChannelSetupEdit, AnySettingsAndKeysKeepTheCursorOnAnItem) {
    std::mt19937 random(12345);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&channel_settings);
    for (int i = 0; i < 6000; ++i) {
        if (random() % 8 == 0) bytes[random() % sizeof channel_settings] = uint8_t(random());
        if (random() % 50 == 0) channel_mode[random() % CHANNEL_COUNT] = uint8_t(random() % 6);
        if (random() % 200 == 0) adc_input[selected_channel] = uint16_t(random() % 4097);
        if (current_screen != channel_setup_screen && current_screen != sender_calibration_screen &&
            current_screen != zero_current_screen && current_screen != message_screen) {
            open_channel_setup(uint8_t(random() % CHANNEL_COUNT));
            for (int b = 0; b < 40; ++b) bytes[random() % sizeof channel_settings] = uint8_t(random());
        }
        const ScreenHandler ran = current_screen;
        press_key(uint8_t(1 + random() % 5));
        run_pass(false);
        // Checked after a pass of the list itself: the window's mode sliders
        // may change the list between passes.
        if (ran == current_screen && ran == channel_setup_screen) {
            ASSERT_LT(menu_cursor, channel_setup_item_count());
        }
        if (ran == current_screen && ran == sender_calibration_screen) {
            ASSERT_LT(menu_cursor, calibration_item_count());
        }
        ASSERT_LE(text_cursor, 3);
    }
}

} // namespace
