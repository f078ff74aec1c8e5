#pragma once
#include <cstdint>
#include <filesystem>
#include <map>

#include "files/file_watcher.h"

// The portable watcher: every look walks the folder and compares each regular file's
// modification time and size with the last walk. Cost grows with the number of files, so
// callers look every LookInterval() seconds.
class vK_PollingFileWatcher : public vK_FileWatcher {
public:
    static constexpr float kLookSeconds = 0.5f;

    explicit vK_PollingFileWatcher(std::filesystem::path folder);
    std::vector<std::string> TakeChanges() override;
    float LookInterval() const override { return kLookSeconds; }
    const char* Kind() const override { return "polling"; }

private:
    struct Stamp {
        std::filesystem::file_time_type time;
        std::uintmax_t size = 0;
        bool operator==(const Stamp& other) const { return time == other.time && size == other.size; }
    };
    std::map<std::string, Stamp> Scan() const;

    std::filesystem::path folder_;
    std::map<std::string, Stamp> stamps_;
};
