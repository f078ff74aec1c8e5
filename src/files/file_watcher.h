#pragma once
#include <string>
#include <vector>

// Tells which files under one folder changed. Implementations differ in how they learn
// it: the polling watcher compares modification times and sizes on each look (works
// everywhere); the platform layer offers a kernel-notified one where the system has it
// (CreateFileWatcher in platform/file_watcher_factory.h picks).
class vK_FileWatcher {
public:
    virtual ~vK_FileWatcher() = default;

    // The files created, changed, moved in or removed since the last call, as paths relative
    // to the watched folder with forward slashes, sorted, each once.
    virtual std::vector<std::string> TakeChanges() = 0;
    // How often a caller should look, in seconds: 0 when a look is cheap enough for every frame.
    virtual float LookInterval() const = 0;
    // A short name for log lines ("inotify", "polling").
    virtual const char* Kind() const = 0;
};
