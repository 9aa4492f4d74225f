#include "runner/explore/explorer.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <unordered_map>

#include "host/panel/device.h"
#include "host/panel/front_panel.h"
#include "measurement/settings.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "menus/screen_table.h"
#include "runner/play/coverage.h"
#include "runner/play/driver.h"
#include "runner/play/flow.h"
#include "runner/play/step_player.h"
#include "runner/scenario/vocabulary.h"
#include "screens/gauge.h"
#include "screens/run_screen.h"

namespace {

enum : uint8_t { LEVEL_NORMAL = ZONE_NORMAL, LEVEL_CAUTION = ZONE_CAUTION, LEVEL_ALARM = ZONE_ALARM };
constexpr const char* LEVEL_NAMES[] = {"normal", "caution", "alarm"};

template <typename T> void put(UiKey& key, const T& value) {
    key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// The data source of the record a channel's mode reads (volts has none).
uint8_t data_source_of(uint8_t channel) {
    switch (channel_mode[channel]) {
    case MODE_PRESSURE:
        return channel_settings.pressure[channel].data_source;
    case MODE_TEMPERATURE:
        return channel_settings.temperature[channel].data_source;
    case MODE_CURRENT:
        return channel_settings.current[channel].data_source;
    default:
        return 0;
    }
}

Step make_step(StepKind kind, const std::string& summary) {
    Step s;
    s.kind = kind;
    s.summary = summary;
    return s;
}

Step wait_passes(int64_t passes) {
    Step s =
        make_step(StepKind::wait, "wait: " + std::to_string(passes) + (passes == 1 ? " pass" : " passes"));
    s.passes = passes;
    return s;
}

Step wait_one_sample() {
    Step s = make_step(StepKind::wait, "wait: 1 sample");
    s.samples = 1;
    return s;
}

std::string modes_text(const uint8_t (&modes)[CHANNEL_COUNT]) {
    std::string text;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        text += std::string(c > 0 ? ", " : "") + INPUT_NAMES[c] + ": " + MODE_NAMES[modes[c]];
    return text;
}

Move key_move(const KeyName& key) {
    Move move;
    move.kind = Move::Kind::key;
    move.name = key.name;
    Step s = make_step(StepKind::press, std::string("press: ") + key.name);
    s.key = key.code;
    move.steps.push_back(s);
    return move;
}

Move modes_move(const std::string& name, const uint8_t (&modes)[CHANNEL_COUNT]) {
    Move move;
    move.kind = Move::Kind::modes;
    move.name = name;
    Step s = make_step(StepKind::mode, "mode: {" + modes_text(modes) + "}");
    for (int c = 0; c < CHANNEL_COUNT; ++c) s.modes[c] = modes[c];
    move.steps.push_back(s);
    // The pass that shows the new modes, so that what follows judges it.
    move.steps.push_back(wait_passes(1));
    return move;
}

Move input_move(int channel, uint8_t mode, uint8_t level, uint16_t raw) {
    Move move;
    move.kind = Move::Kind::input;
    move.channel = channel;
    move.mode = mode;
    move.name =
        std::string(INPUT_NAMES[channel]) + " " + LEVEL_NAMES[level] + " (raw " + std::to_string(raw) + ")";
    Step s = make_step(StepKind::set,
                       "set: {" + std::string(INPUT_NAMES[channel]) + ": " + std::to_string(raw) + "}");
    s.raw[static_cast<std::size_t>(channel)] = raw;
    move.steps.push_back(s);
    // The reading changes on the next sampling, not before.
    move.steps.push_back(wait_one_sample());
    return move;
}

// The raw inputs of one channel in one mode, as runs of one zone each, the
// instrument's own conversion and limits deciding the zone.
struct LevelRun {
    uint8_t level;
    uint16_t first, last;
};

// Each channel's runs in each mode under the default settings: every raw
// position sampled once by the instrument with all four channels in the mode.
void find_levels(uint8_t mode, std::vector<std::vector<LevelRun>>& by_channel) {
    front_panel_reset();
    Driver driver;
    driver.power_on();
    for (int c = 0; c < CHANNEL_COUNT; ++c) front_panel_set_mode(c, mode);
    by_channel.assign(CHANNEL_COUNT, {});
    for (int raw = 0; raw <= RAW_MAXIMUM; ++raw) {
        for (int c = 0; c < CHANNEL_COUNT; ++c) front_panel_set_raw(c, raw);
        // The flag the 100 ms timer raises for a sampling pass.
        second_tick = 1;
        front_panel_pass();
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) {
            const uint8_t level = channel_zone(c);
            auto& runs = by_channel[c];
            if (!runs.empty() && runs.back().level == level)
                runs.back().last = static_cast<uint16_t>(raw);
            else
                runs.push_back({level, static_cast<uint16_t>(raw), static_cast<uint16_t>(raw)});
        }
    }
}

// The raw position in the middle of a run.
uint16_t middle(const LevelRun& run) { return static_cast<uint16_t>((run.first + run.last) / 2); }

// The normal position of each channel in its default mode, and one input
// move for every run of caution or alarm of every channel in every mode
// (the first and last of each zone, where a zone comes back more often).
void add_input_moves(const uint8_t (&default_modes)[CHANNEL_COUNT], std::vector<Move>& moves,
                     std::vector<uint16_t>& normal_start) {
    normal_start.assign(CHANNEL_COUNT, 0);
    for (uint8_t mode = MODE_PRESSURE; mode < MODE_COUNT; ++mode) {
        std::vector<std::vector<LevelRun>> by_channel;
        find_levels(mode, by_channel);
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            const auto& runs = by_channel[static_cast<std::size_t>(c)];
            const LevelRun* widest_normal = nullptr;
            for (const LevelRun& run : runs)
                if (run.level == LEVEL_NORMAL &&
                    (widest_normal == nullptr ||
                     run.last - run.first > widest_normal->last - widest_normal->first))
                    widest_normal = &run;
            if (widest_normal != nullptr) {
                moves.push_back(input_move(c, mode, LEVEL_NORMAL, middle(*widest_normal)));
                if (mode == default_modes[c])
                    normal_start[static_cast<std::size_t>(c)] = middle(*widest_normal);
            }
            for (uint8_t level : {LEVEL_CAUTION, LEVEL_ALARM}) {
                std::vector<const LevelRun*> of_level;
                for (const LevelRun& run : runs)
                    if (run.level == level) of_level.push_back(&run);
                if (of_level.empty()) continue;
                moves.push_back(input_move(c, mode, level, middle(*of_level.front())));
                if (of_level.size() > 1)
                    moves.push_back(input_move(c, mode, level, middle(*of_level.back())));
            }
        }
    }
}

// One play of a path from program start: a fresh instrument, a driver, and
// the coverage observed exactly as a run of the same steps observes it.
class Replay {
  public:
    Replay() {
        front_panel_reset();
        driver_ = std::make_unique<Driver>();
        player_ = std::make_unique<StepPlayer>(*driver_, -1);
        driver_->after_pass = [this] { observe(); };
    }
    Replay(const Replay&) = delete;
    Replay& operator=(const Replay&) = delete;

    void play(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            if (s.kind == StepKind::power && s.on) coverage_power_on(coverage_);
            std::string what;
            const Condition* failing = nullptr;
            player_->play(s, what, failing);
        }
    }
    const Coverage& coverage() const { return coverage_; }

  private:
    // As a run builds its flow: a frame that differs from the last one kept
    // counts, any other pass keeps the view.
    void observe() {
        if (driver_->frame_changed()) {
            const uint64_t hash = frame_hash();
            if (!kept_ || hash != last_) {
                kept_ = true;
                last_ = hash;
                coverage_observe(coverage_);
                return;
            }
        }
        coverage_unchanged_pass(coverage_);
    }

    std::unique_ptr<Driver> driver_;
    std::unique_ptr<StepPlayer> player_;
    Coverage coverage_;
    bool kept_ = false;
    uint64_t last_ = 0;
};

bool on_run_screen(const ExploredState& state) { return state.screen == screen_name(run_screen); }

} // namespace

UiKey ui_key_now() {
    // A variable is part of the state where the screen shown reads it: a
    // cursor left over from a menu, or the display page behind the menus,
    // changes nothing until a screen that reads it shows again, and keeping
    // them would copy every menu once per page and per leftover.
    const ScreenInfo* info = screen_info(current_screen);
    const bool run = current_screen == run_screen;
    const bool list = info != nullptr && info->items != 0;
    const bool message = current_screen == message_screen || current_screen == code_message_screen;
    const uint8_t ch = selected_channel < CHANNEL_COUNT ? selected_channel : 0;
    UiKey key;
    put(key, current_screen);
    put(key, security_on);
    if (run) {
        put(key, display_page);
        for (uint8_t c = 0; c < CHANNEL_COUNT; ++c) put(key, channel_mode[c]);
    }
    if (list) {
        put(key, menu_cursor);
        put(key, menu_scroll);
        put(key, menu_editing);
        put(key, edit_step);
        if (menu_editing != 0) put(key, text_cursor);
    }
    if (!run && current_screen != main_menu_screen) {
        // The channel that the setup, calibration and zeroing screens show, with
        // the settings that decide which of their items exist.
        put(key, ch);
        put(key, channel_mode[ch]);
        put(key, channel_settings.pressure[ch].sender_type);
        put(key, channel_settings.pressure[ch].sender);
        put(key, channel_settings.temperature[ch].sender);
        put(key, data_source_of(ch));
    }
    if (current_screen == sender_calibration_screen) {
        put(key, calibration_kind);
        put(key, calibration_curve.point_count);
    }
    if (message) {
        put(key, message_next_screen);
        // The code message says CHANGED or ERROR; elsewhere the scratch holds a code typed in.
        put(key, static_cast<uint8_t>(current_screen == code_message_screen && security_scratch == 1));
    }
    return key;
}

Exploration explore(const ExploreOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    Exploration e;
    e.max_states = options.max_states;
    e.max_seconds = options.max_seconds;
    for (const KeyName& key : KEY_NAMES) e.moves.push_back(key_move(key));

    // Every channel count with the default modes of the channels left on,
    // and every mode on every channel at once.
    std::vector<uint16_t> normal_start;
    front_panel_reset();
    Driver defaults;
    defaults.power_on();
    uint8_t default_modes[CHANNEL_COUNT];
    for (int c = 0; c < CHANNEL_COUNT; ++c) default_modes[c] = channel_mode[c];
    for (int on = 0; on <= CHANNEL_COUNT; ++on) {
        uint8_t modes[CHANNEL_COUNT];
        for (int c = 0; c < CHANNEL_COUNT; ++c) modes[c] = c < on ? default_modes[c] : uint8_t{MODE_OFF};
        e.moves.push_back(modes_move("modes " + std::to_string(on) + " on", modes));
    }
    for (uint8_t mode = MODE_PRESSURE; mode < MODE_COUNT; ++mode) {
        uint8_t modes[CHANNEL_COUNT];
        std::fill(std::begin(modes), std::end(modes), mode);
        e.moves.push_back(modes_move(std::string("modes all ") + MODE_NAMES[mode], modes));
    }
    add_input_moves(default_modes, e.moves, normal_start);

    Step set = make_step(StepKind::set, "set");
    set.summary = "set: {";
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        set.raw[static_cast<std::size_t>(c)] = normal_start[static_cast<std::size_t>(c)];
        set.summary += std::string(c > 0 ? ", " : "") + INPUT_NAMES[c] + ": " +
                       std::to_string(normal_start[static_cast<std::size_t>(c)]);
    }
    set.summary += "}";
    Step power = make_step(StepKind::power, "power: on");
    power.on = true;
    e.start = {set, power};

    const std::size_t points = coverage_points().size();
    e.witness_state.assign(points, -1);
    e.witness_move.assign(points, -1);
    std::unordered_map<UiKey, int> index;
    std::deque<int> queue;

    auto record_coverage = [&](const std::vector<uint64_t>& before, const Coverage& after, int from,
                               int move) {
        for (std::size_t p = 0; p < points; ++p) {
            const uint64_t seen = after.counts[p] - (p < before.size() ? before[p] : 0);
            if (seen == 0) continue;
            if (e.witness_state[p] < 0) e.witness_state[p] = from, e.witness_move[p] = move;
        }
    };
    auto add_state = [&](int parent, int move, int depth) {
        ExploredState state;
        state.key = ui_key_now();
        state.screen = screen_name(current_screen);
        state.parent = parent;
        state.move = move;
        state.depth = depth;
        state.hash = frame_hash();
        std::copy(std::begin(channel_mode), std::end(channel_mode), state.modes);
        e.states.push_back(state);
        const int id = static_cast<int>(e.states.size()) - 1;
        index.emplace(e.states.back().key, id);
        queue.push_back(id);
        if (options.on_new_state) options.on_new_state(id);
        return id;
    };

    {
        Replay replay;
        replay.play(e.start);
        record_coverage({}, replay.coverage(), 0, -1);
        add_state(-1, -1, 0);
    }
    while (!queue.empty()) {
        if (elapsed() > options.max_seconds) {
            e.stopped_by_time = true;
            break;
        }
        const int from = queue.front();
        queue.pop_front();
        const std::vector<int> path = path_to(e, from);
        const ExploredState& state = e.states[static_cast<std::size_t>(from)];
        const bool run = on_run_screen(state);
        uint8_t modes[CHANNEL_COUNT];
        std::copy(std::begin(state.modes), std::end(state.modes), modes);
        for (int m = 0; m < static_cast<int>(e.moves.size()); ++m) {
            const Move& move = e.moves[static_cast<std::size_t>(m)];
            // The sliders are moved while the run screen shows what they change.
            if (move.kind != Move::Kind::key && !run) continue;
            if (move.kind == Move::Kind::input && modes[move.channel] != move.mode) continue;
            Replay replay;
            replay.play(e.start);
            for (int step : path) replay.play(e.moves[static_cast<std::size_t>(step)].steps);
            const std::vector<uint64_t> before = replay.coverage().counts;
            replay.play(move.steps);
            ++e.moves_played;
            record_coverage(before, replay.coverage(), from, m);
            const auto found = index.find(ui_key_now());
            int to = -1;
            if (found != index.end()) {
                to = found->second;
            } else if (static_cast<int>(e.states.size()) >= options.max_states) {
                e.stopped_by_states = true;
                continue;
            } else {
                to = add_state(from, m, e.states[static_cast<std::size_t>(from)].depth + 1);
            }
            e.edges.push_back({from, to, m});
        }
        e.states[static_cast<std::size_t>(from)].expanded = true;
    }
    e.seconds = elapsed();
    return e;
}

std::vector<int> path_to(const Exploration& exploration, int state) {
    std::vector<int> moves;
    for (int s = state; s >= 0 && exploration.states[static_cast<std::size_t>(s)].move >= 0;
         s = exploration.states[static_cast<std::size_t>(s)].parent)
        moves.push_back(exploration.states[static_cast<std::size_t>(s)].move);
    std::reverse(moves.begin(), moves.end());
    return moves;
}

std::vector<bool> returns_to_run(const Exploration& exploration) {
    const std::size_t n = exploration.states.size();
    std::vector<std::vector<int>> into(n);
    for (const ExploredEdge& edge : exploration.edges)
        into[static_cast<std::size_t>(edge.to)].push_back(edge.from);
    std::vector<bool> returns(n, false);
    std::deque<int> queue;
    for (std::size_t s = 0; s < n; ++s)
        if (on_run_screen(exploration.states[s])) returns[s] = true, queue.push_back(static_cast<int>(s));
    while (!queue.empty()) {
        const int s = queue.front();
        queue.pop_front();
        for (int from : into[static_cast<std::size_t>(s)])
            if (!returns[static_cast<std::size_t>(from)]) {
                returns[static_cast<std::size_t>(from)] = true;
                queue.push_back(from);
            }
    }
    return returns;
}

std::string unreached_reason(const Exploration& exploration, std::size_t point) {
    if (exploration.stopped_by_states || exploration.stopped_by_time)
        return "the exploration stopped at its bound (" + std::to_string(exploration.states.size()) +
               " states, " + std::to_string(static_cast<int>(exploration.seconds)) +
               " s) before a state showed it";
    const CoveragePoint& p = coverage_points()[point];
    if (p.group == "channel")
        return "no input level of the channel's modes under the default settings puts it there";
    return "none of the " + std::to_string(exploration.states.size()) +
           " states shows it: it needs a value or a code the explorer does not type";
}
