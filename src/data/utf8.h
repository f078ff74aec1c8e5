#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 decoding and encoding, with one treatment of bad bytes for every decoder (text
// layout, text input); JSON encodes its \u escapes with AppendUtf8. (JSON strings keep
// their bytes as they are, so that any byte string a game stores reads back intact.)

constexpr int32_t kUtf8Replacement = 0xFFFD;

// Decodes the sequence that starts at text[pos] (pos < text.size()) and moves pos past
// it, at least one byte. Anything malformed gives U+FFFD: a stray continuation byte or
// a lead byte 0xF8..0xFF (one byte); a sequence cut short by the end of the text or by
// a byte that is not a continuation (the bytes before it: decoding resumes at the byte
// that broke it); an overlong form, a surrogate or a value beyond U+10FFFF (the whole
// sequence).
int32_t DecodeUtf8Step(std::string_view text, size_t& pos);

// Appends the UTF-8 form of code: one byte below 0x80, two below 0x800, three up to
// 0xFFFF, four up to 0x10FFFF; larger values append nothing.
void AppendUtf8(std::string& out, uint32_t code);
