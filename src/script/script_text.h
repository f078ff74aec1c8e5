#pragma once
#include <string>
#include <vector>

struct lua_State;

// Texts the script host makes from Lua values and names.
namespace vK_ScriptText {
// The text of an error value: strings and numbers as Lua prints them, anything
// else by its type (error({}) raises a table).
std::string ErrorText(lua_State* L, int index);
// The parts of a dotted name: "vk.obj.Set" -> "vk", "obj", "Set" (empty parts kept).
std::vector<std::string> SplitDots(const std::string& name);
}  // namespace vK_ScriptText
