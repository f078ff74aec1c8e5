#include "scene/cursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_manager.h"
#include "graphics/image_codec.h"
#include "graphics/resource_manager.h"
#include "scene/scene.h"
#include "scene/sprite.h"
#include "support/recording_render.h"
#include "support/temp_folder.h"

namespace {

struct CursorTest : ::testing::Test {
    CursorTest() {
        std::vector<uint8_t> bgra(8 * 8 * 4, 255), png;
        EncodePng(bgra.data(), 8, 8, png);
        folder.WriteFile("root/assets/cursor/hand.png", std::string(png.begin(), png.end()));
        files.SetAssetRoot(folder.Path() + "/root");
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        vK_Sprite::RegisterType();
    }
    TempFolder folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    vK_RecordingRender render{1024, 768};
    vK_Scene scene;
};

TEST_F(CursorTest, SelectImageIgnoresInvalidAndCurrentIndices) {
    vK_Cursor cursor;
    cursor.LoadImage("assets/cursor/hand", 4);
    cursor.LoadImage("assets/cursor/none", 2);
    cursor.LoadImage("assets/cursor/hand", 0);
    const struct { int index, expected; } steps[] = {{1, 1}, {5, 1}, {-1, 1}, {3, 1}, {2, 2}, {2, 2}, {0, 0}};
    for (const auto& s : steps) {
        cursor.SelectImage(s.index);
        EXPECT_EQ(cursor.GetCurrentIndex(), s.expected) << s.index;
    }
}

TEST_F(CursorTest, DrawsItsSpriteAtThePointerUnlessHiddenOrSystem) {
    vK_Cursor cursor;
    cursor.LoadImage("assets/cursor/hand", 4);
    cursor.LoadImage("assets/cursor/none", 2);
    cursor.SelectImage(0);
    render.EndFrame();  // hidden until the pointer moves: nothing
    EXPECT_TRUE(render.batches.empty());

    cursor.SetPosition(100, 50);
    EXPECT_FALSE(cursor.IsHidden());
    render.SetCursorDrawer([&](vK_Render& r) { cursor.DrawCursor(r); });
    render.EndFrame();
    ASSERT_EQ(render.batches.size(), 1u);
    EXPECT_FLOAT_EQ(render.batches[0].vertices[0], 96.0f);  // the 8 x 8 image centred on (100, 50)
    EXPECT_FLOAT_EQ(render.batches[0].vertices[1], 46.0f);

    render.batches.clear();
    cursor.SetSystem(true);
    render.EndFrame();
    cursor.SetSystem(false);
    cursor.SetHidden(true);
    render.EndFrame();
    cursor.SetHidden(false);
    cursor.SelectImage(1);  // an entry without an image
    render.EndFrame();
    EXPECT_TRUE(render.batches.empty());
}

}  // namespace
