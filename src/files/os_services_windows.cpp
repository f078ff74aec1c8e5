// Windows file and process services (see os_services.h): UTF-8 inside, wide characters at
// the system's API.
#ifdef _WIN32
// windows.h comes first: the shell's headers build on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstdlib>

#include "files/os_services.h"

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Utf8(const wchar_t* wide, size_t length) {
    if (length == 0) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

// The engine's paths use '/'; the system takes both.
std::string Forward(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path)
        result = Forward(Utf8(path, wcslen(path)));
    CoTaskMemFree(path);
    return result;
}

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return !path.empty() && GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data);
}

}  // namespace

std::wstring OsWide(const std::string& utf8) { return Wide(utf8); }

std::string OsUtf8(const std::wstring& wide) { return Utf8(wide.data(), wide.size()); }

std::string OsCurrentDirectory() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring buffer(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, buffer.data());
    if (got == 0 || got >= n) return {};
    return Forward(Utf8(buffer.data(), got));
}

bool OsSetCurrentDirectory(const std::string& dir, unsigned* error) {
    if (!dir.empty() && SetCurrentDirectoryW(Wide(dir).c_str())) return true;
    if (error) *error = static_cast<unsigned>(GetLastError());
    return false;
}

std::string OsExecutableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            const std::string path = Forward(Utf8(buffer.data(), n));
            const size_t slash = path.rfind('/');
            return slash == std::string::npos ? std::string() : path.substr(0, slash);
        }
        if (buffer.size() > 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string OsAbsolutePath(const std::string& path) {
    const std::wstring wide = Wide(path.empty() ? "." : path);
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring buffer(n, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), n, buffer.data(), nullptr);
    if (got == 0 || got >= n) return {};
    return Forward(Utf8(buffer.data(), got));
}

bool OsIsRegularFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data) && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool OsIsDirectory(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool OsPathExists(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data);
}

int64_t OsModificationStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Attributes(path, data)) return -1;
    // 100-nanosecond ticks since 1601, counted from 1970 as on POSIX (ticks times 100
    // from 1601 would not fit in 64 bits).
    const uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime;
    return (static_cast<int64_t>(ticks) - 116444736000000000) * 100;
}

bool OsListFolder(const std::string& dir, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(Wide(dir + "/*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        const std::string name = Utf8(entry.cFileName, wcslen(entry.cFileName));
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return true;
}

bool OsMakeFolder(const std::string& dir) {
    if (dir.empty()) return false;
    if (CreateDirectoryW(Wide(dir).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return OsIsDirectory(dir);
    return false;
}

bool OsReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    HANDLE file =
        CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart < (int64_t(1) << 40);
    if (ok) bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (ok && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, chunk, &got, nullptr) || got == 0) break;
        done += got;
    }
    CloseHandle(file);
    if (!ok || done != bytes.size()) {
        bytes.clear();
        return false;
    }
    return true;
}

bool OsAppendFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool written = WriteAll(file, bytes.data(), bytes.size());
    return CloseHandle(file) && written;
}

bool OsReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, OsReplaceProbe probe) {
    bool stopped = false;
    const auto go_on = [&](const char* step) {
        stopped = stopped || (probe && !probe(step, path.c_str()));
        return !stopped;
    };
    const std::wstring target = Wide(path), temp = Wide(path + ".tmp");
    HANDLE file =
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const size_t half = bytes.size() / 2;
    bool ok = go_on("opened") && WriteAll(file, bytes.data(), half) && go_on("half written") &&
              WriteAll(file, bytes.data() + half, bytes.size() - half) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && go_on("written") &&
         MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (stopped) return false;  // the files stay as a crash at that step leaves them
    if (!ok) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return go_on("replaced");
}

bool OsDeleteFile(const std::string& path) {
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return DeleteFileW(wide.c_str()) != 0;
}

FILE* OsOpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

std::filesystem::path OsPath(const std::string& utf8) { return std::filesystem::path(Wide(utf8)); }

std::string OsPathText(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    return Forward(Utf8(wide.data(), wide.size()));
}

std::string OsUserDataFolder() { return KnownFolder(FOLDERID_RoamingAppData); }

std::string OsDocumentsFolder() { return KnownFolder(FOLDERID_Documents); }

double OsStrtodC(const std::string& digits) {
    static const _locale_t c_locale = _create_locale(LC_ALL, "C");
    return c_locale ? _strtod_l(digits.c_str(), nullptr, c_locale) : std::strtod(digits.c_str(), nullptr);
}

void OsSetEnvironment(const char* name, const char* value) {
    _putenv_s(name, value ? value : "");  // an empty value removes it from the C runtime's copy
    SetEnvironmentVariableA(name, value);
}

std::tm OsLocalTime(std::time_t t, long* utc_offset) {
    std::tm local{}, utc{};
    localtime_s(&local, &t);
    gmtime_s(&utc, &t);
    if (utc_offset) {
        // The offset is the local clock minus the UTC clock at the same instant.
        std::tm as_local = utc;
        as_local.tm_isdst = local.tm_isdst;
        *utc_offset = static_cast<long>(std::difftime(std::mktime(&local), std::mktime(&as_local)));
    }
    return local;
}

std::vector<std::string> OsArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i], wcslen(wide[i])));
    LocalFree(wide);
    return arguments;
}

// ---- Stop requests ------------------------------------------------------------------------

namespace {

std::atomic<int> g_stop_signal{0};

// The system runs this on a thread of its own for every console event, so the first
// one is also the watchdog: it gives the program a second to end by itself.
BOOL WINAPI OnConsoleControl(DWORD type) {
    const int signal = type == CTRL_C_EVENT ? 2 : 15;  // SIGINT, or SIGTERM for the rest
    int none = 0;
    if (!g_stop_signal.compare_exchange_strong(none, signal)) _exit(128 + signal);
    Sleep(1000);
    _exit(128 + signal);
}

}  // namespace

void OsInstallStopHandlers() { SetConsoleCtrlHandler(&OnConsoleControl, TRUE); }

int OsStopSignal() { return g_stop_signal.load(std::memory_order_relaxed); }
#endif
