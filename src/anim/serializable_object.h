#pragma once
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "files/tagged_reader.h"

class vK_SerializableObject;

// Converts a decoded value into a member of type T by value: integers are clamped into
// T's range, floats truncated (NaN reads as 0), so no member is left with bytes of
// another width.
template <class T>
T ConvertWireValue(const vK_WireValue& value) {
    if constexpr (std::is_same_v<T, std::string>) {
        return value.s;
    } else if constexpr (std::is_same_v<T, bool>) {
        return value.Number() != 0.0;
    } else if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(value.Number());
    } else {
        static_assert(std::is_integral_v<T>);
        const double d = value.Number();
        if (std::isnan(d)) return T(0);
        if (d <= static_cast<double>(std::numeric_limits<T>::lowest()))
            return std::numeric_limits<T>::lowest();
        if (d >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
        return value.isFloat ? static_cast<T>(std::trunc(d)) : static_cast<T>(value.i);
    }
}

// Describes one field of a readable class: the wire type of its value, the element
// kinds of plain arrays and maps, where the value goes (type-erased accessors into
// the owner) and the optional conversion and factories.
struct vK_FieldDescriptor {
    using Owner = vK_SerializableObject;
    int32_t wire = 0;
    int32_t elementKind = 0;  // plain arrays; the key kind of a map
    int32_t valueKind = 0;    // the value kind of a map

    // Member location. Scalars and strings (1 to 8, 21): store.
    std::function<void(Owner&, const vK_WireValue&)> store;
    // Arrays held by value (9 to 11) and maps (31 to 33): empty the member. Arrays
    // held by pointer (22 to 24): allocate when null; returns whether it allocated.
    std::function<bool(Owner&)> prepare;
    // Release what prepare allocated (pointer members after a failed read).
    std::function<void(Owner&)> release;
    std::function<void(Owner&, const vK_WireValue&)> append;
    std::function<void(Owner&, const vK_WireValue&, const vK_WireValue&)> insert;
    // An object held by value (15).
    std::function<Owner*(Owner&)> embedded;
    // An object pointer (16): stores the read object into the member.
    std::function<void(Owner&, std::unique_ptr<Owner>)> adopt;

    // A scalar passes through this as a float and is stored as a float.
    std::function<float(Owner&, float)> conversion;
    std::function<std::unique_ptr<Owner>(vK_ByteReader&, Owner&)> objectFactory;
    // Makes a new element already appended to the owner's own container.
    std::function<Owner*(Owner&)> elementFactory;
};

// Field id (1..255) -> descriptor; id 0 ends an object.
using vK_FieldTable = std::map<uint8_t, vK_FieldDescriptor>;

// A class readable from the tagged binary format. The generic reader (ReadObject)
// walks (field id, value) pairs and stores each through the class's field table;
// a class may instead read its own body (CustomRead).
class vK_SerializableObject {
public:
    // What CustomRead answers.
    enum CustomResult : int { kReadGeneric = 0, kReadDone = 1, kReadFailed = 2 };

    vK_SerializableObject() = default;
    virtual ~vK_SerializableObject() = default;
    vK_SerializableObject(const vK_SerializableObject&) = default;
    vK_SerializableObject& operator=(const vK_SerializableObject&) = default;

    virtual bool UsesSharedTable() const { return sharedTable_ != 0; }
    virtual const vK_FieldTable& GetFieldTable(bool extended) const = 0;
    virtual void CopyFieldTable(vK_FieldTable& table, bool extended) const {
        table = GetFieldTable(extended);
    }
    virtual void BeforeRead() {}
    virtual void AfterRead() {}
    virtual void BeforeReadChild(uint8_t /*id*/, vK_SerializableObject* /*child*/) {}
    virtual void AfterReadChild(uint8_t /*id*/, vK_SerializableObject* /*child*/) {}
    virtual void BeforeAddElement(uint8_t /*id*/, vK_SerializableObject* /*element*/) {}
    virtual void AddElement(uint8_t /*id*/, vK_SerializableObject* /*element*/) {}
    virtual int CustomRead(vK_ByteReader& /*reader*/) { return kReadGeneric; }
    virtual const char* TypeName() const = 0;

protected:
    uint8_t sharedTable_ = 0;
};

// The per-class part: one shared field table per concrete class, filled by the first
// construction through Derived::DescribeFields(table).
template <class Derived>
class vK_SerializableObjectImpl : public vK_SerializableObject {
public:
    vK_SerializableObjectImpl() {
        sharedTable_ = 1;
        static const bool filled = [] {
            Derived::DescribeFields(SharedFieldTable());
            return true;
        }();
        (void)filled;
    }
    const vK_FieldTable& GetFieldTable(bool extended) const override {
        if (extended) {
            static const vK_FieldTable table = [] {
                vK_FieldTable t = SharedFieldTable();
                Derived::ExtendFieldTable(t);
                return t;
            }();
            return table;
        }
        return SharedFieldTable();
    }
    static void ExtendFieldTable(vK_FieldTable& /*table*/) {}
    static vK_FieldTable& SharedFieldTable() {
        static vK_FieldTable table;
        return table;
    }
};

// Reads one object body from the reader's position through the class's field table;
// false at the first failure. Objects nested deeper than vK_TaggedReader::kMaxDepth fail.
bool ReadObject(vK_ByteReader& reader, vK_SerializableObject& object);
// The header of a file: false when the context byte or the marker byte is 0 or
// missing; otherwise the short string naming the content kind.
bool ReadContentKind(vK_ByteReader& reader, std::string& kind);

// ---- descriptors of members (used by DescribeFields) ----------------------------------
namespace vK_Field {

// The class the accessors cast the owner to: O when given, else the member's class.
template <class O, class C>
using OwnerOf = std::conditional_t<std::is_void_v<O>, C, O>;

template <class O>
O& As(vK_SerializableObject& owner) {
    return static_cast<O&>(owner);
}

using Conversion = float (*)(vK_SerializableObject& owner, float value);

// A scalar or a string member (wire types 1 to 8), converted by value into its type.
template <class O = void, class C, class T>
vK_FieldDescriptor Value(int wire, T C::*member, Conversion conversion = nullptr) {
    using Own = OwnerOf<O, C>;
    vK_FieldDescriptor d;
    d.wire = wire;
    d.store = [member](vK_SerializableObject& o, const vK_WireValue& v) {
        As<Own>(o).*member = ConvertWireValue<T>(v);
    };
    if (conversion) d.conversion = conversion;
    return d;
}

// A plain array held by value (9 to 11).
template <class O = void, class C, class T>
vK_FieldDescriptor Array(int wire, int kind, std::vector<T> C::*member) {
    using Own = OwnerOf<O, C>;
    vK_FieldDescriptor d;
    d.wire = wire;
    d.elementKind = kind;
    d.prepare = [member](vK_SerializableObject& o) {
        (As<Own>(o).*member).clear();
        return false;
    };
    d.append = [member](vK_SerializableObject& o, const vK_WireValue& v) {
        (As<Own>(o).*member).push_back(ConvertWireValue<T>(v));
    };
    return d;
}

// A plain array held by pointer (22 to 24): allocated when null, appended to.
template <class O = void, class C, class T>
vK_FieldDescriptor ArrayPtr(int wire, int kind, std::unique_ptr<std::vector<T>> C::*member) {
    using Own = OwnerOf<O, C>;
    vK_FieldDescriptor d;
    d.wire = wire;
    d.elementKind = kind;
    d.prepare = [member](vK_SerializableObject& o) {
        auto& p = As<Own>(o).*member;
        if (p) return false;
        p = std::make_unique<std::vector<T>>();
        return true;
    };
    d.release = [member](vK_SerializableObject& o) { (As<Own>(o).*member).reset(); };
    d.append = [member](vK_SerializableObject& o, const vK_WireValue& v) {
        (As<Own>(o).*member)->push_back(ConvertWireValue<T>(v));
    };
    return d;
}

// A string held by pointer (21).
template <class O = void, class C>
vK_FieldDescriptor StringPtr(std::unique_ptr<std::string> C::*member) {
    using Own = OwnerOf<O, C>;
    vK_FieldDescriptor d;
    d.wire = 21;
    d.prepare = [member](vK_SerializableObject& o) {
        auto& p = As<Own>(o).*member;
        if (p) return false;
        p = std::make_unique<std::string>();
        return true;
    };
    d.release = [member](vK_SerializableObject& o) { (As<Own>(o).*member).reset(); };
    d.store = [member](vK_SerializableObject& o, const vK_WireValue& v) { *(As<Own>(o).*member) = v.s; };
    return d;
}

// A map (31 to 33), emptied first.
template <class O = void, class C, class K, class V>
vK_FieldDescriptor Map(int wire, int keyKind, int valueKind, std::map<K, V> C::*member) {
    using Own = OwnerOf<O, C>;
    vK_FieldDescriptor d;
    d.wire = wire;
    d.elementKind = keyKind;
    d.valueKind = valueKind;
    d.prepare = [member](vK_SerializableObject& o) {
        (As<Own>(o).*member).clear();
        return false;
    };
    d.insert = [member](vK_SerializableObject& o, const vK_WireValue& k, const vK_WireValue& v) {
        (As<Own>(o).*member)[ConvertWireValue<K>(k)] = ConvertWireValue<V>(v);
    };
    return d;
}

// An object held by value (15).
template <class O = void, class C, class M>
vK_FieldDescriptor Embedded(M C::*member) {
    using Own = OwnerOf<O, C>;
    vK_FieldDescriptor d;
    d.wire = 15;
    d.embedded = [member](vK_SerializableObject& o) -> vK_SerializableObject* {
        return &(As<Own>(o).*member);
    };
    return d;
}

// An object pointer (16) made by factory (owner) and stored into the member.
template <class O, class M>
vK_FieldDescriptor Pointer(std::unique_ptr<M> O::*member, std::unique_ptr<M> (*factory)(O& owner)) {
    vK_FieldDescriptor d;
    d.wire = 16;
    d.objectFactory = [factory](vK_ByteReader&,
                                vK_SerializableObject& o) -> std::unique_ptr<vK_SerializableObject> {
        return factory(As<O>(o));
    };
    d.adopt = [member](vK_SerializableObject& o, std::unique_ptr<vK_SerializableObject> child) {
        (As<O>(o).*member).reset(static_cast<M*>(child.release()));
    };
    return d;
}

// An array of objects (12 to 14); factory appends a new element to the owner's
// container and returns it.
template <class O>
vK_FieldDescriptor Objects(int wire, vK_SerializableObject* (*factory)(O& owner)) {
    vK_FieldDescriptor d;
    d.wire = wire;
    d.elementFactory = [factory](vK_SerializableObject& o) { return factory(As<O>(o)); };
    return d;
}

}  // namespace vK_Field
