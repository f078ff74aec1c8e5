// Fuzzes UTF-8 decoding, the inline markup and word wrap of texts (string tables and
// scripts supply them) against a fixed-advance font.
#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/text_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int maxWidth = static_cast<int>(data[0]) - 20;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    vK_TextLayout::Metrics metrics;
    const auto records = vK_TextLayout::Prepare(
        text, maxWidth, [](int32_t code, int32_t style) { return (code % 7) * 3 + (style == 1 ? 2 : 0); },
        metrics);
    if (records.empty() || records.back().code != 0 || metrics.lines < 1) __builtin_trap();
    return 0;
}
