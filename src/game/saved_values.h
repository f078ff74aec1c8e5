#pragma once
#include <string>

class vK_Data;

// Checks of values read back from the player's save files, which a crash, a disk fault or
// a hand edit may have left holding anything: a value that fails is named in a log line
// by its caller and replaced by a default, so it never reaches the game.

// Why value is not a number within lo..hi (finite, and whole when whole is set), as a
// phrase for a log line: "is \"2\", not a number", "is 0, outside 0.25..2.5", "is inf,
// not finite", "is 1.5, not a whole number". "" when it is such a number.
std::string NumberProblem(const vK_Data& value, double lo, double hi, bool whole);
std::string NumberProblem(double value, double lo, double hi, bool whole);

// The value as a short text for a log line: its JSON text, with inf, -inf and nan for the
// numbers that have none, cut to 40 bytes.
std::string DescribeValue(const vK_Data& value);

// A number for a log line: a whole one with all its digits, others with up to 7
// significant digits, "inf", "-inf" and "nan" as such.
std::string DescribeNumber(double value);
