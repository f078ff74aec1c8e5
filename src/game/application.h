#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/application.h"
#include "core/listener_base.h"
#include "data/data.h"
#include "scene/object.h"

class vK_InstanceLock;
class vY_GameConfig;
class vY_Level;
class vY_ProfileList;
class vY_Settings;

// Where the reference area lies in the window: the root's position and scale.
struct vY_AppInfo {
    float posX = 0.0f;
    float posY = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    bool widescreen = false;
};

// The game's application object: it owns the game-wide services, creates the root
// "vy_application" under "vk_origin", starts the first level named by "start_point",
// switches levels when asked (the leaving level fades its loading screen in and
// reports that it is done; the next frame replaces it), maps the 1024 x 768 reference
// area (1366 x 768 in widescreen) onto the window and pauses the game while the
// window is inactive.
//
// The root and the level belong to the scene tree; the application only points at
// them through weak references, so a script that deletes either leaves no dangling
// pointer behind.
class vY_Application : public vK_Application, public vK_ListenerBase {
public:
    static constexpr float kReferenceHeight = 768.0f;
    static constexpr float kReferenceWidth = 1024.0f;
    static constexpr float kWideReferenceWidth = 1366.0f;

    vY_Application(int width, int height);
    ~vY_Application() override;

    // The start-up check: single instance (keyed by the window title) and
    // "assets/config.json" present. The message box is shown here when it is missing.
    bool CanStart();

    void AfterInit() override;
    void OnShutdown() override;
    vK_DisplayMode GetDisplayMode() override;
    vK_DisplayMode GetDisplayMode(bool fullscreen) override;
    virtual void Init();
    void OnDisplayModeChangeDone(bool fullscreen) override;
    void OnActivate() override;
    void OnDeactivate() override;
    void OnBackPressed() override;
    bool OnPreProcess(const vK_FrameInfo& /*frame*/) override { return true; }
    void OnProcess(const vK_FrameInfo& frame) override;
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;

    void StartNewLevel(const std::string& module, const std::string& trigger);
    void SetPause(bool pause);
    bool IsPaused() const { return m_bPause; }
    void UpdateApplicationParams(bool fullscreen);
    vY_AppInfo GetApplicationInfo(bool fullscreen);
    void ChooseDisplayMode(vK_DisplayMode& mode);

    // The desktop the display mode is fitted to: the engine's desktop size, read on
    // first use; sizes of zero (no display) count as 1024 x 768.
    void SetDesktopSize(float width, float height);
    float GetDesktopWidth();
    float GetDesktopHeight();

    vK_Object* GetRoot() const;
    vY_Level* GetLevel() const;
    bool HasPendingStart() const { return pending_ != nullptr; }
    bool IsWidescreen() const { return widescreen_; }
    bool IsForceFullscreen() const { return forceFullscreen_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }

    // The application that is running, or nullptr.
    static vY_Application* Instance();

private:
    class Root;
    void CloseLevel();
    void RequestStart();
    void ReadDesktop();
    // The settings' flag, or true while there are no settings.
    bool SettingsFullscreen() const;
    void RecordDisplay(bool fullscreen);

    std::weak_ptr<vK_Object*> root_;
    std::weak_ptr<vK_Object*> level_;
    // The first script subscription the current level's scripts may have made.
    uint64_t levelScriptSerial_ = 0;
    std::unique_ptr<vK_DataTable> pending_;
    bool m_bPause = false;  // NOLINT(readability-identifier-naming): the documented name of the field
    bool widescreen_ = true;
    bool forceFullscreen_ = false;
    int width_;
    int height_;
    float startupClock_ = 0.0f;
    bool desktopRead_ = false;
    float desktopWidth_ = 0.0f;
    float desktopHeight_ = 0.0f;
    std::unique_ptr<vK_InstanceLock> instanceLock_;
    // The game-wide services; each answers its class's Instance() while it lives.
    std::unique_ptr<vY_GameConfig> gameConfig_;
    std::unique_ptr<vY_Settings> settings_;
    std::unique_ptr<vY_ProfileList> profiles_;
};
