// One UTF-8 codec for JSON, text layout and text input: valid text decodes and
// encodes exactly, every malformed sequence becomes one U+FFFD and decoding resumes
// where the sequence broke.
#include "data/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int32_t R = kUtf8Replacement;

// (code, bytes consumed) of each step over text.
std::vector<std::pair<int32_t, size_t>> Steps(const std::string& text) {
    std::vector<std::pair<int32_t, size_t>> steps;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        const int32_t code = DecodeUtf8Step(text, pos);
        steps.emplace_back(code, pos - start);
    }
    return steps;
}

}  // namespace

TEST(Utf8, DecodeStepReplacesEachMalformedSequenceAndResumesWhereItBroke) {
    using S = std::vector<std::pair<int32_t, size_t>>;
    struct Case {
        std::string text;
        S steps;
    } cases[] = {
        {"A\x7F", {{'A', 1}, {0x7F, 1}}},
        {"\xC2\x80\xDF\xBF", {{0x80, 2}, {0x7FF, 2}}},
        {"\xE0\xA0\x80\xEF\xBF\xBF", {{0x800, 3}, {0xFFFF, 3}}},
        {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", {{0x10000, 4}, {0x10FFFF, 4}}},
        {"\xEF\xBF\xBD", {{0xFFFD, 3}}},        // a real U+FFFD
        {"\xE4\xB8", {{R, 2}}},                 // cut short by the end
        {"\xF0\x9F\x98x", {{R, 3}, {'x', 1}}},  // broken by a plain byte
        {"\xC3\xC3\xA9", {{R, 1}, {0xE9, 2}}},  // broken by a new lead byte
        {"\x80\xBF", {{R, 1}, {R, 1}}},         // stray continuations
        {"\xC0\xAF", {{R, 2}}},                 // overlong '/'
        {"\xE0\x9F\xBF", {{R, 3}}},             // overlong U+07FF
        {"\xED\xA0\x80", {{R, 3}}},             // surrogate
        {"\xF4\x90\x80\x80", {{R, 4}}},         // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", {{R, 1}, {R, 1}, {R, 1}, {R, 1}, {R, 1}}},
        {"\xFF\xFE", {{R, 1}, {R, 1}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Steps(c.text), c.steps) << "text of " << c.text.size() << " bytes";
}

TEST(Utf8, EveryScalarValueEncodesAndDecodesBackAtItsLength) {
    for (uint32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        std::string bytes;
        AppendUtf8(bytes, code);
        const size_t length = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        ASSERT_EQ(bytes.size(), length) << code;
        size_t pos = 0;
        ASSERT_EQ(DecodeUtf8Step(bytes, pos), static_cast<int32_t>(code));
        ASSERT_EQ(pos, length);
    }
    std::string beyond;
    AppendUtf8(beyond, 0x110000);
    EXPECT_EQ(beyond, "");
}
