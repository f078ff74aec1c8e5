#include "game/game_config.h"

#include "core/vrakko.h"
#include "data/config.h"
#include "data/exception.h"
#include "files/log.h"

namespace {
vY_GameConfig* g_instance = nullptr;

// The engine's game name before any is set.
constexpr const char* kFallbackGameName = "Game";

#ifndef VRAKKO_EDITION_COLLECTORS
#define VRAKKO_EDITION_COLLECTORS 0
#endif
#ifndef VRAKKO_EDITION_SURVEY
#define VRAKKO_EDITION_SURVEY 0
#endif
#ifndef VRAKKO_EDITION_CHEATER
#define VRAKKO_EDITION_CHEATER 0
#endif
#ifndef VRAKKO_EDITION_STREAMING
#define VRAKKO_EDITION_STREAMING 0
#endif

bool ConfigBool(const std::string& path, bool def) {
    const vK_Config* config = vK_Config::Instance();
    return config ? config->GetBool(path, def) : def;
}

float ConfigFloat(const std::string& path, float def) {
    const vK_Config* config = vK_Config::Instance();
    return config ? config->GetFloat(path, def) : def;
}

int32_t ConfigInt(const std::string& path, int32_t def) {
    const vK_Config* config = vK_Config::Instance();
    return config ? config->GetInt(path, def) : def;
}

std::string ConfigString(const std::string& path) {
    const vK_Config* config = vK_Config::Instance();
    return config ? config->GetString(path, "") : std::string();
}
}  // namespace

vY_Edition vY_Edition::Build() {
    vY_Edition edition;
    edition.collectors = VRAKKO_EDITION_COLLECTORS != 0;
    edition.survey = VRAKKO_EDITION_SURVEY != 0;
    edition.cheater = VRAKKO_EDITION_CHEATER != 0;
    edition.streaming = VRAKKO_EDITION_STREAMING != 0;
    return edition;
}

vY_GameConfig::vY_GameConfig(const vY_Edition& edition) : edition_(edition) { g_instance = this; }

vY_GameConfig::~vY_GameConfig() {
    if (g_instance == this) g_instance = nullptr;
}

vY_GameConfig* vY_GameConfig::Instance() { return g_instance; }

std::string vY_GameConfig::GetStartModule() const { return ConfigString("start_point.module"); }
std::string vY_GameConfig::GetStartFunc() const { return ConfigString("start_point.func"); }

bool vY_GameConfig::GetDefaultPerformance() const { return ConfigBool("default_settings.performance", true); }
bool vY_GameConfig::GetDefaultFullscreen() const { return ConfigBool("default_settings.fullscreen", true); }
bool vY_GameConfig::GetDefaultWidescreen() const { return ConfigBool("default_settings.widescreen", true); }
bool vY_GameConfig::GetDefaultSysCursor() const { return ConfigBool("default_settings.syscursor", false); }
float vY_GameConfig::GetDefaultGamma() const { return ConfigFloat("default_settings.gamma", 1.0f); }

float vY_GameConfig::GetDefaultVolume(const std::string& channel) const {
    return ConfigFloat("default_settings." + channel + "_volume", 0.7f);
}

int32_t vY_GameConfig::GetInventorySize(int32_t def) const {
    return ConfigInt("interface_settings.inventory_size", def);
}

int32_t vY_GameConfig::GetHintTime(const std::string& name, int32_t def) const {
    return ConfigInt("interface_settings.hint_time." + name, def);
}

int32_t vY_GameConfig::GetSkipTime(const std::string& name, int32_t def) const {
    return ConfigInt("interface_settings.skip_time." + name, def);
}

std::string vY_GameConfig::GetSaveFolderName() const {
    std::string name;
    const vK_Config* config = vK_Config::Instance();
    if (config) {
        try {
            name = config->GetOption("save_settings.folder");  // logs a missing option itself
            if (name.empty()) Log("Error: The option 'save_settings.folder' is empty.");
        } catch (const vK_Exception&) {
            name.clear();
        }
    }
    if (name.empty()) {
        const Vrakko* engine = Vrakko::Instance();
        name = engine && !engine->GetGameName().empty() ? engine->GetGameName() : kFallbackGameName;
        Log("Warning: saving under the game name \"%s\".", name.c_str());
    }
    if (edition_.collectors) name += " CE";
    if (edition_.survey) name += " Survey";
    return name;
}

std::string vY_GameConfig::GetUrl() const { return ConfigString("publisher_settings.url"); }
std::string vY_GameConfig::GetGuideUrl() const { return ConfigString("publisher_settings.guide_url"); }
std::string vY_GameConfig::GetProjectVersion() const { return ConfigString("version.currentVersion"); }
