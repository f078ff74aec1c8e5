// Desktop services on Windows (see desktop.h).
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/log.h"
#include "files/os_services.h"
#include "platform/desktop.h"

namespace {

// Test runs ask SDL for no display; a message box would wait for a click nobody gives.
bool HeadlessRun() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

}  // namespace

void ShowStartupMessage(const std::string& text, const std::string& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    if (HeadlessRun()) return;
    MessageBoxW(nullptr, OsWide(text).c_str(), OsWide(title).c_str(), MB_OK | MB_ICONERROR);
}

void PrepareProcess() { SetProcessDPIAware(); }

vK_InstanceLock::~vK_InstanceLock() { Release(); }

bool vK_InstanceLock::Acquire(const std::string& key, const std::string& /*fallback_folder*/) {
    Release();
    path_ = InstanceLockName(key);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, OsWide(path_).c_str());
    if (!mutex) {
        Log("Warning: the single-instance lock %s can not be made", path_.c_str());
        return true;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        // The running instance comes to the front instead.
        if (HWND window = FindWindowW(nullptr, OsWide(key).c_str())) {
            ShowWindow(window, SW_SHOWNORMAL);
            SetForegroundWindow(window);
        }
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    return true;
}

void vK_InstanceLock::Release() {
    if (handle_ == -1) return;
    HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    handle_ = -1;
}

bool DesktopPicturesSupported() { return true; }

bool ApplyWallpaper(const std::string& file) {
    std::wstring path = OsWide(file);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(),
                                 SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != 0;
}

bool ApplyScreenSaver(const std::string& file) {
    std::wstring path = OsWide(file);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    // The classic screen-saver setting takes the short (8.3) form of the path.
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n > 0) {
        std::wstring shortPath(n, L'\0');
        const DWORD got = GetShortPathNameW(path.c_str(), shortPath.data(), n);
        if (got > 0 && got < n) path.assign(shortPath.data(), got);
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    // The stored string keeps its terminating zero, so every reader sees where it ends.
    const DWORD bytes = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    const bool ok = RegSetValueExW(key, L"SCRNSAVE.EXE", 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(path.c_str()), bytes) == ERROR_SUCCESS;
    RegFlushKey(key);
    RegCloseKey(key);
    return ok;
}
#endif
