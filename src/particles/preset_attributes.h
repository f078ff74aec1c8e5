#pragma once
// Attribute reads shared by the XML particle presets: numbers as "%f" and "%d" read
// them (the leading number of the text, 0 without one), kept finite and in range.
#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vK_PresetXml {
// fallback when the attribute is absent; 0 when its text is no (finite) number.
inline float FloatAttr(const tinyxml2::XMLElement& e, const char* name, float fallback = 0.0f) {
    const char* text = e.Attribute(name);
    if (!text) return fallback;
    float v = 0.0f;
    if (std::sscanf(text, "%f", &v) != 1 || !std::isfinite(v)) return 0.0f;
    return v;
}

inline int IntAttr(const tinyxml2::XMLElement& e, const char* name, int fallback = 0) {
    const char* text = e.Attribute(name);
    if (!text) return fallback;
    // The leading integer, saturated: strtol does not overflow like "%d" may.
    const long v = std::strtol(text, nullptr, 10);
    return static_cast<int>(std::clamp(v, -2147483647L - 1, 2147483647L));
}

inline std::string StrAttr(const tinyxml2::XMLElement& e, const char* name) {
    const char* text = e.Attribute(name);
    return text ? text : "";
}
}  // namespace vK_PresetXml
