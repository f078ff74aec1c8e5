#include "graphics/text_layout.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "data/data.h"
#include "data/utf8.h"

namespace {

// Code points strictly between these two are CJK radicals and ideographs: a line may
// break between any two of them.
constexpr int32_t kCjkLow = 11904;
constexpr int32_t kCjkHigh = 0x9FFF;

// A colour channel: the whole text is one finite decimal number with an optional sign,
// read the same in every process locale.
bool ParseNumber(const std::string& text, float& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const bool plus = first < last && *first == '+';
    if (plus) ++first;
    if (first == last || (plus && (*first == '+' || *first == '-'))) return false;
    double parsed = 0.0;
    if (ParseDouble(first, last, parsed) != last || !std::isfinite(parsed)) return false;
    value = static_cast<float>(parsed);
    return true;
}

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

int AdvanceOf(const vK_GlyphRecord& record, const vK_TextLayout::AdvanceFn& advance) {
    if (record.code == 0 || record.code == vK_TextLayout::kLineBreak) return 0;
    return advance(record.code, record.style);
}

}  // namespace

std::vector<vK_GlyphRecord> vK_TextLayout::DecodeUtf8(const std::string& text) {
    std::vector<vK_GlyphRecord> records;
    records.reserve(text.size() + 1);
    size_t end = text.find('\0');
    if (end == std::string::npos) end = text.size();
    const std::string_view bytes(text.data(), end);
    size_t pos = 0;
    while (pos < end) {
        vK_GlyphRecord record;
        record.code = DecodeUtf8Step(bytes, pos);
        records.push_back(record);
    }
    records.push_back(vK_GlyphRecord{});
    return records;
}

bool vK_TextLayout::ParseColourTag(const std::string& tag, float& r, float& g, float& b) {
    const std::vector<std::string> words = SplitWords(tag);
    if (words.empty() || words[0] != "color") return false;
    float channel[3] = {0.0f, 0.0f, 0.0f};
    bool seen[3] = {false, false, false};
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0) return false;
        const std::string key = word.substr(0, equals);
        const std::string quoted = word.substr(equals + 1);
        if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
        float value = 0.0f;
        if (!ParseNumber(quoted.substr(1, quoted.size() - 2), value)) return false;
        const int index = key == "r" ? 0 : key == "g" ? 1 : key == "b" ? 2 : -1;
        if (index < 0) continue;  // unknown keys are ignored
        channel[index] = value;
        seen[index] = true;
    }
    if (!seen[0] || !seen[1] || !seen[2]) return false;
    r = channel[0];
    g = channel[1];
    b = channel[2];
    return true;
}

void vK_TextLayout::ApplyMarkup(std::vector<vK_GlyphRecord>& records) {
    std::vector<vK_GlyphRecord> out;
    out.reserve(records.size());
    vK_GlyphRecord state;  // current style and colour
    auto withState = [&state](int32_t code) {
        vK_GlyphRecord record = state;
        record.code = code;
        return record;
    };
    size_t i = 0;
    const size_t count = records.size();
    while (i < count) {
        const int32_t code = records[i].code;
        if (code == 0) {
            out.push_back(withState(0));
            break;
        }
        if (code != '<') {
            out.push_back(withState(code));
            ++i;
            continue;
        }
        // A tag runs to the next '>'; without one it consumes the rest of the text.
        size_t close = i + 1;
        while (close < count && records[close].code != '>' && records[close].code != 0) ++close;
        const bool terminated = close < count && records[close].code == '>';
        std::string tag;
        for (size_t k = i + 1; k < close; ++k) AppendUtf8(tag, static_cast<uint32_t>(records[k].code));
        if (!terminated) break;
        if (!tag.empty() && tag[0] == '/') {
            if (tag == "/color") {
                state.r = state.g = state.b = 1.0f;
                state.hasColour = 0;
            } else {
                state.style = -1;
            }
        } else if (tag == "b") {
            state.style = 1;
        } else if (tag == "i") {
            state.style = 2;
        } else if (tag == "bi") {
            state.style = 3;
        } else if (tag.find("color") != std::string::npos) {
            float r, g, b;
            if (ParseColourTag(tag, r, g, b)) {
                state.r = r;
                state.g = g;
                state.b = b;
                state.hasColour = 1;
            }
            // A malformed colour tag is removed like any other unknown tag: the
            // colour stays as it was.
        }
        i = close + 1;
    }
    if (out.empty() || out.back().code != 0) out.push_back(withState(0));
    records.swap(out);
}

bool vK_TextLayout::IsBreakCharacter(int32_t code) {
    switch (code) {
        case ' ':
        case '.':
        case ',':
        case '!':
        case '?':
        case ':':
        case ';':
            return true;
        default:
            return code > kCjkLow && code < kCjkHigh;
    }
}

vK_TextLayout::Metrics vK_TextLayout::BreakLines(std::vector<vK_GlyphRecord>& records, int maxWidth,
                                                 const AdvanceFn& advance) {
    if (maxWidth >= 1) {
        auto lineBreakLike = [](const vK_GlyphRecord& like) {
            vK_GlyphRecord record = like;
            record.code = kLineBreak;
            return record;
        };
        int committed = 0;    // width of the line up to its last break opportunity
        int pending = 0;      // width since that opportunity
        long lastBreak = -1;  // index of that opportunity (or of the line break before the line)
        size_t lineStart = 0;
        size_t j = 0;
        while (j < records.size()) {
            const bool last = j + 1 == records.size();
            if (records[j].code == kLineBreak && !last) {
                committed = pending = 0;
                lastBreak = static_cast<long>(j);
                lineStart = j + 1;
                ++j;
                continue;
            }
            pending += AdvanceOf(records[j], advance);
            const bool overflow = committed + pending > maxWidth;
            if (!overflow) {
                if (IsBreakCharacter(records[j].code) || last) {
                    committed += pending;
                    pending = 0;
                    lastBreak = static_cast<long>(j);
                }
                ++j;
                continue;
            }
            size_t breakAt;
            if (lastBreak >= static_cast<long>(lineStart)) {
                // Break at the last opportunity: a space becomes the line break (and is
                // dropped), any other character keeps its place with a break after it.
                const size_t at = static_cast<size_t>(lastBreak);
                if (records[at].code == ' ') {
                    records[at].code = kLineBreak;
                    breakAt = at;
                } else {
                    records.insert(records.begin() + static_cast<long>(at) + 1, lineBreakLike(records[at]));
                    breakAt = at + 1;
                }
            } else if (j == lineStart) {
                // A single character wider than the line keeps a line of its own; no
                // break is needed when the line ends right after it anyway.
                const bool endsHere = j + 1 >= records.size() || records[j + 1].code == kLineBreak ||
                                      (records[j + 1].code == 0 && j + 2 == records.size());
                if (!endsHere)
                    records.insert(records.begin() + static_cast<long>(j) + 1, lineBreakLike(records[j]));
                breakAt = j + 1;
                if (endsHere) {
                    committed = pending = 0;
                    lineStart = j + 1;
                    lastBreak = static_cast<long>(j);
                    j = j + 1;
                    continue;
                }
            } else {
                // One word longer than the line: break before the character that overflows.
                records.insert(records.begin() + static_cast<long>(j), lineBreakLike(records[j]));
                breakAt = j;
            }
            committed = pending = 0;
            lastBreak = static_cast<long>(breakAt);
            lineStart = breakAt + 1;
            j = breakAt + 1;
        }
    }
    return Measure(records, advance);
}

vK_TextLayout::Metrics vK_TextLayout::Measure(const std::vector<vK_GlyphRecord>& records,
                                              const AdvanceFn& advance) {
    Metrics metrics;
    int width = 0;
    for (size_t j = 0; j < records.size(); ++j) {
        if (records[j].code == kLineBreak && j + 1 < records.size()) {
            ++metrics.lines;
            if (width > metrics.widest) metrics.widest = width;
            width = 0;
            continue;
        }
        width += AdvanceOf(records[j], advance);
    }
    if (width > metrics.widest) metrics.widest = width;
    return metrics;
}

int vK_TextLayout::LineWidth(const std::vector<vK_GlyphRecord>& records, size_t from,
                             const AdvanceFn& advance) {
    int width = 0;
    for (size_t j = from; j < records.size() && records[j].code != kLineBreak; ++j) {
        width += AdvanceOf(records[j], advance);
    }
    return width;
}

std::vector<vK_GlyphRecord> vK_TextLayout::Prepare(const std::string& text, int maxWidth,
                                                   const AdvanceFn& advance, Metrics& metrics, bool markup) {
    std::vector<vK_GlyphRecord> records = DecodeUtf8(text);
    if (markup) {
        ApplyMarkup(records);
    } else {
        // As ApplyMarkup leaves it: the text ends at its first 0, which is always there.
        const auto end = std::find_if(records.begin(), records.end(),
                                      [](const vK_GlyphRecord& record) { return record.code == 0; });
        if (end == records.end())
            records.push_back(vK_GlyphRecord{});
        else
            records.erase(end + 1, records.end());
    }
    metrics = BreakLines(records, maxWidth, advance);
    return records;
}

int vK_TextLayout::LineStartX(int align, int blockWidth, int lineWidth, int fontSize) {
    int x;
    switch (align) {
        case 0:
            x = fontSize / 4;
            break;
        case 2:
            x = blockWidth - fontSize / 4 - lineWidth;
            break;
        default:
            x = (blockWidth - lineWidth) / 2;
            break;
    }
    return x < 0 ? 0 : x;
}

void vK_TextLayout::BlockSize(const Metrics& metrics, int fontSize, float lineSpacing, int maxSide,
                              int& width, int& height) {
    const auto roundUpEven = [](long n) { return (n + 1) & ~1L; };
    const long w = static_cast<long>(metrics.widest) + fontSize / 2;
    double h = 1.5 * fontSize;
    if (metrics.lines >= 2) h += static_cast<double>(metrics.lines - 1) * fontSize * lineSpacing;
    if (!std::isfinite(h)) h = 1.5 * fontSize;
    h = std::clamp(h, 0.0, static_cast<double>(maxSide));
    width = static_cast<int>(std::clamp(roundUpEven(w), 2L, static_cast<long>(maxSide)));
    height = static_cast<int>(std::clamp(roundUpEven(static_cast<long>(h)), 2L, static_cast<long>(maxSide)));
}
