#include "graphics/unicode_blocks.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

// The blocks game texts most often use, in code order.
constexpr vK_UnicodeBlock kBlocks[] = {
    {0x0000, 0x007F, "Basic Latin"},
    {0x0080, 0x00FF, "Latin-1 Supplement"},
    {0x0100, 0x017F, "Latin Extended-A"},
    {0x0180, 0x024F, "Latin Extended-B"},
    {0x0250, 0x02AF, "IPA Extensions"},
    {0x02B0, 0x02FF, "Spacing Modifier Letters"},
    {0x0300, 0x036F, "Combining Diacritical Marks"},
    {0x0370, 0x03FF, "Greek and Coptic"},
    {0x0400, 0x04FF, "Cyrillic"},
    {0x0500, 0x052F, "Cyrillic Supplement"},
    {0x0530, 0x058F, "Armenian"},
    {0x0590, 0x05FF, "Hebrew"},
    {0x0600, 0x06FF, "Arabic"},
    {0x0700, 0x074F, "Syriac"},
    {0x0900, 0x097F, "Devanagari"},
    {0x0980, 0x09FF, "Bengali"},
    {0x0B80, 0x0BFF, "Tamil"},
    {0x0E00, 0x0E7F, "Thai"},
    {0x0E80, 0x0EFF, "Lao"},
    {0x10A0, 0x10FF, "Georgian"},
    {0x1100, 0x11FF, "Hangul Jamo"},
    {0x1E00, 0x1EFF, "Latin Extended Additional"},
    {0x1F00, 0x1FFF, "Greek Extended"},
    {0x2000, 0x206F, "General Punctuation"},
    {0x2070, 0x209F, "Superscripts and Subscripts"},
    {0x20A0, 0x20CF, "Currency Symbols"},
    {0x2100, 0x214F, "Letterlike Symbols"},
    {0x2150, 0x218F, "Number Forms"},
    {0x2190, 0x21FF, "Arrows"},
    {0x2200, 0x22FF, "Mathematical Operators"},
    {0x2300, 0x23FF, "Miscellaneous Technical"},
    {0x2460, 0x24FF, "Enclosed Alphanumerics"},
    {0x2500, 0x257F, "Box Drawing"},
    {0x2580, 0x259F, "Block Elements"},
    {0x25A0, 0x25FF, "Geometric Shapes"},
    {0x2600, 0x26FF, "Miscellaneous Symbols"},
    {0x2700, 0x27BF, "Dingbats"},
    {0x2E80, 0x2EFF, "CJK Radicals Supplement"},
    {0x3000, 0x303F, "CJK Symbols and Punctuation"},
    {0x3040, 0x309F, "Hiragana"},
    {0x30A0, 0x30FF, "Katakana"},
    {0x3100, 0x312F, "Bopomofo"},
    {0x3130, 0x318F, "Hangul Compatibility Jamo"},
    {0x31F0, 0x31FF, "Katakana Phonetic Extensions"},
    {0x3200, 0x32FF, "Enclosed CJK Letters and Months"},
    {0x3300, 0x33FF, "CJK Compatibility"},
    {0x3400, 0x4DBF, "CJK Unified Ideographs Extension A"},
    {0x4E00, 0x9FFF, "CJK Unified Ideographs"},
    {0xA000, 0xA48F, "Yi Syllables"},
    {0xAC00, 0xD7AF, "Hangul Syllables"},
    {0xE000, 0xF8FF, "Private Use Area"},
    {0xF900, 0xFAFF, "CJK Compatibility Ideographs"},
    {0xFB00, 0xFB4F, "Alphabetic Presentation Forms"},
    {0xFB50, 0xFDFF, "Arabic Presentation Forms-A"},
    {0xFE00, 0xFE0F, "Variation Selectors"},
    {0xFE30, 0xFE4F, "CJK Compatibility Forms"},
    {0xFE70, 0xFEFF, "Arabic Presentation Forms-B"},
    {0xFF00, 0xFFEF, "Halfwidth and Fullwidth Forms"},
    {0x1F000, 0x1F02F, "Mahjong Tiles"},
    {0x1F0A0, 0x1F0FF, "Playing Cards"},
    {0x1F100, 0x1F1FF, "Enclosed Alphanumeric Supplement"},
    {0x1F200, 0x1F2FF, "Enclosed Ideographic Supplement"},
    {0x1F300, 0x1F5FF, "Miscellaneous Symbols and Pictographs"},
    {0x1F600, 0x1F64F, "Emoticons"},
    {0x1F680, 0x1F6FF, "Transport and Map Symbols"},
    {0x1F900, 0x1F9FF, "Supplemental Symbols and Pictographs"},
    {0x1FA70, 0x1FAFF, "Symbols and Pictographs Extended-A"},
    {0x20000, 0x2A6DF, "CJK Unified Ideographs Extension B"},
};

}  // namespace

vK_UnicodeBlock UnicodeBlockOf(uint32_t code) {
    const auto* after =
        std::upper_bound(std::begin(kBlocks), std::end(kBlocks), code,
                         [](uint32_t c, const vK_UnicodeBlock& block) { return c < block.first; });
    if (after != std::begin(kBlocks) && code <= std::prev(after)->last) return *std::prev(after);
    return {code & ~0x7Fu, code | 0x7Fu, "other characters"};
}

std::string UnicodeRangeText(const vK_UnicodeBlock& block) {
    char text[32];
    std::snprintf(text, sizeof text, "U+%04X..U+%04X", static_cast<unsigned>(block.first),
                  static_cast<unsigned>(block.last));
    return text;
}

bool IsInvisibleCode(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0x200B && code <= 0x200F) ||
           (code >= 0x2028 && code <= 0x202E) || (code >= 0x2060 && code <= 0x2064) ||
           (code >= 0xFE00 && code <= 0xFE0F) || code == 0xFEFF;
}
