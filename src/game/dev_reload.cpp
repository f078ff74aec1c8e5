#include "game/dev_reload.h"

#include <system_error>
#include <utility>
#include <vector>

#include "core/frame_info.h"
#include "files/file_watcher.h"
#include "files/log.h"
#include "game/application.h"
#include "game/level.h"
#include "platform/inotify_file_watcher.h"

namespace fs = std::filesystem;

namespace {
// Editors' temporary and backup files, and the archive (read before the folder anyway).
bool Ignored(const std::string& relative) {
    const size_t slash = relative.rfind('/');
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    auto endsWith = [&](const char* end) {
        const std::string e(end);
        return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
    };
    return name.empty() || name[0] == '.' || name[0] == '#' || endsWith("~") || endsWith(".swp") ||
           endsWith(".tmp") || relative == "data.pck";
}
}  // namespace

vY_DevReload::vY_DevReload(fs::path assetFolder)
    : vY_DevReload(assetFolder, CreateFileWatcher(assetFolder)) {}

vY_DevReload::vY_DevReload(fs::path assetFolder, std::unique_ptr<vK_FileWatcher> watcher)
    : folder_(std::move(assetFolder)), watcher_(std::move(watcher)) {
    std::error_code error;
    if (fs::exists(folder_ / "data.pck", error))
        Log("Warning: dev: assets/data.pck is present; its files are read before the asset folder's");
    if (!fs::is_directory(folder_, error))
        Log("Warning: dev: there is no asset folder %s to watch", folder_.string().c_str());
    Log("dev: watching %s (%s)", folder_.string().c_str(), watcher_->Kind());
}

vY_DevReload::~vY_DevReload() = default;

bool vY_DevReload::Look() {
    bool any = false;
    for (const std::string& relative : watcher_->TakeChanges()) {
        if (Ignored(relative)) continue;
        const std::string name = "assets/" + relative;
        if (pending_.insert(name).second) Log("dev: %s changed", name.c_str());
        any = true;
    }
    return any;
}

bool vY_DevReload::ReloadPending() {
    if (pending_.empty()) return false;
    const std::vector<std::string> files(pending_.begin(), pending_.end());
    pending_.clear();
    // The cache is brought up to date even during a level switch: the next level must
    // not be given the old resources.
    const vY_AssetReloader::Outcome outcome = reloader_.Apply(files);
    if (outcome.replaced > 0 || outcome.refreshed > 0)
        Log("dev: %d resources loaded afresh, %d objects took theirs again", outcome.replaced,
            outcome.refreshed);
    if (!outcome.restart) return false;
    vY_Application* application = vY_Application::Instance();
    vY_Level* level = application ? application->GetLevel() : nullptr;
    if (!level || application->HasPendingStart()) {
        Log("dev: no level to reload now; the next level reads the changed files");
        return false;
    }
    const std::string module = level->GetModule(), trigger = level->GetTrigger();
    Log("dev: reloading the level %s", module.c_str());
    application->StartNewLevel(module, trigger);
    return true;
}

bool vY_DevReload::Poll() {
    Look();
    return ReloadPending();
}

void vY_DevReload::OnProcess(const vK_FrameInfo& frame) {
    sinceLook_ += frame.dt;
    quiet_ += frame.dt;
    if (sinceLook_ >= watcher_->LookInterval()) {
        sinceLook_ = 0.0f;
        if (Look()) quiet_ = 0.0f;
    }
    if (!pending_.empty() && quiet_ >= kSettleSeconds) ReloadPending();
}
