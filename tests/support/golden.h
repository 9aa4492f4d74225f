// Golden-image comparison of the frame buffer.
//
// EXPECT_TRUE(matches_golden("run_hbar_4ch")) compares the current frame buffer,
// pixel for pixel, with tests/golden/run_hbar_4ch.png, by the comparison every
// host uses (runner/files/reference_check.h). On a mismatch it writes the
// actual picture and a diff into <build>/test-output/golden/. With
// QD5_UPDATE_REFS=1 in the environment (make refs) it rewrites the reference
// instead.
#pragma once

#include <gtest/gtest.h>

#include <string>

::testing::AssertionResult matches_golden(const std::string& name);

// Writes a contact sheet of every golden picture whose name starts with prefix
// (or all of them) into <build>/test-output/<sheet_name>.png, 2x scaled.
bool write_golden_contact_sheet(const std::string& prefix, const std::string& sheet_name);
