// Reloading while editing: a level started from a module pair in a temporary asset folder,
// files touched with new modification times, frames of 1/60 s.
#include "game/dev_reload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "core/mediator.h"
#include "data/config.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "game/application.h"
#include "game/game_message_ids.h"
#include "game/level.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class DevReloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteFile("root/assets/shared/interface/int_loading.xml",
                         "<module name=\"int_loading\"><objs><obj name=\"int_loading_module\">"
                         "<obj name=\"int_loading\"/></obj></objs></module>");
        folder.WriteFile("root/assets/shared/interface/int_loading.lua", "function public.Init() end");
        folder.WriteFile("root/assets/modules/menu.xml",
                         "<module name=\"menu\"><objs><obj name=\"menu_root\"/></objs></module>");
        folder.WriteFile("root/assets/modules/menu.lua", "function public.Start() Rec('menu', 'first') end");
        folder.WriteFile("root/assets/images/menu.xml", "<atlas/>");
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
        app->OnShutdown();
        scripts.Frame();
    }
    // Rewrites a file and moves its time forward, as an editor saving it would.
    void Edit(const std::string& relative, const std::string& text) {
        folder.WriteFile("root/" + relative, text);
        const fs::path path = folder.Path() + "/root/" + relative;
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(++edits_));
    }
    void Frame() {
        vK_FrameInfo frame;
        frame.dt = 1.0f / 60;
        if (watcher) watcher->OnProcess(frame);
        app->OnProcess(frame);
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

TEST_F(DevReloadTest, ChangedModuleFileReloadsTheLevelWithinASecond) {
    vK_LogCapture log;
    // Nothing changed: two seconds pass without a reload.
    EXPECT_EQ(FramesUntilReload(120), 121);
    EXPECT_EQ(scripts.Take(), std::vector<ScriptSceneFixture::Record>{});

    Edit("assets/modules/menu.lua", "function public.Start() Rec('menu', 'edited') end");
    EXPECT_LE(FramesUntilReload(120), 60);
    ASSERT_NE(app->GetLevel(), nullptr);
    EXPECT_EQ(app->GetLevel()->GetModule(), "assets/modules/menu");
    EXPECT_EQ(app->GetLevel()->GetTrigger(), "menu.Start()");
    EXPECT_EQ(scripts.Take(), (std::vector<ScriptSceneFixture::Record>{{"menu", "edited"}}));
    EXPECT_TRUE(log.Contains("dev: assets/modules/menu.lua changed")) << log.Text();

    // Any .xml under the assets counts, and a new module file too.
    Edit("assets/images/menu.xml", "<atlas/> ");
    EXPECT_LE(FramesUntilReload(120), 60);
    folder.WriteFile("root/assets/modules/extra.lua", "");
    EXPECT_LE(FramesUntilReload(120), 60);
    EXPECT_TRUE(log.Contains("dev: assets/modules/extra.lua changed")) << log.Text();
    scripts.Take();
}

TEST_F(DevReloadTest, BrokenFilesAreLoggedAndTheGameGoesOn) {
    vK_LogCapture log;
    Edit("assets/modules/menu.xml", "<module name=\"menu\"><objs>");
    EXPECT_LE(FramesUntilReload(120), 60);
    EXPECT_TRUE(log.Contains("[vK][Module] Error while parsing assets/modules/menu")) << log.Text();
    ASSERT_NE(app->GetLevel(), nullptr);
    for (int i = 0; i < 10; ++i) Frame();
    // Without code the module keeps the table its last good load made.
    EXPECT_EQ(scripts.Take(), (std::vector<ScriptSceneFixture::Record>{{"menu", "first"}}));

    Edit("assets/modules/menu.xml", "<module name=\"menu\"><objs><obj name=\"menu_root\"/></objs></module>");
    Edit("assets/modules/menu.lua", "function public.Start( Rec('menu', 'broken') end");
    EXPECT_LE(FramesUntilReload(120), 60);
    EXPECT_TRUE(log.Contains("Error: module menu try to compile")) << log.Text();
    EXPECT_EQ(scripts.Take(), (std::vector<ScriptSceneFixture::Record>{{"menu", "first"}}));
    ASSERT_NE(app->GetLevel(), nullptr);

    // Fixed again: the next look reloads the working level.
    Edit("assets/modules/menu.lua", "function public.Start() Rec('menu', 'fixed') end");
    EXPECT_LE(FramesUntilReload(120), 60);
    EXPECT_EQ(scripts.Take(), (std::vector<ScriptSceneFixture::Record>{{"menu", "fixed"}}));
}

TEST_F(DevReloadTest, ChangeDuringALevelSwitchLeavesTheSwitchToLoadIt) {
    vK_LogCapture log;
    vK_DataTable payload;
    payload.SetString("module", "assets/modules/menu");
    payload.SetString("func", "menu.Start()");
    mediator.Send(MSG_Command_Application_SwitchLevel, &payload);
    Edit("assets/modules/menu.lua", "function public.Start() Rec('menu', 'switched') end");
    EXPECT_FALSE(watcher->Poll());
    EXPECT_TRUE(log.Contains("dev: no level to reload now")) << log.Text();
    // The switch itself starts the one new level, with the edited code.
    EXPECT_LE(FramesUntilReload(60), 30);
    EXPECT_EQ(FramesUntilReload(60), 61);
    EXPECT_EQ(scripts.Take(), (std::vector<ScriptSceneFixture::Record>{{"menu", "switched"}}));
}

}  // namespace
