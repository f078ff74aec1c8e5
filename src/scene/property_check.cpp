#include "scene/property_check.h"

#include <initializer_list>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

#include "anim/anim_impl_complex.h"
#include "data/data.h"
#include "scene/animation.h"
#include "scene/object.h"
#include "scene/property_table.h"

namespace {

using KeySet = std::unordered_set<std::string>;

// Keys that SetProperties of a type reads but GetProperties does not always write: one-off
// actions, and the keys of an animation, particle or video implementation, which exists
// only once the resource loaded (a missing file must not turn them into typos).
const KeySet& ReadOnlyKeys(const std::string& type) {
    static const std::unordered_map<std::string, KeySet> kKeys = {
        {"anim", {"animfunc", "endtrig", "playing", "frame"}},
        {"partsys", {"playing", "pause", "clear"}},
        {"partsys_gm", {"playing", "pause", "clear", "mode", "game_mode"}},
        {"partsys_pm", {"playing", "pause", "clear"}},
        {"video", {"playing", "looped", "frame", "endtrig"}},
        {"bakecontainer", {"bake", "clear_bake"}},
        {"spr_gm", {"bake", "clear_bake"}},
    };
    static const KeySet kNone;
    auto it = kKeys.find(type);
    return it == kKeys.end() ? kNone : it->second;
}

// Every key of the base object's table, whatever its flags (rectangle keys while the
// rectangle is off, "batch", "user_data").
const KeySet& BaseKeys() {
    static const KeySet keys = [] {
        KeySet out;
        const vK_Object plain;
        if (const vK_PropertyTable* table = plain.DirectProperties())
            for (const vK_Property& p : table->Entries()) out.insert(p.key);
        return out;
    }();
    return keys;
}

void AddWrittenKeys(const vK_Object& object, KeySet& keys) {
    vK_DataTable written;
    object.GetProperties(written, true);
    for (const auto& entry : written) keys.insert(entry.first);
    if (const vK_PropertyTable* table = object.DirectProperties())
        for (const vK_Property& p : table->Entries()) keys.insert(p.key);
}

}  // namespace

namespace vK_PropertyCheck {

bool Knows(const vK_Object& object, std::string_view key) {
    const std::string k(key);
    if (BaseKeys().count(k)) return true;
    const std::string type = object.GetType();
    if (ReadOnlyKeys(type).count(k)) return true;
    // A complex animation takes keys its file names (text and number tags, grid
    // vertices); without a loaded implementation the kind is not known yet.
    if (const auto* anim = dynamic_cast<const vK_Animation*>(&object))
        if (!anim->GetImpl() || dynamic_cast<const vK_AnimImpl_Complex*>(anim->GetImpl())) return true;
    // Per class, the keys seen written so far; an object may write keys another of its
    // class did not (state-dependent keys), so a miss asks the object itself.
    static std::unordered_map<std::string, KeySet> written;
    KeySet& keys = written[typeid(object).name()];
    if (keys.count(k)) return true;
    AddWrittenKeys(object, keys);
    return keys.count(k) != 0;
}

std::vector<std::string> UnknownKeys(const vK_Object& object, const vK_DataTable& values) {
    std::vector<std::string> unknown;
    for (const auto& entry : values)
        if (!Knows(object, entry.first)) unknown.push_back(entry.first);
    return unknown;
}

std::string Describe(const vK_Object& object, std::string_view key, const char* outcome) {
    return "object \"" + object.GetName() + "\" (" + object.GetType() + ") has no property \"" +
           std::string(key) + "\"; " + outcome;
}

}  // namespace vK_PropertyCheck
