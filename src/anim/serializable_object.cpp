// The field-table side of the tagged binary format: each value is read through
// vK_TaggedReader and stored through the owner's field descriptors.
#include "anim/serializable_object.h"

#include "files/byte_buffer.h"
#include "files/byte_reader.h"

namespace {

bool ReadObjectAt(vK_TaggedReader& r, vK_SerializableObject& object);

bool ReadScalar(vK_TaggedReader& r, const vK_FieldDescriptor& d, vK_SerializableObject& o) {
    vK_WireValue v;
    if (!r.Value(d.wire, v)) return false;
    if (d.conversion) {
        const float converted = d.conversion(o, static_cast<float>(v.Number()));
        v = vK_WireValue();
        v.isFloat = true;
        v.f = converted;
    }
    if (d.store) d.store(o, v);
    return true;
}

bool ReadString(vK_TaggedReader& r, const vK_FieldDescriptor& d, vK_SerializableObject& o) {
    vK_WireValue v;
    const bool allocated = d.wire == 21 && d.prepare && d.prepare(o);
    if (!r.Value(8, v)) {
        if (allocated && d.release) d.release(o);
        return false;
    }
    if (d.store) d.store(o, v);
    return true;
}

bool ReadPlainArray(vK_TaggedReader& r, const vK_FieldDescriptor& d, vK_SerializableObject& o) {
    if (d.elementKind < 1 || d.elementKind > 8) return false;
    const bool allocated = d.prepare && d.prepare(o);
    int count = 0;
    bool ok = r.ReadCount(d.wire, d.wire <= 11 ? 9 : 22, count);
    // No reservation from the count: a hostile count fails at the first element
    // that is not there.
    for (int i = 0; ok && i < count; ++i) {
        vK_WireValue v;
        ok = r.Value(d.elementKind, v);
        if (ok && d.append) d.append(o, v);
    }
    if (!ok && allocated && d.release) d.release(o);
    return ok;
}

bool ReadObjectArray(vK_TaggedReader& r, uint8_t id, const vK_FieldDescriptor& d, vK_SerializableObject& o) {
    if (id == 0 || !d.elementFactory) return false;
    return r.ReadArray(d.wire, [&] {
        // The element's reader has the array's field id as its context byte.
        vK_ByteReader elementBytes(r.Bytes().Buffer(), id);
        vK_TaggedReader elementReader(elementBytes, r.Depth());
        vK_SerializableObject* element = d.elementFactory(o);
        if (element == nullptr) return false;
        o.BeforeAddElement(id, element);
        if (!ReadObjectAt(elementReader, *element)) return false;
        o.AddElement(id, element);
        return true;
    });
}

bool ReadChild(vK_TaggedReader& r, uint8_t id, const vK_FieldDescriptor& d, vK_SerializableObject& o) {
    if (d.wire == 15) {
        vK_SerializableObject* child = d.embedded ? d.embedded(o) : nullptr;
        if (child == nullptr) return false;
        o.BeforeReadChild(id, child);
        if (!ReadObjectAt(r, *child)) return false;
        o.AfterReadChild(id, child);
        return true;
    }
    if (!d.objectFactory || !d.adopt) return false;
    std::unique_ptr<vK_SerializableObject> child = d.objectFactory(r.Bytes(), o);
    if (!child) return false;
    o.BeforeReadChild(id, child.get());
    if (!ReadObjectAt(r, *child)) return false;
    o.AfterReadChild(id, child.get());
    d.adopt(o, std::move(child));
    return true;
}

bool ReadMap(vK_TaggedReader& r, const vK_FieldDescriptor& d, vK_SerializableObject& o) {
    if (d.elementKind < 1 || d.elementKind > 8 || d.valueKind < 1 || d.valueKind > 8) return false;
    if (d.prepare) d.prepare(o);
    int count = 0;
    if (!r.ReadCount(d.wire, 31, count)) return false;
    for (int i = 0; i < count; ++i) {
        vK_WireValue key, value;
        if (!r.Value(d.elementKind, key) || !r.Value(d.valueKind, value)) return false;
        if (d.insert) d.insert(o, key, value);
    }
    return true;
}

bool ReadField(vK_TaggedReader& r, uint8_t id, const vK_FieldDescriptor& d, vK_SerializableObject& o) {
    const int wire = d.wire;
    if (wire >= 1 && wire <= 7) return ReadScalar(r, d, o);
    if (wire == 8 || wire == 21) return ReadString(r, d, o);
    if ((wire >= 9 && wire <= 11) || (wire >= 22 && wire <= 24)) return ReadPlainArray(r, d, o);
    if (wire >= 12 && wire <= 14) return ReadObjectArray(r, id, d, o);
    if (wire == 15 || wire == 16) return ReadChild(r, id, d, o);
    if (wire >= 31 && wire <= 33) return ReadMap(r, d, o);
    return false;
}

bool ReadObjectAt(vK_TaggedReader& r, vK_SerializableObject& object) {
    if (!r.CanNest()) return false;
    object.BeforeRead();
    const int custom = object.CustomRead(r.Bytes());
    if (custom == vK_SerializableObject::kReadFailed) return false;
    if (custom == vK_SerializableObject::kReadDone) return true;
    // The per-instance copy is made only when a body has fields at all.
    vK_FieldTable copy;
    const vK_FieldTable* table = nullptr;
    const bool ok = r.ReadObject([&](uint8_t id) {
        if (table == nullptr) {
            table = &object.GetFieldTable(false);
            if (!object.UsesSharedTable()) {
                object.CopyFieldTable(copy, false);
                table = &copy;
            }
        }
        auto found = table->find(id);
        return found != table->end() && ReadField(r, id, found->second, object);
    });
    if (!ok) return false;
    object.AfterRead();
    return true;
}

}  // namespace

bool ReadObject(vK_ByteReader& reader, vK_SerializableObject& object) {
    vK_TaggedReader r(reader);
    return ReadObjectAt(r, object);
}

bool ReadContentKind(vK_ByteReader& reader, std::string& kind) { return reader.ReadOptionalString(kind); }
