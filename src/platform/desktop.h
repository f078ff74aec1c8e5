#pragma once
#include <string>

// Services of the desktop around the game on Linux: start-up message boxes, the
// single-instance lock, the user's documents folder and copying into it.

// Shows an error message box (when a display can show one) and writes the same text
// to stderr.
void ShowStartupMessage(const std::string& text, const std::string& title);

// An advisory lock on a file named after key, held while the object lives. The file
// lies in $XDG_RUNTIME_DIR, else in fallback_folder (created when missing). A second
// process asking for the same key is refused until the first one ends (the system
// drops the lock with the process, so a crashed run never blocks the next one).
class vK_InstanceLock {
public:
    vK_InstanceLock() = default;
    ~vK_InstanceLock();
    vK_InstanceLock(const vK_InstanceLock&) = delete;
    vK_InstanceLock& operator=(const vK_InstanceLock&) = delete;

    // True when this process holds the lock afterwards. A lock file that cannot be
    // made at all does not stop the game: it is logged and counts as acquired.
    bool Acquire(const std::string& key, const std::string& fallback_folder);
    void Release();
    const std::string& GetPath() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// The user's documents folder: XDG_DOCUMENTS_DIR from the user-dirs file of
// $XDG_CONFIG_HOME (default ~/.config), else ~/Documents; "" without a home folder.
std::string DocumentsFolder();

// Copies the file or folder source (with its contents) into the folder target_dir;
// false when nothing could be copied.
bool CopyIntoFolder(const std::string& source, const std::string& target_dir);
