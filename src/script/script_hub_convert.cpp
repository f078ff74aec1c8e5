// vK_ScriptHub's conversions between Lua values and vK_Data, with their cycle, depth and size guards.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <lua.hpp>

#include "files/log.h"
#include "script/lua_data_rules.h"
#include "script/lua_script.h"
#include "script/script_hub.h"

// State of one Lua-to-data conversion: the tables being converted (a table met
// again while it is being converted is a cycle), the number of values made so far
// and the registry (converting it would change it under the traversal).
struct vK_ScriptHub::PopContext {
    // The tables on the path from the converted value down to the current one: at
    // most kMaxDepth, searched linearly (no allocation per table).
    std::vector<const void*> in_progress;
    const void* registry = nullptr;
    int values = 0;
    bool cut = false;
};

// ---- Conversions ----------------------------------------------------------------

bool vK_ScriptHub::PushData(const vK_Data* data) { return state_ && PushData(state_, data); }

bool vK_ScriptHub::PushData(lua_State* L, const vK_Data* data) {
    if (!state_) return false;
    if (!lua_checkstack(L, 1)) {
        Log("Error: script stack overflow while converting a value");
        return false;
    }
    return PushValue(L, data, 0);
}

bool vK_ScriptHub::PushHandleValue(lua_State* L, const vK_DataScriptFunction& function) {
    const auto* script = dynamic_cast<const vK_LuaScript*>(function.GetHandle().get());
    if (!script || !state_ || script->GetState() != state_ || script->IsEmpty()) return false;
    lua_rawgeti(L, LUA_REGISTRYINDEX, script->GetReference());
    return true;
}

// The caller guarantees one free stack slot; containers reserve what they need.
bool vK_ScriptHub::PushValue(lua_State* L, const vK_Data* data, int depth) {
    if (!data) {
        lua_pushnil(L);
        return true;
    }
    switch (data->GetTag()) {
        case vK_Data::kScriptFunction:
            if (!PushHandleValue(L, *static_cast<const vK_DataScriptFunction*>(data))) lua_pushnil(L);
            return true;
        case vK_Data::kInt:
            lua_pushnumber(L, data->GetInt());
            return true;
        case vK_Data::kLong:
            lua_pushnumber(L, static_cast<double>(data->GetLong()));
            return true;
        case vK_Data::kFloat:
        case vK_Data::kDouble:
            lua_pushnumber(L, data->GetDouble());
            return true;
        case vK_Data::kBool:
            lua_pushboolean(L, data->GetBool());
            return true;
        case vK_Data::kString: {
            const std::string& s = static_cast<const vK_DataString*>(data)->Value();
            lua_pushlstring(L, s.data(), s.size());
            return true;
        }
        case vK_Data::kArray: {
            const vK_DataArray* array = data->AsArray();
            if (depth >= kMaxDepth || !lua_checkstack(L, 3)) break;
            lua_createtable(L, static_cast<int>(std::min<size_t>(array->Size(), INT32_MAX)), 0);
            int index = 1;
            for (const vK_Data* item : *array) {
                PushValue(L, item, depth + 1);
                lua_rawseti(L, -2, index++);
            }
            return true;
        }
        case vK_Data::kTable: {
            const vK_DataTable* table = data->AsTable();
            if (depth >= kMaxDepth || !lua_checkstack(L, 3)) break;
            lua_createtable(L, 0, static_cast<int>(std::min<size_t>(table->Size(), INT32_MAX)));
            for (const auto& [key, value] : *table) {
                lua_pushlstring(L, key.data(), key.size());
                PushValue(L, value, depth + 1);
                lua_rawset(L, -3);
            }
            return true;
        }
        default:
            break;
    }
    lua_pushnil(L);
    return true;
}

std::unique_ptr<vK_Data> vK_ScriptHub::PopData() {
    if (!state_) return std::make_unique<vK_Data>();
    return PopDataFrom(state_);
}

std::unique_ptr<vK_Data> vK_ScriptHub::PopDataFrom(lua_State* L, std::span<const void* const> within) {
    if (lua_gettop(L) == 0) return std::make_unique<vK_Data>();
    PopContext ctx;
    ctx.in_progress.assign(within.begin(), within.end());
    if (lua_checkstack(L, 1)) {
        lua_pushvalue(L, LUA_REGISTRYINDEX);
        ctx.registry = lua_topointer(L, -1);
        lua_pop(L, 1);
    }
    std::unique_ptr<vK_Data> result(PopValue(L, ctx, static_cast<int>(within.size())));
    if (ctx.cut) Log("Warning: script value too deep or too large, the rest was left out");
    return result;
}

int vK_ScriptHub::NumberTag(double x) {
    double whole = 0;
    if (std::modf(x, &whole) != 0.0)  // NaN counts as fractional
        return x >= FLT_MIN && x <= FLT_MAX ? vK_Data::kFloat : vK_Data::kDouble;
    // Integral values beyond 32 bits keep their value as a double.
    return x >= INT32_MIN && x <= INT32_MAX ? vK_Data::kInt : vK_Data::kDouble;
}

std::unique_ptr<vK_Data> vK_ScriptHub::ToData(lua_State* L, int index, std::span<const void* const> within) {
    if (!state_ || !lua_checkstack(L, 1)) return std::make_unique<vK_Data>();
    lua_pushvalue(L, index);
    return PopDataFrom(L, within);
}

vK_Data* vK_ScriptHub::PopValue(lua_State* L, PopContext& ctx, int depth) {
    if (++ctx.values > kMaxValues) {
        ctx.cut = true;
        lua_pop(L, 1);
        return new vK_Data();
    }
    vK_Data* result = nullptr;
    switch (lua_type(L, -1)) {
        case LUA_TBOOLEAN:
            result = new vK_DataBool(lua_toboolean(L, -1) != 0);
            break;
        case LUA_TNUMBER:
            result = vK_LuaDataRules::WithNumberData(lua_tonumber(L, -1),
                                                     [](const vK_Data& number) { return number.Clone(); });
            break;
        case LUA_TSTRING: {
            size_t len = 0;
            const char* s = lua_tolstring(L, -1, &len);
            result = new vK_DataString(std::string(s, len));
            break;
        }
        case LUA_TTABLE:
            return PopTable(L, ctx, depth);
        case LUA_TFUNCTION: {
            int ref = luaL_ref(L, LUA_REGISTRYINDEX);  // pops the function
            return new vK_DataScriptFunction(std::make_shared<vK_LuaScript>(ref, state_));
        }
        default:
            break;
    }
    lua_pop(L, 1);
    return result ? result : new vK_Data();
}

vK_Data* vK_ScriptHub::PopTable(lua_State* L, PopContext& ctx, int depth) {
    const void* self = lua_topointer(L, -1);
    if (depth >= kMaxDepth || !lua_checkstack(L, 3)) {
        ctx.cut = true;
        lua_pop(L, 1);
        return new vK_Data();
    }
    // A table met again while it is being converted (a cycle) and the registry
    // (which converting functions changes) become null.
    if (self == ctx.registry ||
        std::find(ctx.in_progress.begin(), ctx.in_progress.end(), self) != ctx.in_progress.end()) {
        lua_pop(L, 1);
        return new vK_Data();
    }
    ctx.in_progress.push_back(self);

    lua_pushnil(L);
    if (lua_next(L, -2) == 0) {
        lua_pop(L, 1);
        ctx.in_progress.pop_back();
        return new vK_DataTable();
    }
    // Stack: table, key, value.
    vK_Data* result = nullptr;
    if (vK_LuaDataRules::KeyMakesTable(L, -2)) {
        auto* table = new vK_DataTable();
        std::string number_text;
        do {
            std::string_view key;
            if (!vK_LuaDataRules::TableKey(L, -2, number_text, key)) {
                lua_pop(L, 1);
                continue;
            }
            table->Set(std::string(key), PopValue(L, ctx, depth + 1));
        } while (lua_next(L, -2) != 0);
        result = table;
    } else {
        // Arrays come back in array order, whatever order the table walk gives; the
        // items are sorted only when a key came out of it.
        struct Item {
            vK_LuaDataRules::ArrayPlace place;
            std::unique_ptr<vK_Data> value;
        };
        std::vector<Item, vK_PoolAllocator<Item>> items;
        items.reserve(lua_objlen(L, -3));
        bool in_order = true;
        do {
            const auto place = vK_LuaDataRules::ArrayPlace::Of(L, -2);
            in_order = in_order && place.Continues(items.size());
            items.push_back(Item{place, std::unique_ptr<vK_Data>(PopValue(L, ctx, depth + 1))});
        } while (lua_next(L, -2) != 0);
        if (!in_order) {
            std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
                return vK_LuaDataRules::ArrayPlace::Before(a.place, b.place);
            });
        }
        auto* array = new vK_DataArray();
        array->Reserve(items.size());
        for (Item& item : items) array->Push(std::move(item.value));
        result = array;
    }
    lua_pop(L, 1);
    ctx.in_progress.pop_back();
    return result;
}

void vK_ScriptHub::SetGlobal(const vK_Data* value, const std::string& name) {
    if (!state_ || !lua_checkstack(state_, 2)) return;
    lua_pushlstring(state_, name.data(), name.size());
    if (!PushValue(state_, value, 0)) lua_pushnil(state_);
    lua_rawset(state_, LUA_GLOBALSINDEX);
}

std::unique_ptr<vK_Data> vK_ScriptHub::GetGlobal(const std::string& name) {
    if (!state_ || !lua_checkstack(state_, 1)) return std::make_unique<vK_Data>();
    lua_pushlstring(state_, name.data(), name.size());
    lua_rawget(state_, LUA_GLOBALSINDEX);
    return PopData();
}
