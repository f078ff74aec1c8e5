#pragma once
#include <string>

class vK_DataTable;
class vK_DataScriptFunction;

// Reads a handler property ("endtrig"): a script function is taken as it is, a string
// is Lua code compiled by the script host. Other kinds log the conversion error. False
// when the key is absent or the value could not be used.
bool ReadHandlerProperty(const vK_DataTable& table, const std::string& key, vK_DataScriptFunction& handler);
