// Desktop services on Linux and other POSIX systems (see desktop.h).
#ifndef _WIN32
#include <SDL.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "files/data_provider_save.h"
#include "files/log.h"
#include "platform/desktop.h"

void ShowStartupMessage(const std::string& text, const std::string& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    // Without a display SDL answers with an error at once; nothing else to do then.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

void PrepareProcess() {}

vK_InstanceLock::~vK_InstanceLock() { Release(); }

bool vK_InstanceLock::Acquire(const std::string& key, const std::string& fallback_folder) {
    Release();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && runtime[0] == '/' ? std::string(runtime) : fallback_folder;
    if (folder.empty() || !MakeDirectories(folder)) {
        Log("Warning: no folder for the single-instance lock; another instance is not checked");
        return true;
    }
    path_ = folder + "/" + InstanceLockName(key) + ".lock";
    const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        Log("Warning: the single-instance lock %s can not be opened", path_.c_str());
        return true;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void vK_InstanceLock::Release() {
    if (handle_ < 0) return;
    const int fd = static_cast<int>(handle_);
    flock(fd, LOCK_UN);
    close(fd);
    handle_ = -1;
}

// Desktop pictures and screen savers belong to the desktop environment here.
bool DesktopPicturesSupported() { return false; }
bool ApplyWallpaper(const std::string&) { return false; }
bool ApplyScreenSaver(const std::string&) { return false; }
#endif
