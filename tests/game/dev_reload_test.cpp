// Reloading while editing: a level started from a module pair in a temporary asset folder,
// files touched with new modification times, frames of 1/60 s.
#include <gtest/gtest.h>

#include "dev_reload_fixture.h"
#include "files/log.h"
#include "game/game_message_ids.h"

namespace {

class DevReloadTest : public DevReloadFixture {
protected:
    void SetUp() override {
        Edit("assets/modules/menu.xml",
             "<module name=\"menu\"><objs><obj name=\"menu_root\"/></objs></module>");
        Edit("assets/modules/menu.lua", "function public.Start() Rec('menu', 'first') end");
        Edit("assets/images/menu.xml", "<atlas/>");
        StartGame();
    }
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
