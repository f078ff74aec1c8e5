#include <lua.hpp>

#include "core/vrakko.h"
#include "files/log.h"
#include "script/script_hub.h"

namespace {

// Seconds of frame time since the first frame: frames run times the frame interval, which
// a fixed-step run keeps at exactly 1/60 s.
int FrameSeconds(lua_State* state) {
    const Vrakko* engine = Vrakko::Instance();
    const double seconds =
        engine ? engine->GetFrameCount() * static_cast<double>(engine->GetFrameInterval()) : 0.0;
    lua_pushnumber(state, seconds);
    return 1;
}

// Runs with (start, offset, os.date, os.time, frame seconds). os.time() and os.date()
// without a time read the recorded clock; with an explicit time they behave as before.
// The local time is the recorded UTC time plus the recorded offset, formatted as UTC, so
// the machine's own time zone plays no part.
constexpr char kClockChunk[] = R"lua(
local start, offset, date, time, seconds = ...
local floor = math.floor
os.clock = seconds
os.time = function(t)
    if t ~= nil then return time(t) end
    return start + floor(seconds())
end
os.date = function(format, t)
    format = format or "%c"
    if t ~= nil then return date(format, t) end
    local now = start + floor(seconds())
    if string.sub(format, 1, 1) == "!" then return date(format, now) end
    return date("!" .. format, now + offset)
end
)lua";

}  // namespace

void vK_ScriptHub::UseRecordedClock(long long start, long offset) {
    if (!state_) return;
    lua_State* state = state_;
    const int top = lua_gettop(state);
    lua_getfield(state, LUA_GLOBALSINDEX, "os");
    if (!lua_istable(state, -1) ||
        luaL_loadbuffer(state, kClockChunk, sizeof(kClockChunk) - 1, "=recorded clock") != 0) {
        Log("Error: the recorded clock could not be installed");
        lua_settop(state, top);
        return;
    }
    lua_pushnumber(state, static_cast<lua_Number>(start));
    lua_pushnumber(state, static_cast<lua_Number>(offset));
    lua_getfield(state, -4, "date");
    lua_getfield(state, -5, "time");
    lua_pushcfunction(state, &FrameSeconds);
    if (lua_pcall(state, 5, 0, 0) != 0)
        Log("Error: the recorded clock could not be installed: %s", lua_tostring(state, -1));
    lua_settop(state, top);
}
