#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "files/byte_buffer.h"
#include "files/byte_reader.h"

// Reads the engine's tagged binary object encoding: an object body is a run of (field
// id byte, value) pairs ended by a 0 byte or by the end of the data. The stream does
// not carry wire types: each class knows the type of each of its ids, so a class's
// reader is a switch over its ids that calls the typed reads below. An unknown id
// fails the whole read (there is no skipping). Every read is bounds-checked.
class vK_TaggedReader {
public:
    // Objects nested deeper than this fail, so hostile data cannot exhaust the stack.
    static constexpr int kMaxDepth = 32;

    explicit vK_TaggedReader(vK_ByteReader& reader) : reader_(reader) {}

    // Calls field(id) for every id of one body; false when field refuses one.
    template <class Field>
    bool ReadObject(Field field) {
        if (depth_ >= kMaxDepth) return false;
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
    // then element() once per element, which reads one body.
    template <class Element>
    bool ReadArray(int wire, Element element) {
        int count = 0;
        if (wire < 12 || wire > 14 || !reader_.ReadCount(wire - 11, count) || count < 0) return false;
        for (int i = 0; i < count; ++i) {
            // Each element needs at least its closing byte.
            if (reader_.Buffer()->Remaining() == 0) return false;
            if (!element()) return false;
        }
        return true;
    }
    bool U8(int& out) {
        uint8_t v = 0;
        if (!reader_.ReadUInt8(v)) return false;
        out = v;
        return true;
    }
    bool Bool8(bool& out) {
        int v = 0;
        if (!U8(v)) return false;
        out = v == 1;
        return true;
    }
    bool U16(int& out) {
        uint16_t v = 0;
        if (!reader_.ReadUInt16(v)) return false;
        out = v;
        return true;
    }
    bool I32(int& out) {
        uint32_t v = 0;
        if (!reader_.ReadUInt32(v)) return false;
        out = static_cast<int32_t>(v);
        return true;
    }
    bool F32(float& out) {
        uint32_t v = 0;
        if (!reader_.ReadUInt32(v)) return false;
        std::memcpy(&out, &v, sizeof out);
        // Infinities and NaNs would poison every curve they reach.
        if (!std::isfinite(out)) out = 0.0f;
        return true;
    }
    bool Str(std::string& out) { return reader_.Buffer()->ReadString(out); }

private:
    vK_ByteReader& reader_;
    int depth_ = 0;
};
