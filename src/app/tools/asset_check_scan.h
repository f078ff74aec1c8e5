#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Text and byte scanners of the asset check: Lua compilation and the calls Lua code
// makes with literal file names or string ids, and the image headers the decoders
// insist on.

// Reads one folder of the asset tree: the names of its files and of its folders (links to
// folders are not followed); false with why set when it can not be read, with what was read
// before the failure. ListDiskFolder reads the disk; tests pass others.
using vK_FolderLister = bool (*)(const std::string& folder, std::vector<std::string>& files,
                                 std::vector<std::string>& folders, std::string& why);
bool ListDiskFolder(const std::string& folder, std::vector<std::string>& files,
                    std::vector<std::string>& folders, std::string& why);

// Every file below root, as prefix + "/" + its path below root, and every folder that could
// not be read (named the same way) with the reason: its files are left out, the rest of the
// tree is still scanned.
struct vK_FolderScan {
    std::vector<std::string> files;
    std::vector<std::pair<std::string, std::string>> unreadable;
};
vK_FolderScan ScanFolderTree(const std::string& root, const std::string& prefix, vK_FolderLister list);

bool EndsWith(const std::string& s, const char* suffix);
// The path without its last extension.
std::string WithoutExtension(const std::string& path);
// The folder of a path, with its last '/' ("" for none).
std::string FolderOf(const std::string& path);
// A resource name as the engine normalises it: backslashes become slashes; names that do
// not start at the asset root are relative to the folder of the file that names them.
std::string ResourcePath(const std::string& value, const std::string& folder);

// Compiles a module's code the way the module loader wraps it; on failure fills the
// line in the file and the compiler's message.
bool CompileModuleCode(const std::string& code, int& line, std::string& error);
// Compiles handler code (as the script host compiles a handler string).
bool CompileLuaSnippet(const std::string& code, std::string& error);
// The names of the module table's functions the code defines (public.Name).
std::set<std::string> DefinedFunctions(const std::string& code);
// The word of a first line "-- name=WORD", which names the module.
bool ModuleHeaderName(const std::string& code, std::string& name);

// A call with a literal first argument outside comments.
struct LuaLiteralCall {
    enum Kind { kModule, kSound, kStringId, kStringTable, kResource } kind;
    int line;
    std::string argument;
    std::string second;  // SwitchLevel's trigger, when literal
};
std::vector<LuaLiteralCall> FindLiteralCalls(const std::string& code);

// ObjSet (or vk.obj.Set) with a literal object name and a table constructor: the name
// and the keys written "key = value" at the table's own level, with their lines.
struct LuaObjSetCall {
    std::string object;
    std::vector<std::pair<std::string, int>> keys;
};
std::vector<LuaObjSetCall> FindObjSetCalls(const std::string& code);

// Calls with a literal object name as their whole first argument: what names objects
// (ObjSet, ObjGet, ObjAttach, ObjDetach, ObjDelete and their vk.obj forms) and what
// makes them (ObjCreate's name, ObjClone's source + literal suffix: kind "create").
struct LuaObjectName {
    std::string function;  // as written; "create" for names that are made
    std::string name;
    int line;
};
std::vector<LuaObjectName> FindObjectNames(const std::string& code);

// Why the engine's decoders would refuse the image; empty when they would not. damaged is
// set when the format is one the engine loads but the data does not decode (converting
// the file does not help then).
std::string PngProblem(const std::vector<uint8_t>& bytes, bool* damaged = nullptr);
std::string JpegProblem(const std::vector<uint8_t>& bytes, bool* damaged = nullptr);
