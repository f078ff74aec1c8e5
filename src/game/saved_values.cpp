#include "game/saved_values.h"

#include <cmath>

#include "data/data.h"
#include "data/json.h"

namespace {
constexpr size_t kDescriptionLimit = 40;

// What keeps a number from being used: "not finite", "not a whole number", "outside
// LO..HI"; "" when nothing does.
std::string NumberFault(double value, double lo, double hi, bool whole) {
    if (!std::isfinite(value)) return "not finite";
    if (whole && value != std::floor(value)) return "not a whole number";
    if (value < lo || value > hi) return "outside " + DescribeNumber(lo) + ".." + DescribeNumber(hi);
    return {};
}
}  // namespace

std::string DescribeNumber(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // Whole numbers with all their digits (the limits of an int among them).
    if (value == std::floor(value) && std::fabs(value) < 1e15) return FormatNumber(value, true, 0);
    return FormatNumber(value, false, 7);
}

std::string DescribeValue(const vK_Data& value) {
    std::string text;
    const int tag = value.GetTag();
    if (tag == vK_Data::kFloat || tag == vK_Data::kDouble) {
        // Not through the writer: it logs the non-finite numbers it turns into null.
        const double v = value.GetDouble();
        text = std::isfinite(v) ? FormatNumber(v, false, tag == vK_Data::kFloat ? 7 : 15) : DescribeNumber(v);
    } else if (value.AsTable() || value.AsArray()) {
        text = value.AsTable() ? "an object" : "an array";
    } else {
        WriteJson(&value, text, true);
    }
    if (text.size() > kDescriptionLimit) text = text.substr(0, kDescriptionLimit) + "...";
    return text;
}

std::string NumberProblem(const vK_Data& value, double lo, double hi, bool whole) {
    if (!value.IsNumber()) return "is " + DescribeValue(value) + ", not a number";
    const double v =
        value.GetTag() == vK_Data::kLong ? static_cast<double>(value.GetLong()) : value.GetDouble();
    const std::string fault = NumberFault(v, lo, hi, whole);
    return fault.empty() ? fault : "is " + DescribeValue(value) + ", " + fault;
}

std::string NumberProblem(double value, double lo, double hi, bool whole) {
    const std::string fault = NumberFault(value, lo, hi, whole);
    return fault.empty() ? fault : "is " + DescribeNumber(value) + ", " + fault;
}
