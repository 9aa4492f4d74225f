#include "runner/play/coverage.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "host/panel/device.h"
#include "host/panel/front_panel.h"
#include "measurement/settings.h"
#include "menus/channel_setup_items.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "menus/screen_table.h"
#include "runner/scenario/vocabulary.h"
#include "screens/gauge.h"
#include "screens/run_screen.h"

namespace {

constexpr int PAGE_COUNT = sizeof PAGE_NAMES / sizeof PAGE_NAMES[0];
constexpr int NONE = -1;

// The points and, for each thing a frame can show, the index of its point.
struct Catalogue {
    std::vector<CoveragePoint> points;
    std::unordered_map<std::string, int> by_name;
    int screen_first = 0; // in the order of SCREEN_NAMES
    int page_first = 0;   // page p with n channels: page_first + p * CHANNEL_COUNT + n - 1
    int main_menu_first = 0;
    // Channel setup by mode: the mode item, then the table's rows by index.
    std::array<int, MODE_COUNT> mode_selected{};
    std::array<int, MODE_COUNT> mode_edited{};
    std::array<std::vector<int>, MODE_COUNT> row_selected;
    std::array<std::vector<int>, MODE_COUNT> row_edited;
    int misc_first = 0;
    std::array<int, SECURITY_SETUP_ITEMS> security_selected{};
    int security_edited = NONE;
    int channel_first = 0; // channel c: channel_first + 2 * c caution, + 1 alarm

    int add(const std::string& group, const std::string& where, const std::string& name,
            const std::string& screen = "") {
        points.push_back({group, name, screen, where});
        return static_cast<int>(points.size()) - 1;
    }
};

// A list's name from its screen's name in the screen table: "main-menu" is
// "main menu".
std::string list_name(ScreenHandler screen) {
    std::string name = screen_name(screen);
    std::replace(name.begin(), name.end(), '-', ' ');
    return name;
}

// An item's text as drawn, without the ": " that leads to its value.
std::string item_text(const char* label) {
    std::string text = latin1_to_utf8(label);
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
    return text;
}

// What tells apart two rows of one list with the same label (the switch of
// an alarm and its limit, the models of two senders): the values a row with
// names offers, "OFF/ON" or "T1EU07..N1EU100".
std::string choices_of(const SetupRow& row) {
    if (row.names == nullptr) return "";
    const int count = row.last_choice + 1;
    if (count > 3) return latin1_to_utf8(row.names[0]) + ".." + latin1_to_utf8(row.names[row.last_choice]);
    std::string text;
    for (int i = 0; i < count; ++i) text += (i > 0 ? "/" : "") + latin1_to_utf8(row.names[i]);
    return text;
}

bool editable(const SetupRow& row) {
    return row.kind != KIND_OPEN_CALIBRATION && row.kind != KIND_OPEN_ZEROING;
}

void add_item(Catalogue& c, const std::string& list, const std::string& item, bool can_edit, int& selected,
              int& edited) {
    selected = c.add("item", list, list + ": " + item + " selected");
    edited = can_edit ? c.add("item", list, list + ": " + item + " edited") : NONE;
}

// The channel setup list of one mode: the mode item, then every row of the
// mode's table (mode off has the mode item alone).
void add_setup_list(Catalogue& c, uint8_t mode) {
    const std::string list = list_name(channel_setup_screen) + " (" + MODE_NAMES[mode] + ")";
    const SetupTable* table = setup_table_for_mode(mode);
    const int rows = table != nullptr ? table->row_count : 0;
    std::vector<std::string> texts{item_text(SETUP_MODE_LABEL)};
    for (int r = 0; r < rows; ++r) texts.push_back(item_text(table->rows[r].label));
    std::vector<std::string> names = texts;
    for (int r = 0; r < rows; ++r) {
        const std::string choices = choices_of(table->rows[r]);
        if (std::count(texts.begin(), texts.end(), texts[r + 1]) > 1 && !choices.empty())
            names[r + 1] += " (" + choices + ")";
    }
    // Should two rows still read alike, the later ones are numbered.
    for (std::size_t i = 1; i < names.size(); ++i) {
        const auto same = std::count(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(i), names[i]);
        if (same > 0) names[i] += " #" + std::to_string(same + 1);
    }
    add_item(c, list, names[0], true, c.mode_selected[mode], c.mode_edited[mode]);
    c.row_selected[mode].assign(static_cast<std::size_t>(rows), NONE);
    c.row_edited[mode].assign(static_cast<std::size_t>(rows), NONE);
    for (int r = 0; r < rows; ++r)
        add_item(c, list, names[static_cast<std::size_t>(r) + 1], editable(table->rows[r]),
                 c.row_selected[mode][static_cast<std::size_t>(r)],
                 c.row_edited[mode][static_cast<std::size_t>(r)]);
}

Catalogue build_catalogue() {
    Catalogue c;
    c.screen_first = static_cast<int>(c.points.size());
    for (int s = 0; s < SCREEN_NAME_COUNT; ++s)
        c.add("screen", "screens", std::string("screen ") + SCREEN_NAMES[s].name, SCREEN_NAMES[s].name);

    // With no channel on the run screen shows the selection prompt, no page.
    c.page_first = static_cast<int>(c.points.size());
    for (int p = 0; p < PAGE_COUNT; ++p)
        for (int n = 1; n <= CHANNEL_COUNT; ++n)
            c.add("page", "run screen pages",
                  std::string("page ") + PAGE_NAMES[p] + " with " + std::to_string(n) +
                      (n == 1 ? " channel" : " channels"));

    const std::string main_menu = list_name(main_menu_screen);
    c.main_menu_first = static_cast<int>(c.points.size());
    for (const MainMenuEntry& entry : main_menu_entries) {
        std::string text = item_text(entry.line1);
        const std::string line2 = item_text(entry.line2);
        if (!line2.empty()) text += " " + line2;
        c.add("item", main_menu, main_menu + ": " + text + " selected");
    }
    for (uint8_t mode = 0; mode < MODE_COUNT; ++mode) add_setup_list(c, mode);
    const std::string misc = list_name(misc_setup_screen);
    c.misc_first = static_cast<int>(c.points.size());
    for (const MiscItem& item : misc_items)
        c.add("item", misc, misc + ": " + item_text(item.text) + " selected");
    // The switch is edited in place; the code change opens the code entry.
    const std::string security = list_name(security_setup_screen);
    for (int i = 0; i < SECURITY_SETUP_ITEMS; ++i) {
        int edited = NONE;
        add_item(c, security, item_text(security_setup_items[i]), i == 0, c.security_selected[i], edited);
        if (i == 0) c.security_edited = edited;
    }

    c.channel_first = static_cast<int>(c.points.size());
    for (int ch = 0; ch < CHANNEL_COUNT; ++ch) {
        c.add("channel", "channels", std::string(INPUT_NAMES[ch]) + " caution");
        c.add("channel", "channels", std::string(INPUT_NAMES[ch]) + " alarm");
    }

    for (std::size_t i = 0; i < c.points.size(); ++i)
        c.by_name.emplace(c.points[i].name, static_cast<int>(i));
    return c;
}

const Catalogue& catalogue() {
    static const Catalogue built = build_catalogue();
    return built;
}

void count(Coverage& coverage, int index) {
    if (index < 0) return;
    const auto i = static_cast<std::size_t>(index);
    if (i < coverage.counts.size()) ++coverage.counts[i];
}

// The state as this pass leaves it: what the next pass draws from.
CoverageView view_now() {
    CoverageView view;
    view.known = true;
    view.screen = current_screen;
    view.page = display_page;
    view.cursor = menu_cursor;
    view.editing = menu_editing;
    for (uint8_t ch = 0; ch < CHANNEL_COUNT; ++ch) {
        view.modes[ch] = channel_mode[ch];
        view.mode_sliders[ch] = front_panel.mode_slider[ch];
    }
    return view;
}

// What the pass just run drew from: the state the pass before it left, with
// the mode sliders moved since (they store before the pass draws).
CoverageView drawn_view(const Coverage& coverage) {
    if (!coverage.tracking || !coverage.next.known) return view_now();
    CoverageView view = coverage.next;
    for (uint8_t ch = 0; ch < CHANNEL_COUNT; ++ch)
        if (front_panel.mode_slider[ch] != view.mode_sliders[ch])
            view.modes[ch] = front_panel.mode_slider[ch];
    return view;
}

// Only the first item can change the mode, so the rows under any other item
// are those of the settings as they are now.
void observe_channel_setup(Coverage& coverage, const Catalogue& c, const CoverageView& view) {
    const uint8_t mode = view.modes[setup_channel()];
    if (mode >= MODE_COUNT) return; // no list the instrument can be set to
    // Like the screen, a cursor past a list that a mode slider shortened
    // stands on the last item.
    const uint8_t items = channel_setup_item_count();
    const uint8_t cursor = view.cursor >= items ? static_cast<uint8_t>(items - 1) : view.cursor;
    if (cursor == 0) {
        count(coverage, c.mode_selected[mode]);
        if (view.editing != 0) count(coverage, c.mode_edited[mode]);
        return;
    }
    const SetupRow* row = channel_setup_row_of_item(cursor);
    const SetupTable* table = setup_table_for_mode(mode);
    if (row == nullptr || table == nullptr) return;
    const auto r = static_cast<std::size_t>(row - table->rows);
    count(coverage, c.row_selected[mode][r]);
    if (view.editing != 0) count(coverage, c.row_edited[mode][r]);
}

void observe_security(Coverage& coverage, const Catalogue& c, const CoverageView& view) {
    // With the code off only the switch is listed, and the cursor is on it.
    const bool on = security_on == 1;
    const uint8_t cursor = !on || view.cursor >= SECURITY_SETUP_ITEMS ? 0 : view.cursor;
    count(coverage, c.security_selected[cursor]);
    if (cursor == 0 && view.editing == 1) count(coverage, c.security_edited);
}

} // namespace

const std::vector<CoveragePoint>& coverage_points() { return catalogue().points; }

int coverage_point_index(const std::string& name) {
    const auto& by_name = catalogue().by_name;
    const auto found = by_name.find(name);
    return found != by_name.end() ? found->second : -1;
}

void coverage_observe(Coverage& coverage) {
    const Catalogue& c = catalogue();
    const CoverageView view = drawn_view(coverage);
    for (int s = 0; s < SCREEN_NAME_COUNT; ++s)
        for (ScreenHandler handler : SCREEN_NAMES[s].handlers)
            if (handler != nullptr && handler == view.screen) count(coverage, c.screen_first + s);

    if (view.screen == run_screen) {
        // The run screen's keys change no mode: the count is the drawn one.
        const uint8_t n = displayed_channel_count();
        if (n >= 1 && n <= CHANNEL_COUNT && view.page < PAGE_COUNT)
            count(coverage, c.page_first + view.page * CHANNEL_COUNT + n - 1);
    } else if (view.screen == main_menu_screen) {
        // The main menu shows its first entry for a cursor out of range.
        count(coverage, c.main_menu_first + (view.cursor < MAIN_MENU_ENTRIES ? view.cursor : 0));
    } else if (view.screen == channel_setup_screen) {
        observe_channel_setup(coverage, c, view);
    } else if (view.screen == misc_setup_screen) {
        if (view.cursor < MISC_ITEMS) count(coverage, c.misc_first + view.cursor);
    } else if (view.screen == security_setup_screen) {
        observe_security(coverage, c, view);
    }

    // A channel's caution and alarm are its state, whatever the screen.
    for (uint8_t ch = 0; ch < CHANNEL_COUNT; ++ch) {
        if (channel_zone(ch) == ZONE_CAUTION) count(coverage, c.channel_first + 2 * ch);
        if ((alarm_flags & (1u << ch)) != 0) count(coverage, c.channel_first + 2 * ch + 1);
    }
    coverage.next = view_now();
}

void coverage_unchanged_pass(Coverage& coverage) {
    coverage.tracking = true;
    coverage.next = view_now();
}

void coverage_power_on(Coverage& coverage) { coverage.next.known = false; }

void coverage_add(Coverage& into, const Coverage& from) { add_counts(into.counts, from.counts); }

void add_counts(std::vector<uint64_t>& into, const std::vector<uint64_t>& from) {
    if (into.size() < from.size()) into.resize(from.size());
    for (std::size_t i = 0; i < from.size(); ++i)
        into[i] = from[i] > UINT64_MAX - into[i] ? UINT64_MAX : into[i] + from[i];
}
