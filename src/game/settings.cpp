#include "game/settings.h"

#include <algorithm>
#include <memory>

#include "core/mediator.h"
#include "core/vrakko.h"
#include "data/data.h"
#include "data/json_file.h"
#include "files/file_manager.h"
#include "game/game_config.h"
#include "game/game_message_ids.h"
#include "media/sound_hub.h"
#include "scene/cursor.h"

namespace {
vY_Settings* g_instance = nullptr;

constexpr const char* kChannels[] = {"sfx", "env", "soundtrack", "voice"};

// A reader of the configuration defaults that works before the application made one.
struct DefaultsReader {
    DefaultsReader() {
        if (!vY_GameConfig::Instance()) own = std::make_unique<vY_GameConfig>();
        config = vY_GameConfig::Instance();
    }
    std::unique_ptr<vY_GameConfig> own;
    const vY_GameConfig* config;
};

// Reads path silently (a first run has no settings yet), kind 0.
std::unique_ptr<vK_Data> LoadSilently(const std::string& path) {
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) return nullptr;
    const bool was_silent = files->IsSilent();
    files->SetSilent(true);
    std::unique_ptr<vK_Data> root = LoadJson(path, 0);
    files->SetSilent(was_silent);
    return root;
}
}  // namespace

vY_Settings::vY_Settings() {
    const DefaultsReader defaults;
    const vY_GameConfig& config = *defaults.config;
    fullscreen_ = config.GetDefaultFullscreen();
    widescreen_ = config.GetDefaultWidescreen();
    syscursor_ = config.GetDefaultSysCursor();
    performance_ = config.GetDefaultPerformance() ? 1 : 0;
    sfx_ = config.GetDefaultVolume("sfx");
    env_ = config.GetDefaultVolume("env");
    soundtrack_ = config.GetDefaultVolume("soundtrack");
    voice_ = config.GetDefaultVolume("voice");
    gamma_ = config.GetDefaultGamma();
    g_instance = this;
}

vY_Settings::~vY_Settings() {
    if (g_instance == this) g_instance = nullptr;
}

vY_Settings* vY_Settings::Instance() { return g_instance; }

void vY_Settings::Load() {
    const std::unique_ptr<vK_Data> root = LoadSilently(kFileName);
    const vK_DataTable* table = root ? root->AsTable() : nullptr;
    if (!table) {
        Save();
        return;
    }
    if (const vK_Data* v = table->Get("performance")) performance_ = v->GetInt();
    if (const vK_Data* v = table->Get("fullscreen")) fullscreen_ = v->GetBool();
    if (const vK_Data* v = table->Get("widescreen")) widescreen_ = v->GetBool();
    if (const vK_Data* v = table->Get("syscursor")) SetSysCursor(v->GetBool());
    for (const char* channel : kChannels) {
        if (const vK_Data* v = table->Get(std::string(channel) + "_volume"))
            SetVolume(channel, v->GetFloat());
    }
    if (const vK_Data* v = table->Get("gamma")) SetGamma(v->GetFloat());
}

bool vY_Settings::Save() const {
    vK_DataTable table;
    table.SetInt("performance", performance_);
    table.SetBool("fullscreen", fullscreen_);
    table.SetBool("widescreen", widescreen_);
    table.SetBool("syscursor", syscursor_);
    table.SetFloat("sfx_volume", sfx_);
    table.SetFloat("env_volume", env_);
    table.SetFloat("soundtrack_volume", soundtrack_);
    table.SetFloat("voice_volume", voice_);
    table.SetFloat("gamma", gamma_);
    return SaveJson(&table, kFileName, 0, false);
}

bool vY_Settings::SetFullscreen(bool value, bool recordOnly) {
    if (recordOnly) {
        fullscreen_ = value;
        return true;
    }
    if (value == fullscreen_) return true;
    Vrakko* engine = Vrakko::Instance();
    return engine && engine->SetFullscreen(value);
}

bool vY_Settings::SetWidescreen(bool value, bool recordOnly) {
    if (recordOnly) {
        widescreen_ = value;
        return true;
    }
    if (value == widescreen_) return true;
    if (vK_Mediator* mediator = vK_Mediator::Instance()) {
        vK_DataTable payload;
        payload.SetBool("widescreen", value);
        mediator->Send(MSG_Command_Application_ChangeWidescreen, &payload);
    }
    Vrakko* engine = Vrakko::Instance();
    return engine && engine->SetFullscreen(fullscreen_);
}

void vY_Settings::SetSysCursor(bool value) {
    syscursor_ = value;
    if (vK_Cursor* cursor = vK_Cursor::Instance()) cursor->SetSystem(value);
}

float* vY_Settings::Channel(const std::string& channel) {
    if (channel == "sfx") return &sfx_;
    if (channel == "env") return &env_;
    if (channel == "soundtrack") return &soundtrack_;
    if (channel == "voice") return &voice_;
    return nullptr;
}

void vY_Settings::SetVolume(const std::string& channel, float value) {
    value = std::clamp(value, 0.0f, 1.0f);
    if (value != value) value = 0.0f;  // NaN passes clamp unchanged
    if (float* field = Channel(channel)) *field = value;
    if (vK_SoundHub* hub = vK_SoundHub::Instance()) hub->SetCategoryVolume(channel, value);
}

float vY_Settings::GetVolume(const std::string& channel) const {
    float* field = const_cast<vY_Settings*>(this)->Channel(channel);
    return field ? *field : 0.0f;
}

void vY_Settings::SetGamma(float value) {
    gamma_ = value;
    if (Vrakko* engine = Vrakko::Instance()) engine->SetFactor(value);
}
