// vK_ScriptHub's native functions: registration under dotted names and the one dispatcher.
#include <algorithm>
#include <lua.hpp>

#include "files/log.h"
#include "script/script_args.h"
#include "script/script_hub.h"
#include "script/script_text.h"

using vK_ScriptText::SplitDots;

namespace {
std::vector<std::string> SplitNames(const std::string& names) {
    std::vector<std::string> out;
    std::string word;
    for (char c : names) {
        if (c == ';' || c == ' ') {
            if (!word.empty()) out.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) out.push_back(word);
    return out;
}

}  // namespace

// ---- Native functions -------------------------------------------------------------

void vK_ScriptHub::RegisterFunction(const std::string& names, ScriptApiFunction function, void* context,
                                    const vK_ScriptFunctionDoc& doc) {
    if (!state_ || !function || !lua_checkstack(state_, 6)) return;
    lua_State* L = state_;
    int base = lua_gettop(L);
    lua_pushlightuserdata(L, reinterpret_cast<void*>(function));
    lua_pushlightuserdata(L, context);
    lua_pushlightuserdata(L, this);
    lua_pushcclosure(L, &vK_ScriptHub::Dispatch, 3);
    int closure = lua_gettop(L);
    const auto known = std::find(registered_.begin(), registered_.end(), names);
    if (known == registered_.end()) {
        registered_.push_back(names);
        registeredDocs_.push_back(doc);
    } else {
        registeredDocs_[static_cast<size_t>(known - registered_.begin())] = doc;
    }

    for (const std::string& name : SplitNames(names)) {
        std::vector<std::string> parts = SplitDots(name);
        bool valid = true;
        for (const std::string& part : parts) valid = valid && !part.empty();
        if (!valid) {
            Log("Error: can not register script function '%s': bad name", name.c_str());
            continue;
        }
        // Walk (and make) the tables with raw access, so metatables and values that
        // scripts stored under the same names cannot raise errors here.
        lua_pushvalue(L, LUA_GLOBALSINDEX);
        for (size_t i = 0; valid && i + 1 < parts.size(); ++i) {
            lua_pushlstring(L, parts[i].data(), parts[i].size());
            lua_rawget(L, -2);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                lua_newtable(L);
                lua_pushlstring(L, parts[i].data(), parts[i].size());
                lua_pushvalue(L, -2);
                lua_rawset(L, -4);
            } else if (!lua_istable(L, -1)) {
                Log("Error: can not register script function '%s': '%s' is not a table", name.c_str(),
                    parts[i].c_str());
                valid = false;
            }
            lua_remove(L, -2);
        }
        if (valid) {
            lua_pushlstring(L, parts.back().data(), parts.back().size());
            lua_pushvalue(L, closure);
            lua_rawset(L, -3);
        }
        lua_pop(L, 1);
    }
    lua_settop(L, base);
}

// The body of every registered function. It makes only non-raising API calls, so
// the arguments' values and the results are always destroyed normally.
int vK_ScriptHub::Dispatch(lua_State* L) {
    auto function = reinterpret_cast<ScriptApiFunction>(lua_touserdata(L, lua_upvalueindex(1)));
    void* context = lua_touserdata(L, lua_upvalueindex(2));
    auto* hub = static_cast<vK_ScriptHub*>(lua_touserdata(L, lua_upvalueindex(3)));
    if (!function || !hub || !hub->state_) return 0;

    const int base = lua_gettop(L);
    const vK_ScriptArgs args(*hub, L, base);
    vK_DataArray results;
    function(args, context, results);
    if (!hub->state_) return 0;  // the state was closed by the native function

    // Values the native pushed itself come first.
    int pushed = std::max(0, lua_gettop(L) - base);
    for (const vK_Data* value : results) {
        if (!lua_checkstack(L, 1)) {
            Log("Error: script stack overflow while returning results");
            break;
        }
        hub->PushValue(L, value, 0);
        ++pushed;
    }
    return pushed;
}
