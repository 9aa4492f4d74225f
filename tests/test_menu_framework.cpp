// The shared menu layout elements and state moves.
#include <set>
#include <utility>

#include "menus/screen_table.h"
#include "test_menu_framework_support.h"

using namespace menu_test;

namespace {

class MenuFramework : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument_reset();
        trig_init();
        clear_menu_state();
        current_screen = main_menu_screen;
        lcd_clear();
    }
};

using Pixel = std::pair<int, int>;

std::set<Pixel> lit_pixels(const Frame& f) {
    std::set<Pixel> lit;
    for (int y = 0; y < LCD_HEIGHT; ++y)
        for (int x = 0; x < LCD_WIDTH; ++x)
            if (f.at(x, y) != 0) lit.insert({x, y});
    return lit;
}

// Every pixel of the rotary-control symbol: the arc from 220 to 319 degrees,
// the three edges of each arrowhead and their fill.
std::set<Pixel> rotary_symbol_pixels() {
    const Pixel arc[] = {
        {65, 119}, {65, 120}, {66, 118}, {66, 119}, {67, 117}, {67, 118}, {68, 117}, {69, 116}, {70, 115},
        {70, 116}, {71, 115}, {72, 114}, {72, 115}, {73, 114}, {74, 113}, {74, 114}, {75, 113}, {76, 113},
        {77, 113}, {78, 113}, {79, 113}, {80, 112}, {80, 113}, {81, 113}, {82, 113}, {83, 113}, {84, 113},
        {85, 113}, {86, 113}, {86, 114}, {87, 114}, {88, 114}, {88, 115}, {89, 115}, {90, 115}, {90, 116},
        {91, 116}, {92, 117}, {93, 117}, {93, 118}, {94, 118}, {94, 119}, {95, 119}};
    const Pixel left_edges[] = {// (60, 117)-(70, 122)
                                {60, 117},
                                {61, 117},
                                {62, 118},
                                {63, 118},
                                {64, 119},
                                {65, 119},
                                {66, 120},
                                {67, 120},
                                {68, 121},
                                {69, 121},
                                {70, 122},
                                // (60, 117)-(62, 126)
                                {60, 118},
                                {60, 119},
                                {61, 120},
                                {61, 121},
                                {61, 122},
                                {61, 123},
                                {62, 124},
                                {62, 125},
                                {62, 126},
                                // (70, 122)-(62, 126)
                                {63, 125},
                                {64, 125},
                                {65, 124},
                                {66, 124},
                                {67, 123},
                                {68, 123},
                                {69, 122}};
    const Pixel right_edges[] = {// (90, 122)-(100, 117)
                                 {90, 122},
                                 {91, 122},
                                 {92, 121},
                                 {93, 121},
                                 {94, 120},
                                 {95, 120},
                                 {96, 119},
                                 {97, 119},
                                 {98, 118},
                                 {99, 118},
                                 {100, 117},
                                 // (90, 122)-(98, 126)
                                 {92, 123},
                                 {93, 123},
                                 {94, 124},
                                 {95, 124},
                                 {96, 125},
                                 {97, 125},
                                 {98, 126},
                                 // (100, 117)-(98, 126)
                                 {98, 124},
                                 {98, 125},
                                 {99, 120},
                                 {99, 121},
                                 {99, 122},
                                 {99, 123},
                                 {100, 118},
                                 {100, 119}};
    std::set<Pixel> all;
    for (const Pixel& p : arc) all.insert(p);
    for (const Pixel& p : left_edges) all.insert(p);
    for (const Pixel& p : right_edges) all.insert(p);
    // Fill of the left arrowhead.
    all.insert({61, 118});
    all.insert({61, 119});
    for (int y = 119; y <= 125; ++y) all.insert({62, y});
    for (int y = 119; y <= 124; ++y) all.insert({63, y});
    for (int y = 120; y <= 124; ++y) all.insert({64, y});
    for (int x = 65; x <= 67; ++x)
        for (int y = 121; y <= 123; ++y) all.insert({x, y});
    all.insert({68, 122});
    // Fill of the right arrowhead.
    all.insert({92, 122});
    all.insert({93, 122});
    for (int x = 94; x <= 95; ++x)
        for (int y = 121; y <= 123; ++y) all.insert({x, y});
    for (int x = 96; x <= 97; ++x)
        for (int y = 120; y <= 124; ++y) all.insert({x, y});
    for (int y = 119; y <= 123; ++y) all.insert({98, y});
    all.insert({99, 119});
    return all;
}

TEST_F(MenuFramework, RotarySymbolPixelForPixel) {
    const Frame f = drawn_by(menu_draw_rotary_icon);
    EXPECT_EQ(lit_pixels(f), rotary_symbol_pixels());
    EXPECT_EQ(count_colour(f, whole_screen, COLOUR_WHITE), static_cast<int>(rotary_symbol_pixels().size()));
}

// The thumb must be exactly the rectangle (153, top)..(159, bottom) beside the
// track at x 156 from y 30 to 106.
void expect_scroll_bar(uint8_t position, uint8_t count, int top, int bottom) {
    SCOPED_TRACE(::testing::Message() << "position " << int(position) << " of " << int(count));
    const Frame f = drawn_by([&] { draw_menu_scroll_bar(position, count); });
    for (int y = 0; y < LCD_HEIGHT; ++y) {
        for (int x = 0; x < LCD_WIDTH; ++x) {
            const bool thumb = x >= 153 && y >= top && y <= bottom;
            const bool track = x == 156 && y >= 30 && y <= 106;
            ASSERT_EQ(f.at(x, y), thumb || track ? COLOUR_WHITE : COLOUR_BLACK)
                << "at (" << x << ", " << y << ")";
        }
    }
}

TEST_F(MenuFramework, ScrollBarThumbs) {
    expect_scroll_bar(0, 1, 30, 106);
    const int four_tops[] = {30, 49, 68, 87};
    for (uint8_t p = 0; p < 4; ++p) expect_scroll_bar(p, 4, four_tops[p], four_tops[p] + 19);
    const int six_tops[] = {30, 42, 55, 67, 80, 93};
    for (uint8_t p = 0; p < 6; ++p) expect_scroll_bar(p, 6, six_tops[p], six_tops[p] + 12);
    // 33 items: step 23, so each thumb is three rows tall.
    expect_scroll_bar(0, 33, 30, 32);
    expect_scroll_bar(1, 33, 32, 34);
    expect_scroll_bar(10, 33, 53, 55);
    expect_scroll_bar(32, 33, 103, 105);
}

TEST_F(MenuFramework, ScrollBarWithoutItemsDrawsAFullThumb) {
    expect_scroll_bar(0, 0, 30, 106);
    // A cursor far beyond the list puts the thumb below the screen: only the track remains.
    const Frame f = drawn_by([] { draw_menu_scroll_bar(255, 1); });
    EXPECT_EQ(count_ink(f, whole_screen), 77);
}

TEST_F(MenuFramework, TitleBarLogoLinesAndRule) {
    const Frame actual = drawn_by([] { draw_title_bar("SECURITY", "CODE"); });
    const Frame expected = drawn_by([] {
        lcd_text(0, 0, "N", 12, ALIGN_LEFT, COLOUR_RED);
        lcd_text(15, 0, "uva", 12, ALIGN_LEFT, COLOUR_WHITE);
        lcd_text(159, 0, "SECURITY", 8, ALIGN_RIGHT, COLOUR_RED);
        lcd_text(159, 11, "CODE", 8, ALIGN_RIGHT, COLOUR_RED);
    });
    EXPECT_TRUE(same_region(actual, expected, {0, 0, 159, 24}));
    EXPECT_GT(count_colour(actual, {0, 0, 14, 24}, COLOUR_RED), 0) << "the N of the logo is red";
    EXPECT_GT(count_colour(actual, {15, 0, 60, 24}, COLOUR_WHITE), 0) << "the rest of the logo is white";
    for (int x = 0; x < LCD_WIDTH; ++x) EXPECT_EQ(actual.at(x, 25), COLOUR_WHITE);
    EXPECT_EQ(count_ink(actual, {0, 26, 159, 127}), 0);

    // Empty lines draw nothing beside the logo.
    const Frame bare = drawn_by([] { draw_title_bar("", ""); });
    EXPECT_EQ(count_ink(bare, {70, 0, 159, 24}), 0);
    EXPECT_TRUE(same_region(bare, expected, {0, 0, 60, 24}));
}

Frame soft_key_frame() {
    return drawn_by([] {
        lcd_hline(0, 159, 110, COLOUR_WHITE);
        lcd_vline(110, 127, 53, COLOUR_WHITE);
        lcd_vline(110, 127, 106, COLOUR_WHITE);
    });
}

TEST_F(MenuFramework, SoftKeyBarVariants) {
    const Frame frame = soft_key_frame();
    const Frame exit_keys = drawn_by([] { draw_soft_keys(1); });
    const Frame back_keys = drawn_by([] { draw_soft_keys(2); });
    const Frame back_only = drawn_by(draw_back_key);
    const Frame yes_no = drawn_by(draw_yes_no_keys);
    const Frame rotary = drawn_by(menu_draw_rotary_icon);
    const Frame exit_label = drawn_by([] { lcd_text(26, 112, "EXIT", 8, ALIGN_CENTRE, COLOUR_WHITE); });
    const Frame back_label = drawn_by([] { lcd_text(26, 112, "BACK", 8, ALIGN_CENTRE, COLOUR_WHITE); });
    const Frame no_label = drawn_by([] { lcd_text(26, 112, "NO", 8, ALIGN_CENTRE, COLOUR_WHITE); });
    const Frame yes_label = drawn_by([] { lcd_text(134, 112, "YES", 8, ALIGN_CENTRE, COLOUR_WHITE); });

    for (const Frame* f : {&exit_keys, &back_keys, &back_only, &yes_no}) {
        EXPECT_TRUE(same_region(*f, frame, {0, 110, 159, 110}));
        EXPECT_TRUE(same_region(*f, frame, {53, 111, 53, 127}));
        EXPECT_TRUE(same_region(*f, frame, {106, 111, 106, 127}));
        EXPECT_EQ(count_ink(*f, {0, 0, 159, 109}), 0) << "nothing above the bar";
    }
    const Region left{0, 111, 52, 127}, middle{54, 111, 105, 127}, right{107, 111, 159, 127};
    EXPECT_TRUE(same_region(exit_keys, exit_label, left));
    EXPECT_TRUE(same_region(back_keys, back_label, left));
    EXPECT_TRUE(same_region(back_only, back_label, left));
    EXPECT_TRUE(same_region(yes_no, no_label, left));
    EXPECT_TRUE(same_region(yes_no, yes_label, right));
    EXPECT_GT(count_ink(exit_label, left), 0);
    EXPECT_NE(count_ink(exit_label, left), count_ink(no_label, left)) << "the labels differ";

    EXPECT_TRUE(same_region(exit_keys, rotary, middle));
    EXPECT_TRUE(same_region(back_keys, rotary, middle));
    EXPECT_EQ(count_ink(back_only, middle), 0) << "no rotary symbol on the BACK-only bar";
    EXPECT_EQ(count_ink(yes_no, middle), 0) << "no rotary symbol on a question";
    for (const Frame* f : {&exit_keys, &back_keys, &back_only}) EXPECT_EQ(count_ink(*f, right), 0);
}

Region row_region(int row) { return {0, 16 * row + 27, 150, 16 * row + 42}; }

TEST_F(MenuFramework, MenuItemColoursFollowCursorAndEditing) {
    // Label and value as they should appear, with the value right after the label.
    auto expected = [](int row, uint8_t label_colour, uint8_t value_colour) {
        return drawn_by([=] {
            lcd_text(0, static_cast<int16_t>(16 * row + 27), "UNIT: ", 8, ALIGN_LEFT, label_colour);
            lcd_text(text_end_x, static_cast<int16_t>(16 * row + 27), "BAR", 8, ALIGN_LEFT, value_colour);
        });
    };
    menu_cursor = 3;
    menu_scroll = 2;
    const Frame selected = drawn_by([] { draw_menu_item(1, "UNIT: ", "BAR"); });
    EXPECT_TRUE(same_region(selected, expected(1, COLOUR_RED, COLOUR_RED), whole_screen));
    EXPECT_GT(count_colour(selected, row_region(1), COLOUR_RED), 0);
    EXPECT_EQ(count_colour(selected, row_region(1), COLOUR_WHITE), 0);

    menu_editing = 1;
    const Frame editing = drawn_by([] { draw_menu_item(1, "UNIT: ", "BAR"); });
    EXPECT_TRUE(same_region(editing, expected(1, COLOUR_WHITE, COLOUR_RED), whole_screen));
    EXPECT_GT(count_colour(editing, row_region(1), COLOUR_WHITE), 0);
    EXPECT_GT(count_colour(editing, row_region(1), COLOUR_RED), 0);

    const Frame other = drawn_by([] { draw_menu_item(4, "UNIT: ", "BAR"); });
    EXPECT_TRUE(same_region(other, expected(4, COLOUR_WHITE, COLOUR_WHITE), whole_screen));

    menu_editing = 0;
    const Frame done = drawn_by([] { draw_menu_item(1, "UNIT: ", "BAR"); });
    EXPECT_TRUE(same_region(done, selected, whole_screen)) << "after editing the row is all red again";
}

TEST_F(MenuFramework, RowsOutsideTheWindowDrawNothing) {
    menu_cursor = 0;
    for (int8_t row : {int8_t(-128), int8_t(-2), int8_t(-1), int8_t(5), int8_t(6), int8_t(127)}) {
        const Frame f = drawn_by([row] {
            draw_menu_item(row, "LABEL: ", "VALUE");
            draw_menu_text_item(row, "LABEL: ", "ABCD");
            draw_menu_line(row, "LINE", COLOUR_WHITE);
        });
        EXPECT_EQ(count_ink(f, whole_screen), 0) << "row " << int(row);
    }
}

TEST_F(MenuFramework, ListWindowOfSevenItemsWithCursorOnTheLast) {
    const char* const items[] = {"ITEM 0", "ITEM 1", "ITEM 2", "ITEM 3", "ITEM 4", "ITEM 5", "ITEM 6"};
    auto draw_list = [&] {
        menu_update_scroll();
        for (int i = 0; i < 7; ++i) {
            draw_menu_line(static_cast<int8_t>(i - menu_scroll), items[i],
                           i == menu_cursor ? COLOUR_RED : COLOUR_WHITE);
        }
    };
    menu_cursor = 6;
    const Frame actual = drawn_by(draw_list);
    EXPECT_EQ(menu_scroll, 2);
    const Frame expected = drawn_by([&] {
        for (int i = 2; i <= 6; ++i) {
            lcd_text(0, static_cast<int16_t>(16 * (i - 2) + 27), items[i], 8, ALIGN_LEFT,
                     i == 6 ? COLOUR_RED : COLOUR_WHITE);
        }
    });
    EXPECT_TRUE(same_region(actual, expected, whole_screen));
    EXPECT_GT(count_colour(actual, {0, 91, 150, 106}, COLOUR_RED), 0) << "item 6 red in the bottom row";
    EXPECT_EQ(count_colour(actual, {0, 27, 150, 90}, COLOUR_RED), 0);

    // One step up from the last item wraps to the first and the window jumps back.
    menu_move_cursor(KEY_UP, 7);
    EXPECT_EQ(menu_cursor, 0);
    const Frame top = drawn_by(draw_list);
    EXPECT_EQ(menu_scroll, 0);
    EXPECT_GT(count_colour(top, {0, 27, 150, 42}, COLOUR_RED), 0);
    // One step down from the first wraps to the last.
    menu_move_cursor(KEY_DOWN, 7);
    EXPECT_EQ(menu_cursor, 6);
    menu_move_cursor(KEY_DOWN, 7);
    EXPECT_EQ(menu_cursor, 5);
    menu_move_cursor(KEY_PUSH, 7);
    EXPECT_EQ(menu_cursor, 5) << "only knob turns move the cursor";
}

TEST_F(MenuFramework, CursorOutsideTheListComesBackInside) {
    menu_cursor = 200;
    menu_move_cursor(KEY_UP, 4);
    EXPECT_EQ(menu_cursor, 0);
    menu_cursor = 200;
    menu_move_cursor(KEY_DOWN, 4);
    EXPECT_EQ(menu_cursor, 3);
    menu_cursor = 2;
    menu_move_cursor(KEY_UP, 0);
    EXPECT_EQ(menu_cursor, 2);
}

// Colour of each of the four characters of a text item, taken from the ink in
// each character's columns.
struct CharColours {
    int red[4];
    int white[4];
};

CharColours text_item_colours(const char* label, const char* text) {
    int16_t x[5];
    lcd_clear();
    lcd_text(0, 27, label, 8, ALIGN_LEFT, COLOUR_WHITE);
    x[0] = text_end_x;
    for (int i = 0; i < 4; ++i) {
        const char one[2] = {text[i], '\0'};
        lcd_text(x[i], 27, text[i] ? one : "", 8, ALIGN_LEFT, COLOUR_WHITE);
        x[i + 1] = text_end_x;
    }
    const Frame f = drawn_by([&] { draw_menu_text_item(0, label, text); });
    CharColours c{};
    for (int i = 0; i < 4; ++i) {
        if (x[i + 1] == x[i]) continue;
        const Region r{x[i], 27, x[i + 1] - 1, 42};
        c.red[i] = count_colour(f, r, COLOUR_RED);
        c.white[i] = count_colour(f, r, COLOUR_WHITE);
    }
    return c;
}

TEST_F(MenuFramework, TextItemShowsOnlyTheEditedCharacterRed) {
    menu_cursor = 0;
    menu_editing = 1;
    text_cursor = 2;
    const CharColours c = text_item_colours("LABEL: ", "BATT");
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        if (i == 2) {
            EXPECT_GT(c.red[i], 0);
            EXPECT_EQ(c.white[i], 0);
        } else {
            EXPECT_EQ(c.red[i], 0);
            EXPECT_GT(c.white[i], 0);
        }
    }
    // The label is white while editing.
    lcd_clear();
    lcd_text(0, 27, "LABEL: ", 8, ALIGN_LEFT, COLOUR_WHITE);
    const int label_end = text_end_x - 1;
    const Frame label = capture();
    const Frame f = drawn_by([] { draw_menu_text_item(0, "LABEL: ", "BATT"); });
    EXPECT_TRUE(same_region(f, label, {0, 27, label_end, 42}));
    EXPECT_GT(count_colour(f, {0, 27, label_end, 42}, COLOUR_WHITE), 0);
}

TEST_F(MenuFramework, TextItemCursorPastAShortText) {
    menu_cursor = 0;
    menu_editing = 1;
    text_cursor = 3;
    const char text[5] = {'B', 'A', 'T', '\0', '\0'};
    const Frame f = drawn_by([&] { draw_menu_text_item(0, "LABEL: ", text); });
    EXPECT_EQ(count_colour(f, whole_screen, COLOUR_RED), 0);
    // The three characters stand where the whole text puts them.
    const Frame expected = drawn_by([&] {
        lcd_text(0, 27, "LABEL: ", 8, ALIGN_LEFT, COLOUR_WHITE);
        lcd_text(text_end_x, 27, text, 8, ALIGN_LEFT, COLOUR_WHITE);
    });
    EXPECT_TRUE(same_region(f, expected, whole_screen));
}

// A stored label may hold a zero inside its four characters: it draws nothing
// and takes no room, and the characters after it are still drawn.
TEST_F(MenuFramework, TextItemZeroInsideTheLabelDrawsTheRest) {
    menu_cursor = 0;
    menu_editing = 1;
    text_cursor = 2;
    const char text[5] = {'A', '\0', 'B', '\0', '\0'};
    const Frame f = drawn_by([&] { draw_menu_text_item(0, "LABEL: ", text); });
    const Frame expected = drawn_by([] {
        lcd_text(0, 27, "LABEL: ", 8, ALIGN_LEFT, COLOUR_WHITE);
        lcd_text(text_end_x, 27, "A", 8, ALIGN_LEFT, COLOUR_WHITE);
        lcd_text(text_end_x, 27, "B", 8, ALIGN_LEFT, COLOUR_RED);
    });
    EXPECT_GT(count_colour(f, whole_screen, COLOUR_RED), 0) << "the B under the text cursor";
    EXPECT_TRUE(same_region(f, expected, whole_screen));
}

TEST_F(MenuFramework, TextItemNotEditedIsAllOneColour) {
    menu_cursor = 1;
    menu_scroll = 0;
    const Frame selected = drawn_by([] { draw_menu_text_item(1, "LABEL: ", "BATT"); });
    EXPECT_GT(count_colour(selected, row_region(1), COLOUR_RED), 0);
    EXPECT_EQ(count_colour(selected, row_region(1), COLOUR_WHITE), 0);
    const Frame other = drawn_by([] { draw_menu_text_item(2, "LABEL: ", "BATT"); });
    EXPECT_EQ(count_colour(other, whole_screen, COLOUR_RED), 0);
    EXPECT_GT(count_colour(other, row_region(2), COLOUR_WHITE), 0);
    // Editing another row leaves this one white.
    menu_editing = 1;
    const Frame other_editing = drawn_by([] { draw_menu_text_item(2, "LABEL: ", "BATT"); });
    EXPECT_TRUE(same_region(other_editing, other, whole_screen));
}

TEST_F(MenuFramework, StepLabelsOfBothKindsAndAllSteps) {
    struct Case {
        uint16_t step;
        const char* whole;
        const char* tenths;
    };
    const Case cases[] = {
        {1, "X1", "X0.1"}, {10, "X10", "X1.0"}, {100, "X100", "X10.0"}, {1000, "X1000", "X100.0"}};
    menu_cursor = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        edit_step = c.step;
        for (uint8_t kind : {uint8_t(0), uint8_t(1), uint8_t(2)}) {
            const char* text = kind == 1 ? c.whole : c.tenths;
            const Frame actual = drawn_by([kind] { draw_step_label(kind, 7); });
            const Frame expected =
                drawn_by([text] { lcd_text(134, 112, text, 8, ALIGN_CENTRE, COLOUR_WHITE); });
            EXPECT_TRUE(same_region(actual, expected, whole_screen)) << "kind " << int(kind);
            EXPECT_GT(count_ink(actual, {107, 111, 159, 127}), 0);
            EXPECT_EQ(count_ink(actual, {0, 0, 106, 127}), 0);
        }
        EXPECT_EQ(count_ink(drawn_by([] { draw_step_label(1, 6); }), whole_screen), 0)
            << "not the cursor item";
    }
    // Different labels for the two kinds.
    edit_step = 100;
    EXPECT_FALSE(same_region(drawn_by([] { draw_step_label(1, 7); }), drawn_by([] { draw_step_label(0, 7); }),
                             whole_screen));
    for (uint16_t odd : {uint16_t(0), uint16_t(5), uint16_t(20), uint16_t(10000), uint16_t(65535)}) {
        edit_step = odd;
        EXPECT_EQ(count_ink(drawn_by([] { draw_step_label(1, 7); }), whole_screen), 0) << odd;
    }
}

TEST_F(MenuFramework, EditStepCyclesUpToTheLargestStep) {
    edit_step = 1;
    menu_next_edit_step(10);
    EXPECT_EQ(edit_step, 10);
    menu_next_edit_step(10);
    EXPECT_EQ(edit_step, 1);
    const uint16_t cycle[] = {10, 100, 1000, 1, 10};
    for (uint16_t expected : cycle) {
        menu_next_edit_step(1000);
        EXPECT_EQ(edit_step, expected);
    }
    edit_step = 100;
    menu_next_edit_step(10);
    EXPECT_EQ(edit_step, 1) << "a step beyond the item's largest goes back to 1";
    edit_step = 7;
    menu_next_edit_step(1000);
    EXPECT_EQ(edit_step, 1);
}

TEST_F(MenuFramework, MenuResetPreparesTheEnteredScreen) {
    security_scratch = 1234;
    menu_editing = 1;
    menu_scroll = 3;
    edit_step = 100;
    text_cursor = 2;
    current_screen = values_screen;
    menu_reset(5);
    EXPECT_EQ(security_scratch, 0);
    EXPECT_EQ(menu_editing, 0);
    EXPECT_EQ(menu_cursor, 5);
    EXPECT_EQ(menu_scroll, 0);
    EXPECT_EQ(edit_step, 1);
    EXPECT_EQ(current_screen, values_screen) << "the caller chooses the screen";
}

TEST_F(MenuFramework, ReturnToRunScreenLeavesTheMenus) {
    security_scratch = 77;
    menu_editing = 1;
    menu_cursor = 4;
    menu_scroll = 1;
    edit_step = 10;
    return_to_run_screen();
    EXPECT_EQ(current_screen, run_screen);
    EXPECT_EQ(menu_editing, 0);
    EXPECT_EQ(menu_cursor, 0);
    EXPECT_EQ(menu_scroll, 0);
    EXPECT_EQ(edit_step, 1);
    EXPECT_EQ(security_scratch, 77) << "left alone";
    EXPECT_EQ(hook_counts.settings_changed, 1);
}

TEST_F(MenuFramework, MessageScreenLeavesOnAnyKey) {
    for (uint8_t key = KEY_LEFT; key <= KEY_DOWN; ++key) {
        SCOPED_TRACE(int(key));
        current_screen = message_screen;
        message_next_screen = misc_setup_screen;
        menu_cursor = 3;
        screen_pass(KEY_NONE);
        EXPECT_EQ(current_screen, message_screen);
        screen_pass(key);
        EXPECT_EQ(current_screen, misc_setup_screen);
        EXPECT_EQ(pending_key, KEY_NONE);
        EXPECT_EQ(menu_cursor, 3) << "the menu state is kept";
    }
}

TEST_F(MenuFramework, MessageScreenWithoutNextScreenReturnsToRun) {
    current_screen = message_screen;
    message_next_screen = nullptr;
    screen_pass(KEY_PUSH);
    EXPECT_EQ(current_screen, run_screen);
}

TEST_F(MenuFramework, MessageScreenLayout) {
    current_screen = message_screen;
    const Frame actual = drawn_by([] { message_screen(); });
    const Frame expected = drawn_by([] {
        draw_title_bar("MESSAGE", "");
        lcd_text(110, 55, "DONE", 16, ALIGN_CENTRE, COLOUR_WHITE);
        lcd_draw_image(10, 45, icon_warning);
    });
    EXPECT_TRUE(same_region(actual, expected, whole_screen));
    EXPECT_EQ(count_ink(actual, {0, 110, 159, 127}), 0) << "no soft-key bar";
    EXPECT_GT(count_ink(actual, {85, 55, 159, 88}), 0) << "DONE is drawn";
}

TEST_F(MenuFramework, ItemCountOfEachScreen) {
    security_on = 0;
    // Every screen of a fixed list counts its items; the others count what
    // their settings give.
    for (uint8_t i = 0; i < SCREEN_TABLE_SIZE; ++i) {
        const ScreenInfo& screen = SCREEN_TABLE[i];
        if (screen.items == ITEMS_FROM_SETTINGS) continue;
        current_screen = screen.handler;
        message_next_screen = run_screen;
        EXPECT_EQ(menu_item_count(), screen.items) << screen.name << ", entry " << int(i);
    }
    current_screen = security_setup_screen;
    EXPECT_EQ(menu_item_count(), 1);
    security_on = 1;
    current_screen = security_setup_screen;
    EXPECT_EQ(menu_item_count(), 2);
    current_screen = message_screen;
    message_next_screen = misc_setup_screen;
    EXPECT_EQ(menu_item_count(), 4);
    current_screen = code_message_screen;
    message_next_screen = run_screen;
    EXPECT_EQ(menu_item_count(), 0);
    message_next_screen = message_screen;
    EXPECT_EQ(menu_item_count(), 0);
}

} // namespace
