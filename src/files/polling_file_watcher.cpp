#include "files/polling_file_watcher.h"

#include <system_error>
#include <utility>

namespace fs = std::filesystem;

vK_PollingFileWatcher::vK_PollingFileWatcher(fs::path folder) : folder_(std::move(folder)) {
    stamps_ = Scan();
}

std::map<std::string, vK_PollingFileWatcher::Stamp> vK_PollingFileWatcher::Scan() const {
    std::map<std::string, Stamp> stamps;
    std::error_code error;
    fs::recursive_directory_iterator it(folder_, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;
        Stamp stamp;
        stamp.time = it->last_write_time(fileError);
        if (fileError) continue;
        stamp.size = it->file_size(fileError);
        if (fileError) continue;
        stamps.emplace(it->path().lexically_relative(folder_).generic_string(), stamp);
    }
    return stamps;
}

std::vector<std::string> vK_PollingFileWatcher::TakeChanges() {
    std::map<std::string, Stamp> stamps = Scan();
    std::vector<std::string> changed;
    // Both maps are sorted: one merge finds new, changed and removed files in order.
    auto before = stamps_.begin();
    auto now = stamps.begin();
    while (before != stamps_.end() || now != stamps.end()) {
        if (now == stamps.end() || (before != stamps_.end() && before->first < now->first)) {
            changed.push_back((before++)->first);
        } else if (before == stamps_.end() || now->first < before->first) {
            changed.push_back((now++)->first);
        } else {
            if (!(before->second == now->second)) changed.push_back(now->first);
            ++before;
            ++now;
        }
    }
    stamps_ = std::move(stamps);
    return changed;
}
