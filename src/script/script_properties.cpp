#include "script/script_properties.h"

#include <cstdint>
#include <lua.hpp>
#include <string>
#include <string_view>

#include "data/data.h"
#include "scene/object.h"
#include "scene/property_check.h"
#include "scene/property_table.h"
#include "script/lua_data_rules.h"
#include "script/script_warnings.h"

namespace {

// One key the class knows, with its value as read from the table.
struct Item {
    int index;
    int type;  // LUA_TNUMBER, LUA_TBOOLEAN, LUA_TSTRING; anything else converts to null
    double number;
    const char* text;
    size_t length;
};

// No class has this many keys; a table that names more of them is left to the
// general path.
constexpr int kMaxItems = 96;

// The value as the general conversion makes it, applied to the entry.
unsigned ApplyItem(const vK_PropertyTable& table, vK_Object& object, const Item& item) {
    switch (item.type) {
        case LUA_TNUMBER:
            return vK_LuaDataRules::WithNumberData(item.number, [&](const vK_Data& number) {
                return table.ApplyEntry(object, item.index, number);
            });
        case LUA_TBOOLEAN:
            return table.ApplyEntry(object, item.index, vK_DataBool(item.number != 0));
        case LUA_TSTRING:
            return table.ApplyEntry(object, item.index, vK_DataString(std::string(item.text, item.length)));
        default:
            return table.ApplyEntry(object, item.index, vK_Data());
    }
}

}  // namespace

bool vK_ScriptProperties::Apply(lua_State* L, int index, vK_Object& object) {
    const vK_PropertyTable* table = object.DirectProperties();
    // The general conversion turns the registry into null; leave that to it.
    if (!table || lua_type(L, index) != LUA_TTABLE || !lua_checkstack(L, 3) ||
        vK_LuaDataRules::IsRegistry(L, index))
        return false;

    Item items[kMaxItems];
    int count = 0;
    const int base = lua_gettop(L);
    lua_pushnil(L);
    if (lua_next(L, index) == 0) {
        // An empty table: SetProperties with no keys changes nothing.
        return true;
    }
    if (!vK_LuaDataRules::KeyMakesTable(L, -2)) {
        lua_settop(L, base);
        return true;
    }
    // Stack: key, value. Keys are those of the conversion: number keys become their
    // text (which names no property, and is warned about like any unknown key), other
    // keys that are no strings are left out.
    std::string number_text;
    do {
        std::string_view key;
        if (vK_LuaDataRules::TableKey(L, -2, number_text, key)) {
            const int entry = table->Find(key);
            if (entry < 0 && !vK_PropertyCheck::Knows(object, key))
                vK_ScriptWarnings::UnknownProperty(object, key);
            if (entry >= 0) {
                Item item{entry, lua_type(L, -1), 0.0, nullptr, 0};
                switch (item.type) {
                    case LUA_TNUMBER:
                        item.number = lua_tonumber(L, -1);
                        break;
                    case LUA_TBOOLEAN:
                        item.number = lua_toboolean(L, -1) ? 1.0 : 0.0;
                        break;
                    case LUA_TSTRING:
                        // Stays alive: the table holds it, and applying runs no script.
                        item.text = lua_tolstring(L, -1, &item.length);
                        break;
                    case LUA_TTABLE:
                    case LUA_TFUNCTION:
                        lua_settop(L, base);
                        return false;
                    default:
                        break;
                }
                if (count == kMaxItems) {
                    lua_settop(L, base);
                    return false;
                }
                // In the class's order (entry index), as SetProperties applies them.
                int at = count++;
                for (; at > 0 && items[at - 1].index > entry; --at) items[at] = items[at - 1];
                items[at] = item;
            }
        }
        lua_pop(L, 1);
    } while (lua_next(L, index) != 0);
    lua_settop(L, base);

    unsigned applied = 0;
    for (int i = 0; i < count; ++i) applied |= ApplyItem(*table, object, items[i]);
    object.PropertiesApplied(applied);
    return true;
}
