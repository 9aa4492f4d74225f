// The one comparison of a picture with a reference PNG, for every host: a
// scenario's `screenshot: {compare}` in qd5run, the Python module's
// compare_screen and assert_screen, and the unit tests' golden images. Each
// reads the reference and writes its evidence through the file layer and
// names that evidence alike.
//
// One switch rewrites references instead of comparing them: QD5_UPDATE_REFS=1
// in the environment (`make refs` sets it). qd5run's --update and pytest's
// --qd5-update are that same switch spelt for their host.
#pragma once

#include <string>

#include "picture/rgb_picture.h"
#include "runner/files/confined_files.h"

// Whether QD5_UPDATE_REFS=1 asks every host to rewrite its references.
bool references_update_requested();

// What a mismatch leaves in the output folder: STEM.actual.png (the picture
// taken) and, when the sizes agree, STEM.diff.png (differing pixels red over
// a dimmed copy of the picture).
enum class ReferenceEvidence { actual, diff };
std::string reference_evidence_name(const std::string& stem, ReferenceEvidence kind);

struct ReferenceCheck {
    // The reference is root/relative, relative a checked path that is read
    // and written without following a symlink; root is made when missing.
    std::string root;
    std::string relative;
    std::string out_dir; // where the evidence of a mismatch goes
    std::string stem;    // the start of the evidence's names
    bool update = false; // the host's flag; QD5_UPDATE_REFS=1 sets it as well
    // How the host's user spells the switch, for the message of a missing reference.
    std::string update_flag = "QD5_UPDATE_REFS=1";
    OutputBudget* budget = nullptr; // what the host may still write, or null
};

struct ReferenceOutcome {
    enum Kind { same, written, differs, unwritable } kind = same;
    // differs: what differs and where the evidence is; unwritable: why a
    // file could not be written; written: the reference's path.
    std::string message;
    bool readable = false; // the reference was read, into expected
    RgbPicture expected;
};

ReferenceOutcome check_reference(const RgbPicture& actual, const ReferenceCheck& check);
