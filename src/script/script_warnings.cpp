#include "script/script_warnings.h"

#include <lua.hpp>

#include "data/data.h"
#include "files/log.h"
#include "files/log_once.h"
#include "scene/object.h"
#include "scene/property_check.h"
#include "script/script_hub.h"

namespace {
lua_State* State() {
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    return hub ? hub->GetLuaState() : nullptr;
}

// "FILE:LINE: FUNCTION: " before the message, each part only where known.
std::string Prefix() {
    std::string prefix;
    const std::string where = vK_ScriptWarnings::Location();
    if (!where.empty()) prefix += where + ": ";
    const std::string function = vK_ScriptWarnings::NativeName();
    if (!function.empty()) prefix += function + ": ";
    return prefix;
}
}  // namespace

namespace vK_ScriptWarnings {

std::string Location() {
    lua_State* L = State();
    if (!L) return {};
    lua_Debug ar;
    for (int level = 0; lua_getstack(L, level, &ar); ++level) {
        if (!lua_getinfo(L, "Sl", &ar) || ar.currentline <= 0) continue;
        return std::string(ar.short_src) + ":" + std::to_string(ar.currentline);
    }
    return {};
}

std::string NativeName() {
    lua_State* L = State();
    lua_Debug ar;
    if (!L || !lua_getstack(L, 0, &ar) || !lua_getinfo(L, "Sn", &ar)) return {};
    if (!ar.what || std::string_view(ar.what) != "C" || !ar.name) return {};
    return ar.name;
}

void MissingObject(const std::string& name) {
    if (name.empty()) return;
    const std::string prefix = Prefix();
    LogOnce("object " + prefix + name, "Warning: " + prefix + "no object is named \"" + name + "\"");
}

void UnknownProperty(const vK_Object& object, std::string_view key) {
    const std::string prefix = Prefix();
    LogOnce("property " + prefix + object.GetType() + " " + std::string(key),
            "Warning: " + prefix + vK_PropertyCheck::Describe(object, key));
}

void UnknownPropertyRead(const vK_Object& object, std::string_view key) {
    const std::string where = Location();
    const std::string prefix = (where.empty() ? std::string() : where + ": ") + "ObjGet: ";
    LogOnce("read " + prefix + object.GetType() + " " + std::string(key),
            "Warning: " + prefix + vK_PropertyCheck::Describe(object, key, "the read gives nil"));
}

void UnknownProperties(const vK_Object& object, const vK_DataTable& values) {
    for (const std::string& key : vK_PropertyCheck::UnknownKeys(object, values)) UnknownProperty(object, key);
}

}  // namespace vK_ScriptWarnings
