#pragma once
#include <cstdint>
#include <string>

#include "files/byte_buffer.h"
#include "files/byte_reader.h"

// One decoded value of the tagged binary format: a number (integer or float, as the
// wire type gave it) or a short string.
struct vK_WireValue {
    bool isFloat = false;
    bool isString = false;
    int64_t i = 0;
    float f = 0.0f;
    std::string s;

    double Number() const { return isFloat ? static_cast<double>(f) : static_cast<double>(i); }
};

// The one reader of the engine's tagged binary object encoding (complex animations,
// particle presets): an object body is a run of (field id byte, value) pairs ended by
// a 0 byte or by the end of the data. The stream does not carry wire types: the caller
// knows the type of each id (a switch over its ids, or a field table) and calls the
// typed reads below. An unknown id fails the whole read (there is no skipping). Every
// read is bounds-checked, and nesting is capped so hostile data cannot exhaust the stack.
class vK_TaggedReader {
public:
    // Objects nested deeper than this fail.
    static constexpr int kMaxDepth = 64;

    // depth: how many bodies enclose the first one read (an element read through its
    // own byte reader continues its array owner's depth).
    explicit vK_TaggedReader(vK_ByteReader& reader, int depth = 0) : reader_(reader), depth_(depth) {}

    vK_ByteReader& Bytes() const { return reader_; }
    // The depth of the body being read (0 outside any).
    int Depth() const { return depth_; }
    // False when one more body would nest deeper than kMaxDepth.
    bool CanNest() const { return depth_ < kMaxDepth; }

    // Calls field(id) for every id of one body; false when field refuses one or the
    // body nests too deep.
    template <class Field>
    bool ReadObject(Field field) {
        if (!CanNest()) return false;
        ++depth_;
        bool ok = true;
        for (;;) {
            uint8_t id = 0;
            if (!reader_.ReadUInt8(id) || id == 0) break;
            if (!field(id)) {
                ok = false;
                break;
            }
        }
        --depth_;
        return ok;
    }
    // Object arrays: a count of the wire type's width (12: uint8, 13: uint16, 14: int32),
    // then element() once per element, which reads one body. Nothing is reserved from
    // the count: every element takes at least one byte, so a count larger than the data
    // fails instead of making empty elements without end.
    template <class Element>
    bool ReadArray(int wire, Element element) {
        int count = 0;
        if (wire < 12 || wire > 14 || !ReadCount(wire, 12, count)) return false;
        for (int i = 0; i < count; ++i) {
            if (reader_.Buffer() == nullptr || reader_.Buffer()->Remaining() == 0) return false;
            if (!element()) return false;
        }
        return true;
    }
    // The count of a counted wire type: first, first + 1 and first + 2 count with uint8,
    // uint16 and int32; a negative count fails.
    bool ReadCount(int wire, int first, int& count) {
        return reader_.ReadCount(wire - first + 1, count) && count >= 0;
    }
    // One value of element kind 1..8 (also the scalar wire types 1..8): unsigned and
    // signed bytes, signed and unsigned 16 and 32 bits, a float as stored, a short string.
    bool Value(int kind, vK_WireValue& out);

    bool U8(int& out);
    // A byte that is true only when it is 1.
    bool Bool8(bool& out);
    bool U16(int& out);
    bool I32(int& out);
    // A float; infinities and NaNs read as 0, since they would poison every curve they reach.
    bool F32(float& out);
    bool Str(std::string& out) { return reader_.Buffer() != nullptr && reader_.Buffer()->ReadString(out); }

private:
    vK_ByteReader& reader_;
    int depth_ = 0;
};
