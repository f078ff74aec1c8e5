#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class vK_Data;

// Objects and arrays nested deeper than this fail to parse (instead of exhausting
// the stack).
constexpr int kJsonMaxDepth = 1000;

// Parses one JSON value from the start of text into a new data tree. Text after
// the value is not examined. On a syntax error the problem is logged
// ("Error. vK_JsonParser : ...") and the result is null.
std::unique_ptr<vK_Data> ParseJson(std::string_view text);
std::unique_ptr<vK_Data> ParseJson(const void* data, size_t size);

// Where a parse failed: the first problem's message (without the parser's
// "Error. vK_JsonParser : " tag) and the line and column (from 1, in bytes) of the
// token it is about.
struct vK_JsonError {
    std::string message;
    int line = 0;
    int column = 0;
};
// ParseJson that also fills error (when given) on failure.
std::unique_ptr<vK_Data> ParseJson(std::string_view text, vK_JsonError* error);

// Renders value into out (replacing its contents): the styled layout (tab
// indentation, arrays on one line while they fit in 74 columns) or the compact
// single-line layout. A null pointer is written as null.
void WriteJson(const vK_Data* value, std::string& out, bool compact);
