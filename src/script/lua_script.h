#pragma once
#include <memory>
#include <string>

#include "data/script_interface.h"

struct lua_State;

// A script handle backed by a reference into the Lua registry. Made either from
// snippet text (compiled at construction) or from a reference the host already
// took for a value. The state is not owned. Shut-down drops the scene and the
// mediator's script listeners before the hub, but a handle kept elsewhere may still
// outlive the state: states opened through MarkStateOpen carry a liveness token,
// and a handle whose state was closed releases nothing.
class vK_LuaScript : public vK_ScriptInterface {
public:
    static constexpr int kNoRef = -1;

    // Compiles text as a handler snippet when text is not empty and state is set.
    vK_LuaScript(const std::string& source, lua_State* state);
    // Adopts an existing registry reference; the source stays empty.
    vK_LuaScript(int reference, lua_State* state);
    ~vK_LuaScript() override;
    vK_LuaScript(const vK_LuaScript&) = delete;
    vK_LuaScript& operator=(const vK_LuaScript&) = delete;

    std::string GetSource() const override { return source_; }
    bool IsEmpty() const override { return reference_ == kNoRef || !StateAlive(); }

    int GetReference() const { return reference_; }
    lua_State* GetState() const { return state_; }

    // Compiles snippet text into a function on top of the stack. Returns the Lua
    // status (0 on success); on failure the error message is on top instead.
    static int LoadSnippet(lua_State* state, const std::string& text);

    // The script hub announces the states it owns; handles made for a state that
    // was closed since never touch it again.
    static void MarkStateOpen(lua_State* state);
    static void MarkStateClosed(lua_State* state);

private:
    bool StateAlive() const { return state_ && (!guarded_ || !alive_.expired()); }
    void TakeToken();

    int reference_ = kNoRef;
    lua_State* state_ = nullptr;
    std::string source_;
    bool guarded_ = false;
    std::weak_ptr<void> alive_;
};
