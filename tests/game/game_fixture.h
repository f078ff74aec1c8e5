#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/application.h"
#include "core/mediator.h"
#include "core/vrakko.h"
#include "data/config.h"
#include "data/json.h"
#include "game/game_config.h"
#include "media/sound_hub_impl.h"
#include "platform/desktop_services.h"
#include "scene/cursor.h"
#include "support/file_manager_fixture.h"
#include "support/script_scene.h"

// An engine that records the display modes it is asked for and the quit requests.
class GameTestEngine : public Vrakko {
public:
    GameTestEngine() : Vrakko(std::make_unique<Platform>(*this)) {}

    std::vector<vK_DisplayMode> modes;
    int quits = 0;

private:
    class Platform : public vK_Platform {
    public:
        explicit Platform(GameTestEngine& owner) : owner_(owner) {}
        bool ChangeDisplayMode(const vK_DisplayMode& mode) override {
            owner_.modes.push_back(mode);
            return false;
        }
        void Quit() override { ++owner_.quits; }

    private:
        GameTestEngine& owner_;
    };
};

// Desktop services that record what they are asked.
class GameTestDesktop : public vK_DesktopServices {
public:
    std::string CopyToDocuments(const std::string& path) override {
        calls.push_back("copy " + path);
        return {};
    }
    void SetWallpaper(const std::string& path) override { calls.push_back("wallpaper " + path); }
    void InstallScreensaver(const std::string& path) override { calls.push_back("screensaver " + path); }
    void OpenUrl(const std::string& url) override { calls.push_back("url " + url); }

    std::vector<std::string> calls;
};

// An application whose display mode is a fixed size in the asked-for state.
class GameTestApplication : public vK_Application {
public:
    vK_DisplayMode GetDisplayMode(bool fullscreen) override {
        vK_DisplayMode mode;
        mode.fullscreen = fullscreen;
        mode.width = fullscreen ? 1920 : 1366;
        mode.height = fullscreen ? 1080 : 768;
        return mode;
    }
    void OnProcess(const vK_FrameInfo&) override {}
};

// The services the game layer's classes talk to: files over a temporary folder, the
// mediator, a script host with a scene, the sound hub, the cursor, an engine with an
// application, and a configuration the test chooses.
class GameFixture : public StartedFileManagerFixture {
protected:
    GameFixture() { engine.SetApplication(&application); }
    ~GameFixture() override { engine.SetApplication(nullptr); }

    void Configure(const std::string& json) {
        config.reset();
        config = std::make_unique<vK_Config>(vK_DataPtr(ParseJson(json).release()));
    }
    std::string SaveText(const std::string& name) const { return folder.ReadFile("save/" + name); }

    vK_Mediator mediator;
    ScriptSceneFixture script;
    vK_SoundHub_Impl sounds;
    vK_Cursor cursor;
    GameTestEngine engine;
    GameTestDesktop desktop;
    GameTestApplication application;
    std::unique_ptr<vK_Config> config = std::make_unique<vK_Config>(nullptr);
    vY_GameConfig game_config;
};
