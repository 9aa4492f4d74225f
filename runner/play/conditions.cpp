#include "runner/play/conditions.h"

#include <cstring>

#include "display/framebuffer.h"
#include "display/text_record.h"
#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "menus/screen_table.h"
#include "runner/play/state_condition.h"
#include "runner/play/text_patterns.h"
#include "runner/scenario/vocabulary.h"

namespace {

bool options_match(const TextRecordEntry& entry, const Condition& c) {
    return (c.colour < 0 || c.colour == entry.colour) && (c.size < 0 || c.size == entry.size) &&
           (!c.at || (c.x == entry.x && c.y == entry.y));
}

bool text_matches(const TextRecordEntry& entry, const Condition& c) {
    return c.text == entry.text && options_match(entry, c);
}

// Whether the screen still shows drawing i at the end of the frame: a later
// text at the same y over any of its columns (such as a value drawn again,
// black on yellow, in caution) has covered it.
bool still_shown(int i) {
    const TextRecordEntry& e = text_record[i];
    for (int j = i + 1; j < text_record_count; ++j) {
        const TextRecordEntry& later = text_record[j];
        if (later.y == e.y && later.start_x < e.end_x && e.start_x < later.end_x) return false;
    }
    return true;
}

} // namespace

bool text_shown(int i) { return i >= 0 && i < text_record_count && still_shown(i); }

bool text_options_match(int i, const Condition& c) { return options_match(text_record[i], c); }

std::string shown_texts() {
    std::string out;
    for (int i = 0; i < text_record_count; ++i) {
        if (!still_shown(i) || text_record[i].text[0] == 0) continue;
        if (!out.empty()) out += " | ";
        out += latin1_to_utf8(text_record[i].text);
    }
    return out.empty() ? "no text" : out;
}

std::string drawn_texts() {
    if (text_record_count == 0) return "nothing (no text was drawn)";
    std::string out = "drawn:";
    for (int i = 0; i < text_record_count; ++i) {
        const TextRecordEntry& e = text_record[i];
        out += std::string(i ? ", " : " ") + "\"" + latin1_to_utf8(e.text) + "\" (colour " +
               std::to_string(e.colour) + ", size " + std::to_string(e.size) + ", at " + std::to_string(e.x) +
               "," + std::to_string(e.y) + (still_shown(i) ? "" : ", covered") + ")";
    }
    if (text_record_overflow > 0) out += " and " + std::to_string(text_record_overflow) + " more";
    return out;
}

namespace {

bool text_holds(const Condition& c, std::string& found) {
    for (int i = 0; i < text_record_count; ++i)
        if (text_matches(text_record[i], c) && still_shown(i)) return true;
    found = drawn_texts() + nearest_text_hint(c.text);
    return false;
}

bool no_text_holds(const Condition& c, std::string& found) {
    for (int i = 0; i < text_record_count; ++i)
        if (text_matches(text_record[i], c) && still_shown(i)) {
            const TextRecordEntry& e = text_record[i];
            found = "it was drawn at x " + std::to_string(e.x) + ", y " + std::to_string(e.y) + " (colour " +
                    std::to_string(e.colour) + ", size " + std::to_string(e.size) + ")";
            return false;
        }
    return true;
}

// A channel's reading in the scale its display uses: 0.1 bar or psi by the
// unit, whole degrees, 0.1 A, 0.1 V.
bool reading_of(int c, int32_t& value) {
    switch (channel_mode[c]) {
    case MODE_PRESSURE:
        value = pressure_reading[c];
        return true;
    case MODE_TEMPERATURE:
        value = temp_reading[c];
        return true;
    case MODE_CURRENT:
        value = current_tenths[c];
        return true;
    case MODE_VOLTS:
        value = volts_reading[c];
        return true;
    default:
        return false;
    }
}

bool readings_hold(const Condition& cond, std::string& found) {
    bool all = true;
    for (int c = 0; c < CHANNELS; ++c) {
        if (!cond.readings[c]) continue;
        int32_t value = 0;
        const bool has = reading_of(c, value);
        if (has && value >= cond.readings[c]->low && value <= cond.readings[c]->high) continue;
        all = false;
        found += std::string(found.empty() ? "" : ", ") + INPUT_NAMES[c] + " " +
                 (has ? std::to_string(value) : std::string("is off"));
    }
    return all;
}

bool alarms_hold(const Condition& cond, std::string& found) {
    bool all = true;
    for (int i = 0; i < RAW_INPUTS; ++i) {
        if (!cond.alarms[i]) continue;
        const bool set = (alarm_flags >> i) & 1u;
        if (set == *cond.alarms[i]) continue;
        all = false;
        found +=
            std::string(found.empty() ? "" : ", ") + INPUT_NAMES[i] + (set ? " in alarm" : " not in alarm");
    }
    return all;
}

bool screen_holds(const Condition& c, std::string& found) {
    for (ScreenHandler h : SCREEN_NAMES[c.choice].handlers)
        if (h != nullptr && h == current_screen) return true;
    found = std::string("screen ") + screen_name(current_screen);
    return false;
}

} // namespace

bool channel_reading(int channel, int32_t& value) {
    return channel >= 0 && channel < CHANNELS && reading_of(channel, value);
}

bool condition_holds(const Condition& c, const Driver& driver, std::string& found) {
    found.clear();
    switch (c.kind) {
    case ConditionKind::text:
        return text_holds(c, found);
    case ConditionKind::no_text:
        return no_text_holds(c, found);
    case ConditionKind::lamp: {
        const bool bright = driver.lamp_with_frame();
        if (bright == (c.choice == 1)) return true;
        found = bright ? "lamp bright" : "lamp dark";
        return false;
    }
    case ConditionKind::screen:
        return screen_holds(c, found);
    case ConditionKind::page:
        if (display_page == c.choice) return true;
        found = "page " + std::string(display_page < 4 ? PAGE_NAMES[display_page] : "?") + " (" +
                std::to_string(display_page) + ")";
        return false;
    case ConditionKind::reading:
        return readings_hold(c, found);
    case ConditionKind::alarm:
        return alarms_hold(c, found);
    case ConditionKind::pixel:
        if (FrameBuffer[c.y][c.x] == c.colour) return true;
        found = "colour " + std::to_string(FrameBuffer[c.y][c.x]);
        return false;
    case ConditionKind::blink_phase:
        if (blink_phase == c.choice) return true;
        found = "blink phase " + std::to_string(blink_phase);
        return false;
    case ConditionKind::state:
        return state_holds(c, found);
    case ConditionKind::text_contains:
    case ConditionKind::no_text_contains:
    case ConditionKind::text_matches:
    case ConditionKind::no_text_matches:
        return text_pattern_holds(c, found);
    }
    return false;
}

std::string describe(const Condition& c) {
    switch (c.kind) {
    case ConditionKind::text:
    case ConditionKind::no_text: {
        std::string out = std::string(c.kind == ConditionKind::text ? "text" : "no text") + " \"" +
                          latin1_to_utf8(c.text.c_str()) + "\"";
        if (c.colour >= 0) out += " in colour " + std::to_string(c.colour);
        if (c.size >= 0) out += " in size " + std::to_string(c.size);
        if (c.at) out += " at " + std::to_string(c.x) + "," + std::to_string(c.y);
        return out;
    }
    case ConditionKind::lamp:
        return c.choice ? "lamp bright" : "lamp dark";
    case ConditionKind::screen:
        return std::string("screen ") + SCREEN_NAMES[c.choice].name;
    case ConditionKind::page:
        return std::string("page ") + PAGE_NAMES[c.choice];
    case ConditionKind::reading: {
        std::string out = "reading";
        for (int i = 0; i < CHANNELS; ++i) {
            if (!c.readings[i]) continue;
            const Range& r = *c.readings[i];
            out += std::string(" ") + INPUT_NAMES[i] + " " +
                   (r.low == r.high ? std::to_string(r.low)
                                    : std::to_string(r.low) + ".." + std::to_string(r.high));
        }
        return out;
    }
    case ConditionKind::alarm: {
        std::string out = "alarm";
        for (int i = 0; i < RAW_INPUTS; ++i)
            if (c.alarms[i]) out += std::string(" ") + INPUT_NAMES[i] + (*c.alarms[i] ? " on" : " off");
        return out;
    }
    case ConditionKind::pixel:
        return "pixel " + std::to_string(c.x) + "," + std::to_string(c.y) + " colour " +
               std::to_string(c.colour);
    case ConditionKind::blink_phase:
        return "blink phase " + std::to_string(c.choice);
    case ConditionKind::state:
        return describe_state(c);
    case ConditionKind::text_contains:
    case ConditionKind::no_text_contains:
    case ConditionKind::text_matches:
    case ConditionKind::no_text_matches:
        return describe_text_pattern(c);
    }
    return "";
}
