#pragma once
#include <string>
#include <string_view>

class vK_DataTable;
class vK_Object;

// Warnings for script calls that would otherwise fail without a word: a name no object
// has, a property key the object's class ignores. Each names the script's file and line
// and the function as the script called it, and is written once per distinct cause;
// what the call does is unchanged.
namespace vK_ScriptWarnings {
// "FILE:LINE" of the innermost script code running now; empty outside script code.
std::string Location();
// The name under which the script called the native function running now ("ObjSet");
// empty when no native function runs.
std::string NativeName();
// "Warning: FILE:LINE: FUNCTION: no object is named "NAME"".
void MissingObject(const std::string& name);
// "Warning: FILE:LINE: FUNCTION: object "NAME" (TYPE) has no property "KEY"; it is ignored".
void UnknownProperty(const vK_Object& object, std::string_view key);
// The same for a script reading such a key from ObjGet's table ("...; the read gives nil").
void UnknownPropertyRead(const vK_Object& object, std::string_view key);
// UnknownProperty for every key of values the object's class does not take.
void UnknownProperties(const vK_Object& object, const vK_DataTable& values);
}  // namespace vK_ScriptWarnings
