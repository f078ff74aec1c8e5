#include "script/lua_heap.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

namespace {

// Lua keeps its own count of the bytes it holds; the heap's count must agree with it
// at every point, through growth, resizing across size classes and past the small-block
// limit, and collection.
size_t LuaBytes(lua_State* L) {
    return static_cast<size_t>(lua_gc(L, LUA_GCCOUNT, 0)) * 1024 + static_cast<size_t>(lua_gc(L, LUA_GCCOUNTB, 0));
}

}  // namespace

TEST(LuaHeap, ScriptsRunOnItAndItsCountFollowsLuas) {
    vK_LuaHeap heap;
    lua_State* L = lua_newstate(&vK_LuaHeap::Alloc, &heap);
    ASSERT_NE(L, nullptr);
    luaL_openlibs(L);
    struct Case {
        const char* script;
        const char* result;
    };
    const Case cases[] = {
        // Tables growing one element at a time: the array part moves through every class.
        {"local t = {} for i = 1, 300 do t[i] = i end local s = 0 for i = 1, #t do s = s + t[i] end return s",
         "45150"},
        // Strings of every length from 1 to 700 bytes, kept and concatenated.
        {"local p = {} for n = 1, 700 do p[#p + 1] = string.rep('x', n) end return #table.concat(p)", "245350"},
        // A fresh table per object per frame, as an author moves sprites.
        {"local n = 0 for f = 1, 200 do for i = 1, 50 do local t = {x = i, y = f} n = n + t.x end end return n",
         "255000"},
        // Hash parts that grow and shrink again.
        {"local t = {} for i = 1, 2000 do t['k' .. i] = i end for i = 1, 1990 do t['k' .. i] = nil end "
         "collectgarbage() local c = 0 for _ in pairs(t) do c = c + 1 end return c",
         "10"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(luaL_dostring(L, c.script), 0) << lua_tostring(L, -1);
        EXPECT_EQ(std::string(lua_tostring(L, -1)), c.result) << c.script;
        lua_pop(L, 1);
        EXPECT_EQ(heap.GetInUse(), LuaBytes(L)) << c.script;
    }
    const size_t before = heap.GetInUse();
    lua_gc(L, LUA_GCCOLLECT, 0);
    EXPECT_LE(heap.GetInUse(), before);
    EXPECT_EQ(heap.GetInUse(), LuaBytes(L));
    lua_close(L);
    EXPECT_EQ(heap.GetInUse(), 0u);
}

// Past a quarter above its ceiling the heap refuses to grow: Lua raises "not enough
// memory" where it happened, the count stays right, and the state works on.
TEST(LuaHeap, RefusesToGrowFarPastItsCeiling) {
    vK_LuaHeap heap;
    lua_State* L = lua_newstate(&vK_LuaHeap::Alloc, &heap);
    ASSERT_NE(L, nullptr);
    luaL_openlibs(L);
    heap.SetCeiling(size_t(1) << 20);  // refusals start at 1.25 MB
    struct Case {
        const char* script;
        const char* result;  // or the error
    };
    const Case cases[] = {
        {"return #string.rep('x', 1200 * 1024)", "not enough memory"},          // one large block
        {"local t = {} for i = 1, 1e6 do t[i] = i end", "not enough memory"},   // one block growing
        {"local t = {} for i = 1, 1e5 do t[i] = {} end", "not enough memory"},  // many small ones
        {"return #string.rep('x', 300 * 1024)", "307200"},                      // within the limit
    };
    for (const Case& c : cases) {
        const int status = luaL_dostring(L, c.script);
        EXPECT_EQ(std::string(lua_tostring(L, -1)), c.result) << c.script;
        EXPECT_EQ(status != 0, std::string(c.result) == "not enough memory") << c.script;
        lua_pop(L, 1);
        lua_gc(L, LUA_GCCOLLECT, 0);
        EXPECT_EQ(heap.GetInUse(), LuaBytes(L)) << c.script;
        EXPECT_LT(heap.GetInUse(), size_t(1) << 20) << c.script;
        EXPECT_FALSE(heap.IsOverCeiling()) << c.script;
    }
    lua_close(L);
    EXPECT_EQ(heap.GetInUse(), 0u);
}
