#include "files/path_rules.h"

#include <cstdint>

vK_PathArea ClassifyRequestPath(const std::string& path, std::string* cleaned) {
    std::string p = path;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    if (p.empty() || p[0] == '/' || p.find('\0') != std::string::npos) return vK_PathArea::kRefused;
    const size_t slash = p.find('/');
    if (slash == std::string::npos || slash + 1 >= p.size()) return vK_PathArea::kRefused;
    // Every segment after the first is checked for "..".
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find('/', start);
        if (end == std::string::npos) end = p.size();
        if (p.compare(start, end - start, "..") == 0) return vK_PathArea::kRefused;
        start = end + 1;
    }
    const std::string first = p.substr(0, slash);
    vK_PathArea area = vK_PathArea::kRefused;
    if (first == "assets") area = vK_PathArea::kAssets;
    if (first == "save") area = vK_PathArea::kSave;
    if (area != vK_PathArea::kRefused && cleaned) *cleaned = std::move(p);
    return area;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

namespace {

// A run of code points that fold by adding delta, or (alternate) whose every other code
// point, starting with first, folds to the next one.
struct FoldRun {
    uint16_t first, last;
    int16_t delta;
    bool alternate;
};

// Simple case folding of U+0080..U+04FF for the Latin-1 Supplement, Latin Extended-A,
// Greek and Cyrillic blocks, sorted by first.
constexpr FoldRun kFoldRuns[] = {
    {0x00B5, 0x00B5, 775, false},  {0x00C0, 0x00D6, 32, false},   {0x00D8, 0x00DE, 32, false},
    {0x0100, 0x012E, 1, true},     {0x0132, 0x0136, 1, true},     {0x0139, 0x0147, 1, true},
    {0x014A, 0x0176, 1, true},     {0x0178, 0x0178, -121, false}, {0x0179, 0x017D, 1, true},
    {0x017F, 0x017F, -268, false}, {0x0370, 0x0372, 1, true},     {0x0376, 0x0376, 1, false},
    {0x037F, 0x037F, 116, false},  {0x0386, 0x0386, 38, false},   {0x0388, 0x038A, 37, false},
    {0x038C, 0x038C, 64, false},   {0x038E, 0x038F, 63, false},   {0x0391, 0x03A1, 32, false},
    {0x03A3, 0x03AB, 32, false},   {0x03C2, 0x03C2, 1, false},    {0x03CF, 0x03CF, 8, false},
    {0x03D0, 0x03D0, -30, false},  {0x03D1, 0x03D1, -25, false},  {0x03D5, 0x03D5, -15, false},
    {0x03D6, 0x03D6, -22, false},  {0x03D8, 0x03EE, 1, true},     {0x03F0, 0x03F0, -54, false},
    {0x03F1, 0x03F1, -48, false},  {0x03F4, 0x03F4, -60, false},  {0x03F5, 0x03F5, -64, false},
    {0x03F7, 0x03F7, 1, false},    {0x03F9, 0x03F9, -7, false},   {0x03FA, 0x03FA, 1, false},
    {0x03FD, 0x03FF, -130, false}, {0x0400, 0x040F, 80, false},   {0x0410, 0x042F, 32, false},
    {0x0460, 0x0480, 1, true},     {0x048A, 0x04BE, 1, true},     {0x04C0, 0x04C0, 15, false},
    {0x04C1, 0x04CD, 1, true},     {0x04D0, 0x04FE, 1, true},
};

uint32_t FoldCodePoint(uint32_t code) {
    for (const FoldRun& run : kFoldRuns) {
        if (code < run.first) break;
        if (code > run.last) continue;
        if (run.alternate && (code - run.first) % 2 != 0) return code;
        return static_cast<uint32_t>(static_cast<int32_t>(code) + run.delta);
    }
    return code;
}

}  // namespace

std::string FoldCase(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        // Every code point folded here has a two-byte form with a lead byte 0xC2..0xD3.
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (lead < 0xC2 || lead > 0xD3 || (next & 0xC0) != 0x80) {
            out += lead >= 'A' && lead <= 'Z' ? static_cast<char>(lead - 'A' + 'a') : text[i];
            continue;
        }
        const uint32_t folded = FoldCodePoint(((lead & 0x1Fu) << 6) | (next & 0x3Fu));
        if (folded < 0x80) {
            out += static_cast<char>(folded);
        } else {
            out += static_cast<char>(0xC0 | (folded >> 6));
            out += static_cast<char>(0x80 | (folded & 0x3F));
        }
        ++i;
    }
    return out;
}
