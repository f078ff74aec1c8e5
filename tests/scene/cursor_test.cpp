#include "scene/cursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/anim_impl.h"
#include "core/frame_info.h"
#include "core/frame_stages.h"
#include "files/file_manager.h"
#include "graphics/image_codec.h"
#include "graphics/resource_manager.h"
#include "scene/animation.h"
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
        // An animated cursor: two 8 x 8 frames with the pivot at the top left (the hot spot).
        std::vector<uint8_t> page(16 * 8 * 4, 255), pagePng;
        EncodePng(page.data(), 16, 8, pagePng);
        folder.WriteFile("root/assets/cursor/spin_page.png", std::string(pagePng.begin(), pagePng.end()));
        folder.WriteFile("root/assets/cursor/spin_frames.xml",
                         "<frametexture>"
                         "<frame texture=\"spin_page\" left=\"0\" top=\"0\" widht=\"8\" height=\"8\"/>"
                         "<frame texture=\"spin_page\" left=\"8\" top=\"0\" widht=\"8\" height=\"8\"/>"
                         "</frametexture>");
        folder.WriteFile("root/assets/cursor/spin.xml",
                         "<animation type=\"frame\" frame_texture=\"spin_frames\">"
                         "<function name=\"DoAnim\" frametime=\"100\" loop=\"1\"><frame idx=\"0\"/>"
                         "<frame idx=\"1\"/></function></animation>");
        files.SetAssetRoot(folder.Path() + "/root");
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        vK_Sprite::RegisterType();
        vK_Animation::RegisterType();
    }
    TempFolder folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    vK_RecordingRender render{1024, 768};
    vK_Scene scene;
    // The end of a frame: the cursor's draw stage, then the renderer's end.
    void EndFrame() {
        vK_FrameStages::Run(vK_FrameStage::kDrawCursor, render);
        render.EndFrame();
    }
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
    EndFrame();  // hidden until the pointer moves: nothing
    EXPECT_TRUE(render.batches.empty());

    cursor.SetPosition(100, 50);
    EXPECT_FALSE(cursor.IsHidden());
    EndFrame();
    ASSERT_EQ(render.batches.size(), 1u);
    EXPECT_FLOAT_EQ(render.batches[0].vertices[0], 96.0f);  // the 8 x 8 image centred on (100, 50)
    EXPECT_FLOAT_EQ(render.batches[0].vertices[1], 46.0f);

    render.batches.clear();
    cursor.SetSystem(true);
    EndFrame();
    cursor.SetSystem(false);
    cursor.SetHidden(true);
    EndFrame();
    cursor.SetHidden(false);
    cursor.SelectImage(1);  // an entry without an image
    EndFrame();
    EXPECT_TRUE(render.batches.empty());
}

TEST_F(CursorTest, AnimatedCursorPlaysDoAnimAndAdvancesOnlyOutsideSystemMode) {
    vK_Cursor cursor;
    cursor.LoadImage("assets/cursor/spin", 2);
    cursor.LoadImage("assets/cursor/hand", 4);
    cursor.SelectImage(0);
    cursor.SetPosition(200, 100);
    auto drawnFrameLeft = [&] {
        render.batches.clear();
        EndFrame();
        // The frame's left edge on the page, read from the first texture coordinate.
        return render.batches.size() == 1 ? render.batches[0].vertices[2] : -1.0f;
    };
    const vK_FrameInfo tenth{0.1f, 0.1f, 0};
    EXPECT_FLOAT_EQ(drawnFrameLeft(), 0.0f);
    EXPECT_FLOAT_EQ(render.batches[0].vertices[0], 200.0f);
    EXPECT_FLOAT_EQ(render.batches[0].vertices[1], 100.0f);
    cursor.UpdateCursor(tenth);
    EXPECT_FLOAT_EQ(drawnFrameLeft(), 0.5f);  // frame 1 starts half way along the 16-pixel page
    cursor.SetSystem(true);
    cursor.UpdateCursor(tenth);
    cursor.SetSystem(false);
    EXPECT_FLOAT_EQ(drawnFrameLeft(), 0.5f);
    cursor.UpdateCursor(tenth);
    EXPECT_FLOAT_EQ(drawnFrameLeft(), 0.0f);  // looped
    cursor.SelectImage(1);
    cursor.UpdateCursor(tenth);  // the sprite entry has nothing to update
    EXPECT_EQ(render.batches.size(), 1u);
}

}  // namespace
