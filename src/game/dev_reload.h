#pragma once
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "core/process_listener.h"
#include "game/asset_reloader.h"

class vK_FileWatcher;

// Reloading while editing (vrakko --dev). A file watcher (inotify where the system has
// it, else polling twice a second) reports changed files under the asset folder; a burst
// of saves is gathered until no change came for kSettleSeconds of frame time, then the
// changed assets are reloaded into the running game (vY_AssetReloader: string tables,
// images, atlases, fonts, animations, grids; a file that does not load keeps its old
// content and is logged with its line) and the current level starts again with its
// module and trigger, as switching to it would, so modules, particle presets, flash
// animations, sounds and videos are read anew too. Errors in modules are the module
// loader's log lines; the game goes on.
class vY_DevReload : public vK_ProcessListener {
public:
    static constexpr float kSettleSeconds = 0.2f;

    // assetFolder is the folder that holds the assets ("ROOT/assets"); the watcher is the
    // best the platform offers.
    explicit vY_DevReload(std::filesystem::path assetFolder);
    vY_DevReload(std::filesystem::path assetFolder, std::unique_ptr<vK_FileWatcher> watcher);
    ~vY_DevReload() override;
    void OnProcess(const vK_FrameInfo& frame) override;
    // Looks at the files now and reloads whatever changed, without waiting for the burst
    // to settle; true when the level was started again.
    bool Poll();
    const vK_FileWatcher& GetWatcher() const { return *watcher_; }
    const vY_AssetReloader& GetReloader() const { return reloader_; }

private:
    // Adds the watcher's changes to the pending set; true when there were any.
    bool Look();
    bool ReloadPending();

    std::filesystem::path folder_;
    std::unique_ptr<vK_FileWatcher> watcher_;
    vY_AssetReloader reloader_;
    std::set<std::string> pending_;  // "assets/..." paths
    float sinceLook_ = 0.0f;
    float quiet_ = 0.0f;  // frame time since the last change came
};
