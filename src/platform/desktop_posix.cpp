// Desktop services on Linux and other POSIX systems (see desktop.h).
#ifndef _WIN32
#include <SDL.h>
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
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

// The GL driver (Mesa's software rasteriser most of all) mallocs and frees buffers of
// hundreds of kilobytes in every draw. With the C library's defaults the freed top of
// the heap is handed back to the system at once and the next frame faults the same
// pages in again: tens of brk calls and thousands of page faults per frame, which cost
// more than the drawing on a virtual machine. The heap keeps up to 32 MB of freed top
// and grows in 4 MB steps, and blocks up to 32 MB come from it rather than from mmap.
void PrepareProcess() {
#ifdef __GLIBC__
    constexpr int kRetainedTop = 32 << 20;
    mallopt(M_TRIM_THRESHOLD, kRetainedTop);
    mallopt(M_TOP_PAD, 4 << 20);
    mallopt(M_MMAP_THRESHOLD, kRetainedTop);
#endif
}

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
