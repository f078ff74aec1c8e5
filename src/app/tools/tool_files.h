#pragma once
#include <cstdint>
#include <string>
#include <vector>

// File work of the author tools that write (--export, --new, --install-desktop-entry).
// Paths are UTF-8; nothing throws, and every failure fills error with the path and the
// system's reason ("can not write out/game/icon.png: No space left on device").

// Reads a whole regular file.
bool ReadToolFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
// Writes bytes to path, making its missing parent folders, and gives it mode (Unix
// permission bits). A failure can leave a partial file.
bool WriteToolFile(const std::string& path, const std::vector<uint8_t>& bytes, uint32_t mode,
                   std::string& error);
// The same through path + ".tmp" renamed over path: path holds the old or the new bytes.
bool ReplaceToolFile(const std::string& path, const std::vector<uint8_t>& bytes, uint32_t mode,
                     std::string& error);

// A file below a listed folder: its name there ('/' separators, as spelt on disk, links
// by their own names) and the path to read it from.
struct vK_TreeFile {
    std::string name;
    std::string path;
};
// Every regular file below dir, sorted by name; names starting with '.' (and what is
// below them) are left out. Links are followed: a link to a file is listed under the
// link's name, a link to a folder is entered. False with error naming the path and the
// reason for a folder that can not be read, a broken link, or a folder link that leads
// back to a folder it lies in (a loop).
bool ListTreeFiles(const std::string& dir, std::vector<vK_TreeFile>& files, std::string& error);

// Makes a new empty folder beside target (in the same parent, so that a rename moves it
// into place at once), named after it and never an existing one: ".NAME.new-N".
bool MakeFolderBeside(const std::string& target, std::string& folder, std::string& error);
// Removes path and everything below it (links themselves, not what they point to).
bool RemoveToolTree(const std::string& path, std::string& error);
// Renames from to to (to must not be there, or be an empty folder).
bool RenameToolPath(const std::string& from, const std::string& to, std::string& error);
