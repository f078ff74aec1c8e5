#pragma once
#include <string>

// The text with the characters XML text and attribute values may not hold literally
// (& < > " ') written as entities.
std::string EscapeXml(const std::string& text);
