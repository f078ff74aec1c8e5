#pragma once
#include <filesystem>
#include <map>
#include <string>

#include "core/process_listener.h"

// Reloading while editing (vrakko --dev): twice a second of frame time it compares the
// modification times of the .lua and .xml files under the asset folder with the last
// look; when one changed (or a new one appeared) it logs which and starts the current
// level again with its module and trigger, as switching to it would, at once. Errors in
// the edited files are the module loader's log lines; the game goes on.
class vY_DevReload : public vK_ProcessListener {
public:
    static constexpr float kPollSeconds = 0.5f;

    // assetFolder is the folder that holds the assets ("ROOT/assets").
    explicit vY_DevReload(std::filesystem::path assetFolder);
    void OnProcess(const vK_FrameInfo& frame) override;
    // Looks at the files now; true when a reload was started.
    bool Poll();

private:
    // The modification time of every watched file, by its path ("assets/...").
    std::map<std::string, std::filesystem::file_time_type> Scan() const;

    std::filesystem::path folder_;
    std::map<std::string, std::filesystem::file_time_type> times_;
    float sinceLook_ = 0.0f;
};
