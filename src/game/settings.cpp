#include "game/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/mediator.h"
#include "core/vrakko.h"
#include "data/data.h"
#include "data/json_file.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "game/game_config.h"
#include "game/game_message_ids.h"
#include "game/saved_values.h"
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

// Gamma values that keep the picture visible: the overlay that simulates gamma covers
// the frame with black of opacity 1 - gamma below 1 and adds white of opacity
// (gamma - 1) * 0.3 above it.
constexpr double kMinGamma = 0.25;
constexpr double kMaxGamma = 2.5;
constexpr float kNeutralGamma = 1.0f;
constexpr float kFallbackVolume = 0.7f;

// A default from the configuration, or fallback (with a log line) when it is outside lo..hi.
float CheckedDefault(const std::string& key, float value, double lo, double hi, float fallback) {
    const std::string problem = NumberProblem(value, lo, hi, false);
    if (problem.empty()) return value;
    Log("Error: the configuration's \"%s\" %s; %s is used.", key.c_str(), problem.c_str(),
        DescribeNumber(fallback).c_str());
    return fallback;
}

// The number under key when it is within lo..hi (whole when whole is set), fallback with a
// log line naming the file, the key and the value when it is anything else, nothing when
// the key is missing.
std::optional<double> ReadNumber(const vK_DataTable& table, const std::string& key, double lo, double hi,
                                 bool whole, double fallback) {
    const vK_Data* value = table.Get(key);
    if (!value) return std::nullopt;
    const std::string problem = NumberProblem(*value, lo, hi, whole);
    if (problem.empty()) return value->GetDouble();
    Log("Error: %s: \"%s\" %s; the default %s is used.", vY_Settings::kFileName, key.c_str(), problem.c_str(),
        DescribeNumber(fallback).c_str());
    return fallback;
}

std::optional<bool> ReadBool(const vK_DataTable& table, const std::string& key, bool fallback) {
    const vK_Data* value = table.Get(key);
    if (!value) return std::nullopt;
    if (value->GetTag() == vK_Data::kBool) return value->GetBool();
    Log("Error: %s: \"%s\" is %s, not true or false; the default %s is used.", vY_Settings::kFileName,
        key.c_str(), DescribeValue(*value).c_str(), fallback ? "true" : "false");
    return fallback;
}

// Reads path silently (a first run has no settings yet), kind 0; problem says why a file
// that is there gave no table.
std::unique_ptr<vK_Data> LoadSilently(const std::string& path, std::string& problem) {
    problem.clear();
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) return nullptr;
    const bool was_silent = files->IsSilent();
    files->SetSilent(true);
    std::unique_ptr<vK_Data> root = LoadJson(path, 0, problem);
    files->SetSilent(was_silent);
    if (root && !root->AsTable()) problem = path + " is not a JSON object";
    return root;
}

// Keeps a copy of a settings file that can not be used before the settings are written
// over it, and says why.
void ReportDamagedFile(const std::string& problem) {
    vK_FileManager* files = vK_FileManager::Instance();
    const std::string copy = files ? files->KeepDamagedCopy(vY_Settings::kFileName) : std::string();
    if (copy.empty()) {
        Log("Error: %s; the settings are written anew.", problem.c_str());
    } else {
        Log("Error: %s; its content is kept in %s and the settings are written anew.", problem.c_str(),
            copy.c_str());
    }
}
}  // namespace

vY_Settings::vY_Settings() {
    const Values defaults = Defaults();
    fullscreen_ = defaults.fullscreen;
    widescreen_ = defaults.widescreen;
    syscursor_ = defaults.syscursor;
    performance_ = defaults.performance;
    sfx_ = defaults.volumes[0];
    env_ = defaults.volumes[1];
    soundtrack_ = defaults.volumes[2];
    voice_ = defaults.volumes[3];
    gamma_ = defaults.gamma;
    g_instance = this;
}

vY_Settings::~vY_Settings() {
    if (g_instance == this) g_instance = nullptr;
}

vY_Settings* vY_Settings::Instance() { return g_instance; }

vY_Settings::Values vY_Settings::Defaults() {
    const DefaultsReader reader;
    const vY_GameConfig& config = *reader.config;
    Values values;
    values.fullscreen = config.GetDefaultFullscreen();
    values.widescreen = config.GetDefaultWidescreen();
    values.syscursor = config.GetDefaultSysCursor();
    values.performance = config.GetDefaultPerformance() ? 1 : 0;
    for (int i = 0; i < 4; ++i) {
        values.volumes[i] = CheckedDefault(std::string("default_settings.") + kChannels[i] + "_volume",
                                           config.GetDefaultVolume(kChannels[i]), 0.0, 1.0, kFallbackVolume);
    }
    values.gamma = CheckedDefault("default_settings.gamma", config.GetDefaultGamma(), kMinGamma, kMaxGamma,
                                  kNeutralGamma);
    return values;
}

void vY_Settings::Load() {
    std::string problem;
    const std::unique_ptr<vK_Data> root = LoadSilently(kFileName, problem);
    const vK_DataTable* table = root ? root->AsTable() : nullptr;
    if (!table) {
        if (!problem.empty()) ReportDamagedFile(problem);
        Save();
        return;
    }
    // A value that is missing leaves its setting alone; one that is not usable is
    // replaced by the default, with a log line.
    const Values defaults = Defaults();
    const std::optional<double> performance =
        ReadNumber(*table, "performance", INT32_MIN, INT32_MAX, true, defaults.performance);
    if (performance) performance_ = static_cast<int>(*performance);
    if (auto v = ReadBool(*table, "fullscreen", defaults.fullscreen)) fullscreen_ = *v;
    if (auto v = ReadBool(*table, "widescreen", defaults.widescreen)) widescreen_ = *v;
    if (auto v = ReadBool(*table, "syscursor", defaults.syscursor)) SetSysCursor(*v);
    for (int i = 0; i < 4; ++i) {
        const std::string key = std::string(kChannels[i]) + "_volume";
        if (auto v = ReadNumber(*table, key, 0.0, 1.0, false, defaults.volumes[i]))
            SetVolume(kChannels[i], static_cast<float>(*v));
    }
    if (auto v = ReadNumber(*table, "gamma", kMinGamma, kMaxGamma, false, defaults.gamma))
        SetGamma(static_cast<float>(*v));
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
    if (!std::isfinite(value)) {
        // It would blank every frame, and has no JSON text to be saved as.
        Log("Error: the gamma %s is not finite; it stays %s.", DescribeNumber(value).c_str(),
            DescribeNumber(gamma_).c_str());
        return;
    }
    gamma_ = value;
    if (Vrakko* engine = Vrakko::Instance()) engine->SetFactor(value);
}
