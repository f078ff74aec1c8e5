#include "scene/property_table.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "data/data.h"
#include "files/log.h"
#include "scene/handler_property.h"
#include "scene/object.h"

namespace {

// FNV-1a over the key's bytes.
size_t HashKey(std::string_view key) {
    uint32_t h = 2166136261u;
    for (char c : key) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return h;
}

// Numeric, boolean and text keys accept the scalar kinds int, long, float, double, bool
// and string, converted by the value's own conversion; other kinds log and are skipped.
bool Scalar(const vK_Data& value, const char* key, const char* target) {
    if (value.GetTag() >= vK_Data::kInt && value.GetTag() <= vK_Data::kString) return true;
    Log("Error: Can not convert a value of '%s' (%s) to %s", key, value.GetTypeName(), target);
    return false;
}

// changed is set when a kTransform or kOrder field got a different value.
bool ApplyOne(const vK_Property& p, vK_Object& object, const vK_Data& value, bool& changed) {
    switch (p.kind) {
        case vK_Property::kFloat: {
            if (!Scalar(value, p.key, "Data_Float")) return false;
            float& field = *static_cast<float*>(p.field(object));
            const float v = value.GetFloat();
            // Bitwise, so that a NaN written again counts as unchanged and -0 as a change.
            if (std::memcmp(&field, &v, sizeof v) != 0) {
                field = v;
                if (p.flags & (vK_Property::kTransform | vK_Property::kOrder)) changed = true;
            }
            return true;
        }
        case vK_Property::kInt:
            if (!Scalar(value, p.key, "Data_Int")) return false;
            *static_cast<int32_t*>(p.field(object)) = value.GetInt();
            return true;
        case vK_Property::kBool:
            if (!Scalar(value, p.key, "Data_Bool")) return false;
            *static_cast<bool*>(p.field(object)) = value.GetBool();
            return true;
        case vK_Property::kFlag:
            if (!Scalar(value, p.key, "Data_Bool")) return false;
            *static_cast<uint8_t*>(p.field(object)) = value.GetBool() ? 1 : 0;
            return true;
        case vK_Property::kString:
            if (!Scalar(value, p.key, "Data_String")) return false;
            *static_cast<std::string*>(p.field(object)) = value.ToString();
            return true;
        case vK_Property::kHandler:
            return ReadHandlerProperty(value, p.key, *static_cast<vK_DataScriptFunction*>(p.field(object)));
        case vK_Property::kCustom:
            return p.set != nullptr && p.set(object, value, p.key);
    }
    return false;
}

void WriteOne(const vK_Property& p, const vK_Object& object, vK_DataTable& table) {
    // The getters only read the field; the accessor is shared with the setters.
    vK_Object& o = const_cast<vK_Object&>(object);
    switch (p.kind) {
        case vK_Property::kFloat:
            table.SetFloat(p.key, *static_cast<const float*>(p.field(o)));
            break;
        case vK_Property::kInt:
            table.SetInt(p.key, *static_cast<const int32_t*>(p.field(o)));
            break;
        case vK_Property::kBool:
            table.SetBool(p.key, *static_cast<const bool*>(p.field(o)));
            break;
        case vK_Property::kFlag:
            table.SetBool(p.key, *static_cast<const uint8_t*>(p.field(o)) != 0);
            break;
        case vK_Property::kString:
            table.SetString(p.key, *static_cast<const std::string*>(p.field(o)));
            break;
        case vK_Property::kHandler:
            table.SetScriptFunction(p.key, *static_cast<const vK_DataScriptFunction*>(p.field(o)));
            break;
        case vK_Property::kCustom:
            if (p.get) p.get(object, table, p.key);
            break;
    }
}

// Whether a key that depends on the input or crop rectangle flag applies now.
bool Enabled(const vK_Property& p, const vK_Object& object) {
    if ((p.flags & vK_Property::kIfInputRect) && !object.HasInputRect()) return false;
    if ((p.flags & vK_Property::kIfCropRect) && !object.HasCropRect()) return false;
    return true;
}

}  // namespace

bool vK_Props::Read(const vK_Data& value, const char* key, std::string& out) {
    if (!Scalar(value, key, "Data_String")) return false;
    out = value.ToString();
    return true;
}

bool vK_Props::Read(const vK_Data& value, const char* key, int32_t& out) {
    if (!Scalar(value, key, "Data_Int")) return false;
    out = value.GetInt();
    return true;
}

bool vK_Props::Read(const vK_Data& value, const char* key, bool& out) {
    if (!Scalar(value, key, "Data_Bool")) return false;
    out = value.GetBool();
    return true;
}

vK_PropertyTable::vK_PropertyTable(const vK_PropertyTable* base, std::initializer_list<vK_Property> own) {
    if (base) entries_ = base->entries_;
    entries_.insert(entries_.end(), own.begin(), own.end());
    size_t size = 16;
    while (size < entries_.size() * 2) size *= 2;
    slots_.assign(size, 0);
    mask_ = size - 1;
    for (size_t i = 0; i < entries_.size(); ++i) {
        size_t slot = HashKey(entries_[i].key) & mask_;
        while (slots_[slot] != 0) slot = (slot + 1) & mask_;
        slots_[slot] = static_cast<uint16_t>(i + 1);
    }
}

int vK_PropertyTable::Find(std::string_view key) const {
    for (size_t slot = HashKey(key) & mask_;; slot = (slot + 1) & mask_) {
        const uint16_t entry = slots_[slot];
        if (entry == 0) return -1;
        if (key == entries_[entry - 1].key) return entry - 1;
    }
}

unsigned vK_PropertyTable::Apply(vK_Object& object, const vK_DataTable& values) const {
    struct Item {
        int index;
        const vK_Data* value;
    };
    // Each key is present at most once, so the class's entry count bounds the items.
    constexpr size_t kOnStack = 32;
    Item on_stack[kOnStack];
    std::vector<Item> on_heap;
    Item* items = on_stack;
    if (values.Size() > kOnStack) {
        on_heap.resize(values.Size());
        items = on_heap.data();
    }
    size_t count = 0;
    for (const auto& [key, value] : values) {
        const int index = Find(key);
        if (index >= 0 && !(entries_[static_cast<size_t>(index)].flags & vK_Property::kGetOnly))
            items[count++] = {index, value};
    }
    // The class's order: a flag key ("inputrect_init") before the keys it enables, the
    // name first and the resource last.
    std::sort(items, items + count, [](const Item& a, const Item& b) { return a.index < b.index; });
    unsigned applied = 0;
    for (size_t i = 0; i < count; ++i) applied |= ApplyEntry(object, items[i].index, *items[i].value);
    return applied;
}

unsigned vK_PropertyTable::ApplyEntry(vK_Object& object, int index, const vK_Data& value) const {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return 0;
    const vK_Property& p = entries_[static_cast<size_t>(index)];
    bool changed = false;
    if ((p.flags & vK_Property::kGetOnly) || !Enabled(p, object)) return 0;
    if (p.flags & vK_Property::kOrder) object.PrepareZChange();
    if (!ApplyOne(p, object, value, changed)) return 0;
    unsigned applied = kAppliedAny;
    if (p.flags & vK_Property::kRefresh) applied |= kAppliedRefresh;
    if (changed) applied |= (p.flags & vK_Property::kOrder) ? kAppliedOrder : kAppliedTransform;
    return applied;
}

void vK_PropertyTable::Write(const vK_Object& object, vK_DataTable& table, bool full) const {
    for (const vK_Property& p : entries_) {
        if ((p.flags & vK_Property::kSetOnly) || ((p.flags & vK_Property::kFullOnly) && !full)) continue;
        if (Enabled(p, object)) WriteOne(p, object, table);
    }
}
