// Which parts of the instrument a suite of scenarios reached: a fixed list of
// coverage points, named from the instrument's own tables, and for each the
// number of frames that showed it.
//
// Groups, in this order: "screen" (every name the screen: condition takes),
// "page" (each run page with each number of channels it can show), "item"
// (each item of the main menu, of the channel setup list of every mode, of
// misc and of security, selected and, where it can be, edited) and "channel"
// (each channel in caution and in alarm).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/panel/device.h"
#include "measurement/settings.h"

struct CoveragePoint {
    std::string group;  // "screen", "page", "item" or "channel"
    std::string name;   // unique, e.g. "screen run", "page hbar with 2 channels"
    std::string screen; // for group "screen", the name the screen: condition takes; else empty
    std::string where; // the screen or menu it is part of, which the report groups by: "main menu", "screens"
};

// Built once; the order is fixed: screens, pages, items, channels.
const std::vector<CoveragePoint>& coverage_points();
// The index of the point of that name, or -1 (for merging reports).
int coverage_point_index(const std::string& name);

// The state a pass draws from that a key taken in the same pass can change:
// the screen, the run page, the list cursor and edit, and the modes. A pass
// draws first and then acts on its key, so the state after a pass that took
// a key is not the one its frame shows.
struct CoverageView {
    bool known = false; // false: take the state as it is after the pass
    ScreenHandler screen = nullptr;
    uint8_t page = 0;
    uint8_t cursor = 0;
    uint8_t editing = 0;
    uint8_t modes[CHANNEL_COUNT] = {};
    uint8_t mode_sliders[CHANNEL_COUNT] = {}; // the panel's, to tell a slider move from an edit
};

struct Coverage {
    std::vector<uint64_t> counts = std::vector<uint64_t>(coverage_points().size());
    CoverageView next;     // what the next pass draws from, as the last pass left it
    bool tracking = false; // coverage_unchanged_pass is called: next holds for every pass
};

// Counts what the instrument shows now: called once for every frame that
// enters a run's flow (a frame differing from the one before), right after
// the pass that drew it. Adds 1 to every point the frame shows: the screen,
// the run page with its channel count, the list item under the cursor (and
// its edit), and every channel now in caution or in alarm.
void coverage_observe(Coverage& coverage);
// After every other pass (its frame the same as the one before, or a pass the
// driver skipped): keeps what the next pass draws from, so that a frame drawn
// in the pass that took a key counts as drawn (a key of "times: 3" is taken
// by the pass that draws the result of the key before it). Until the first
// such call a frame counts by the state after its pass, as the screen:
// condition judges it.
void coverage_unchanged_pass(Coverage& coverage);
// Before On: the first pass draws the power-on state, not what Off left.
void coverage_power_on(Coverage& coverage);
// Adds the counts of from.
void coverage_add(Coverage& into, const Coverage& from);
// Adds counts by point, growing into as needed. A sum saturates at the
// largest count instead of wrapping to 0, which would list a reached point
// as unreached (counts come from reports that a user hands over).
void add_counts(std::vector<uint64_t>& into, const std::vector<uint64_t>& from);
