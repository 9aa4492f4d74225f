#include "soak/invariants.h"

#include <cstdio>

#include "host/panel/instrument.h"

namespace {

bool fail(char* message, int size, const char* text, long a = 0, long b = 0) {
    std::snprintf(message, static_cast<size_t>(size), text, a, b);
    return false;
}

template <typename Record, typename Reading> bool channel_alarm(const Record& record, Reading reading) {
    return (reading < record.low_alarm && record.low_alarm_on == 1) ||
           (reading > record.high_alarm && record.high_alarm_on == 1);
}

bool frame_buffer_in_palette(char* message, int size) {
    for (int y = 0; y < LCD_HEIGHT; ++y)
        for (int x = 0; x < LCD_WIDTH; ++x)
            if (FrameBuffer[y][x] >= PALETTE_SIZE)
                return fail(message, size, "frame buffer holds index %ld at %ld", FrameBuffer[y][x],
                            y * 160 + x);
    return true;
}

bool readings_within_clamps(char* message, int size) {
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        if (pressure_reading[c] < 0 || pressure_reading[c] > 999)
            return fail(message, size, "pressure reading %ld on channel %ld", pressure_reading[c], c + 1);
        if (temp_reading[c] < -99 || temp_reading[c] > 999)
            return fail(message, size, "temperature reading %ld on channel %ld", temp_reading[c], c + 1);
    }
    return true;
}

} // namespace

namespace {

bool menu_state_valid(bool screen_ran, char* message, int size) {
    if (pending_key != 0) return fail(message, size, "pending key %ld left after a pass", pending_key);
    if (backlight_level < 10 || backlight_level > 100)
        return fail(message, size, "backlight level %ld", backlight_level);
    for (int i = 0; i < 4; ++i)
        if (code_digits[i] > 9) return fail(message, size, "code digit %ld is %ld", i, code_digits[i]);
    // A screen that was only just stored in current_screen has not yet had its
    // pass, in which it brings the cursor onto its list.
    if (!screen_ran) return true;
    // Message screens show no list; the screen they lead to checks its cursor.
    if (current_screen == message_screen || current_screen == code_message_screen) return true;
    const int count = menu_item_count();
    if (count > 0 && menu_cursor >= count) {
        char text[100];
        std::snprintf(text, sizeof text, "%s screen: menu cursor %%ld names no item (%%ld items)",
                      screen_name(current_screen));
        return fail(message, size, text, menu_cursor, count);
    }
    return true;
}

// After a sampling pass the alarm bits follow the readings and limits of the
// channels in use; acknowledgements never outlive their alarms.
bool alarms_consistent(char* message, int size) {
    int last_volts = -1;
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const uint32_t bit = 1u << c;
        bool expected;
        switch (channel_mode[c]) {
        case MODE_PRESSURE:
            expected = channel_alarm(channel_settings.pressure[c], pressure_reading[c]);
            break;
        case MODE_TEMPERATURE:
            expected = channel_alarm(channel_settings.temperature[c], temp_reading[c]);
            break;
        case MODE_CURRENT:
            expected = channel_alarm(channel_settings.current[c], current_amps[c]);
            break;
        case MODE_VOLTS:
            last_volts = c;
            continue; // a volts channel leaves its own bit alone
        default:
            expected = false;
            break;
        }
        if (((alarm_flags & bit) != 0) != expected)
            return fail(message, size, "alarm bit of channel %ld is %ld against its reading", c + 1,
                        (alarm_flags & bit) != 0);
    }
    if (last_volts >= 0) {
        const bool expected = channel_alarm(channel_settings.volts[last_volts], volts_reading[last_volts]);
        if (((alarm_flags & 0x10u) != 0) != expected)
            return fail(message, size, "supply alarm bit is %ld against channel %ld",
                        (alarm_flags & 0x10u) != 0, last_volts + 1);
    } else if ((alarm_flags & 0x10u) != 0) {
        return fail(message, size, "supply alarm bit set without a volts channel");
    }
    return true;
}

} // namespace

PassContext before_pass() {
    return PassContext{second_tick != 0, pending_key != 0, alarm_flags, current_screen};
}

bool check_invariants(const PassContext& context, char* message, int size) {
    if (!frame_buffer_in_palette(message, size)) return false;
    if (!readings_within_clamps(message, size)) return false;
    if (!menu_state_valid(current_screen == context.screen, message, size)) return false;
    if ((alarm_ack_flags & ~alarm_flags) != 0)
        return fail(message, size, "acknowledged alarms %ld without alarm (%ld)", alarm_ack_flags,
                    alarm_flags);
    // A key may change limits or modes after the sampling of the same pass.
    if (context.sampled && !context.key_pending && !alarms_consistent(message, size)) return false;
    return true;
}
