// vK_ScriptHub's limits on calls: the time budget, the memory ceiling and stop requests,
// checked by the state's count hook; and the protected run every call goes through.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <lua.hpp>

#include "data/config.h"
#include "files/log.h"
#include "files/os_services.h"
#include "script/lua_heap.h"
#include "script/script_hub.h"
#include "script/script_text.h"

using vK_ScriptText::ErrorText;

namespace {

const vK_ConfigKey kScriptBudget(
    "Vrakko.scriptBudget", "number", "5",
    "Seconds one call into the scripts may run before it is stopped with a script "
    "error naming the line it was at (0: no limit).");
const vK_ConfigKey kScriptMemory(
    "Vrakko.scriptMemory", "int", "1024",
    "Megabytes the scripts may hold; a call that passes it is stopped with a script "
    "error (0: no limit).");

constexpr double kMaxBudgetSeconds = 1e9;

// Its address is the registry key under which the hook finds its hub.
char g_hub_key;

int64_t SteadyNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

vK_ScriptHub* HubOf(lua_State* L) {
    lua_pushlightuserdata(L, &g_hub_key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    auto* hub = static_cast<vK_ScriptHub*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return hub;
}

}  // namespace

void vK_ScriptHub::SetCallBudget(double seconds) {
    budgetSeconds_ = seconds > 0 ? std::min(seconds, kMaxBudgetSeconds) : 0.0;
}

void vK_ScriptHub::SetMemoryCeiling(size_t bytes) {
    ceilingBytes_ = bytes;
    if (heap_) heap_->SetCeiling(bytes);
}

size_t vK_ScriptHub::GetMemoryInUse() const { return heap_ ? heap_->GetInUse() : 0; }

void vK_ScriptHub::ApplyLimitsFromConfig() {
    const vK_Config* config = vK_Config::Instance();
    if (!config) return;
    SetCallBudget(config->GetFloat(kScriptBudget.path, static_cast<float>(kDefaultBudgetSeconds)));
    const int32_t megabytes =
        config->GetInt(kScriptMemory.path, static_cast<int32_t>(kDefaultCeilingBytes >> 20));
    SetMemoryCeiling(megabytes > 0 ? static_cast<size_t>(megabytes) << 20 : 0);
}

void vK_ScriptHub::InstallHook() {
    heap_->SetCeiling(ceilingBytes_);
    ApplyLimitsFromConfig();
    lua_pushlightuserdata(state_, &g_hub_key);
    lua_pushlightuserdata(state_, this);
    lua_rawset(state_, LUA_REGISTRYINDEX);
    // Threads made later (coroutines) take the hook over from the state.
    lua_sethook(state_, &vK_ScriptHub::Hook, LUA_MASKCOUNT, kHookEvery);
}

void vK_ScriptHub::Hook(lua_State* L, lua_Debug* ar) {
    vK_ScriptHub* hub = HubOf(L);
    if (!hub || !hub->state_ || !ar) return;
    if (ar->event == LUA_HOOKLINE)
        hub->LineReport(L, ar);
    else if (ar->event == LUA_HOOKCOUNT)
        hub->CheckLimits(L);
}

void vK_ScriptHub::CheckLimits(lua_State* L) {
    if (budget_.depth == 0) return;
    if (budget_.stop == 0) {
        if (OsStopSignal() != 0) {
            budget_.stop = kStopSignal;
        } else if (heap_->IsOverCeiling()) {
            // Garbage counts only until it is collected.
            lua_gc(L, LUA_GCCOLLECT, 0);
            if (heap_->IsOverCeiling()) budget_.stop = kStopMemory;
        } else if (budget_.deadline != BudgetState::kNoDeadline && SteadyNs() >= budget_.deadline) {
            budget_.stop = kStopTime;
        }
    }
    if (budget_.stop != 0) {
        StopCall(L);
        return;
    }
    // A coroutine that outlived a stop goes back to the usual pace.
    if (lua_gethookcount(L) != kHookEvery)
        lua_sethook(L, &vK_ScriptHub::Hook, lua_gethookmask(L), kHookEvery);
}

// Raises the stop as a script error at the running line. From here on every instruction
// comes back here, so the error also leaves the pcalls the script made itself. Nothing
// with a destructor may live in this frame: lua_error does not return.
void vK_ScriptHub::StopCall(lua_State* L) {
    lua_sethook(L, &vK_ScriptHub::Hook, lua_gethookmask(L), 1);
    char where[LUA_IDSIZE + 16] = "?";
    lua_Debug ar;
    if (lua_getstack(L, 0, &ar) && lua_getinfo(L, "Sl", &ar))
        std::snprintf(where, sizeof(where), "%s:%d", ar.short_src, ar.currentline);
    char message[LUA_IDSIZE + 160];
    if (budget_.stop == kStopTime)
        std::snprintf(message, sizeof(message), "%s: script ran past its time budget of %g s", where,
                      budgetSeconds_);
    else if (budget_.stop == kStopMemory)
        std::snprintf(message, sizeof(message),
                      "%s: not enough memory: the scripts passed their ceiling of %zu MB", where,
                      ceilingBytes_ >> 20);
    else
        std::snprintf(message, sizeof(message), "%s: script stopped: the program is ending", where);
    lua_pushstring(L, message);
    lua_error(L);
}

vK_ScriptHub::BudgetScope::BudgetScope(vK_ScriptHub& hub) : hub_(hub) {
    if (hub_.budget_.depth++ > 0) return;
    hub_.budget_.stop = 0;
    hub_.budget_.deadline = hub_.budgetSeconds_ > 0
                                ? SteadyNs() + static_cast<int64_t>(hub_.budgetSeconds_ * 1e9)
                                : BudgetState::kNoDeadline;
}

vK_ScriptHub::BudgetScope::~BudgetScope() {
    if (--hub_.budget_.depth > 0) return;
    const int stop = hub_.budget_.stop;
    hub_.budget_.stop = 0;
    lua_State* L = hub_.state_;
    if (!L || stop == 0) return;
    lua_sethook(L, &vK_ScriptHub::Hook, lua_gethookmask(L), kHookEvery);
    if (stop == kStopMemory) lua_gc(L, LUA_GCCOLLECT, 0);
}

bool vK_ScriptHub::RunProtected(int nargs, int nresults, std::string* error) {
    lua_State* L = state_;
    if (!L || nargs < 0 || lua_gettop(L) < nargs + 1) return false;
    const int handler = lua_gettop(L) - nargs;
    if (!lua_checkstack(L, 1)) {
        lua_settop(L, handler - 1);
        Log("Error: script stack overflow while calling a script function");
        return false;
    }
    lua_rawgeti(L, LUA_REGISTRYINDEX, reportHandlerRef_);
    lua_insert(L, handler);
    int status = 0;
    {
        BudgetScope scope(*this);
        status = lua_pcall(L, nargs, nresults, handler);
    }
    // The hub may have been shut down by the script (through a native function).
    if (state_ != L) return status == 0;
    if (status == 0) {
        lua_remove(L, handler);
        return true;
    }
    const std::string text = ErrorText(L, -1);
    lua_settop(L, handler - 1);
    if (status == LUA_ERRMEM) {
        ReportUnhandledError(text);
        lua_gc(L, LUA_GCCOLLECT, 0);
    }
    Log("Error: you try to execute code - lua error: %s", text.c_str());
    if (error) *error = text;
    return false;
}

bool vK_ScriptHub::RunBody() {
    BudgetScope scope(*this);
    return lua_pcall(state_, 0, LUA_MULTRET, 0) == 0;
}
