#pragma once
#include <string>
#include <string_view>

// Calls visit(line, number) for every line of text that is neither blank nor a comment
// (first non-blank character '#'), with a trailing carriage return removed; numbers count
// from 1 over all lines. Stops at the first visit that returns false, and then returns false.
template <typename Visit>
bool ForEachContentLine(std::string_view text, Visit visit) {
    size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        if (!visit(line, number)) return false;
    }
    return true;
}
