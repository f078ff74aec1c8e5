#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class vK_Data;
class vK_DataTable;
class vK_Object;

// One property of an object class: its key, the kind of value it holds, the field it
// lives in, its default and how SetProperties and GetProperties treat it.
struct vK_Property {
    enum Kind : uint8_t {
        kFloat,    // float field
        kInt,      // int32_t field
        kBool,     // bool field
        kFlag,     // uint8_t field holding 0 or 1, read and written as a bool
        kString,   // std::string field
        kHandler,  // vK_DataScriptFunction field: a script function or handler text
        kCustom,   // the set and get callbacks do the work
    };
    enum Flags : uint8_t {
        kSetOnly = 1,      // read by SetProperties, not written by GetProperties
        kGetOnly = 2,      // written by GetProperties, ignored by SetProperties
        kFullOnly = 4,     // written only by a full GetProperties
        kIfInputRect = 8,  // read and written only while the input rectangle is enabled
        kIfCropRect = 16,  // read and written only while the crop rectangle is enabled
        kRefresh = 32,     // applying it asks for the class's refresh step after all keys
        kTransform = 64,   // a float field of the local matrix: a change marks the transform dirty
        kOrder = 128,      // a float field that orders siblings: a change asks the parent to sort again
    };

    const char* key;
    Kind kind;
    uint8_t flags;
    // The default of numeric and boolean kinds, as a new object reports it.
    double def;
    // The field of the kind's type inside object (not for kCustom).
    void* (*field)(vK_Object& object);
    // kCustom: applies a value (false when it could not be used) / writes the key.
    bool (*set)(vK_Object& object, const vK_Data& value, const char* key);
    void (*get)(const vK_Object& object, vK_DataTable& table, const char* key);
};

// The property keys of a class, written once: the base class's entries followed by the
// class's own, in the order SetProperties applies them. Keys are found by a hash, so
// SetProperties looks up only the keys a table holds.
class vK_PropertyTable {
public:
    // What ApplyProperties reports.
    enum Applied : unsigned {
        kAppliedAny = 1,        // at least one key was applied
        kAppliedRefresh = 2,    // at least one key with the kRefresh flag was applied
        kAppliedTransform = 4,  // a kTransform field got a different value
        kAppliedOrder = 8,      // a kOrder field got a different value
    };

    vK_PropertyTable(const vK_PropertyTable* base, std::initializer_list<vK_Property> own);

    // Index of key in the entries, -1 when the class has no such key.
    int Find(std::string_view key) const;
    const std::vector<vK_Property>& Entries() const { return entries_; }

    // Applies the keys present in values that the class knows, in the class's order;
    // unknown keys are ignored. Returns a mask of Applied bits.
    unsigned Apply(vK_Object& object, const vK_DataTable& values) const;
    // Applies value to the entry at index as Apply does for one key (get-only entries
    // and rectangle keys whose flag is off are skipped). Callers that read values from
    // elsewhere apply their keys through this in ascending index order, which is the
    // class's order. Returns a mask of Applied bits.
    unsigned ApplyEntry(vK_Object& object, int index, const vK_Data& value) const;
    // Writes every key the class writes, in the class's order.
    void Write(const vK_Object& object, vK_DataTable& table, bool full) const;

private:
    std::vector<vK_Property> entries_;
    // Open addressing over the key hashes: slot holds entry index + 1, 0 when free.
    std::vector<uint16_t> slots_;
    size_t mask_ = 0;
};

// Shorthands for the entries of a table, and the reads custom setters use (the scalar
// kinds convert, other kinds log "Error: Can not convert ..." and give false).
namespace vK_Props {
bool Read(const vK_Data& value, const char* key, std::string& out);
bool Read(const vK_Data& value, const char* key, int32_t& out);
bool Read(const vK_Data& value, const char* key, bool& out);

using Field = void* (*)(vK_Object&);
inline vK_Property Float(const char* key, double def, Field field, uint8_t flags = 0) {
    return {key, vK_Property::kFloat, flags, def, field, nullptr, nullptr};
}
inline vK_Property Int(const char* key, double def, Field field, uint8_t flags = 0) {
    return {key, vK_Property::kInt, flags, def, field, nullptr, nullptr};
}
inline vK_Property Bool(const char* key, bool def, Field field, uint8_t flags = 0) {
    return {key, vK_Property::kBool, flags, def ? 1.0 : 0.0, field, nullptr, nullptr};
}
inline vK_Property Flag(const char* key, bool def, Field field, uint8_t flags = 0) {
    return {key, vK_Property::kFlag, flags, def ? 1.0 : 0.0, field, nullptr, nullptr};
}
inline vK_Property String(const char* key, Field field, uint8_t flags = 0) {
    return {key, vK_Property::kString, flags, 0.0, field, nullptr, nullptr};
}
inline vK_Property Handler(const char* key, Field field, uint8_t flags = 0) {
    return {key, vK_Property::kHandler, flags, 0.0, field, nullptr, nullptr};
}
inline vK_Property Custom(const char* key, bool (*set)(vK_Object&, const vK_Data&, const char*),
                          void (*get)(const vK_Object&, vK_DataTable&, const char*), uint8_t flags = 0,
                          double def = 0.0) {
    return {key, vK_Property::kCustom, flags, def, nullptr, set, get};
}
}  // namespace vK_Props
