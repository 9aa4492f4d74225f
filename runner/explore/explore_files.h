// What --explore and --emit write: the map of every state (map.html, drawn by
// Graphviz; map.json; a picture of every state in screens/), and scenarios
// that walk the shortest paths to every coverage point the explorer reached.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "runner/explore/explorer.h"

// The pictures of the states' frames, by frame hash, encoded while the
// explorer shows each new state.
struct StatePictures {
    std::map<uint64_t, std::string> png;
    void keep_current_frame(uint64_t hash);
};

// OUT/map.html, OUT/map.json and OUT/screens/; false with why on the first
// failure (a missing Graphviz included).
bool write_map(const std::string& out, const Exploration& exploration, const StatePictures& pictures,
               std::string& why);
// DIR/explored_NN.yaml, replacing those an earlier emit wrote; files counts them.
bool emit_scenarios(const std::string& dir, const Exploration& exploration, int& files, std::string& why);
