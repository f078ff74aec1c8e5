#pragma once
#include <string>

// The player's display, cursor, gamma and volume choices, mirrored in
// "save/settings.json". Construction takes the configuration's defaults and applies
// nothing; Load applies what the file holds, and each setter applies its value to the
// engine, the cursor or the sound hub. One instance, owned by the application;
// Instance() is null while none exists.
class vY_Settings {
public:
    static constexpr const char* kFileName = "save/settings.json";

    vY_Settings();
    ~vY_Settings();
    vY_Settings(const vY_Settings&) = delete;
    vY_Settings& operator=(const vY_Settings&) = delete;

    static vY_Settings* Instance();

    // Reads the file and applies its values; without a readable file the current values
    // are written instead. A value of the wrong kind, out of its range or not finite is
    // logged and replaced by its default.
    void Load();
    bool Save() const;

    // With recordOnly the flag is only stored (the display mode was already chosen).
    // Otherwise a change asks the engine for the new display mode and returns its answer;
    // the stored flag follows once the change is done.
    bool SetFullscreen(bool value, bool recordOnly);
    bool GetFullscreen() const { return fullscreen_; }
    bool SetWidescreen(bool value, bool recordOnly);
    bool GetWidescreen() const { return widescreen_; }
    void SetSysCursor(bool value);
    bool GetSysCursor() const { return syscursor_; }
    // Clamps to 0..1; the four setting channels are stored, every name reaches the hub.
    void SetVolume(const std::string& channel, float value);
    // The stored volume of a setting channel, 0 for any other name.
    float GetVolume(const std::string& channel) const;
    // A value that is not finite is refused with a log line.
    void SetGamma(float value);
    float GetGamma() const { return gamma_; }
    void SetPerformance(int value) { performance_ = value; }
    int GetPerformance() const { return performance_; }

private:
    // The settings a first run starts with: the configuration's defaults, each checked
    // like a value read from the file.
    struct Values {
        bool fullscreen, widescreen, syscursor;
        int performance;
        float volumes[4];  // "sfx", "env", "soundtrack", "voice"
        float gamma;
    };
    static Values Defaults();
    float* Channel(const std::string& channel);

    bool fullscreen_;
    bool widescreen_;
    bool syscursor_;
    int performance_;
    float sfx_;
    float env_;
    float soundtrack_;
    float voice_;
    float gamma_;
};
