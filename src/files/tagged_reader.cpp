#include "files/tagged_reader.h"

#include <cmath>
#include <cstring>

bool vK_TaggedReader::Value(int kind, vK_WireValue& out) {
    out = vK_WireValue();
    switch (kind) {
        case 1:
        case 2: {
            uint8_t v = 0;
            if (!reader_.ReadUInt8(v)) return false;
            out.i = kind == 1 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int8_t>(v));
            return true;
        }
        case 3:
        case 4: {
            uint16_t v = 0;
            if (!reader_.ReadUInt16(v)) return false;
            out.i = kind == 4 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int16_t>(v));
            return true;
        }
        case 5:
        case 6: {
            uint32_t v = 0;
            if (!reader_.ReadUInt32(v)) return false;
            out.i = kind == 6 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int32_t>(v));
            return true;
        }
        case 7: {
            uint32_t v = 0;
            if (!reader_.ReadUInt32(v)) return false;
            out.isFloat = true;
            std::memcpy(&out.f, &v, sizeof out.f);
            return true;
        }
        case 8:
            out.isString = true;
            return Str(out.s);
        default:
            return false;
    }
}

bool vK_TaggedReader::U8(int& out) {
    vK_WireValue v;
    if (!Value(1, v)) return false;
    out = static_cast<int>(v.i);
    return true;
}

bool vK_TaggedReader::Bool8(bool& out) {
    int v = 0;
    if (!U8(v)) return false;
    out = v == 1;
    return true;
}

bool vK_TaggedReader::U16(int& out) {
    vK_WireValue v;
    if (!Value(4, v)) return false;
    out = static_cast<int>(v.i);
    return true;
}

bool vK_TaggedReader::I32(int& out) {
    vK_WireValue v;
    if (!Value(5, v)) return false;
    out = static_cast<int>(v.i);
    return true;
}

bool vK_TaggedReader::F32(float& out) {
    vK_WireValue v;
    if (!Value(7, v)) return false;
    out = std::isfinite(v.f) ? v.f : 0.0f;
    return true;
}
