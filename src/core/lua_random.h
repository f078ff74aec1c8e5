#pragma once

struct lua_State;

// math.random and math.randomseed on the engine's generator (core/random.h), for the
// script host's state and for the script-driven particle systems' own states, so that
// every script draws from the one sequence.
namespace vK_LuaRandom {
int Random(lua_State* L);
int Seed(lua_State* L);
}  // namespace vK_LuaRandom
