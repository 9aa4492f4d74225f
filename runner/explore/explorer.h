// The explorer: every UI state the instrument reaches from power-on with the
// default settings, found breadth first over the five keys and the front-panel
// moves that screens depend on (mode mixes, and each channel's input in each
// of its zones). Each move is a list of scenario steps, played as qd5run plays
// them, so that a path of moves is a scenario that reaches the same state.
// In memory only: the map and the scenarios are written by the files layer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runner/scenario/scenario.h"

struct Move {
    enum class Kind : uint8_t { key, modes, input };
    Kind kind = Kind::key;
    std::string name;        // "knob", "modes ch1 only", "ch1 alarm (raw 40)"
    std::vector<Step> steps; // what a scenario writes for it
    // An input level is a move only while its channel is in the mode it was found for.
    int channel = -1;
    uint8_t mode = 0;
};

// What makes two moments one UI state: read from the instrument's own
// variables, in a fixed byte order, without readings, values or the blink phase.
using UiKey = std::string;
UiKey ui_key_now();

struct ExploredState {
    UiKey key;
    std::string screen; // the name the screen: condition takes
    int parent = -1;    // the state it was first reached from, by move
    int move = -1;
    int depth = 0;         // moves from power-on: the fewest, as found breadth first
    uint64_t hash = 0;     // the frame it showed when first reached
    bool expanded = false; // every move from it was tried
    uint8_t modes[CHANNEL_COUNT] = {};
};

struct ExploredEdge {
    int from = 0;
    int to = 0;
    int move = 0;
};

struct ExploreOptions {
    int max_states = 3000;
    double max_seconds = 50;
    // Called once per new state while the frame buffer shows it (for its picture).
    std::function<void(int state)> on_new_state;
};

struct Exploration {
    std::vector<Move> moves;
    std::vector<ExploredState> states;
    std::vector<ExploredEdge> edges;
    std::vector<Step> start; // the sliders set and the power-on every path begins with
    // Per coverage point: the state and the move from it that first showed it (-1: never).
    std::vector<int> witness_state, witness_move;
    int max_states = 0;
    double max_seconds = 0;
    bool stopped_by_states = false;
    bool stopped_by_time = false;
    double seconds = 0;
    int64_t moves_played = 0;
};

Exploration explore(const ExploreOptions& options);

// The moves from power-on to a state, first to last.
std::vector<int> path_to(const Exploration& exploration, int state);
// A state's way back to a run screen exists over the edges found.
std::vector<bool> returns_to_run(const Exploration& exploration);
// Why a coverage point the exploration did not reach was not reached.
std::string unreached_reason(const Exploration& exploration, std::size_t point);
