#pragma once
#include <cstdint>
#include <string>

// The four yes/no questions a build answers about itself. They are fixed when the
// program is compiled (VRAKKO_EDITION_COLLECTORS, _SURVEY, _CHEATER, _STREAMING set to 1);
// tests hand other answers to vY_GameConfig.
struct vY_Edition {
    bool collectors = false;
    bool survey = false;
    bool cheater = false;
    bool streaming = false;

    // The answers of this build.
    static vY_Edition Build();
};

// The game's view of the configuration: one getter per key the game layer reads, each
// with its fallback for a missing key or one of another kind. Holds no configuration
// itself; every getter reads the engine configuration when it is called. One instance,
// created by the application; Instance() is null while none exists.
class vY_GameConfig {
public:
    explicit vY_GameConfig(const vY_Edition& edition = vY_Edition::Build());
    ~vY_GameConfig();
    vY_GameConfig(const vY_GameConfig&) = delete;
    vY_GameConfig& operator=(const vY_GameConfig&) = delete;

    static vY_GameConfig* Instance();

    const vY_Edition& GetEdition() const { return edition_; }

    std::string GetStartModule() const;
    std::string GetStartFunc() const;

    bool GetDefaultPerformance() const;
    bool GetDefaultFullscreen() const;
    bool GetDefaultWidescreen() const;
    bool GetDefaultSysCursor() const;
    float GetDefaultGamma() const;
    // The default volume of a channel ("sfx", "env", "soundtrack", "voice", or any name).
    float GetDefaultVolume(const std::string& channel) const;

    int32_t GetInventorySize(int32_t def) const;
    int32_t GetHintTime(const std::string& name, int32_t def) const;
    int32_t GetSkipTime(const std::string& name, int32_t def) const;

    // The save folder's name: "save_settings.folder", then " CE" for the collector's
    // edition, then " Survey" for the survey edition. A missing or empty option would make
    // every save fail, so it logs an error and the engine's current game name stands in.
    std::string GetSaveFolderName() const;

    std::string GetUrl() const;
    std::string GetGuideUrl() const;
    std::string GetProjectVersion() const;

private:
    vY_Edition edition_;
};
