#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "files/file_watcher.h"

// The best watcher the system offers for folder: the inotify one on Linux when the kernel
// grants it, else the portable polling watcher (other systems, or too few inotify watches).
std::unique_ptr<vK_FileWatcher> CreateFileWatcher(const std::filesystem::path& folder);

// Kernel-notified watching (Linux): one inotify watch per folder of the tree, read without
// blocking on every look, so a look costs nothing while nothing changes. Folders created
// later are watched as they appear; a queue overflow reports every file once.
class vK_InotifyFileWatcher : public vK_FileWatcher {
public:
    explicit vK_InotifyFileWatcher(std::filesystem::path folder);
    ~vK_InotifyFileWatcher() override;
    vK_InotifyFileWatcher(const vK_InotifyFileWatcher&) = delete;
    vK_InotifyFileWatcher& operator=(const vK_InotifyFileWatcher&) = delete;

    // False when inotify could not be set up for the whole tree.
    bool IsWatching() const { return fd_ >= 0 && complete_; }
    std::vector<std::string> TakeChanges() override;
    float LookInterval() const override { return 0.0f; }
    const char* Kind() const override { return "inotify"; }

private:
    // Watches relative (a folder under the root, "" for the root) and every folder below
    // it; with report, the files found there are reported as changed (a folder moved in).
    void WatchTree(const std::string& relative, bool report);
    void ReportAll();

    std::filesystem::path folder_;
    int fd_ = -1;
    bool complete_ = true;
    std::map<int, std::string> folders_;  // watch descriptor -> folder relative to the root
    std::set<std::string> changed_;
};
