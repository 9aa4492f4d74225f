// The flows file: for each scenario, keyed by its path relative to the file's
// folder, the flow it is expected to show. A JSON document of one line per
// frame, small enough to review in a pull request; the frames themselves are
// stored once each as PNGs named by hash in the folder beside it that has the
// file's name without ".json" (scenarios/flows.json: scenarios/flows/).
// The file comes from pull requests like the scenarios: it is read with
// limits on its size, its nesting and its counts, and every path it holds must
// stay inside its folder.
#pragma once

#include <map>
#include <string>

#include "runner/files/confined_files.h"
#include "runner/play/flow.h"

constexpr std::size_t MAX_FLOWS_FILE_BYTES = std::size_t{64} << 20;
constexpr std::size_t MAX_FLOWS_SCENARIOS = 100000;
constexpr std::size_t MAX_FLOWS_FRAMES = 4000000; // in the whole file

struct FlowsFile {
    std::map<std::string, Flow> flows; // by scenario path relative to the file's folder
};

// Parses the text of a flows file; error is one line naming source.
bool parse_flows(const std::string& text, const std::string& source, FlowsFile& file, std::string& error);
// Reads path; a file that does not exist gives an empty FlowsFile when
// missing_ok is set (--update makes it).
bool load_flows_file(const std::string& path, bool missing_ok, FlowsFile& file, std::string& error);
std::string flows_text(const FlowsFile& file);
// Written under a temporary name and renamed when complete.
bool write_flows_file(const std::string& path, const FlowsFile& file, std::string& why);

// The folder of a flows file's stored screens, and a screen's file name there.
std::string flows_screens_folder(const std::string& flows_path);
std::string screen_file_name(uint64_t hash);
// A stored screen read or written from the flows file's own folder, so that
// neither the frames folder nor anything in it may be a symlink.
bool read_stored_screen(const std::string& flows_path, uint64_t hash, std::string& bytes, std::string& why);
bool write_stored_screen(const std::string& flows_path, uint64_t hash, const std::string& bytes,
                         OutputBudget* budget, std::string& why);
bool stored_screen_exists(const std::string& flows_path, uint64_t hash);
// A frame file, stored or in a report, is a PNG of the display (160 by 128)
// of at most this many bytes; anything else is refused before it is decoded,
// so that no hostile file makes a merge decode and diff huge pictures.
constexpr std::size_t MAX_FRAME_PNG_BYTES = std::size_t{1} << 20;
bool is_frame_png(const std::string& bytes);
// The key of a scenario in the flows file at flows_path; false (with why) when
// the scenario lies outside the file's folder.
bool flows_key(const std::string& flows_path, const std::string& scenario_file, std::string& key,
               std::string& why);
// Removes the stored screens that no flow of file names (after --update).
void prune_stored_screens(const std::string& flows_path, const FlowsFile& file);
