#include "game/saved_values.h"

#include <cmath>

#include "data/data.h"
#include "data/json.h"

namespace {
constexpr size_t kDescriptionLimit = 40;
}  // namespace

std::string DescribeNumber(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
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
    const std::string shown = "is " + DescribeValue(value);
    if (!value.IsNumber()) return shown + ", not a number";
    const double v =
        value.GetTag() == vK_Data::kLong ? static_cast<double>(value.GetLong()) : value.GetDouble();
    if (!std::isfinite(v)) return shown + ", not finite";
    if (whole && v != std::floor(v)) return shown + ", not a whole number";
    if (v < lo || v > hi) return shown + ", outside " + DescribeNumber(lo) + ".." + DescribeNumber(hi);
    return {};
}
