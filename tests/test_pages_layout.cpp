// Positions of every text of the gauge pages for one to four channels, the
// slot rule, the dividers of the digital page and the clipped markers of the
// four-channel vertical-bar page.
#include "test_pages_fixture.h"

namespace {

struct Spot {
    int16_t x, y;
    uint8_t size, align;
};

// Where the texts of one slot are expected. The unit spot is that of the
// slot's mode with the default modes (channel k + 1 in mode k + 1); for the
// temperature slot it is the letter's spot, or the font-8 degree text.
struct SlotTexts {
    Spot label, value, unit;
};

struct PageCase {
    uint8_t page, n, slot;
    SlotTexts texts;
};

constexpr uint8_t C = ALIGN_CENTRE, L = ALIGN_LEFT, R = ALIGN_RIGHT;

// clang-format off
const PageCase CASES[] = {
    // Horizontal bars.
    {0, 1, 0, {{40, 0, 10, C}, {80, 23, 34, C}, {120, 0, 12, L}}},
    {0, 2, 0, {{0, 5, 9, L}, {140, -2, 24, R}, {20, 22, 9, C}}},
    {0, 2, 1, {{0, 69, 9, L}, {140, 62, 24, R}, {16, 86, 9, L}}},
    {0, 3, 0, {{24, 3, 8, C}, {159, 5, 12, R}, {24, 15, 8, C}}},
    {0, 3, 1, {{24, 48, 8, C}, {159, 50, 12, R}, {24, 60, 8, C}}},
    {0, 3, 2, {{24, 93, 8, C}, {159, 95, 12, R}, {24, 105, 8, C}}},
    {0, 4, 0, {{24, 0, 8, C}, {159, 2, 12, R}, {24, 12, 8, C}}},
    {0, 4, 1, {{24, 33, 8, C}, {159, 35, 12, R}, {24, 45, 8, C}}},
    {0, 4, 2, {{24, 66, 8, C}, {159, 68, 12, R}, {24, 78, 8, C}}},
    {0, 4, 3, {{24, 98, 8, C}, {159, 100, 12, R}, {24, 110, 8, C}}},
    // Vertical bars.
    {1, 1, 0, {{90, 0, 10, C}, {94, 30, 34, C}, {90, 103, 12, C}}},
    {1, 2, 0, {{46, 112, 9, C}, {46, 2, 16, C}, {18, 64, 9, C}}},
    {1, 2, 1, {{130, 112, 9, C}, {130, 2, 16, C}, {102, 64, 9, L}}},
    {1, 3, 0, {{30, 112, 9, C}, {30, 0, 12, C}, {30, 21, 9, C}}},
    {1, 3, 1, {{82, 112, 9, C}, {82, 0, 12, C}, {80, 21, 9, L}}},
    {1, 3, 2, {{134, 112, 9, C}, {134, 0, 12, C}, {134, 21, 9, C}}},
    {1, 4, 0, {{23, 0, 8, C}, {23, 15, 10, C}, {23, 34, 8, C}}},
    {1, 4, 1, {{62, 80, 8, C}, {62, 94, 10, C}, {62, 113, 8, C}}},
    {1, 4, 2, {{102, 0, 8, C}, {102, 15, 10, C}, {102, 34, 8, C}}},
    {1, 4, 3, {{139, 80, 8, C}, {139, 94, 10, C}, {139, 113, 8, C}}},
    // Digital.
    {2, 2, 0, {{0, 0, 9, L}, {115, 13, 24, R}, {159, 27, 12, R}}},
    {2, 2, 1, {{0, 64, 9, L}, {115, 77, 24, R}, {138, 92, 12, L}}},
    {2, 3, 0, {{0, 10, 9, L}, {128, 0, 20, R}, {147, 10, 9, C}}},
    {2, 3, 1, {{0, 55, 9, L}, {128, 45, 20, R}, {142, 55, 9, L}}},
    {2, 3, 2, {{0, 100, 9, L}, {128, 90, 20, R}, {147, 100, 9, C}}},
    {2, 4, 0, {{40, -3, 9, C}, {40, 11, 20, C}, {40, 44, 9, C}}},
    {2, 4, 1, {{40, 61, 9, C}, {40, 75, 20, C}, {40, 108, 9, C}}},
    {2, 4, 2, {{120, -3, 9, C}, {120, 11, 20, C}, {120, 44, 9, C}}},
    {2, 4, 3, {{120, 61, 9, C}, {120, 75, 20, C}, {120, 108, 9, C}}},
    {2, 1, 0, {{40, -3, 9, C}, {40, 11, 20, C}, {40, 44, 9, C}}},
};
// clang-format on

const char* const LABELS[] = {"OILP", "OILT", "AMPS", "BAT"};
const char* const VALUES[] = {"5.0", "100", "5.5", "12.5"};
const char* const UNITS[] = {"bar", "C", "A", "V"};

// The temperature unit is the font-8 degree text in the layouts with font 8 units.
const char* unit_text(uint8_t slot, const Spot& spot) {
    if (slot == 1 && spot.size == 8)
        return "\xB0"
               "C";
    return UNITS[slot];
}

class PagesLayoutTest : public PagesTest {};

} // namespace

TEST_F(PagesLayoutTest, TextsOfEverySlotStandAtTheirPlaces) {
    for (const PageCase& pc : CASES) {
        reset_run_screen_state();
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c)
            channel_mode[c] = c < pc.n ? static_cast<uint8_t>(c + 1) : 0;
        // Keep the pressure marker of the two-channel vertical bar off its unit.
        pressure_reading[0] = 90;
        display_page = pc.page;
        draw_run_screen();
        capture();
        const uint8_t s = pc.slot;
        const char* value = s == 0 ? "9.0" : VALUES[s];
        const SlotTexts& t = pc.texts;
        SCOPED_TRACE(::testing::Message()
                     << "page " << int(pc.page) << " n " << int(pc.n) << " slot " << int(s));
        EXPECT_TRUE(
            text_at(frame, t.label.x, t.label.y, LABELS[s], t.label.size, t.label.align, COLOUR_GREY));
        EXPECT_TRUE(text_at(frame, t.value.x, t.value.y, value, t.value.size, t.value.align, COLOUR_WHITE));
        EXPECT_TRUE(
            text_at(frame, t.unit.x, t.unit.y, unit_text(s, t.unit), t.unit.size, t.unit.align, COLOUR_GREY));
    }
}

TEST_F(PagesLayoutTest, ModesAboveFourTakeNoSlotAndOffChannelsLeaveNoGap) {
    // Channels 2 and 4 on, 1 off, 3 in an unknown mode: n = 3 on the
    // compact rows, channel 2 in slot 0 and channel 4 in slot 1, slot 2 empty.
    set_modes(0, 2, 9, 4);
    draw_run_screen();
    capture();
    EXPECT_TRUE(text_at(frame, 24, 3, "OILT", 8, ALIGN_CENTRE, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 24, 48, "BAT", 8, ALIGN_CENTRE, COLOUR_GREY));
    EXPECT_TRUE(text_at(frame, 159, 50, "12.5", 12, ALIGN_RIGHT, COLOUR_WHITE));
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK, 0, 80, 159, 127), 160 * 48);
}

TEST_F(PagesLayoutTest, HorizontalBarsOfEachLayout) {
    struct Bar {
        uint8_t n;
        int x0, y0, x1, y1; // corners of the bar (zones), inclusive
    };
    const Bar bars[] = {
        {1, 10, 100, 150, 115}, {2, 10, 111, 155, 121}, {3, 50, 100, 105, 112}, {4, 50, 105, 105, 117}};
    for (const Bar& b : bars) {
        reset_run_screen_state();
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) channel_mode[c] = c < b.n ? MODE_VOLTS : 0;
        volts_reading[b.n - 1] = 300; // marker at the right end, clear of the left end
        draw_run_screen();
        capture();
        SCOPED_TRACE(int(b.n));
        // Default volts limits put red at both ends.
        EXPECT_TRUE(filled(frame, b.x0, b.y0, b.x0 + 2, b.y1, COLOUR_RED));
        EXPECT_EQ(frame[b.y0 - 1][b.x0], COLOUR_BLACK);
        EXPECT_EQ(frame[b.y1 + 1][b.x0], COLOUR_BLACK);
        EXPECT_EQ(frame[(b.y0 + b.y1) / 2][b.x0 - 1], COLOUR_BLACK);
        EXPECT_EQ(frame[b.y1 + 2][b.x1], COLOUR_WHITE); // the marker stands out below
    }
}

TEST_F(PagesLayoutTest, VerticalBarsOfEachLayout) {
    struct Bar {
        uint8_t n, slot;
        int x0, y0, x1, y1;
    };
    const Bar bars[] = {{1, 0, 5, 5, 25, 121},   {2, 0, 35, 35, 57, 109},   {2, 1, 119, 35, 141, 109},
                        {3, 0, 20, 41, 40, 109}, {3, 2, 124, 41, 144, 109}, {4, 0, 16, 50, 28, 125},
                        {4, 1, 55, 0, 67, 75},   {4, 3, 132, 0, 144, 75}};
    for (const Bar& b : bars) {
        reset_run_screen_state();
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) channel_mode[c] = c < b.n ? MODE_VOLTS : 0;
        volts_reading[b.slot] = 0; // marker at the bottom
        display_page = 1;
        draw_run_screen();
        capture();
        SCOPED_TRACE(::testing::Message() << int(b.n) << " " << int(b.slot));
        EXPECT_TRUE(filled(frame, b.x0, b.y0, b.x1, b.y0 + 2, COLOUR_RED));
        EXPECT_EQ(frame[b.y0 + 5][b.x0 - 1], COLOUR_BLACK);
        EXPECT_EQ(frame[b.y0 + 5][b.x1 + 1], COLOUR_BLACK);
        EXPECT_TRUE(
            filled(frame, b.x0 - 3, b.y1 - 2, b.x1 + 3, b.y1 + 2 > 127 ? 127 : b.y1 + 2, COLOUR_WHITE));
    }
}

TEST_F(PagesLayoutTest, TopMarkersOfUpperSlotsAreClippedToRowZero) {
    // Slots 1 and 3 of the four-channel vertical page start at row 0: a
    // reading at or above display_max centres the marker on row 0, and only
    // its rows 0 to 2 show.
    temp_reading[1] = 150;
    volts_reading[3] = 999;
    display_page = 1;
    draw_run_screen();
    capture();
    EXPECT_TRUE(filled(frame, 52, 0, 70, 2, COLOUR_WHITE));
    EXPECT_TRUE(filled(frame, 129, 0, 147, 2, COLOUR_WHITE));
    EXPECT_EQ(frame[3][52], COLOUR_BLACK);
    EXPECT_EQ(frame[3][129], COLOUR_BLACK);
    EXPECT_EQ(frame[3][60], COLOUR_RED); // the bar's top zone below the marker
}

TEST_F(PagesLayoutTest, CrossesSpanEachLayoutsCellArea) {
    struct Cross {
        uint8_t page, n, slot;
        int16_t left, top, right, bottom;
    };
    const Cross crosses[] = {
        {0, 1, 0, 0, 0, 159, 127},  {0, 2, 1, 0, 64, 159, 127},  {0, 4, 3, 0, 100, 159, 122},
        {0, 3, 0, 0, 5, 159, 27},   {1, 1, 0, 0, 0, 159, 127},   {1, 2, 1, 99, 0, 159, 127},
        {1, 3, 1, 62, 0, 102, 127}, {1, 4, 3, 122, 0, 154, 127}, {1, 4, 0, 6, 0, 38, 127},
        {2, 2, 0, 0, 0, 159, 63},   {2, 3, 2, 0, 92, 159, 125},  {2, 4, 3, 80, 64, 160, 126},
        {2, 4, 1, 0, 64, 80, 126},
    };
    for (const Cross& x : crosses) {
        reset_run_screen_state();
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) channel_mode[c] = c < x.n ? MODE_PRESSURE : 0;
        channel_settings.pressure[x.slot].data_source = 1;
        display_page = x.page;
        zolt_enabled = 1;
        draw_run_screen();
        lcd_thick_line(x.left, x.top, x.right, x.bottom, COLOUR_RED);
        lcd_thick_line(x.left, x.bottom, x.right, x.top, COLOUR_RED);
        Frame expected;
        save_frame(expected);
        zolt_enabled = 0;
        draw_run_screen();
        capture();
        EXPECT_EQ(std::memcmp(frame, expected, sizeof frame), 0)
            << int(x.page) << " " << int(x.n) << " " << int(x.slot);
    }
}

TEST_F(PagesLayoutTest, DigitalDividersByLayout) {
    display_page = 2;
    set_modes(1, 2, 0, 0);
    draw_run_screen();
    capture();
    EXPECT_TRUE(filled(frame, 0, 63, 159, 63, COLOUR_GREY));
    EXPECT_EQ(count_colour(frame, COLOUR_GREY, 80, 0, 80, 62), 0);

    set_modes(1, 2, 3, 0);
    draw_run_screen();
    capture();
    EXPECT_FALSE(filled(frame, 0, 63, 159, 63, COLOUR_GREY));
    EXPECT_FALSE(filled(frame, 80, 0, 80, 127, COLOUR_GREY));
    EXPECT_EQ(count_colour(frame, COLOUR_GREY, 60, 20, 100, 40), 0);

    set_modes(1, 2, 3, 4);
    draw_run_screen();
    capture();
    EXPECT_TRUE(filled(frame, 0, 62, 159, 62, COLOUR_GREY));
    EXPECT_TRUE(filled(frame, 80, 0, 80, 61, COLOUR_GREY));
    EXPECT_TRUE(filled(frame, 80, 63, 80, 127, COLOUR_GREY));
}

TEST_F(PagesLayoutTest, ChannelCountsBeyondTheLayoutsNeverFault) {
    // The page routines take n from the run screen; any other n still draws safely.
    for (int n = 0; n < 256; ++n) {
        lcd_clear();
        draw_hbar_page(static_cast<uint8_t>(n));
        draw_vbar_page(static_cast<uint8_t>(n));
        draw_digital_page(static_cast<uint8_t>(n));
    }
    lcd_clear();
    draw_hbar_page(0);
    draw_vbar_page(0);
    capture();
    EXPECT_EQ(count_colour(frame, COLOUR_BLACK), 160 * 128);
    // A slot table shorter than the channels shown: the extra channels are left out.
    draw_hbar_page(1);
    capture();
    EXPECT_TRUE(text_at(frame, 40, 0, "OILP", 10, ALIGN_CENTRE, COLOUR_GREY));
    EXPECT_EQ(count_colour(frame, COLOUR_WHITE, 0, 0, 30, 90), 0);
}

TEST_F(PagesLayoutTest, DegreeRingsStandAtTheirPlaces) {
    struct Ring {
        uint8_t page, n;
        int16_t x, y;
    };
    // Channel 2, the temperature channel of the default modes, in slot 1.
    const Ring rings[] = {{0, 2, 11, 87},  {1, 2, 97, 65},  {1, 3, 75, 25}, {2, 2, 132, 95},
                          {2, 3, 137, 58}, {2, 4, 28, 112}, {3, 2, 136, 52}};
    const int outline[8][2] = {{0, 1}, {0, 2}, {1, 0}, {2, 0}, {3, 1}, {3, 2}, {1, 3}, {2, 3}};
    for (const Ring& r : rings) {
        reset_run_screen_state();
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c)
            channel_mode[c] = c < r.n ? static_cast<uint8_t>(c + 1) : 0;
        display_page = r.page;
        draw_run_screen();
        capture();
        SCOPED_TRACE(::testing::Message() << int(r.page) << " " << int(r.n));
        for (const auto& p : outline) EXPECT_EQ(frame[r.y + p[1]][r.x + p[0]], COLOUR_GREY);
        // Corners and centre stay clear.
        EXPECT_NE(frame[r.y][r.x], COLOUR_GREY);
        EXPECT_NE(frame[r.y + 1][r.x + 1], COLOUR_GREY);
        EXPECT_NE(frame[r.y + 3][r.x + 3], COLOUR_GREY);
    }
}
