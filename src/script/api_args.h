#pragma once
#include <string>
#include <vector>

#include "data/data.h"
#include "script/script_args.h"

class vK_Object;

// Helpers for the conventions every script function shares: positional
// arguments read with the value's own conversions, objects by full name, handlers
// as script functions or code strings.
namespace vK_ApiArgs {
// The argument at index, or nullptr when the call has fewer arguments.
const vK_Data* At(const vK_ScriptArgs& args, unsigned index);
// The object named by the argument's string form; nullptr when absent or unknown (an
// unknown name, other than nil or "", is warned about once per cause).
vK_Object* Object(const vK_ScriptArgs& args, unsigned index);
// A script function used as is, anything else compiled from its string form.
vK_DataScriptFunction Handler(const vK_ScriptArgs& args, unsigned index);
// The argument read as a list of floats (array elements in order; anything else gives none).
std::vector<float> Floats(const vK_ScriptArgs& args, unsigned index);
}  // namespace vK_ApiArgs
