#pragma once
#include <cstddef>

// The rule that lets a written number read back with the same value and kind.
//
// The reader turns a number with a fraction or exponent into a float when it lies
// in the positive single-float range [FLT_MIN, FLT_MAX] and its mantissa has at
// most kJsonFloatDigits significant digits (counted from the first non-zero digit,
// trailing zeros included); it parses that text directly as a float, so there is no
// double rounding. Any other such number is a double.
//
// The writer therefore writes:
// - a float, or a double that is exactly a float, with the float's shortest
//   round-trip digits when that text reads back to the same value (always the case
//   in the positive single range; for zero, negative or subnormal values only when
//   the short text is also exact as a double);
// - any other double with its shortest round-trip double digits, padded with zeros
//   to more than kJsonFloatDigits significant digits when it lies in the single
//   range, so that it reads back as a double;
// - always with a '.' or an exponent, so that it never reads back as an integer;
// - NaN and infinity as null (they have no JSON text), with a log line.
constexpr int kJsonFloatDigits = 9;

// Significant digits of the mantissa of a number's text (up to 'e' or 'E').
inline int CountSignificantDigits(const char* first, const char* last) {
    int count = 0;
    bool started = false;
    for (const char* p = first; p < last && *p != 'e' && *p != 'E'; ++p) {
        if (*p < '0' || *p > '9') continue;
        if (*p != '0') started = true;
        if (started) ++count;
    }
    return count;
}
