// vK_ScriptHub's life (the state and what it installs), compilation and modules, protected calls.
#include "script/script_hub.h"

#include <lua.hpp>

#include "core/lua_random.h"
#include "core/mediator.h"
#include "files/live_counts.h"
#include "files/log.h"
#include "scene/object.h"
#include "script/lua_heap.h"
#include "script/lua_script.h"
#include "script/module_header.h"
#include "script/name_lookups.h"
#include "script/script_text.h"

using vK_ScriptText::ErrorText;
using vK_ScriptText::SplitDots;

namespace {
vK_ScriptHub* g_instance = nullptr;

constexpr const char kBreakpointGlobal[] = "__breakpoint";

// Resolves a global (or dotted) script function name for data values that name a
// handler by string.
vK_ScriptHandle ResolveGlobalFunction(const std::string& name) {
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    lua_State* L = hub ? hub->GetLuaState() : nullptr;
    if (!L || name.empty() || !lua_checkstack(L, 2)) return nullptr;
    int base = lua_gettop(L);
    lua_pushvalue(L, LUA_GLOBALSINDEX);
    for (const std::string& part : SplitDots(name)) {
        if (!lua_istable(L, -1)) {
            lua_settop(L, base);
            return nullptr;
        }
        lua_pushlstring(L, part.data(), part.size());
        lua_rawget(L, -2);
        lua_remove(L, -2);
    }
    if (!lua_isfunction(L, -1)) {
        lua_settop(L, base);
        return nullptr;
    }
    int ref = luaL_ref(L, LUA_REGISTRYINDEX);
    lua_settop(L, base);
    return std::make_shared<vK_LuaScript>(ref, L);
}
}  // namespace

vK_ScriptHub::vK_ScriptHub() : nameLookups_(std::make_unique<vK_NameLookups>()) {
    g_instance = this;
    deferredStage_ = vK_FrameStages::Registration(vK_FrameStage::kDeferredCalls,
                                                  [this](vK_StageContext&) { RunDeferredHandlers(); });
    Init();
}

vK_ScriptHub::~vK_ScriptHub() {
    Shutdown();
    if (g_instance == this) g_instance = nullptr;
}

vK_ScriptHub* vK_ScriptHub::Instance() { return g_instance; }

namespace {
// An error outside any protected call: Lua aborts the process after this returns.
int Panic(lua_State* L) {
    const char* message = lua_tostring(L, -1);
    Log("Error: unprotected error in a call to the script state (%s)", message ? message : "?");
    return 0;
}
}  // namespace

bool vK_ScriptHub::Init() {
    if (state_) return true;
    heap_ = std::make_unique<vK_LuaHeap>();
    state_ = lua_newstate(&vK_LuaHeap::Alloc, heap_.get());
    if (state_) lua_atpanic(state_, &Panic);
    if (!state_) {
        Log("Error: can not create the script state");
        return false;
    }
    vK_LiveCounts::Add(vK_LiveKind::LuaState);
    vK_LuaScript::MarkStateOpen(state_);
    InstallHook();
    luaL_openlibs(state_);

    lua_pushlightuserdata(state_, this);
    lua_pushcclosure(state_, &vK_ScriptHub::ReportHandler, 1);
    lua_pushvalue(state_, -1);
    lua_setfield(state_, LUA_GLOBALSINDEX, kBreakpointGlobal);
    // Protected calls use this reference, so a script that overwrites the global
    // keeps error reports working.
    reportHandlerRef_ = luaL_ref(state_, LUA_REGISTRYINDEX);
    vK_LiveCounts::Add(vK_LiveKind::LuaRef);

    lua_getfield(state_, LUA_GLOBALSINDEX, "math");
    if (lua_istable(state_, -1)) {
        lua_pushcfunction(state_, &vK_LuaRandom::Random);
        lua_setfield(state_, -2, "random");
        lua_pushcfunction(state_, &vK_LuaRandom::Seed);
        lua_setfield(state_, -2, "randomseed");
    }
    lua_pop(state_, 1);

    resolver_ = ScriptResolverSeam().Install(&ResolveGlobalFunction);
    if (g_instance == this) {
        InstallMediatorHooks();
        InstallObjectHooks();
    }
    return true;
}

void vK_ScriptHub::Shutdown() {
    deferred_.clear();
    if (!state_) return;
    resolver_.Reset();
    mediatorHooks_.Reset();
    objectHooks_.Reset();
    vK_LuaScript::MarkStateClosed(state_);
    lua_close(state_);
    heap_.reset();
    vK_LiveCounts::Remove(vK_LiveKind::LuaState);
    if (reportHandlerRef_ >= 0) vK_LiveCounts::Remove(vK_LiveKind::LuaRef);
    state_ = nullptr;
    reportHandlerRef_ = -1;
}

// The mediator reaches script subscribers through these: the process-wide hub calls
// them, compares them and sets the message-name globals.
void vK_ScriptHub::InstallMediatorHooks() {
    vK_MediatorScriptHooks hooks;
    hooks.call = [](const vK_DataScriptFunction& fn, vK_DataArray& args) {
        if (vK_ScriptHub* hub = Instance()) hub->CallFunction(fn, &args);
    };
    hooks.same = [](const vK_DataScriptFunction& a, const vK_DataScriptFunction& b) {
        vK_ScriptHub* hub = Instance();
        return hub ? hub->SameFunction(a, b) : a.GetHandle() == b.GetHandle();
    };
    hooks.set_global = [](const std::string& name) {
        if (vK_ScriptHub* hub = Instance()) {
            vK_DataString value(name);
            hub->SetGlobal(&value, name);
        }
    };
    mediatorHooks_ = vK_Mediator::ScriptHookSeam().Install(hooks);
}

// Objects queue their event, timer, grid and animation handlers through these and
// compile handler text given as a property.
void vK_ScriptHub::InstallObjectHooks() {
    vK_ObjectScriptHooks hooks;
    hooks.queue = [](const vK_DataScriptFunction& handler, const std::string& sender) {
        vK_ScriptHub* hub = Instance();
        return hub != nullptr && hub->CallHandler(handler, sender, true);
    };
    hooks.compile = [](const std::string& code) {
        vK_ScriptHub* hub = Instance();
        return hub ? hub->CompileCode(code).GetHandle() : vK_ScriptHandle();
    };
    objectHooks_ = vK_Object::ScriptHookSeam().Install(hooks);
}

// ---- Compilation and modules ------------------------------------------------------

vK_DataScriptFunction vK_ScriptHub::CompileCode(const std::string& text) {
    return vK_DataScriptFunction(std::make_shared<vK_LuaScript>(text, state_));
}

namespace {
// Lua names a chunk "@PATH" in its messages as "PATH:LINE:"; without a file the
// module's name stands in, as "[string "NAME"]:LINE:".
std::string ChunkName(const std::string& name, const std::string& file) {
    return file.empty() ? name : "@" + file;
}
}  // namespace

void vK_ScriptHub::LoadModuleCode(const std::string& code, const std::string& name, const std::string& file) {
    if (!state_ || !lua_checkstack(state_, 2)) return;
    const std::string text = WrapModuleCode(code, name);
    const std::string chunk = ChunkName(name, file);
    int base = lua_gettop(state_);
    if (luaL_loadbuffer(state_, text.data(), text.size(), chunk.c_str()) != 0) {
        Log("Error: module %s try to compile - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
    } else if (!RunBody()) {
        Log("Error: module %s failed to run - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
    }
    lua_settop(state_, base);
}

vK_DataScriptFunction vK_ScriptHub::LoadModuleTable(const std::string& code, const std::string& name,
                                                    const std::string& file) {
    if (!state_ || !lua_checkstack(state_, 2)) return vK_DataScriptFunction();
    const std::string text = WrapModuleCode(code, std::string());
    const std::string chunk = ChunkName(name, file);
    int base = lua_gettop(state_);
    if (luaL_loadbuffer(state_, text.data(), text.size(), chunk.c_str()) != 0) {
        Log("Error: module %s try to compile - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
        lua_settop(state_, base);
        return vK_DataScriptFunction();
    }
    if (!RunBody()) {
        Log("Error: module %s failed to run - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
        lua_settop(state_, base);
        return vK_DataScriptFunction();
    }
    if (lua_gettop(state_) == base) return vK_DataScriptFunction();
    lua_settop(state_, base + 1);
    int ref = luaL_ref(state_, LUA_REGISTRYINDEX);
    lua_settop(state_, base);
    if (ref < 0) return vK_DataScriptFunction();
    return vK_DataScriptFunction(std::make_shared<vK_LuaScript>(ref, state_));
}

// ---- Protected calls ----------------------------------------------------------------

bool vK_ScriptHub::CallFunction(const vK_DataScriptFunction& function, const vK_DataArray* args) {
    if (!state_ || function.IsEmpty()) return false;
    lua_State* L = state_;
    int nargs = args ? static_cast<int>(args->Size()) : 0;
    if (!lua_checkstack(L, 2 + nargs)) {
        Log("Error: script stack overflow while calling a script function");
        return false;
    }
    int base = lua_gettop(L);
    if (!PushHandleValue(L, function) || !lua_isfunction(L, -1)) {
        lua_settop(L, base);
        return false;
    }
    if (args) {
        for (const vK_Data* arg : *args) PushValue(L, arg, 0);
    }
    const bool ok = RunProtected(nargs, 0);
    if (state_ == L) lua_settop(L, base);
    return ok;
}

bool vK_ScriptHub::CallHandler(const vK_DataScriptFunction& function, const std::string& sender,
                               bool deferred) {
    if (function.IsEmpty()) return false;
    if (deferred) {
        deferred_.push_back(DeferredCall{function.GetHandle(), sender});
        return true;
    }
    vK_DataArray args;
    args.PushTable()->SetString("sender", sender);
    return CallFunction(function, &args);
}

void vK_ScriptHub::RunDeferredHandlers() {
    if (deferred_.empty()) return;
    std::vector<DeferredCall> queue;
    queue.swap(deferred_);
    for (const DeferredCall& call : queue)
        CallHandler(vK_DataScriptFunction(call.function), call.sender, false);
}

bool vK_ScriptHub::SameFunction(const vK_DataScriptFunction& a, const vK_DataScriptFunction& b) {
    if (a.GetHandle() == b.GetHandle()) return true;
    if (!state_ || !lua_checkstack(state_, 2)) return false;
    int base = lua_gettop(state_);
    bool same = PushHandleValue(state_, a) && PushHandleValue(state_, b) && lua_rawequal(state_, -1, -2);
    lua_settop(state_, base);
    return same;
}
