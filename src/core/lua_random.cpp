#include "core/lua_random.h"

#include <cmath>
#include <cstdint>
#include <lua.hpp>

#include "core/random.h"

// ---- math.random on the engine's generator --------------------------------------------
// These keep the standard library's argument rules; they raise Lua errors only from
// frames that hold no C++ objects.

namespace {
constexpr double kRandDivisor = 32767.0;  // the generator's maximum, as the divisor

int CheckIntArg(lua_State* L, int index) {
    double x = luaL_checknumber(L, index);
    if (!(x >= INT32_MIN)) return INT32_MIN;  // also NaN
    if (x > INT32_MAX) return INT32_MAX;
    return static_cast<int>(x);
}
}  // namespace

int vK_LuaRandom::Random(lua_State* L) {
    double r = static_cast<double>(vK_Random::Next() % vK_Random::kMax) / kRandDivisor;
    switch (lua_gettop(L)) {
        case 0:
            lua_pushnumber(L, r);
            break;
        case 1: {
            int upper = CheckIntArg(L, 1);
            luaL_argcheck(L, 1 <= upper, 1, "interval is empty");
            lua_pushnumber(L, std::floor(r * upper) + 1);
            break;
        }
        case 2: {
            int lower = CheckIntArg(L, 1);
            int upper = CheckIntArg(L, 2);
            luaL_argcheck(L, lower <= upper, 2, "interval is empty");
            lua_pushnumber(L, std::floor(r * (static_cast<double>(upper) - lower + 1)) + lower);
            break;
        }
        default:
            return luaL_error(L, "wrong number of arguments");
    }
    return 1;
}

int vK_LuaRandom::Seed(lua_State* L) {
    vK_Random::Seed(static_cast<uint32_t>(CheckIntArg(L, 1)));
    return 0;
}
