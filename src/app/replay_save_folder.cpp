#include "app/replay_save_folder.h"

#include <cstdlib>
#include <filesystem>
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
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/vrakko-replay-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data())) {
            error = "can not make a temporary save folder";
            return false;
        }
        folder = buffer.data();
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
