// Runs of whole scenarios: GIF frames and their delays from simulated time,
// the fresh state that every scenario starts from, and which drawn texts the
// text conditions take as shown.
#include <gtest/gtest.h>

#include <cstring>

#include <gif_lib.h>

#include "display/framebuffer.h"
#include "display/text.h"
#include "display/text_record.h"
#include "host/panel/front_panel.h"
#include "menus/menu.h"
#include "picture/picture.h"
#include "runner/files/gif_recorder.h"
#include "runner/play/conditions.h"
#include "runner/scenario/loader.h"
#include "runner/suite/launcher.h"
#include "support/test_output.h"

namespace {

struct GifFrame {
    int delay;
    uint8_t first_pixel;
};

std::vector<GifFrame> read_frames(const std::string& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    std::vector<GifFrame> frames;
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) return frames;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        frames.push_back({control.DelayTime, gif->SavedImages[i].RasterBits[0]});
    }
    DGifCloseFile(gif, &error);
    return frames;
}

TEST(ScenarioRuns, GifFramesCarryTheirSimulatedTimeAndNoDelayBelowTwo) {
    const std::string path = test_output_dir() + "/delays.gif";
    std::memset(FrameBuffer, 1, sizeof FrameBuffer);
    GifRecorder recorder;
    std::string why;
    ASSERT_TRUE(recorder.start(path, View::display, 1, 0.0, why)) << why;
    recorder.capture(5.0); // the same picture: no frame
    FrameBuffer[0][0] = 2;
    recorder.capture(10.0); // 1/100 s after the start: replaces the first frame
    FrameBuffer[0][0] = 3;
    recorder.capture(500.0);
    FrameBuffer[0][0] = 4;
    recorder.capture(516.7); // 1.7/100 s rounds to 2: a frame of its own
    ASSERT_TRUE(recorder.finish(1234.0));
    const std::vector<GifFrame> frames = read_frames(path);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].delay, 50);
    EXPECT_EQ(frames[0].first_pixel, 2);
    EXPECT_EQ(frames[1].delay, 2);
    EXPECT_EQ(frames[1].first_pixel, 3);
    EXPECT_EQ(frames[2].delay, 71);
    EXPECT_EQ(frames[2].first_pixel, 4);
}

// The device view shows the lamp as the window does, and a change of the lamp
// alone is a frame of a device recording, so that a recorded alarm shows it.
TEST(ScenarioRuns, DevicePicturesShowTheLamp) {
    const std::string path = test_output_dir() + "/lamp.gif";
    front_panel_reset();
    GifRecorder recorder;
    std::string why;
    ASSERT_TRUE(recorder.start(path, View::device, 1, 0.0, why)) << why;
    for (const bool bright : {true, false}) {
        front_panel.lamp_bright = bright;
        recorder.capture(bright ? 0.0 : 500.0);
        const RgbPicture picture = take_rgb(View::device, 1);
        ASSERT_EQ(picture.width, DEVICE_WIDTH);
        ASSERT_EQ(picture.height, DEVICE_VIEW_HEIGHT);
        const std::size_t centre =
            (static_cast<std::size_t>(LAMP_Y + LAMP_SIZE / 2) * picture.width + LAMP_X + LAMP_SIZE / 2) * 3;
        const uint32_t rgb =
            picture.rgb[centre] << 16 | picture.rgb[centre + 1] << 8 | picture.rgb[centre + 2];
        EXPECT_EQ(rgb, bright ? LAMP_BRIGHT_RGB : LAMP_DARK_RGB);
    }
    ASSERT_TRUE(recorder.finish(1000.0));
    EXPECT_EQ(read_frames(path).size(), 2u);
    front_panel_reset();
}

// Power on, an alarm, the menus, a page and the min/max record: state that a
// run could leave behind for the next one.
constexpr const char* BUSY_SCENARIO = R"(
name: busy
steps:
  - set: {ch1: 40, ch2: 156, ch3: 2100, volts: 1440}
  - power: on
  - wait: 2.5s
  - press: {key: up, times: 4}
  - press: knob
  - press: {key: up, times: 2}
  - mode: {ch3: off}
  - zolt: on
  - wait: 1234ms
)";

TEST(ScenarioRuns, TheSameScenarioTwiceGivesTheSameResult) {
    std::vector<Scenario> scenarios(2);
    std::string error;
    ASSERT_TRUE(load_scenario_text(BUSY_SCENARIO, "busy.yaml", scenarios[0], error)) << error;
    scenarios[1] = scenarios[0];
    RunOptions options;
    options.write_files = false;
    const std::vector<ScenarioResult> forked =
        run_all(scenarios, options, 2, [](std::size_t, const ScenarioResult&) {});
    ASSERT_EQ(forked.size(), 2u);
    EXPECT_TRUE(forked[0].passed()) << forked[0].message;
    EXPECT_EQ(forked[0].digest, forked[1].digest);
    EXPECT_DOUBLE_EQ(forked[0].sim_ms, forked[1].sim_ms);
    // In one process too: each run starts from a freshly started instrument.
    const ScenarioResult first = run_scenario(scenarios[0], options);
    const ScenarioResult second = run_scenario(scenarios[0], options);
    EXPECT_EQ(first.digest, forked[0].digest);
    EXPECT_EQ(second.digest, forked[0].digest);
}

ScenarioResult run_text(const std::string& text) {
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(load_scenario_text(text, "t.yaml", scenario, error)) << error;
    RunOptions options;
    options.write_files = false;
    return run_scenario(scenario, options);
}

TEST(ScenarioRuns, AnExpectAfterASliderJudgesTheFrameThatShowsIt) {
    const ScenarioResult r =
        run_text("name: t\nsteps:\n  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}\n  - power: on\n"
                 "  - wait: 2 samples\n  - expect: {text: OILT, blink-phase: 0}\n  - mode: {ch2: off}\n"
                 "  - expect: {no-text: OILT}\n");
    EXPECT_TRUE(r.passed()) << r.message;
    // Two sampling ticks of 1.1 s from the start, and the pass after the mode slider.
    EXPECT_DOUBLE_EQ(r.sim_ms, 2200 + 100.0 / 6);
}

// A value in caution: drawn white, then black on yellow in the same place; a
// second channel shows the same value plainly.
void draw_caution_value() {
    lcd_text(159, 2, "7.5", 12, ALIGN_RIGHT, COLOUR_WHITE);
    lcd_fill_rect(text_start_x, 0, text_end_x, 16, COLOUR_YELLOW);
    lcd_text(159, 2, "7.5", 12, ALIGN_RIGHT, COLOUR_BLACK);
    lcd_text(159, 35, "7.5", 12, ALIGN_RIGHT, COLOUR_WHITE);
}

// A label being edited, its second character at the cursor.
void draw_edited_label() {
    menu_cursor = menu_scroll = 0;
    menu_editing = 1;
    text_cursor = 1;
    draw_menu_text_item(0, "LABEL: ", "BAT");
    menu_state_reset();
}

void draw_covered_text() {
    lcd_text(10, 40, "OILT", 10, ALIGN_LEFT, COLOUR_WHITE);
    lcd_fill_rect(text_end_x - 3, 40, text_end_x, 50, COLOUR_BLACK);
}

void draw_text_beyond_the_edge() { lcd_text(170, 40, "OILT", 10, ALIGN_LEFT, COLOUR_WHITE); }

TEST(ScenarioRuns, TextConditionsHoldWhereEachCharacterShowsWhereItWasDrawn) {
    struct Case {
        const char* name;
        void (*draw)();
        const char* text;
        int colour; // -1: any
        int x, y;   // the drawing call's place; -1: any
        bool shown;
    };
    const Case cases[] = {
        {"caution value", draw_caution_value, "7.5", -1, -1, -1, true},
        {"caution value, white in its place", draw_caution_value, "7.5", COLOUR_WHITE, 159, 2, false},
        {"caution value, black in its place", draw_caution_value, "7.5", COLOUR_BLACK, 159, 2, true},
        {"caution value, the other channel's", draw_caution_value, "7.5", COLOUR_WHITE, -1, -1, true},
        {"label being edited", draw_edited_label, "BAT", -1, -1, -1, true},
        {"label being edited, all white", draw_edited_label, "BAT", COLOUR_WHITE, -1, -1, false},
        {"label being edited, the cursor's", draw_edited_label, "A", COLOUR_RED, -1, -1, true},
        {"logo's N, into whose advance uva is drawn", [] { draw_title_bar(nullptr, nullptr); }, "N",
         COLOUR_RED, -1, -1, true},
        {"logo's uva", [] { draw_title_bar(nullptr, nullptr); }, "uva", COLOUR_WHITE, -1, -1, true},
        {"partly covered by a fill", draw_covered_text, "OILT", -1, -1, -1, false},
        {"beyond the right edge", draw_text_beyond_the_edge, "OILT", -1, -1, -1, false},
    };
    Driver driver;
    std::string found;
    for (const Case& t : cases) {
        lcd_clear();
        t.draw();
        Condition c;
        c.text = t.text;
        c.colour = t.colour;
        c.at = t.x >= 0, c.x = t.x, c.y = t.y;
        EXPECT_EQ(condition_holds(c, driver, found), t.shown) << t.name << ": " << drawn_texts();
        c.kind = ConditionKind::no_text;
        EXPECT_EQ(condition_holds(c, driver, found), !t.shown) << t.name;
    }
    lcd_clear();
}

} // namespace
