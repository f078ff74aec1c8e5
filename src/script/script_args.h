#pragma once
#include <array>
#include <memory>
#include <vector>

#include "data/data.h"

struct lua_State;
class vK_ScriptHub;

// The arguments of one native call, read where they lie on the Lua stack. GetAt
// converts an argument into a vK_Data the first time it is asked for and keeps that
// value for the rest of the call, so a native pays only for the arguments it reads,
// and the first few are kept without an allocation of their own. Natives of the
// script layer may instead read a Lua value in place (State, StackIndex).
//
// Valid only during the call it was made for; the native must leave the arguments
// where they are on the stack.
class vK_ScriptArgs {
public:
    vK_ScriptArgs(vK_ScriptHub& hub, lua_State* L, int count);
    vK_ScriptArgs(const vK_ScriptArgs&) = delete;
    vK_ScriptArgs& operator=(const vK_ScriptArgs&) = delete;

    size_t Size() const { return count_; }
    bool Empty() const { return count_ == 0; }
    // The argument at index converted as the hub converts Lua values (owned by this
    // view), or nullptr past the last argument.
    const vK_Data* GetAt(unsigned index) const;

    vK_ScriptHub& Hub() const { return hub_; }
    // The thread the call runs on and the absolute stack index of argument index.
    lua_State* State() const { return lua_; }
    int StackIndex(unsigned index) const { return static_cast<int>(index) + 1; }

private:
    static constexpr unsigned kInline = 8;

    vK_ScriptHub& hub_;
    lua_State* lua_;
    unsigned count_;
    mutable std::array<std::unique_ptr<vK_Data>, kInline> inline_;
    mutable std::vector<std::unique_ptr<vK_Data>> more_;  // past kInline, sized on first use
};
