#include "game/dev_reload.h"

#include <system_error>
#include <utility>

#include "core/frame_info.h"
#include "files/log.h"
#include "game/application.h"
#include "game/level.h"

namespace fs = std::filesystem;

vY_DevReload::vY_DevReload(fs::path assetFolder) : folder_(std::move(assetFolder)) {
    std::error_code error;
    if (fs::exists(folder_ / "data.pck", error))
        Log("Warning: dev: assets/data.pck is present; its files are read before the asset folder's");
    if (!fs::is_directory(folder_, error))
        Log("Warning: dev: there is no asset folder %s to watch", folder_.string().c_str());
    times_ = Scan();
}

std::map<std::string, fs::file_time_type> vY_DevReload::Scan() const {
    std::map<std::string, fs::file_time_type> times;
    std::error_code error;
    fs::recursive_directory_iterator it(folder_, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& path = it->path();
        const std::string extension = path.extension().string();
        if (extension != ".lua" && extension != ".xml") continue;
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;
        const fs::file_time_type time = it->last_write_time(fileError);
        if (fileError) continue;
        times.emplace("assets/" + path.lexically_relative(folder_).generic_string(), time);
    }
    return times;
}

bool vY_DevReload::Poll() {
    std::map<std::string, fs::file_time_type> times = Scan();
    bool changed = false;
    for (const auto& [name, time] : times) {
        const auto before = times_.find(name);
        if (before != times_.end() && before->second == time) continue;
        Log("dev: %s changed", name.c_str());
        changed = true;
    }
    times_ = std::move(times);
    if (!changed) return false;
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

void vY_DevReload::OnProcess(const vK_FrameInfo& frame) {
    sinceLook_ += frame.dt;
    if (sinceLook_ < kPollSeconds) return;
    sinceLook_ = 0.0f;
    Poll();
}
