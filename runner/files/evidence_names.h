// The names of the files a scenario leaves behind: its failure pictures under
// --out, its page and pictures in a report. All start with the scenario's
// stem, a readable form of its path that two paths never share, so that a
// forged report cannot take over another scenario's page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runner/play/run_record.h"

// Stems are at most this long, so that every name made of one fits a file name.
constexpr std::size_t LONGEST_STEM = 200;

// The scenario's path, lexically normal, with letters, digits, "-", "_" and
// "." (but a first one) kept, "/" written "~" and every other byte "+XX":
// "scenarios/alarm.yaml" is "scenarios~alarm.yaml". A longer form is cut and
// ends in "+h" and a 64-bit hash of the path; only those can collide, and
// where names meet, two scenarios with one stem are refused.
std::string evidence_stem(const std::string& scenario_file);
// True when stem, read from a report, is safe as the start of a file name:
// made of evidence_stem's characters, not hidden, not too long, and not the
// stem of a page the report has of its own (index, screens, coverage).
bool is_evidence_stem(const std::string& stem);

inline constexpr const char* EVIDENCE_NAMES[EVIDENCE_KINDS] = {"failure", "expected", "actual", "diff"};
// A failure picture of the report, relative to its folder: pictures/STEM.KIND.png.
std::string evidence_picture(const std::string& stem, Evidence kind);
// A frame of the report, relative to its folder: screens/HASH.png.
std::string screen_picture(uint64_t hash);
// The scenario's page of the report: STEM.html.
std::string scenario_page(const std::string& stem);

// Where the report keeps a copy of a scenario's saved screenshot or
// recording (save, its path under --out), relative to the report's folder:
// outputs/STEM/SAVE.
std::string report_output(const std::string& stem, const std::string& save);
// The stem of the evidence of a scenario's `screenshot: {compare}` of the
// reference at path: the evidence stem and the reference's own stem.
std::string comparison_stem(const std::string& evidence, const std::string& reference_path);

// The folder that a scenario's references are relative to.
std::string scenario_folder(const std::string& scenario_file);
