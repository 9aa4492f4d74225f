// Coverage of scenario runs: which screens, pages, menu items and channel
// states the frames of a run showed, counted once per new frame.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "host/panel/front_panel.h"
#include "runner/play/coverage.h"
#include "runner/play/driver.h"
#include "runner/play/step_player.h"
#include "runner/scenario/loader.h"

namespace {

// Plays one scenario from a fresh instrument and counts every frame that
// differs from the one before it, as the runner's flow does.
Coverage play(const char* text) {
    Coverage coverage;
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(load_scenario_text(text, "coverage.yaml", scenario, error)) << error;
    front_panel_reset();
    Driver driver;
    StepPlayer player(driver, -1);
    static uint8_t before[LCD_HEIGHT][LCD_WIDTH];
    bool first = true;
    driver.after_pass = [&] {
        if (!first && std::memcmp(before, FrameBuffer, sizeof before) == 0) {
            coverage_unchanged_pass(coverage);
            return;
        }
        first = false;
        std::memcpy(before, FrameBuffer, sizeof before);
        coverage_observe(coverage);
    };
    for (const Step& s : scenario.steps) {
        if (s.kind == StepKind::power && s.on) coverage_power_on(coverage);
        std::string what;
        const Condition* failing = nullptr;
        EXPECT_TRUE(player.play(s, what, failing)) << s.summary << ": " << what;
    }
    return coverage;
}

uint64_t count_of(const Coverage& coverage, const std::string& name) {
    const int i = coverage_point_index(name);
    EXPECT_GE(i, 0) << name;
    return i >= 0 ? coverage.counts[static_cast<std::size_t>(i)] : 0;
}

std::set<std::string> unreached(const Coverage& coverage, const std::string& group) {
    std::set<std::string> names;
    const std::vector<CoveragePoint>& points = coverage_points();
    for (std::size_t i = 0; i < points.size(); ++i)
        if (points[i].group == group && coverage.counts[i] == 0) names.insert(points[i].name);
    return names;
}

// Four channels on the horizontal bars, then three on the vertical ones: the
// pressure passes through its caution into an alarm that flashes.
constexpr const char* PAGES = R"(
name: pages
steps:
  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}
  - power: on
  - wait: 1 samples
  - press: up
  - mode: {ch4: off}
  - wait: 1 samples
  - set: {ch1: 118}
  - wait: 1 samples
  - set: {ch1: 40}
  - wait: 3 samples
)";

// Into channel 2's setup, two items down with one press step (each key is
// taken by the pass that draws the item the key before it led to), a label
// edited, back to the main menu, then Off and On.
constexpr const char* MENUS = R"(
name: menus
steps:
  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}
  - power: on
  - wait: 1 samples
  - press: knob
  - press: up
  - press: knob
  - press: {key: up, times: 2}
  - press: knob
  - press: up
  - press: left
  - power: off
  - wait: 1s
  - power: on
)";

TEST(ScenarioCoverage, TheCoverageOfASmallFixedSuiteIsExact) {
    Coverage total;
    coverage_add(total, play(PAGES));
    coverage_add(total, play(MENUS));
    // A count handed over in a report saturates instead of wrapping to "unreached".
    std::vector<uint64_t> counts{UINT64_MAX, 1};
    add_counts(counts, {1, UINT64_MAX - 1});
    EXPECT_EQ(counts, (std::vector<uint64_t>{UINT64_MAX, UINT64_MAX}));

    // Run: 2 + 1 + 5 frames of the pages, 2 before the menus and the one after On.
    EXPECT_EQ(count_of(total, "screen run"), 11u);
    EXPECT_EQ(count_of(total, "screen main-menu"), 3u); // the frame after On is the run screen's
    EXPECT_EQ(count_of(total, "screen channel-setup"), 5u);
    EXPECT_EQ(count_of(total, "page hbar with 4 channels"), 5u);
    EXPECT_EQ(count_of(total, "page vbar with 4 channels"), 1u);
    // Shown, the caution, the alarm in both halves of the blink, then plain again.
    EXPECT_EQ(count_of(total, "page vbar with 3 channels"), 5u);
    EXPECT_EQ(count_of(total, "main menu: CH 1 SETUP selected"), 1u);
    EXPECT_EQ(count_of(total, "main menu: CH 2 SETUP selected"), 2u);
    EXPECT_EQ(count_of(total, "channel setup (temperature): MODE selected"), 1u);
    EXPECT_EQ(count_of(total, "channel setup (temperature): SENDER selected"), 1u);
    EXPECT_EQ(count_of(total, "channel setup (temperature): LABEL selected"), 3u);
    EXPECT_EQ(count_of(total, "channel setup (temperature): LABEL edited"), 2u);
    EXPECT_EQ(count_of(total, "channel setup (temperature): SENDER edited"), 0u);
    EXPECT_EQ(count_of(total, "ch1 caution"), 1u);
    EXPECT_EQ(count_of(total, "ch1 alarm"), 3u);

    const std::set<std::string> screens = {
        "screen calibration", "screen zeroing",  "screen code", "screen values",   "screen information",
        "screen backlight",   "screen security", "screen misc", "screen defaults", "screen message"};
    EXPECT_EQ(unreached(total, "screen"), screens);
    std::set<std::string> pages;
    for (const CoveragePoint& point : coverage_points())
        if (point.group == "page") pages.insert(point.name);
    pages.erase("page hbar with 4 channels");
    pages.erase("page vbar with 4 channels");
    pages.erase("page vbar with 3 channels");
    EXPECT_EQ(unreached(total, "page"), pages);
    const std::set<std::string> channels = {"ch2 caution", "ch2 alarm",   "ch3 caution",
                                            "ch3 alarm",   "ch4 caution", "ch4 alarm"};
    EXPECT_EQ(unreached(total, "channel"), channels);
}

TEST(ScenarioCoverage, PointsAreInGroupOrderWithUniqueNamesThatRoundTrip) {
    const std::vector<CoveragePoint>& points = coverage_points();
    const std::vector<std::string> order = {"screen", "page", "item", "channel"};
    std::size_t group = 0;
    std::set<std::string> names;
    for (std::size_t i = 0; i < points.size(); ++i) {
        while (group < order.size() && points[i].group != order[group]) ++group;
        ASSERT_LT(group, order.size()) << points[i].name << " is out of its group's place";
        EXPECT_TRUE(names.insert(points[i].name).second) << points[i].name << " twice";
        EXPECT_EQ(coverage_point_index(points[i].name), static_cast<int>(i));
        EXPECT_EQ(points[i].screen.empty(), points[i].group != "screen") << points[i].name;
        if (points[i].group == "screen") {
            EXPECT_EQ(points[i].name, "screen " + points[i].screen);
        }
    }
    EXPECT_EQ(coverage_point_index("screen nowhere"), -1);
    // An item that opens a screen, and the main menu's entries, have no edit.
    EXPECT_GE(coverage_point_index("channel setup (pressure): SENDER edited"), 0);
    EXPECT_GE(coverage_point_index("channel setup (pressure): CALIBRATE SENDER selected"), 0);
    EXPECT_EQ(coverage_point_index("channel setup (pressure): CALIBRATE SENDER edited"), -1);
    EXPECT_EQ(coverage_point_index("main menu: CH 1 SETUP edited"), -1);
    // The switch of an alarm and its limit share a label; their points do not.
    EXPECT_GE(coverage_point_index("channel setup (volts): HIGH ALARM (OFF/ON) edited"), 0);
    EXPECT_GE(coverage_point_index("channel setup (volts): HIGH ALARM edited"), 0);
}

} // namespace
