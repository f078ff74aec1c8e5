#pragma once
#include <cstddef>
#include <cstdint>
#include <lua.hpp>
#include <string>
#include <string_view>

#include "data/data.h"
#include "script/script_hub.h"

// The rules by which a Lua table becomes vK_Data, in one place for the conversion
// (script_hub_convert.cpp) and for the natives that read script tables where they lie
// (ObjSet's property tables, ObjMultiSet's lists), so both read a table alike.
namespace vK_LuaDataRules {

// The registry converts to null: converting its functions would change it under the walk.
inline bool IsRegistry(lua_State* L, int index) {
    return lua_topointer(L, index) == lua_topointer(L, LUA_REGISTRYINDEX);
}

// The first key a table's traversal gives decides what the table converts to: a string
// key makes a table of keys and values, any other key the array of its values (an empty
// table makes an empty table).
inline bool KeyMakesTable(lua_State* L, int key) { return lua_type(L, key) == LUA_TSTRING; }

// The key an entry gets in the table: a string as it is, a number in Lua's own format
// (computed without touching the key, which would upset the traversal), written into
// number_text. False for any other key: the conversion leaves such entries out.
bool TableKey(lua_State* L, int key, std::string& number_text, std::string_view& out);

// An element's place in the array a table converts to: the values of number keys in
// ascending key order, then those of the other keys in traversal order.
struct ArrayPlace {
    bool numeric = false;
    double key = 0.0;

    static ArrayPlace Of(lua_State* L, int key) {
        const bool numeric = lua_type(L, key) == LUA_TNUMBER;
        return ArrayPlace{numeric, numeric ? lua_tonumber(L, key) : 0.0};
    }
    // Whether this is key position + 1 after position elements: a traversal giving
    // 1, 2, 3, ... (Lua's array part) is already in array order and needs no sorting.
    bool Continues(size_t position) const { return numeric && key == static_cast<double>(position + 1); }
    // The order of a stable sort into array order.
    static bool Before(const ArrayPlace& a, const ArrayPlace& b) {
        if (a.numeric != b.numeric) return a.numeric;
        return a.numeric && a.key < b.key;
    }
};

// Calls use(const vK_Data&) with the value the number x converts to (its kind is
// vK_ScriptHub::NumberTag's) and returns what use returns.
template <typename Use>
decltype(auto) WithNumberData(double x, Use&& use) {
    switch (vK_ScriptHub::NumberTag(x)) {
        case vK_Data::kInt:
            return use(vK_DataInt(static_cast<int32_t>(x)));
        case vK_Data::kFloat:
            return use(vK_DataFloat(static_cast<float>(x)));
        default:
            return use(vK_DataDouble(x));
    }
}

}  // namespace vK_LuaDataRules
