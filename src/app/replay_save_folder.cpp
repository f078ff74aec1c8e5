#include "app/replay_save_folder.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "files/os_services.h"
#include "files/path_overlap.h"
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

namespace {

// Removes the FILE.save of an earlier recording; anything else at that path is kept and
// refused.
bool RemoveOlderCopy(const std::string& copy, std::string& error) {
    std::error_code ec;
    const fs::path path = OsPath(copy);
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!fs::exists(status)) return true;
    if (!fs::is_directory(status) || !fs::is_regular_file(path / kSaveCopyMarker, ec)) {
        error = copy +
                " is there and is no save folder copy that --record made; it is left as it is (move it " +
                "away or record to another file)";
        return false;
    }
    fs::remove_all(path, ec);
    if (ec) error = "can not replace the older copy " + copy + ": " + ec.message();
    return !ec;
}

bool MarkCopy(const std::string& copy, const std::string& recordingName, std::string& error) {
    const std::string text = "vrakko --record made this folder: the save folder the recording " +
                             recordingName + " starts from. Recording to that file again replaces it.\n";
    if (OsReplaceFile(copy + "/" + kSaveCopyMarker, std::vector<uint8_t>(text.begin(), text.end()), nullptr))
        return true;
    error = "can not write " + copy + "/" + kSaveCopyMarker;
    return false;
}

}  // namespace

bool SnapshotSaveFolder(const std::string& recordingPath, const std::string& saveFolder, std::string& name,
                        std::string& error) {
    name.clear();
    std::error_code ec;
    if (saveFolder.empty() || !fs::is_directory(OsPath(saveFolder), ec)) return true;
    const std::string copy = recordingPath + ".save";
    if (PathsOverlap(saveFolder, copy)) {
        error = "the save folder " + saveFolder + " and its copy for the recording, " + copy +
                ", would overlap (one inside the other); write the recording outside the save folder";
        return false;
    }
    if (!RemoveOlderCopy(copy, error)) return false;
    const std::string recordingName = OsPathText(OsPath(recordingPath).filename());
    if (!CopySaveFolder(saveFolder, copy, error) || !MarkCopy(copy, recordingName, error)) {
        fs::remove_all(OsPath(copy), ec);  // made in this run, after the older copy went
        error = "the save folder could not be copied for the recording: " + error;
        return false;
    }
    name = OsPathText(OsPath(copy).filename());
    return true;
}
