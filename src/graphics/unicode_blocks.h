#pragma once
#include <cstdint>
#include <string>

// The Unicode block a character belongs to, for telling an author which script a font
// lacks ("U+4E00..U+9FFF (CJK Unified Ideographs)").
struct vK_UnicodeBlock {
    uint32_t first = 0;
    uint32_t last = 0;
    const char* name = "";
};

// The named block of code; outside the blocks the table names, the 128 codes around it
// named "other characters".
vK_UnicodeBlock UnicodeBlockOf(uint32_t code);
// "U+4E00..U+9FFF".
std::string UnicodeRangeText(const vK_UnicodeBlock& block);
// Codes that draw nothing by design (controls, joiners, variation selectors, the byte
// order mark): no font needs a glyph for them.
bool IsInvisibleCode(uint32_t code);
