#pragma once
#include <memory>
#include <string>

class vK_DataTable;

// Converts a whole XML document into data: a table with one entry keyed by the
// root element's tag. An element's table holds its attributes as strings, "__type"
// (the tag), "__text" (when its first child node is text) and "__childs" (an array
// of the child elements' tables, only when there are any). Text that does not parse
// gives an empty table and a log line.
std::unique_ptr<vK_DataTable> XmlToData(const std::string& text);
