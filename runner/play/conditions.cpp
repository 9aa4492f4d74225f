#include "runner/play/conditions.h"

#include <cstring>

#include "display/framebuffer.h"
#include "display/text.h"
#include "display/text_record.h"
#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "menus/screen_table.h"
#include "runner/play/state_condition.h"
#include "runner/play/text_patterns.h"
#include "runner/scenario/vocabulary.h"

namespace {

// The colour that the character `code` of drawing i, with its pen at `pen`,
// finally shows in: that of the last drawing of the same character at the same
// place, since drawing a character again where it stands (a label redrawn one
// character at a time, a value redrawn on its highlight) does not hide it.
uint8_t final_colour(int i, uint8_t code, uint16_t pen) {
    const TextRecordEntry& e = text_record[i];
    for (int j = text_record_count - 1; j > i; --j) {
        const TextRecordEntry& later = text_record[j];
        if (later.y != e.y || font_for_size(later.size) != font_for_size(e.size)) continue;
        uint16_t p = uint16_t(later.start_x);
        for (const char* c = later.text; *c != 0; ++c) {
            if (p == pen && uint8_t(*c) == code) return later.colour;
            p = uint16_t(p + glyph_advance(later.size, uint8_t(*c)));
        }
    }
    return e.colour;
}

// How drawing i finally shows: whether each of its characters is still visible
// where it was drawn, and the colours its inked characters show in.
struct Showing {
    bool shown = true;
    uint8_t inked = 0;
    uint8_t colours[TEXT_RECORD_CHARS] = {};
};

Showing showing_of(int i) {
    const TextRecordEntry& e = text_record[i];
    Showing s;
    uint16_t pen = uint16_t(e.start_x);
    for (const char* c = e.text; *c != 0; ++c) {
        const uint8_t code = uint8_t(*c);
        const uint8_t colour = final_colour(i, code, pen);
        const GlyphShows shows = glyph_shows(e.size, code, pen, uint16_t(e.y), colour);
        if (shows == GlyphShows::no) {
            s.shown = false;
            return s;
        }
        if (shows == GlyphShows::yes) s.colours[s.inked++] = colour;
        pen = uint16_t(pen + glyph_advance(e.size, code));
    }
    return s;
}

// Whether every character shows in the colour; a text without ink by the
// colour it was drawn in.
bool shows_in(const Showing& s, const TextRecordEntry& e, int colour) {
    if (s.inked == 0) return e.colour == colour;
    for (uint8_t k = 0; k < s.inked; ++k)
        if (s.colours[k] != colour) return false;
    return true;
}

// Whether drawing i has the size and place the condition asks for, and the
// frame shows it, in the condition's colour where it names one.
bool options_match(int i, const Condition& c) {
    const TextRecordEntry& e = text_record[i];
    if ((c.size >= 0 && c.size != e.size) || (c.at && (c.x != e.x || c.y != e.y))) return false;
    const Showing s = showing_of(i);
    return s.shown && (c.colour < 0 || shows_in(s, e, c.colour));
}

// Whether drawing i is the text the condition asks for and the frame shows it so.
bool text_matches(int i, const Condition& c) { return c.text == text_record[i].text && options_match(i, c); }

// How drawing i shows, for failures and -v: hidden, or the colours it shows in
// where they are not the one it was drawn in.
std::string showing_note(int i) {
    const Showing s = showing_of(i);
    if (!s.shown) return ", hidden";
    if (shows_in(s, text_record[i], text_record[i].colour)) return "";
    std::string colours;
    bool seen[256] = {};
    for (uint8_t k = 0; k < s.inked; ++k) {
        if (seen[s.colours[k]]) continue;
        seen[s.colours[k]] = true;
        colours += (colours.empty() ? "" : "/") + std::to_string(s.colours[k]);
    }
    return ", shows in colour " + colours;
}

} // namespace

bool text_shown(int i) { return i >= 0 && i < text_record_count && showing_of(i).shown; }

bool text_options_match(int i, const Condition& c) { return options_match(i, c); }

std::string shown_texts() {
    std::string out;
    for (int i = 0; i < text_record_count; ++i) {
        if (text_record[i].text[0] == 0 || !showing_of(i).shown) continue;
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
               "," + std::to_string(e.y) + showing_note(i) + ")";
    }
    if (text_record_overflow > 0) out += " and " + std::to_string(text_record_overflow) + " more";
    return out;
}

namespace {

bool text_holds(const Condition& c, std::string& found) {
    for (int i = 0; i < text_record_count; ++i)
        if (text_matches(i, c)) return true;
    found = drawn_texts() + nearest_text_hint(c.text);
    return false;
}

bool no_text_holds(const Condition& c, std::string& found) {
    for (int i = 0; i < text_record_count; ++i)
        if (text_matches(i, c)) {
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
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
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
    return channel >= 0 && channel < CHANNEL_COUNT && reading_of(channel, value);
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
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
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
