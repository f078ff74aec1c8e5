#pragma once
#include <string>

// The save folder a replay starts from when its recording names one ("save" line): a copy,
// so replaying never changes the recorded state. Without a folder of the player's choice
// (--save-dir) the copy goes into a new temporary folder, removed again when this ends.
class vK_ReplaySaveFolder {
public:
    vK_ReplaySaveFolder() = default;
    ~vK_ReplaySaveFolder();
    vK_ReplaySaveFolder(const vK_ReplaySaveFolder&) = delete;
    vK_ReplaySaveFolder& operator=(const vK_ReplaySaveFolder&) = delete;

    // Copies named (relative to the recording file's folder) into target, or into a new
    // temporary folder when target is empty; false with error set when that fails.
    bool Prepare(const std::string& recordingPath, const std::string& named, const std::string& target,
                 std::string& error);
    // The folder to use as the save folder; empty before Prepare succeeded.
    const std::string& GetFolder() const { return folder_; }

private:
    std::string folder_;
    bool temporary_ = false;
};

// Copies saveFolder, the folder a recorded run starts from, next to the recording as
// "FILE.save" and sets name to what the recording's header calls it (empty when there is no
// such folder). An older copy is replaced only when --record made it (it holds the copy
// marker). False with error set, and nothing of the player's changed, when the copy would
// overlap the save folder, when FILE.save is something else, or when copying fails (the
// partial copy is removed again).
bool SnapshotSaveFolder(const std::string& recordingPath, const std::string& saveFolder, std::string& name,
                        std::string& error);
