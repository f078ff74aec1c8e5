#pragma once

class vK_Data;
class vK_DataScriptFunction;
class vK_DataTable;

// Reads the value of a handler property ("event_mdown", "endtrig"): a script function
// is taken as it is, a string is handler code compiled by the script host (an empty
// handler without a host). Other kinds log the conversion error and leave handler
// unchanged; false then.
bool ReadHandlerProperty(const vK_Data& value, const char* key, vK_DataScriptFunction& handler);
// Takes the property's value, not the table that holds it.
bool ReadHandlerProperty(const vK_DataTable& table, const char* key, vK_DataScriptFunction& handler) = delete;
