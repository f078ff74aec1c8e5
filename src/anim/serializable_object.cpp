// The generic reader of the tagged binary format.
#include "anim/serializable_object.h"

#include <cstring>

#include "files/byte_buffer.h"
#include "files/byte_reader.h"

namespace {

// Reads one value of element kind 1..8 (also the scalar wire types 1..8).
bool ReadKind(vK_ByteReader& r, int kind, vK_WireValue& out) {
    out = vK_WireValue();
    switch (kind) {
        case 1:
        case 2: {
            uint8_t v = 0;
            if (!r.ReadUInt8(v)) return false;
            out.i = kind == 1 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int8_t>(v));
            return true;
        }
        case 3:
        case 4: {
            uint16_t v = 0;
            if (!r.ReadUInt16(v)) return false;
            out.i = kind == 4 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int16_t>(v));
            return true;
        }
        case 5:
        case 6: {
            uint32_t v = 0;
            if (!r.ReadUInt32(v)) return false;
            out.i = kind == 6 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int32_t>(v));
            return true;
        }
        case 7: {
            uint32_t v = 0;
            if (!r.ReadUInt32(v)) return false;
            out.isFloat = true;
            std::memcpy(&out.f, &v, sizeof out.f);
            return true;
        }
        case 8:
            out.isString = true;
            return r.Buffer() != nullptr && r.Buffer()->ReadString(out.s);
        default:
            return false;
    }
}

// The width code of a count: wire types n, n + 1, n + 2 count with uint8, uint16, int32.
bool ReadCountOf(vK_ByteReader& r, int wire, int first, int& count) {
    return r.ReadCount(wire - first + 1, count) && count >= 0;
}

bool ReadObjectAt(vK_ByteReader& reader, vK_SerializableObject& object, int depth);

bool ReadField(vK_ByteReader& r, uint8_t id, const vK_FieldDescriptor& d, vK_SerializableObject& o,
               int depth) {
    const int wire = d.wire;
    if (wire >= 1 && wire <= 7) {
        vK_WireValue v;
        if (!ReadKind(r, wire, v)) return false;
        if (d.conversion) {
            const float converted = d.conversion(o, static_cast<float>(v.Number()));
            v = vK_WireValue();
            v.isFloat = true;
            v.f = converted;
        }
        if (d.store) d.store(o, v);
        return true;
    }
    if (wire == 8 || wire == 21) {
        vK_WireValue v;
        const bool allocated = wire == 21 && d.prepare && d.prepare(o);
        if (!ReadKind(r, 8, v)) {
            if (allocated && d.release) d.release(o);
            return false;
        }
        if (d.store) d.store(o, v);
        return true;
    }
    if ((wire >= 9 && wire <= 11) || (wire >= 22 && wire <= 24)) {
        if (d.elementKind < 1 || d.elementKind > 8) return false;
        const bool allocated = d.prepare && d.prepare(o);
        int count = 0;
        bool ok = ReadCountOf(r, wire, wire <= 11 ? 9 : 22, count);
        // No reservation from the count: a hostile count fails at the first element
        // that is not there.
        for (int i = 0; ok && i < count; ++i) {
            vK_WireValue v;
            ok = ReadKind(r, d.elementKind, v);
            if (ok && d.append) d.append(o, v);
        }
        if (!ok && allocated && d.release) d.release(o);
        return ok;
    }
    if (wire >= 12 && wire <= 14) {
        if (id == 0 || !d.elementFactory) return false;
        int count = 0;
        if (!ReadCountOf(r, wire, 12, count)) return false;
        for (int i = 0; i < count; ++i) {
            // Every element takes at least one byte, so a count larger than the data
            // fails instead of making empty elements without end.
            if (r.Buffer() == nullptr || r.Buffer()->Remaining() == 0) return false;
            vK_ByteReader elementReader(r.Buffer(), id);
            vK_SerializableObject* element = d.elementFactory(o);
            if (element == nullptr) return false;
            o.BeforeAddElement(id, element);
            if (!ReadObjectAt(elementReader, *element, depth + 1)) return false;
            o.AddElement(id, element);
        }
        return true;
    }
    if (wire == 15) {
        vK_SerializableObject* child = d.embedded ? d.embedded(o) : nullptr;
        if (child == nullptr) return false;
        o.BeforeReadChild(id, child);
        if (!ReadObjectAt(r, *child, depth + 1)) return false;
        o.AfterReadChild(id, child);
        return true;
    }
    if (wire == 16) {
        if (!d.objectFactory || !d.adopt) return false;
        std::unique_ptr<vK_SerializableObject> child = d.objectFactory(r, o);
        if (!child) return false;
        o.BeforeReadChild(id, child.get());
        if (!ReadObjectAt(r, *child, depth + 1)) return false;
        o.AfterReadChild(id, child.get());
        d.adopt(o, std::move(child));
        return true;
    }
    if (wire >= 31 && wire <= 33) {
        if (d.elementKind < 1 || d.elementKind > 8 || d.valueKind < 1 || d.valueKind > 8) return false;
        if (d.prepare) d.prepare(o);
        int count = 0;
        if (!ReadCountOf(r, wire, 31, count)) return false;
        for (int i = 0; i < count; ++i) {
            vK_WireValue key, value;
            if (!ReadKind(r, d.elementKind, key) || !ReadKind(r, d.valueKind, value)) return false;
            if (d.insert) d.insert(o, key, value);
        }
        return true;
    }
    return false;
}

bool ReadId(vK_ByteReader& r, uint8_t& id) {
    id = 0;
    return r.ReadUInt8(id);
}

bool ReadObjectAt(vK_ByteReader& reader, vK_SerializableObject& object, int depth) {
    if (depth >= kMaxSerialDepth) return false;
    object.BeforeRead();
    const int custom = object.CustomRead(reader);
    if (custom == vK_SerializableObject::kReadFailed) return false;
    if (custom == vK_SerializableObject::kReadDone) return true;
    uint8_t id = 0;
    ReadId(reader, id);
    if (id != 0) {
        vK_FieldTable copy;
        const vK_FieldTable* table = &object.GetFieldTable(false);
        if (!object.UsesSharedTable()) {
            object.CopyFieldTable(copy, false);
            table = &copy;
        }
        while (id != 0) {
            auto found = table->find(id);
            if (found == table->end()) return false;
            if (!ReadField(reader, id, found->second, object, depth)) return false;
            ReadId(reader, id);
        }
    }
    object.AfterRead();
    return true;
}

}  // namespace

bool ReadObject(vK_ByteReader& reader, vK_SerializableObject& object) {
    return ReadObjectAt(reader, object, 0);
}

bool ReadContentKind(vK_ByteReader& reader, std::string& kind) { return reader.ReadOptionalString(kind); }
