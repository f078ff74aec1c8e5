#pragma once
#include <string>
#include <string_view>
#include <vector>

class vK_DataTable;
class vK_Object;

// Which property keys an object's class takes. SetProperties ignores keys it does not
// know; the module loader and the script functions use this to warn about them (a
// misspelt attribute, an ObjSet with a typo) instead of failing without a word.
namespace vK_PropertyCheck {
// Whether the object's class reads or writes key: the base object's keys, the keys its
// GetProperties writes, and the keys a few classes only read (actions such as "clear",
// keys of an implementation that is not loaded yet). A complex animation (or one whose
// kind is not known yet) takes any key: its file names its own.
bool Knows(const vK_Object& object, std::string_view key);
// The keys of values the object's class does not take, in key order.
std::vector<std::string> UnknownKeys(const vK_Object& object, const vK_DataTable& values);
// The warning for one such key: "object "NAME" (TYPE) has no property "KEY"; " + outcome.
std::string Describe(const vK_Object& object, std::string_view key, const char* outcome = "it is ignored");
}  // namespace vK_PropertyCheck
