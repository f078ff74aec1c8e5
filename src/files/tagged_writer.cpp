#include "files/tagged_writer.h"

#include <algorithm>
#include <cstring>

void vK_TaggedWriter::Check(bool fits, const char* what, const char* width, long long v) {
    if (!fits && what) Fail(std::string(what) + " does not fit " + width + ": " + std::to_string(v));
}

void vK_TaggedWriter::Header(uint8_t context, uint8_t marker, const std::string& kind) {
    Byte(context);
    Byte(marker);
    RawString(kind);
}

void vK_TaggedWriter::Raw16(int v) {
    Byte(v & 0xFF);
    Byte((v >> 8) & 0xFF);
}

void vK_TaggedWriter::Raw32(uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<int>((v >> (8 * i)) & 0xFF));
}

void vK_TaggedWriter::FailText(const std::string& s) {
    Fail("text \"" + s.substr(0, 40) + "\" must be 1 to 255 bytes long");
}

void vK_TaggedWriter::RawString(const std::string& s) {
    if (s.empty() || s.size() > 255) FailText(s);
    const size_t n = std::min<size_t>(s.size(), 255);
    Byte(static_cast<int>(n));
    out_.insert(out_.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}

void vK_TaggedWriter::U8(uint8_t id, int v, const char* what) {
    Check(v >= 0 && v <= 255, what, "one byte", v);
    Byte(id);
    Byte(v);
}

void vK_TaggedWriter::U16(uint8_t id, int v, const char* what) {
    Check(v >= 0 && v <= 65535, what, "two bytes", v);
    Byte(id);
    Raw16(v);
}

void vK_TaggedWriter::I16(uint8_t id, int v, const char* what) {
    Check(v >= -32768 && v <= 32767, what, "two bytes", v);
    Byte(id);
    Raw16(v & 0xFFFF);
}

void vK_TaggedWriter::I32(uint8_t id, int v) {
    Byte(id);
    Raw32(static_cast<uint32_t>(v));
}

void vK_TaggedWriter::F32(uint8_t id, float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    Byte(id);
    Raw32(bits);
}

bool vK_TaggedWriter::Str(uint8_t id, const std::string& s) {
    if (s.empty()) return true;
    if (s.size() > 255) {
        FailText(s);
        return false;
    }
    Byte(id);
    RawString(s);
    return true;
}

void vK_TaggedWriter::Count(int wire, size_t n, const char* what) {
    if (wire == 12) {
        Check(n <= 255, what, "one byte", static_cast<long long>(n));
        Byte(static_cast<int>(n & 0xFF));
    } else if (wire == 13) {
        Check(n <= 65535, what, "two bytes", static_cast<long long>(n));
        Raw16(static_cast<int>(n & 0xFFFF));
    } else {
        Check(n <= 0x7FFFFFFF, what, "four bytes", static_cast<long long>(n));
        Raw32(static_cast<uint32_t>(n));
    }
}
