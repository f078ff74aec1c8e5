#include <gtest/gtest.h>

#include <filesystem>

#include "support/recording_render.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

TEST(ScriptApiScreenshot, WritesTheRenderedSceneAsJpeg) {
    ScriptSceneFixture fixture;
    TempFolder folder;
    EXPECT_TRUE(fixture.Lua("vk.dbg.Screenshot('" + folder.Path() + "/none')"));  // no renderer: nothing
    EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/none.jpg"));
    vK_RecordingRender render(64, 32);
    ASSERT_TRUE(fixture.Lua("vk.dbg.Screenshot('" + folder.Path() + "/shot')"));
    ASSERT_TRUE(std::filesystem::exists(folder.Path() + "/shot.jpg"));
    EXPECT_GT(std::filesystem::file_size(folder.Path() + "/shot.jpg"), 100u);
    EXPECT_EQ(fixture.Eval("type(DbgScreenshot)"), "nil");  // the design gives it no alias
}
