#include "app/replay_save_folder.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "files/log.h"
#include "platform/input_recording.h"

namespace fs = std::filesystem;

vK_ReplaySaveFolder::~vK_ReplaySaveFolder() {
    if (!temporary_) return;
    std::error_code error;
    fs::remove_all(folder_, error);
}

bool vK_ReplaySaveFolder::Prepare(const std::string& recordingPath, const std::string& named,
                                  const std::string& target, std::string& error) {
    const fs::path source = fs::path(recordingPath).parent_path() / named;
    std::string folder = target;
    if (folder.empty()) {
        // A new folder under the system's temporary folder (mkdtemp does not exist on
        // Windows): create_directory fails when the name is taken, so a name is never shared.
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && folder.empty(); ++attempt) {
            const fs::path candidate = base / ("vrakko-replay-" + std::to_string(random()));
            if (!ec && fs::create_directory(candidate, ec) && !ec) folder = candidate.string();
        }
        if (folder.empty()) {
            error = "can not make a temporary save folder";
            return false;
        }
        folder_ = folder;
        temporary_ = true;
    }
    if (!CopySaveFolder(source.string(), folder, error)) return false;
    folder_ = folder;
    return true;
}

std::string SnapshotSaveFolder(const std::string& recordingPath, const std::string& saveFolder) {
    std::error_code ec;
    if (saveFolder.empty() || !fs::is_directory(saveFolder, ec)) return {};
    const fs::path copy = recordingPath + ".save";
    fs::remove_all(copy, ec);
    std::string error;
    if (!CopySaveFolder(saveFolder, copy.string(), error)) {
        Log("Warning: the save folder could not be copied for the recording: %s", error.c_str());
        return {};
    }
    return copy.filename().string();
}
