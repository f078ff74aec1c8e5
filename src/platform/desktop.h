#pragma once
#include <cstdint>
#include <string>

// Services of the desktop around the game: start-up message boxes, the single-instance
// lock, the user's documents folder, the wallpaper and the screen saver. What is common
// lives in desktop.cpp; desktop_posix.cpp and desktop_windows.cpp hold what each system
// does its own way.

// Shows an error message box (when a display can show one) and writes the same text
// to stderr.
void ShowStartupMessage(const std::string& text, const std::string& title);

// Prepares the process before the engine starts: DPI awareness on Windows (the window
// gets real pixels, not a scaled-up bitmap); on Linux, a heap that keeps the memory the
// GL driver frees and mallocs again every frame.
void PrepareProcess();

// One running instance per key (the window title), held while the object lives.
// Linux: an advisory lock on a file in $XDG_RUNTIME_DIR, else in fallback_folder (the
// system drops it with the process, so a crashed run never blocks the next one).
// Windows: a named mutex; a second process brings the running window with that title to
// the front.
class vK_InstanceLock {
public:
    vK_InstanceLock() = default;
    ~vK_InstanceLock();
    vK_InstanceLock(const vK_InstanceLock&) = delete;
    vK_InstanceLock& operator=(const vK_InstanceLock&) = delete;

    // True when this process holds the lock afterwards. A lock that cannot be made at
    // all does not stop the game: it is logged and counts as acquired.
    bool Acquire(const std::string& key, const std::string& fallback_folder);
    void Release();
    // The lock file (Linux) or the mutex name (Windows).
    const std::string& GetPath() const { return path_; }

private:
    // A file descriptor, or a mutex handle; -1 when not held.
    std::intptr_t handle_ = -1;
    std::string path_;
};

// The name the lock of key goes by: "vrakko-" and the key with every character other
// than ASCII letters and digits replaced by '_'.
std::string InstanceLockName(const std::string& key);

// The user's documents folder (Windows: the shell's; Linux: XDG_DOCUMENTS_DIR from the
// user-dirs file of $XDG_CONFIG_HOME, else ~/Documents); "" without a home folder.
std::string DocumentsFolder();

// Copies the file or folder source (with its contents) into the folder target_dir;
// false when nothing could be copied.
bool CopyIntoFolder(const std::string& source, const std::string& target_dir);

// Whether this system lets the game set the wallpaper and the screen saver.
bool DesktopPicturesSupported();
// Makes the image file the desktop wallpaper; false when the system refused.
bool ApplyWallpaper(const std::string& file);
// Makes the screen saver file the user's screen saver; false when it could not be set.
bool ApplyScreenSaver(const std::string& file);
