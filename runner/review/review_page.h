// The page of a review: every change of the report with its pictures, its
// buttons and its state, worked by mouse or keyboard.
#pragma once

#include <string>
#include <vector>

#include "runner/review/review_changes.h"

// dir is the report's folder; the page's pictures are its files, by the same names.
std::string review_page(const std::string& dir, const Report& report, const std::vector<Change>& changes);
