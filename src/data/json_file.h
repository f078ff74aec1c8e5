#pragma once
#include <memory>
#include <string>

#include "data/data.h"

// JSON files through the file manager.

// LoadFile (path, kind) and, when it succeeds, ParseJson of the bytes; null when
// the file is missing, damaged or not valid JSON.
std::unique_ptr<vK_Data> LoadJson(const std::string& path, int kind);
// LoadJson that says why a file that is there gave no value: problem is
// "FILE:LINE:COLUMN: MESSAGE" for a parse error, else FILE and the file manager's cause
// ("FILE is a folder", "FILE does not match its checksum"); "" when the value loaded or
// the file is missing.
std::unique_ptr<vK_Data> LoadJson(const std::string& path, int kind, std::string& problem);
// WriteJson (compact or styled), then SaveFile (path, kind, no append).
bool SaveJson(const vK_Data* value, const std::string& path, int kind, bool compact);
// The configuration document: path + ".json" read from the readers (last to
// first), parsed; always a value: an empty table when the file is missing
// ("Error: file not found %s." unless silent) or unparsable. A file that exists but
// can not be read or does not parse is logged as "Error: FILE:LINE:COLUMN: MESSAGE"
// (or "Error: FILE can not be read") and, when problem is given, described there.
vK_DataPtr LoadDocument(const std::string& path, std::string* problem = nullptr);
