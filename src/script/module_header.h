#pragma once
#include <string>

// Prepares a module's Lua text: drops a UTF-8 byte-order mark and applies the
// "-- name=WORD" header rule. When the text starts with "--", any run of white
// space, "name=", optional white space and a word (read up to the next white
// space), name receives the word and, when the text holds a line break, the text
// of the first line is removed (its line break stays, so lines keep their numbers).
// Returns whether a header was found; name is left alone otherwise.
bool ApplyModuleHeader(std::string& code, std::string& name);

// The text the script host loads for a module's code: a function that makes the
// locals public and private, runs the code and returns public. With a global name the
// chunk stores the table in that global (the function is __NAME_init); without one the
// chunk returns it (__LoadLuaModuleToTable_init). The wrapper's opening shares the
// code's first line, so the code's line numbers are those of its file.
std::string WrapModuleCode(const std::string& code, const std::string& global);
