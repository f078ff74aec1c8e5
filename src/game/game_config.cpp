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

const vK_ConfigKey kStartModule(
    "start_point.module", "string", "\"\"",
    "The module of the first level; without it the game starts with an empty level.");
const vK_ConfigKey kStartFunc("start_point.func", "string", "\"\"",
                              "Lua code run once the first level's module is loaded.");
const vK_ConfigKey kPerformance("default_settings.performance", "bool", "true",
                                "The performance mode of a new player's settings (partsys_pm freezes).");
const vK_ConfigKey kFullscreen("default_settings.fullscreen", "bool", "true",
                               "Whether a new installation starts full screen.");
const vK_ConfigKey kWidescreen("default_settings.widescreen", "bool", "true",
                               "Whether a new installation uses the 1366 x 768 reference area.");
const vK_ConfigKey kSysCursor("default_settings.syscursor", "bool", "false",
                              "Whether a new installation shows the system's cursor.");
const vK_ConfigKey kGamma("default_settings.gamma", "number", "1",
                          "The brightness factor of a new installation.");
const vK_ConfigKey kVolume("default_settings.CHANNEL_volume", "number", "0.7",
                           "The initial volume of a channel: sfx, env, soundtrack or voice.");
const vK_ConfigKey kInventorySize("interface_settings.inventory_size", "int", "the script's default",
                                  "Read by ConfigGetInventorySize: the number of inventory slots.");
const vK_ConfigKey kHintTime("interface_settings.hint_time.NAME", "int", "the script's default",
                             "Read by ConfigGetHintTime(NAME): a hint's recharge time.");
const vK_ConfigKey kSkipTime("interface_settings.skip_time.NAME", "int", "the script's default",
                             "Read by ConfigGetSkipTime(NAME): a skip button's recharge time.");
const vK_ConfigKey kSaveFolder(
    "save_settings.folder", "string", "required",
    "The save folder's name (\" CE\" and \" Survey\" appended for those editions); "
    "missing, the game saves under Vrakko.gameName and logs an error.");
const vK_ConfigKey kUrl("publisher_settings.url", "string", "\"\"", "Returned by GetUrl.");
const vK_ConfigKey kGuideUrl("publisher_settings.guide_url", "string", "\"\"", "Returned by GetGuideUrl.");
const vK_ConfigKey kProjectVersion("version.currentVersion", "string", "\"\"",
                                   "Returned by ConfigGetProjectVersion.");
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

std::string vY_GameConfig::GetStartModule() const { return ConfigString(kStartModule.path); }
std::string vY_GameConfig::GetStartFunc() const { return ConfigString(kStartFunc.path); }

bool vY_GameConfig::GetDefaultPerformance() const { return ConfigBool(kPerformance.path, true); }
bool vY_GameConfig::GetDefaultFullscreen() const { return ConfigBool(kFullscreen.path, true); }
bool vY_GameConfig::GetDefaultWidescreen() const { return ConfigBool(kWidescreen.path, true); }
bool vY_GameConfig::GetDefaultSysCursor() const { return ConfigBool(kSysCursor.path, false); }
float vY_GameConfig::GetDefaultGamma() const { return ConfigFloat(kGamma.path, 1.0f); }

float vY_GameConfig::GetDefaultVolume(const std::string& channel) const {
    return ConfigFloat(kVolume.With(channel), 0.7f);
}

int32_t vY_GameConfig::GetInventorySize(int32_t def) const { return ConfigInt(kInventorySize.path, def); }

int32_t vY_GameConfig::GetHintTime(const std::string& name, int32_t def) const {
    return ConfigInt(kHintTime.With(name), def);
}

int32_t vY_GameConfig::GetSkipTime(const std::string& name, int32_t def) const {
    return ConfigInt(kSkipTime.With(name), def);
}

std::string vY_GameConfig::GetSaveFolderName() const {
    std::string name;
    const vK_Config* config = vK_Config::Instance();
    if (config) {
        try {
            name = config->GetOption(kSaveFolder.path);  // logs a missing option itself
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

std::string vY_GameConfig::GetUrl() const { return ConfigString(kUrl.path); }
std::string vY_GameConfig::GetGuideUrl() const { return ConfigString(kGuideUrl.path); }
std::string vY_GameConfig::GetProjectVersion() const { return ConfigString(kProjectVersion.path); }
