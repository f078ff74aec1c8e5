#include "game/app_services.h"

#include <optional>

#include "data/config.h"

namespace {

struct Settings {
    bool fullscreen = true;
    bool widescreen = true;
};

std::optional<Settings>& TheSettings() {
    static std::optional<Settings> settings;
    return settings;
}

}  // namespace

namespace vY_AppServices {

void CreateSettings() {
    if (TheSettings()) return;
    Settings settings;
    if (vK_Config* config = vK_Config::Instance()) {
        settings.fullscreen = config->GetBool("default_settings.fullscreen", true);
        settings.widescreen = config->GetBool("default_settings.widescreen", true);
    }
    TheSettings() = settings;
}

void DestroySettings() { TheSettings().reset(); }
bool HasSettings() { return TheSettings().has_value(); }
void SaveSettings() {}
bool GetFullscreen() { return TheSettings() ? TheSettings()->fullscreen : true; }
bool GetWidescreen() { return TheSettings() ? TheSettings()->widescreen : true; }

void RecordFullscreen(bool value) {
    if (TheSettings()) TheSettings()->fullscreen = value;
}

void RecordWidescreen(bool value) {
    if (TheSettings()) TheSettings()->widescreen = value;
}

void CreateProfiles() {}
void DestroyProfiles() {}
void SaveCurrentProfile() {}
bool IsCheaterProfile() { return false; }

// SEAM(profiles): the game script functions register here once they exist.
void RegisterScriptFunctions() {}

}  // namespace vY_AppServices
