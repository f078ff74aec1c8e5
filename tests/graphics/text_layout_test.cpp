#include "graphics/text_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A fake fixed-advance font: every character is 10 pixels wide, bold ones 12; a style
// listed as missing has no glyphs at all.
struct FakeFont {
    int missingStyle = -99;
    int operator()(int32_t /*code*/, int32_t style) const {
        if (style == missingStyle) return 0;
        return style == 1 ? 12 : 10;
    }
};

// The records as text, line breaks as '|', the terminator left out.
std::string Show(const std::vector<vK_GlyphRecord>& records) {
    std::string out;
    for (const vK_GlyphRecord& r : records) {
        if (r.code == 0) continue;
        if (r.code == 10) {
            out += '|';
        } else if (r.code < 128) {
            out += static_cast<char>(r.code);
        } else {
            out += '#';
        }
    }
    return out;
}

std::vector<int32_t> Codes(const std::string& text) {
    std::vector<int32_t> codes;
    for (const vK_GlyphRecord& r : vK_TextLayout::DecodeUtf8(text)) codes.push_back(r.code);
    return codes;
}

}  // namespace

TEST(TextLayout, Utf8_DecodesValidAndReplacesMalformedWithoutReadingPastTheEnd) {
    const int32_t R = vK_TextLayout::kReplacement;
    struct Case {
        std::string text;
        std::vector<int32_t> codes;  // terminator included
    } cases[] = {
        {"A", {'A', 0}},
        {"\xC3\xA9", {0xE9, 0}},
        {"\xE4\xB8\x80", {0x4E00, 0}},
        {"\xF0\x9F\x98\x80", {0x1F600, 0}},
        {"\xE4\xB8", {R, 0}},  // truncated at the end
        {"a\xF0\x9F", {'a', R, 0}},
        {"\xC3", {R, 0}},
        {"\xE4x", {R, 'x', 0}},        // broken sequence resumes at the byte that broke it
        {"\x80z", {R, 'z', 0}},        // stray continuation byte
        {"\xC0\xAF", {R, 0}},          // overlong '/'
        {"\xED\xA0\x80", {R, 0}},      // surrogate
        {"\xF4\x90\x80\x80", {R, 0}},  // beyond U+10FFFF
        {"\xFF", {R, 0}},
        {std::string("ab\0cd", 5), {'a', 'b', 0}},  // the text ends at a NUL byte
        {"", {0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Codes(c.text), c.codes) << "text of " << c.text.size() << " bytes";
    }
}

TEST(TextLayout, Utf8_EveryTruncatedPrefixDecodes) {
    const std::string text = "a\xC3\xA9\xE4\xB8\x80\xF0\x9F\x98\x80z";
    for (size_t n = 0; n <= text.size(); ++n) {
        // Heap copy of exactly n bytes so ASan catches any read past the end.
        const std::string prefix(text.data(), n);
        const std::vector<int32_t> codes = Codes(prefix);
        ASSERT_FALSE(codes.empty());
        EXPECT_EQ(codes.back(), 0);
    }
}

TEST(TextLayout, Markup_StyleTagsSetAndCloseStyles) {
    std::vector<vK_GlyphRecord> records = vK_TextLayout::DecodeUtf8("A<b>B</b>C<i>D</x>E<bi>F</bi>");
    vK_TextLayout::ApplyMarkup(records);
    ASSERT_EQ(Show(records), "ABCDEF");
    const int expected[] = {-1, 1, -1, 2, -1, 3};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(records[i].style, expected[i]) << i;
    EXPECT_EQ(records.back().code, 0);
}

TEST(TextLayout, Markup_ColourTagIsReadAsKeyValuePairs) {
    std::vector<vK_GlyphRecord> records =
        vK_TextLayout::DecodeUtf8("<color r=\"1\" g=\"0.5\" b=\"0.25\">X</color>Y");
    vK_TextLayout::ApplyMarkup(records);
    ASSERT_EQ(Show(records), "XY");
    EXPECT_EQ(records[0].hasColour, 1);
    EXPECT_FLOAT_EQ(records[0].r, 1.0f);
    EXPECT_FLOAT_EQ(records[0].g, 0.5f);
    EXPECT_FLOAT_EQ(records[0].b, 0.25f);
    EXPECT_EQ(records[1].hasColour, 0);
    EXPECT_FLOAT_EQ(records[1].g, 1.0f);
}

TEST(TextLayout, Markup_MalformedColourTagIsRemovedWithoutEffect) {
    struct Case {
        const char* text;
        int hasColour;
    } cases[] = {
        {"<color r=1 g=\"0\" b=\"0\">X", 0},  // unquoted value
        {"<color r=\"1\" g=\"0\">X", 0},      // missing channel
        {"<color>X", 0},
        {"<color r=\"x\" g=\"0\" b=\"0\">X", 0},  // not a number
        {"<colorr>X", 0},
        {"<color r=\"\" g=\"0\" b=\"0\">X", 0},
        {"<color r=\"0.5x\" g=\"0\" b=\"0\">X", 0},  // trailing bytes
        {"<color r=\"0,5\" g=\"0\" b=\"0\">X", 0},   // decimal comma in any locale
        {"<color r=\"inf\" g=\"0\" b=\"0\">X", 0},
        {"<color r=\"+-1\" g=\"0\" b=\"0\">X", 0},
        {"<color r=\"+\" g=\"0\" b=\"0\">X", 0},
        {"<color r=\"+1\" g=\"-0\" b=\"1e-1\">X", 1},
        {"<color b=\"0\" g=\"0\" r=\"1\" a=\"1\">X", 1},  // any order, unknown keys ignored
    };
    for (const Case& c : cases) {
        std::vector<vK_GlyphRecord> records = vK_TextLayout::DecodeUtf8(c.text);
        vK_TextLayout::ApplyMarkup(records);
        EXPECT_EQ(Show(records), "X") << c.text;
        EXPECT_EQ(records[0].hasColour, c.hasColour) << c.text;
        for (const vK_GlyphRecord& r : records) EXPECT_EQ(r.style, -1);
    }
    // A malformed tag inside coloured text leaves the colour as it was.
    std::vector<vK_GlyphRecord> records =
        vK_TextLayout::DecodeUtf8("<color r=\"0\" g=\"1\" b=\"0\">A<color r=2>B");
    vK_TextLayout::ApplyMarkup(records);
    ASSERT_EQ(Show(records), "AB");
    EXPECT_FLOAT_EQ(records[1].r, 0.0f);
    EXPECT_FLOAT_EQ(records[1].g, 1.0f);
    EXPECT_EQ(records[1].hasColour, 1);
}

TEST(TextLayout, Markup_UnterminatedTagRemovesTheRestAndUnknownTagsVanish) {
    struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {"ab<b c", "ab"},
        {"a<foo>b", "ab"},
        {"<>x", "x"},
        {"a>b", "a>b"},
    };
    for (const Case& c : cases) {
        std::vector<vK_GlyphRecord> records = vK_TextLayout::DecodeUtf8(c.text);
        vK_TextLayout::ApplyMarkup(records);
        EXPECT_EQ(Show(records), c.shown) << c.text;
        EXPECT_EQ(records.back().code, 0);
    }
}

TEST(TextLayout, Markup_OffDrawsTagsAsWrittenAndStillEndsTheText) {
    struct Case {
        const char* text;
        bool markup;
        const char* shown;
        int width;  // 10 per character, 12 in bold
    } cases[] = {
        {"if a<b then", true, "if a", 40},
        {"if a<b then", false, "if a<b then", 110},
        {"<b>x</b>", true, "x", 12},
        {"<b>x</b>", false, "<b>x</b>", 80},
    };
    for (const Case& c : cases) {
        vK_TextLayout::Metrics m;
        const auto records = vK_TextLayout::Prepare(c.text, 0, FakeFont{}, m, c.markup);
        EXPECT_EQ(Show(records), c.shown) << c.text;
        EXPECT_EQ(m.widest, c.width) << c.text;
        EXPECT_EQ(records.back().code, 0) << c.text;
    }
}

TEST(TextLayout, Wrap_BreaksAtOpportunitiesDropsSpacesAndSplitsLongWords) {
    struct Case {
        const char* text;
        int maxWidth;
        const char* broken;
        int lines;
        int widest;
    } cases[] = {
        // 10 px per character.
        {"aaa bbb ccc", 75, "aaa|bbb ccc", 2, 70},  // the space at the break is dropped
        {"aaa bbb ccc", 0, "aaa bbb ccc", 1, 110},  // no limit
        {"aaa bbb ccc", -5, "aaa bbb ccc", 1, 110},
        {"abcdefghij", 35, "abc|def|ghi|j", 4, 30},  // a word longer than the line
        {"ab abcdefgh", 50, "ab|abcde|fgh", 3, 50},
        {"ab,cd", 35, "ab,|cd", 2, 30},  // punctuation keeps its place, break after it
        {"a\nb", 0, "a|b", 2, 10},
        {"ab", 5, "a|b", 2, 10},      // characters wider than the line: one per line
        {"aaaa", 40, "aaaa", 1, 40},  // exactly the width fits
    };
    for (const Case& c : cases) {
        vK_TextLayout::Metrics m;
        const auto records = vK_TextLayout::Prepare(c.text, c.maxWidth, FakeFont{}, m);
        EXPECT_EQ(Show(records), c.broken) << c.text << " / " << c.maxWidth;
        EXPECT_EQ(m.lines, c.lines) << c.text;
        EXPECT_EQ(m.widest, c.widest) << c.text;
    }
}

TEST(TextLayout, Wrap_ChineseWithoutSpacesBreaksBetweenAnyTwoIdeographs) {
    vK_TextLayout::Metrics m;
    // Five ideographs, 10 px each, 25 px per line.
    const auto records = vK_TextLayout::Prepare(
        "\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8\x89\xE5\x9B\x9B\xE4\xBA\x94", 25, FakeFont{}, m);
    EXPECT_EQ(Show(records), "##|##|#");
    EXPECT_EQ(m.lines, 3);
    EXPECT_EQ(m.widest, 20);
}

TEST(TextLayout, Wrap_UsesTheAdvanceOfEachRecordsStyle) {
    vK_TextLayout::Metrics m;
    // Bold characters are 12 px: "aa" 20 + "bb" 24 = 44.
    auto records = vK_TextLayout::Prepare("aa<b>bb</b>", 0, FakeFont{}, m);
    EXPECT_EQ(m.widest, 44);
    // A missing style takes no space.
    FakeFont noBold;
    noBold.missingStyle = 1;
    records = vK_TextLayout::Prepare("A<b>B</b>C", 0, noBold, m);
    EXPECT_EQ(m.widest, 20);
}

TEST(TextLayout, Align_LineStartForLeftCentreRight) {
    struct Case {
        int align, block, line, size, x;
    } cases[] = {
        {1, 200, 100, 20, 50},  // centre
        {2, 200, 100, 20, 95},  // right: 200 - 5 - 100
        {0, 200, 100, 20, 5},   // left: size / 4
        {7, 200, 100, 20, 50},  // unknown values centre
        {2, 100, 120, 20, 0},   // negative becomes 0
        {1, 100, 120, 20, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vK_TextLayout::LineStartX(c.align, c.block, c.line, c.size), c.x) << c.align;
    }
}

TEST(TextLayout, BlockSize_WidthAndHeightRoundedUpToEven) {
    struct Case {
        int lines, widest, size;
        float spacing;
        int width, height;
    } cases[] = {
        {2, 100, 20, 1.5f, 110, 60},  // int(30 + 30)
        {1, 100, 20, 1.0f, 110, 30},
        {1, 101, 21, 1.0f, 112, 32},  // 101 + 10 = 111 -> 112; int(31.5) = 31 -> 32
        {3, 0, 10, 1.0f, 6, 36},      // 15 + 20 = 35 -> 36
        {2, 10, 20, -10.0f, 20, 2},   // a negative spacing never gives an empty block
    };
    for (const Case& c : cases) {
        vK_TextLayout::Metrics m{c.lines, c.widest};
        int w = 0, h = 0;
        vK_TextLayout::BlockSize(m, c.size, c.spacing, 8192, w, h);
        EXPECT_EQ(w, c.width) << c.lines << " " << c.widest;
        EXPECT_EQ(h, c.height) << c.lines << " " << c.widest;
    }
}
