// Recorded call lists held against golden ones stored as data files: the
// same calls, with the numbers that carry rounding compared within a
// tolerance. BRINEMERE_REGENERATE_GOLDENS=1 writes the calls into the golden
// file instead (then review the change with git diff).
#pragma once

#include <gtest/gtest.h>

#include <string>

// Whether two call lists, one call a line, are the same calls: names,
// enums, handles and integers to the letter; the numbers of a matrix or
// vector (in braces) and any number written with a point or an exponent
// within a relative 1e-5 plus 1e-6 (the printed six digits and a unit of
// rounding), so that a harmless rounding change does not fail the list while
// a wrong call does.
::testing::AssertionResult SameCalls(const std::string& actual, const std::string& golden);

// SameCalls against the file `goldenPath`, or (when regenerating) the file
// written.
::testing::AssertionResult MatchesGoldenFile(const std::string& actual, const std::string& goldenPath);
