#include "runner/files/reference_check.h"

#include <cstdlib>

#include "picture/picture.h"

namespace {

bool write_png(const std::string& root, const std::string& relative, const RgbPicture& picture,
               OutputBudget* budget, std::string& why) {
    std::string bytes;
    if (!encode_png(picture, bytes)) {
        why = "cannot make the PNG of " + joined_path(root, relative);
        return false;
    }
    return write_file_beneath(root, relative, bytes, true, budget, why);
}

} // namespace

bool references_update_requested() {
    const char* value = std::getenv("QD5_UPDATE_REFS");
    return value != nullptr && value[0] == '1' && value[1] == '\0';
}

std::string reference_evidence_name(const std::string& stem, ReferenceEvidence kind) {
    return stem + (kind == ReferenceEvidence::actual ? ".actual.png" : ".diff.png");
}

ReferenceOutcome check_reference(const RgbPicture& actual, const ReferenceCheck& check) {
    ReferenceOutcome outcome;
    const std::string reference = joined_path(check.root, check.relative);
    std::string bytes, unreadable;
    outcome.readable = read_file_beneath(check.root, check.relative, MAX_REFERENCE_BYTES, bytes, unreadable);
    if (outcome.readable && bytes.size() > MAX_REFERENCE_BYTES) {
        outcome.readable = false;
        unreadable = "larger than " + std::to_string(MAX_REFERENCE_BYTES >> 20) + " MB";
    } else if (outcome.readable && !decode_png(bytes, outcome.expected)) {
        outcome.readable = false;
        unreadable = "not a PNG of at most " + std::to_string(LARGEST_PNG_SIDE) + " pixels a side";
    }
    const int64_t differing = outcome.readable ? differing_pixels(actual, outcome.expected) : -1;
    if (differing == 0) return outcome;

    std::string why;
    if (check.update || references_update_requested()) {
        if (!write_png(check.root, check.relative, actual, check.budget, why)) {
            outcome.kind = ReferenceOutcome::unwritable;
            outcome.message = why;
            return outcome;
        }
        outcome.kind = ReferenceOutcome::written;
        outcome.message = reference;
        return outcome;
    }

    outcome.kind = ReferenceOutcome::unwritable;
    const std::string actual_name = reference_evidence_name(check.stem, ReferenceEvidence::actual);
    const std::string actual_path = joined_path(check.out_dir, actual_name);
    if (!write_png(check.out_dir, actual_name, actual, check.budget, outcome.message)) return outcome;
    outcome.kind = ReferenceOutcome::differs;
    if (!outcome.readable) {
        outcome.message = "reference " + reference + " missing or unreadable" +
                          (unreadable.empty() ? std::string() : " (" + unreadable + ")") + " (" +
                          check.update_flag + " writes it); actual picture in " + actual_path;
        return outcome;
    }
    if (differing < 0) {
        outcome.message = "reference " + reference + " is " + std::to_string(outcome.expected.width) + "x" +
                          std::to_string(outcome.expected.height) + ", the picture " +
                          std::to_string(actual.width) + "x" + std::to_string(actual.height) +
                          "; actual picture in " + actual_path;
        return outcome;
    }
    const std::string diff_name = reference_evidence_name(check.stem, ReferenceEvidence::diff);
    if (!write_png(check.out_dir, diff_name, diff_picture(actual, outcome.expected), check.budget,
                   outcome.message)) {
        outcome.kind = ReferenceOutcome::unwritable;
        return outcome;
    }
    outcome.message = std::to_string(differing) + " pixels differ from " + reference + "; actual " +
                      actual_path + ", diff " + joined_path(check.out_dir, diff_name);
    return outcome;
}
