#pragma once
#include <string>

// Logs line (written as is) only the first time cause is seen in this process; true
// when it was written. For warnings about authoring mistakes that would otherwise
// repeat every frame: the cause names what went wrong and where, so each distinct
// mistake is reported once. The set of seen causes is bounded.
bool LogOnce(const std::string& cause, const std::string& line);
// Forgets every cause seen (tests).
void ResetLogOnce();
