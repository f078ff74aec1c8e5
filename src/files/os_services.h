#pragma once
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

// The operating system's file and process services, with UTF-8 paths on both systems
// ('/' separators; Windows also takes '\'). The POSIX implementation is
// os_services_posix.cpp, the Windows one (wide characters at the API, the shell's
// folders) os_services_windows.cpp; nothing else in the engine calls the system's file
// API directly.

// The current directory, "" when it cannot be read.
std::string OsCurrentDirectory();
// Makes dir the current directory; false (and the system's error code in *error) on failure.
bool OsSetCurrentDirectory(const std::string& dir, unsigned* error = nullptr);
// The folder that holds the running executable, "" when it cannot be found.
std::string OsExecutableFolder();
// dir as an absolute path (against the current directory), "" when it cannot be made.
std::string OsAbsolutePath(const std::string& path);

bool OsIsRegularFile(const std::string& path);
bool OsIsDirectory(const std::string& path);
// Anything (file, folder, link) is there.
bool OsPathExists(const std::string& path);
// The modification time in nanoseconds, -1 when the path is missing.
int64_t OsModificationStamp(const std::string& path);
// The names in dir without "." and ".."; false when dir cannot be read.
bool OsListFolder(const std::string& dir, std::vector<std::string>& names);
// Creates the one folder dir; true when it exists as a folder afterwards.
bool OsMakeFolder(const std::string& dir);
// Reads a whole regular file; false (and an empty vector) on any failure or a short read.
bool OsReadFile(const std::string& path, std::vector<uint8_t>& bytes);
bool OsAppendFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Called (by tests) at each step of OsReplaceFile with the step's name and the target's
// path: "opened" (the temporary file is created, still empty), "half written" (its first
// half written), "written" (complete and flushed to disk, not yet renamed) and "replaced"
// (renamed over the target). Returning false stops the write at that step and reports a
// failure, leaving the files as a crash there would.
using OsReplaceProbe = bool (*)(const char* step, const char* path);
// Replaces path atomically: writes path + ".tmp", flushes it to disk, then renames it over
// path (and flushes the rename), so an interrupted save leaves the old or the new file.
// probe may be null.
bool OsReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, OsReplaceProbe probe);
// True when no file is there afterwards; a folder is never deleted.
bool OsDeleteFile(const std::string& path);
// std::fopen with a UTF-8 path.
FILE* OsOpenFile(const std::string& path, const char* mode);
// A path for std::filesystem and the file streams from a UTF-8 string, and back.
std::filesystem::path OsPath(const std::string& utf8);
std::string OsPathText(const std::filesystem::path& path);

// The per-user folder under which each publisher keeps its games' data: the roaming
// application-data folder on Windows, $XDG_DATA_HOME (default ~/.local/share) elsewhere;
// "" when there is none.
std::string OsUserDataFolder();
// The user's documents folder, "" when there is none.
std::string OsDocumentsFolder();

// strtod in the C locale, whatever the process's locale.
double OsStrtodC(const std::string& digits);

// Sets an environment variable for this process and the libraries in it; a null value
// removes it.
void OsSetEnvironment(const char* name, const char* value);
// Local time of t and the local zone's offset from UTC in seconds.
std::tm OsLocalTime(std::time_t t, long* utc_offset);

// Requests to stop the program (SIGINT and SIGTERM; on Windows Ctrl+C, Ctrl+Break and
// closing the console). After OsInstallStopHandlers the first request only sets a flag,
// which the script host's hook (it stops the running script) and the frame loop (it
// quits at the next frame) read; a watchdog ends the process with status 128 + signal if
// it is still running a second later, and a second request ends it at once. Install
// before SDL starts: SDL takes over only signals left at their default action.
void OsInstallStopHandlers();
// The signal of the first stop request (SIGINT 2, SIGTERM 15), 0 while there was none.
// Safe to call from anywhere, cheap enough for every few thousand script instructions.
int OsStopSignal();

#ifdef _WIN32
// UTF-8 to the system's wide characters and back (Windows only).
std::wstring OsWide(const std::string& utf8);
std::string OsUtf8(const std::wstring& wide);
#endif

// The program's arguments in UTF-8 (on Windows read again as wide characters, since argv
// holds them in the ANSI code page).
std::vector<std::string> OsArguments(int argc, char** argv);
