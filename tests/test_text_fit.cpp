// Every text on every screen fits: drawn in every state that the menus and the
// sliders can reach, no recorded text loses ink at a screen edge and no list
// row's label or value runs into the scroll bar. The ink is measured from the
// font bytes and the record of drawn texts, so a text cut by clipping is seen
// whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "display/text_record.h"
#include "menus/channel_setup_items.h"
#include "menus/screen_table.h"
#include "soak/invariants.h"
#include "test_fonts_reader.h"
#include "test_pages_fixture.h"

namespace {

constexpr int SCROLL_BAR_LEFT = 153; // the thumb's first column

struct Ink {
    bool any = false;
    int left = 0, right = 0, top = 0, bottom = 0;
};

// Where one glyph inks within its cell.
struct GlyphInk {
    bool any = false;
    int left = 0, right = 0, top = 0, bottom = 0;
};

GlyphInk glyph_ink(const FontBytes& f, int code) {
    GlyphInk g;
    for (int r = 0; r < f.height(); ++r)
        for (int col = 0; col < f.width(code); ++col) {
            if (!f.ink(code, r, col)) continue;
            if (!g.any) g = {true, col, col, r, r};
            g.left = std::min(g.left, col);
            g.right = std::max(g.right, col);
            g.top = std::min(g.top, r);
            g.bottom = std::max(g.bottom, r);
        }
    return g;
}

// The glyph extents of every code of every font, decoded once.
const GlyphInk& cached_ink(const FontBytes& f, int code) {
    static GlyphInk table[35][256];
    static bool filled[35][256];
    if (!filled[f.size][code]) {
        table[f.size][code] = glyph_ink(f, code);
        filled[f.size][code] = true;
    }
    return table[f.size][code];
}

// The screen columns and rows a recorded text inks, clipped or not; codes
// outside the font are skipped as lcd_text skips them.
Ink ink_of(const TextRecordEntry& e) {
    const FontBytes& f = font_bytes(e.size);
    Ink ink;
    int pen = e.start_x;
    for (const char* c = e.text; *c != 0; ++c) {
        const int code = static_cast<unsigned char>(*c);
        if (!f.has(code)) continue;
        const GlyphInk& g = cached_ink(f, code);
        if (g.any) {
            const Ink here{true, pen + g.left, pen + g.right, e.y + g.top, e.y + g.bottom};
            if (!ink.any) ink = here;
            ink.left = std::min(ink.left, here.left);
            ink.right = std::max(ink.right, here.right);
            ink.top = std::min(ink.top, here.top);
            ink.bottom = std::max(ink.bottom, here.bottom);
        }
        pen += f.advance(code);
    }
    return ink;
}

bool is_list_row(const TextRecordEntry& e) {
    const bool menu_font = font_bytes(e.size).size == 8;
    return menu_font && e.align == ALIGN_LEFT && e.y >= 27 && e.y <= 91 && (e.y - 27) % 16 == 0;
}

// The lowest row a text may ink. The one known exception: the labels of the
// vertical-bar page with one or two channels stand in size 9 at y 112, whose
// baseline is the last full row of the screen (126), so a label character
// with a descender ("g", "p", "@" ...) loses up to three rows of it; only the
// descender may be cut.
int bottom_limit(const TextRecordEntry& e) {
    const bool bottom_label = font_bytes(e.size).size == 9 && e.y == 112 && e.align == ALIGN_CENTRE;
    return bottom_label ? e.y + font_bytes(9).height() - 1 : LCD_HEIGHT - 1;
}

bool draws_scroll_bar(ScreenHandler screen) {
    return screen == misc_setup_screen || screen == channel_setup_screen ||
           screen == sender_calibration_screen;
}

void fresh_menus() {
    menu_reset(0);
    text_cursor = 0;
    message_next_screen = nullptr;
    selected_channel = 0;
}

class TextFit : public ::testing::Test {
  protected:
    void SetUp() override { reset_run_screen_state(); }

    // One pass of a screen without a key, then the check of what it drew.
    void draw(ScreenHandler screen) {
        current_screen = screen;
        pending_key = KEY_NONE;
        lcd_clear();
        screen();
        ++frames;
        if (text_record_overflow != 0)
            note(std::string(screen_name(screen)) + ": the text record overflowed");
        for (uint8_t i = 0; i < text_record_count; ++i) check(screen, text_record[i]);
    }

    void check(ScreenHandler screen, const TextRecordEntry& e) {
        const Ink ink = ink_of(e);
        if (!ink.any) return;
        const int right_limit =
            draws_scroll_bar(screen) && is_list_row(e) ? SCROLL_BAR_LEFT - 1 : LCD_WIDTH - 1;
        if (ink.left >= 0 && ink.right <= right_limit && ink.top >= 0 && ink.bottom <= bottom_limit(e))
            return;
        note(std::string(screen_name(screen)) + ": \"" + e.text + "\" size " + std::to_string(e.size) +
             " at (" + std::to_string(e.x) + ", " + std::to_string(e.y) + ") inks columns " +
             std::to_string(ink.left) + ".." + std::to_string(ink.right) + ", rows " +
             std::to_string(ink.top) + ".." + std::to_string(ink.bottom) + " (limit " +
             std::to_string(right_limit) + ")");
    }

    void note(const std::string& failure) {
        if (failures.insert(failure).second && failures.size() <= 60) ADD_FAILURE() << failure;
    }

    // Every channel's labels: the defaults (0), or four of one character.
    static void set_labels(char fill) {
        if (fill == 0) return;
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            char* labels[] = {channel_settings.pressure[c].label, channel_settings.temperature[c].label,
                              channel_settings.current[c].label, channel_settings.volts[c].label};
            for (char* l : labels) std::memset(l, fill, 4);
        }
    }

    std::set<std::string> failures;
    long frames = 0;
};

// Readings, units and labels of one run-screen variant, extremes of the slider
// and setup ranges; the labels are the defaults or four of one of the widest
// characters a label can hold (the knob reaches every one from space to "~").
struct Readings {
    uint8_t pressure_unit, temperature_unit;
    int16_t pressure, temperature, current_tenths, volts;
    char label;
};

constexpr Readings reading_variants[] = {
    {0, 0, 0, -99, -4095, 11, 0},    {0, 1, 999, 999, 4096, 555, 'W'}, {1, 0, 999, -99, -99, 555, 'M'},
    {2, 1, 999, 999, -4095, 555, 0}, {2, 0, 0, -40, 99, 11, '@'},      {1, 1, 0, 999, 4096, 11, '%'},
    {0, 0, 999, -40, -99, 555, 'm'},
};

void apply(const Readings& r) {
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        channel_settings.pressure[c].unit = r.pressure_unit;
        channel_settings.temperature[c].unit = r.temperature_unit;
        pressure_reading[c] = r.pressure;
        temp_reading[c] = r.temperature;
        current_tenths[c] = r.current_tenths;
        current_amps[c] = static_cast<int16_t>(r.current_tenths / 10);
        volts_reading[c] = static_cast<uint16_t>(r.volts);
        pressure_max[c] = 999;
        temp_max[c] = r.temperature;
        current_tenths_min[c] = -4095;
        current_tenths_max[c] = 4096;
        current_amps_min[c] = -409;
        current_amps_max[c] = 409;
        volts_min[c] = 11;
        volts_max[c] = 555;
    }
}

TEST_F(TextFit, RunScreenPagesInEveryChannelCombination) {
    for (const Readings& r : reading_variants) {
        reset_run_screen_state();
        set_labels(r.label);
        apply(r);
        for (int modes = 0; modes < 5 * 5 * 5 * 5; ++modes) {
            set_modes(uint8_t(modes % 5), uint8_t(modes / 5 % 5), uint8_t(modes / 25 % 5),
                      uint8_t(modes / 125));
            for (uint8_t page = 0; page < 4; ++page) {
                display_page = page;
                draw(run_screen);
            }
        }
    }
    EXPECT_EQ(frames, 7 * 625 * 4);
}

TEST_F(TextFit, MenuScreensInEveryState) {
    for (uint8_t i = 0; i < SCREEN_TABLE_SIZE; ++i) {
        const ScreenHandler screen = SCREEN_TABLE[i].handler;
        // The run screen, the channel setup and the calibration have walks of their own.
        if (screen == run_screen || screen == channel_setup_screen || screen == sender_calibration_screen)
            continue;
        for (uint8_t variant = 0; variant < 10; ++variant) {
            reset_run_screen_state();
            fresh_menus();
            const uint16_t raw = variant % 2 ? 4096 : 0;
            for (uint16_t& w : work_adc) w = raw;
            supply_adc = raw;
            zolt_enabled = variant % 2;
            security_on = variant % 2;
            security_scratch = variant % 2;
            backlight_level = uint8_t(10 + 10 * variant);
            for (uint8_t& d : code_digits) d = variant;
            message_next_screen = misc_setup_screen;
            current_screen = screen;
            const uint8_t cursors = std::max<uint8_t>(1, menu_item_count());
            for (uint8_t cursor = 0; cursor < cursors; ++cursor) {
                menu_cursor = cursor;
                draw(screen);
            }
        }
    }
}

// The numeric fields of a mode's items all at their lowest or all at their
// highest value.
void set_numbers(uint8_t mode, uint8_t channel, bool high) {
    const SetupTable* table = setup_table_for_mode(mode);
    uint8_t* records[] = {nullptr, reinterpret_cast<uint8_t*>(&channel_settings.pressure[channel]),
                          reinterpret_cast<uint8_t*>(&channel_settings.temperature[channel]),
                          reinterpret_cast<uint8_t*>(&channel_settings.current[channel]),
                          reinterpret_cast<uint8_t*>(&channel_settings.volts[channel])};
    uint8_t* record = records[mode];
    for (uint8_t i = 0; i < table->row_count; ++i) {
        const SetupRow& row = table->rows[i];
        if (row.kind != KIND_NUMBER) continue;
        int16_t hi = row.hi;
        if (row.limits == LIMITS_PRESSURE_UNIT)
            hi = pressure_unit_max(channel_settings.pressure[channel].unit);
        if (row.limits == LIMITS_TEMPERATURE_UNIT)
            hi = channel_settings.temperature[channel].unit ? 570 : 300;
        const int16_t v = high ? hi : row.lo;
        uint8_t* field = record + row.field.offset;
        if (row.field.type == FIELD_U8 || row.field.type == FIELD_I8)
            *field = static_cast<uint8_t>(v);
        else
            std::memcpy(field, &v, sizeof v);
    }
}

// The live readings that setup rows show, at one end of their ranges.
void set_live_readings(uint8_t channel, bool high, bool small_current) {
    temp_celsius[channel] = high ? 416 : -303;
    current_tenths[channel] = small_current ? (high ? 99 : -99) : (high ? 4096 : -4095);
    current_amps[channel] = static_cast<int16_t>(current_tenths[channel] / 10);
    volts_reading[channel] = high ? 555 : 11;
    volts_cal_percent = high ? 150 : 50;
    zolt_address = 3;
    channel_settings.temperature[channel].cal_offset = high ? 30 : -30;
}

struct PressureVariant {
    uint8_t sender_type, sender;
};
constexpr PressureVariant pressure_senders[] = {{0, 0}, {0, 1}, {1, 1}, {1, 2}, {1, 3}, {2, 2}};

// The lists a mode can show: pressure senders x units x data sources,
// temperature senders x units x data sources, current data sources.
constexpr uint8_t variants_of_mode[5] = {1, 6 * 3 * 2, 6 * 2 * 2, 2, 1};

TEST_F(TextFit, ChannelSetupListsAtTheirExtremes) {
    // Every list the settings give, with its numbers at both ends of their
    // limits and the cursor on every item in both edit steps.
    auto walk_list = [this] {
        const uint8_t count = channel_setup_item_count();
        for (uint8_t cursor = 0; cursor < count; ++cursor)
            for (uint16_t step : {1, 10}) {
                menu_cursor = cursor;
                edit_step = step;
                draw(channel_setup_screen);
            }
    };
    for (uint8_t channel = 0; channel < CHANNEL_COUNT; ++channel)
        for (uint8_t mode = 0; mode <= MODE_VOLTS; ++mode)
            for (uint8_t extreme = 0; extreme < 4; ++extreme) {
                const bool high = extreme % 2 != 0;
                for (uint8_t variant = 0; variant < variants_of_mode[mode]; ++variant) {
                    reset_run_screen_state();
                    fresh_menus();
                    set_labels(extreme >= 2 ? "WM@%"[channel] : 0);
                    selected_channel = channel;
                    selected_pressure_config = &channel_settings.pressure[channel];
                    selected_temperature_config = &channel_settings.temperature[channel];
                    selected_current_config = &channel_settings.current[channel];
                    selected_volts_config = &channel_settings.volts[channel];
                    channel_mode[channel] = mode;
                    const uint8_t data_source = variant % 2;
                    const uint8_t units = mode == MODE_TEMPERATURE ? 2 : 3;
                    const uint8_t unit = variant / 2 % units;
                    const uint8_t sender = variant / (2 * units);
                    PressureChannelConfig& p = channel_settings.pressure[channel];
                    p.sender_type = pressure_senders[sender].sender_type;
                    p.sender = pressure_senders[sender].sender;
                    p.unit = unit;
                    p.data_source = data_source;
                    TemperatureChannelConfig& t = channel_settings.temperature[channel];
                    t.sender = sender;
                    t.unit = unit % 2;
                    t.data_source = data_source;
                    channel_settings.current[channel].data_source = data_source;
                    if (mode != MODE_OFF) set_numbers(mode, channel, high);
                    set_live_readings(channel, high, extreme >= 2);
                    walk_list();
                }
            }
    EXPECT_GT(frames, 10000) << "every list, item and step";
}

TEST_F(TextFit, SenderCalibrationAtItsExtremes) {
    // Display values reach -9 and 1008 and raw values -999 and 5094: the step
    // is applied after the limit test.
    for (uint8_t kind = 0; kind < 2; ++kind)
        for (uint8_t unit = 0; unit < 3; ++unit)
            for (int16_t value : {-9, 1008})
                for (int16_t raw : {-999, 5094})
                    for (uint8_t n : {2, 16}) {
                        reset_run_screen_state();
                        fresh_menus();
                        selected_channel = 3;
                        selected_pressure_config = &channel_settings.pressure[3];
                        selected_temperature_config = &channel_settings.temperature[3];
                        channel_settings.pressure[3].unit = unit;
                        adc_input[3] = 4096;
                        calibration_kind = kind;
                        calibration_curve.point_count = n;
                        for (SenderPoint& point : calibration_curve.points) point = {value, raw};
                        for (uint8_t cursor = 0; cursor <= 2 * n; ++cursor)
                            for (uint16_t step : {1, 10, 100, 1000}) {
                                menu_cursor = cursor;
                                edit_step = step;
                                draw(sender_calibration_screen);
                            }
                    }
}

} // namespace
