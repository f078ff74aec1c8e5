#include "script/lua_script.h"

#include <lua.hpp>
#include <utility>
#include <vector>

#include "files/live_counts.h"
#include "files/log.h"

namespace {
// Every handler snippet receives one table argument, visible as vk_params.
constexpr const char kSnippetPrologue[] = "local __q = {...}; local vk_params = __q[1]; ";
// Few states exist at a time (the hub's, and tests'), so a vector is enough.
std::vector<std::pair<lua_State*, std::shared_ptr<int>>>& OpenStates() {
    static std::vector<std::pair<lua_State*, std::shared_ptr<int>>> states;
    return states;
}
}  // namespace

void vK_LuaScript::MarkStateOpen(lua_State* state) {
    MarkStateClosed(state);
    OpenStates().emplace_back(state, std::make_shared<int>(0));
}

void vK_LuaScript::MarkStateClosed(lua_State* state) {
    auto& states = OpenStates();
    for (auto it = states.begin(); it != states.end(); ++it) {
        if (it->first == state) {
            states.erase(it);
            return;
        }
    }
}

void vK_LuaScript::TakeToken() {
    for (auto& entry : OpenStates()) {
        if (entry.first == state_) {
            guarded_ = true;
            alive_ = entry.second;
            return;
        }
    }
}

int vK_LuaScript::LoadSnippet(lua_State* state, const std::string& text) {
    std::string code = text;
    if (!code.empty() && code[0] == '*') code.erase(0, 1);
    code.insert(0, kSnippetPrologue);
    return luaL_loadbuffer(state, code.data(), code.size(), text.c_str());
}

vK_LuaScript::vK_LuaScript(const std::string& source, lua_State* state) : state_(state), source_(source) {
    if (!state_) return;
    TakeToken();
    if (source.empty()) return;
    if (!lua_checkstack(state_, 1)) return;
    if (LoadSnippet(state_, source) != 0) {
        // A snippet that does not compile stays empty; the reason is logged so
        // that a broken handler in a module file can be found.
        Log("Error: script snippet '%s' does not compile - lua error: %s", source.c_str(),
            lua_isstring(state_, -1) ? lua_tostring(state_, -1) : "?");
        lua_pop(state_, 1);
        return;
    }
    reference_ = luaL_ref(state_, LUA_REGISTRYINDEX);
    if (reference_ < 0) reference_ = kNoRef;  // LUA_REFNIL for a nil value
    if (reference_ != kNoRef) vK_LiveCounts::Add(vK_LiveKind::LuaRef);
}

vK_LuaScript::vK_LuaScript(int reference, lua_State* state)
    : reference_(reference < 0 ? kNoRef : reference), state_(state) {
    if (state_) TakeToken();
    if (reference_ != kNoRef) vK_LiveCounts::Add(vK_LiveKind::LuaRef);
}

vK_LuaScript::~vK_LuaScript() {
    if (reference_ == kNoRef) return;
    vK_LiveCounts::Remove(vK_LiveKind::LuaRef);
    if (StateAlive()) luaL_unref(state_, LUA_REGISTRYINDEX, reference_);
}
