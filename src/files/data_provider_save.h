#pragma once
#include "files/data_provider_base.h"

// Serves and writes "save/..." in the per-user save folder:
// the configured folder, or $XDG_DATA_HOME/<publisher>/<game> (default
// ~/.local/share), with the names in force at the time of the request. Folders are
// created when a file is first written. Whole-file writes are atomic: a temporary
// file in the same folder is written, checked, flushed to disk and renamed over
// the old file, so an interrupted or failed save leaves the old file intact.
class vK_DataProviderSave : public vK_DataProviderBase {
public:
    explicit vK_DataProviderSave(std::shared_ptr<const vK_FileLocations> locations);

    std::string ResolvePath(const std::string& path) override;
    bool Write(const std::string& path, const std::vector<uint8_t>& bytes, bool append) override;
    bool Delete(const std::string& path) override;
    FILE* OpenForWrite(const std::string& path, bool append) override;

    // The save folder for the current locations, "" when it cannot be named (no
    // home folder, or a publisher or game name that is empty or not a plain name).
    std::string SaveFolder() const;

    // Test seam: called at each step of a whole-file write with the step's name and the
    // file's path ("opened", "half written", "written", "replaced": OsReplaceProbe in
    // os_services.h); returning false makes the write stop there as a crash would. Null
    // restores normal writing.
    using FaultHook = bool (*)(const char* step, const char* path);
    static void SetFaultHook(FaultHook hook);
};

// Creates dir and its missing parents; true when it exists as a folder afterwards.
bool MakeDirectories(const std::string& dir);
