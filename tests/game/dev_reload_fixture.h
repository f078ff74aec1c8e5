#pragma once
// A game running the level "assets/modules/menu" (trigger menu.Start()) from a temporary
// asset folder, with vrakko --dev's reloader over it: files are edited with new
// modification times, as an editor saving them would, and frames last 1/60 s.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "core/mediator.h"
#include "data/config.h"
#include "files/file_manager.h"
#include "game/application.h"
#include "game/dev_reload.h"
#include "game/level.h"
#include "media/sound_hub.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

class DevReloadFixture : public ::testing::Test {
protected:
    // Writes the loading-screen module, starts the application (the derived test wrote the
    // level's files first) and then the reloader.
    void StartGame() {
        Edit("assets/shared/interface/int_loading.xml",
             "<module name=\"int_loading\"><objs><obj name=\"int_loading_module\">"
             "<obj name=\"int_loading\"/></obj></objs></module>");
        Edit("assets/shared/interface/int_loading.lua", "function public.Init() end");
        files.SetAssetRoot(folder.Path() + "/root");
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        auto root = std::make_shared<vK_DataTable>();
        vK_DataTable* start = root->SetTable("start_point");
        start->SetString("module", "assets/modules/menu");
        start->SetString("func", "menu.Start()");
        root->SetTable("save_settings")->SetString("folder", "Game");
        config = std::make_unique<vK_Config>(root);
        app = std::make_unique<vY_Application>(1024, 768);
        app->SetDesktopSize(1024, 768);
        app->AfterInit();
        Frame();
        scripts.Take();
        watcher = std::make_unique<vY_DevReload>(folder.Path() + "/root/assets");
    }
    void TearDown() override {
        if (!app) return;
        app->OnShutdown();
        scripts.Frame();
    }
    // Writes a file under the root folder and moves its time forward.
    void Edit(const std::string& relative, const std::string& bytes) {
        folder.WriteFile("root/" + relative, bytes);
        const std::filesystem::path path = folder.Path() + "/root/" + relative;
        std::filesystem::last_write_time(
            path, std::filesystem::last_write_time(path) + std::chrono::seconds(++edits_));
    }
    void Frame() {
        vK_FrameInfo frame;
        frame.dt = 1.0f / 60;
        if (watcher) watcher->OnProcess(frame);
        app->OnProcess(frame);
        if (vK_SoundHub* sounds = vK_SoundHub::Instance()) sounds->Update(frame);
        scripts.Frame(frame.dt);
    }
    // Frames until the level object changes, at most `limit`; the number run.
    int FramesUntilReload(int limit) {
        const vY_Level* before = app->GetLevel();
        for (int i = 1; i <= limit; ++i) {
            Frame();
            if (app->GetLevel() != before) return i;
        }
        return limit + 1;
    }

    TempFolder folder;
    vK_Mediator mediator;
    vK_FileManager files;
    ScriptSceneFixture scripts;
    std::unique_ptr<vK_Config> config;
    std::unique_ptr<vY_Application> app;
    std::unique_ptr<vY_DevReload> watcher;
    int edits_ = 0;
};
