#include "data/utf8.h"

namespace {
constexpr int32_t kMaxCodePoint = 0x10FFFF;
constexpr int32_t kSurrogateFirst = 0xD800;
constexpr int32_t kSurrogateLast = 0xDFFF;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
}  // namespace

int32_t DecodeUtf8Step(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    int length = 0;
    int32_t value = 0;
    int32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kUtf8Replacement;
    }
    ++pos;
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size() || !IsContinuation(static_cast<unsigned char>(text[pos])))
            return kUtf8Replacement;
        value = (value << 6) | (static_cast<unsigned char>(text[pos]) & 0x3F);
        ++pos;
    }
    if (value < minimum || value > kMaxCodePoint || (value >= kSurrogateFirst && value <= kSurrogateLast))
        return kUtf8Replacement;
    return value;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code <= 0xFFFF) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code <= static_cast<uint32_t>(kMaxCodePoint)) {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}
