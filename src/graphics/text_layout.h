#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/utf8.h"

// One decoded character of a text being rendered.
struct vK_GlyphRecord {
    int32_t code = 0;    // Unicode code point; 10 breaks the line, 0 ends the text
    int32_t style = -1;  // style number, -1 for the style's default (fonttype)
    float r = 1.0f;      // markup colour
    float g = 1.0f;
    float b = 1.0f;
    uint8_t hasColour = 0;
};

// The device- and font-independent part of text rendering: UTF-8 decoding, the inline
// markup (<b>, <i>, <bi>, closing tags, <color r="..." g="..." b="...">), word wrap and
// line measuring. Glyph advances come from a callback, so a fake font can drive it.
class vK_TextLayout {
public:
    // Advance in pixels of a code point in a style number (-1 = the default style).
    using AdvanceFn = std::function<int(int32_t code, int32_t style)>;

    struct Metrics {
        int lines = 1;
        int widest = 0;
    };

    static constexpr int32_t kLineBreak = 10;
    static constexpr int32_t kReplacement = kUtf8Replacement;

    // Decodes UTF-8 up to the end or the first NUL byte and appends the code-0 record.
    // Invalid, overlong, surrogate and truncated sequences become one U+FFFD each; no
    // byte past the end is ever read.
    static std::vector<vK_GlyphRecord> DecodeUtf8(const std::string& text);

    // Applies the markup in one pass: tags are removed and set the style and colour of
    // the records after them. A colour tag that is not well formed stays as text.
    static void ApplyMarkup(std::vector<vK_GlyphRecord>& records);

    // Wraps the records at maxWidth (no limit when maxWidth < 1) by turning spaces into
    // line breaks or inserting line-break records, and measures the result.
    static Metrics BreakLines(std::vector<vK_GlyphRecord>& records, int maxWidth, const AdvanceFn& advance);

    // Line count and widest line of records that are already broken into lines.
    static Metrics Measure(const std::vector<vK_GlyphRecord>& records, const AdvanceFn& advance);

    // Sum of the advances from index from up to the next line break or the end.
    static int LineWidth(const std::vector<vK_GlyphRecord>& records, size_t from, const AdvanceFn& advance);

    // Decode, markup (unless markup is false) and wrap in one call.
    static std::vector<vK_GlyphRecord> Prepare(const std::string& text, int maxWidth,
                                               const AdvanceFn& advance, Metrics& metrics,
                                               bool markup = true);

    // Pen x at the start of a line: left fontSize / 4, centred, or right with a margin
    // of fontSize / 4 (align 0, 1, 2); never negative.
    static int LineStartX(int align, int blockWidth, int lineWidth, int fontSize);

    // Size of the rendered block: widest line + fontSize / 2 wide, 1.5 font sizes plus a
    // line advance per further line high, both rounded up to even numbers, 2..maxSide.
    static void BlockSize(const Metrics& metrics, int fontSize, float lineSpacing, int maxSide, int& width,
                          int& height);

    // Whether a line may break after this code point (punctuation, space, CJK ideographs).
    static bool IsBreakCharacter(int32_t code);

    // Parses the text of a colour tag (color r="1" g="0.5" b="0"); false when it is not
    // a well-formed tag with all three channels as quoted decimal numbers.
    static bool ParseColourTag(const std::string& tag, float& r, float& g, float& b);
};
