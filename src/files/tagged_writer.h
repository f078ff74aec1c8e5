#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The one writer of the tagged binary object encoding that vK_TaggedReader reads
// (complex animations, particle presets): bodies of (field id byte, value) pairs
// closed by a 0 byte, little-endian numbers, short strings with a length byte, counted
// object arrays. Values are appended to the caller's bytes. A value that does not fit
// is recorded as the writer's failure (the first one is kept) and writing goes on; the
// caller decides what to do with the bytes of a failed write.
class vK_TaggedWriter {
public:
    explicit vK_TaggedWriter(std::vector<uint8_t>& out) : out_(out) {}

    bool Ok() const { return error_.empty(); }
    // The first failure; empty while every value fitted.
    const std::string& Error() const { return error_; }
    void Fail(const std::string& message) {
        if (error_.empty()) error_ = message;
    }
    std::vector<uint8_t>& Out() { return out_; }

    // A file's head: its context and marker bytes, then the short string naming its kind.
    void Header(uint8_t context, uint8_t marker, const std::string& kind);

    // One byte as it is: a field id opening a nested body or array, a raw count.
    void Byte(int v) { out_.push_back(static_cast<uint8_t>(v)); }
    void Raw16(int v);
    void Raw32(uint32_t v);
    // A length byte, then the text; fails unless the text is 1 to 255 bytes long.
    void RawString(const std::string& s);

    // Scalar fields: the id, then the value. what names the value in the failure when
    // it does not fit; without it, the value's low bits are stored unchecked.
    void U8(uint8_t id, int v, const char* what = nullptr);
    void U16(uint8_t id, int v, const char* what = nullptr);
    void I16(uint8_t id, int v, const char* what = nullptr);
    void I32(uint8_t id, int v);
    void F32(uint8_t id, float v);
    // Empty texts are left out of the stream. A text longer than 255 bytes fails and
    // writes nothing; the result says whether the text could be stored.
    bool Str(uint8_t id, const std::string& s);

    // The count of an object array, of the array's wire type (12: one byte, 13: two,
    // 14: four); what as for the scalars.
    void Count(int wire, size_t n, const char* what = nullptr);
    // Closes the body being written.
    void End() { Byte(0); }

private:
    void FailText(const std::string& s);
    void Check(bool fits, const char* what, const char* width, long long v);

    std::vector<uint8_t>& out_;
    std::string error_;
};
