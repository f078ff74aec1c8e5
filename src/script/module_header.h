#pragma once
#include <string>

// Prepares a module's Lua text: drops a UTF-8 byte-order mark and applies the
// "-- name=WORD" header rule. When the text starts with "--", any run of white
// space, "name=", optional white space and a word (read up to the next white
// space), name receives the word and, when the text holds a line break,
// everything up to and including the first one is removed. Returns whether a
// header was found; name is left alone otherwise.
bool ApplyModuleHeader(std::string& code, std::string& name);
