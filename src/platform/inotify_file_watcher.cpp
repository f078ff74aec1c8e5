#include "platform/inotify_file_watcher.h"

#include <system_error>
#include <utility>

#include "files/log.h"
#include "files/polling_file_watcher.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace fs = std::filesystem;

std::unique_ptr<vK_FileWatcher> CreateFileWatcher(const fs::path& folder) {
#ifdef __linux__
    auto watcher = std::make_unique<vK_InotifyFileWatcher>(folder);
    if (watcher->IsWatching()) return watcher;
    Log("Warning: dev: inotify is not available for %s; looking for changes by polling",
        folder.string().c_str());
#endif
    return std::make_unique<vK_PollingFileWatcher>(folder);
}

#ifdef __linux__

namespace {
// IN_MODIFY: a change of the modification time alone (a touch of mtime only) reports no IN_ATTRIB.
constexpr uint32_t kFileMask = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE |
                               IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

std::string Join(const std::string& folder, const char* name) {
    return folder.empty() ? std::string(name) : folder + "/" + name;
}
}  // namespace

vK_InotifyFileWatcher::vK_InotifyFileWatcher(fs::path folder) : folder_(std::move(folder)) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    std::error_code error;
    if (!fs::is_directory(folder_, error)) complete_ = false;
    WatchTree("", false);
}

vK_InotifyFileWatcher::~vK_InotifyFileWatcher() {
    if (fd_ >= 0) close(fd_);
}

void vK_InotifyFileWatcher::WatchTree(const std::string& relative, bool report) {
    const fs::path path = relative.empty() ? folder_ : folder_ / relative;
    const int wd = inotify_add_watch(fd_, path.c_str(), kFileMask);
    if (wd < 0) {
        if (errno != ENOENT) complete_ = false;
        return;
    }
    folders_[wd] = relative;
    std::error_code error;
    fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string child = Join(relative, it->path().filename().c_str());
        std::error_code kindError;
        if (it->is_directory(kindError))
            WatchTree(child, report);
        else if (report)
            changed_.insert(child);
    }
}

void vK_InotifyFileWatcher::ReportAll() {
    std::error_code error;
    fs::recursive_directory_iterator it(folder_, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code kindError;
        if (it->is_regular_file(kindError))
            changed_.insert(it->path().lexically_relative(folder_).generic_string());
    }
}

std::vector<std::string> vK_InotifyFileWatcher::TakeChanges() {
    alignas(inotify_event) char buffer[16384];
    while (fd_ >= 0) {
        const ssize_t n = read(fd_, buffer, sizeof(buffer));
        if (n <= 0) break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                ReportAll();
                continue;
            }
            const auto folder = folders_.find(event->wd);
            if (event->mask & IN_IGNORED) {
                if (folder != folders_.end()) folders_.erase(folder);
                continue;
            }
            if (folder == folders_.end() || event->len == 0 || event->name[0] == '\0') continue;
            const std::string name = Join(folder->second, event->name);
            if (event->mask & IN_ISDIR) {
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) WatchTree(name, true);
                continue;
            }
            changed_.insert(name);
        }
    }
    std::vector<std::string> changes(changed_.begin(), changed_.end());
    changed_.clear();
    return changes;
}

#endif
