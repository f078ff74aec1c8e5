// One frame of an alpha video drawn by the OpenGL back end (headless) over a coloured
// background and read back.
#include <gtest/gtest.h>

#include <memory>

#include "graphics/generated_texture.h"
#include "graphics/gl/render_gl.h"
#include "graphics/texture.h"
#include "scene/video.h"
#include "support/file_manager_fixture.h"
#include "support/headless_gl.h"
#include "support/test_videos.h"

namespace {

constexpr int kSize = 64;

class VideoGL : public StartedFileManagerFixture {
protected:
    void SetUp() override {
        StartedFileManagerFixture::SetUp();
        if (!gl.Ready()) GTEST_SKIP() << "no OpenGL 3.3 context";
        render = std::make_unique<vK_Render>(std::make_unique<vK_Render_Impl>());
        render->Init(kSize, kSize);
        ASSERT_TRUE(render->IsDeviceReady());
    }
    void TearDown() override {
        vK_Object::ReleaseAll();
        render.reset();
    }
    void Cover(const std::shared_ptr<vK_Texture>& t) {
        vK_DrawParams p;
        p.matrix = vK_Matrix::Scale(kSize / t->GetWidth(), kSize / t->GetHeight()) *
                   vK_Matrix::Translation(kSize / 2.0f, kSize / 2.0f);
        render->DrawSprite(t, p);
    }

    HeadlessGL gl{kSize, kSize};
    std::unique_ptr<vK_Render> render;
};

TEST_F(VideoGL, AnAlphaFrameBlendsOverTheBackground) {
    const std::string made = test_videos::MakeTheora("red64", "color=c=red:size=64x64:rate=25:duration=1");
    ASSERT_FALSE(made.empty());
    const std::string dir = folder.Path() + "/root/assets/v/";
    test_videos::WriteAll(dir + "red.ogg", test_videos::ReadAll(made));
    // Three bands of alpha: 0, 128 and 255 from left to right.
    std::vector<uint8_t> plane(kSize * kSize), zalpha;
    for (int i = 0; i < kSize * kSize; ++i) plane[i] = i % kSize < 21 ? 0 : (i % kSize < 43 ? 128 : 255);
    for (int f = 0; f < 25; ++f) test_videos::AppendZAlphaFrame(zalpha, plane);
    test_videos::WriteAll(dir + "red.zalpha", zalpha);

    vK_Video::RegisterType();
    auto* video = static_cast<vK_Video*>(vK_Object::CreateObject("video", "logo"));
    vK_DataTable props;
    props.SetString("res", "assets/v/red");
    video->SetProperties(props);
    ASSERT_TRUE(video->EnterScene());
    auto frame = std::dynamic_pointer_cast<vK_Texture>(video->GetResource());
    ASSERT_NE(frame, nullptr);

    auto blue = render->CreateGeneratedTexture();
    const float bgr[3] = {1.0f, 0.0f, 0.0f};
    ASSERT_TRUE(blue->Create(4, 4, bgr));
    render->BeginFrame();
    render->BeginDraw();
    Cover(blue);
    Cover(frame);
    render->EndDraw();
    render->EndFrame();
    struct Case {
        int x, r, b;
    };
    const Case cases[] = {{10, 0, 255}, {32, 128, 127}, {54, 255, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        std::vector<uint8_t> p;
        ASSERT_TRUE(render->ReadBackBuffer(c.x, 32, 1, 1, p));
        EXPECT_NEAR(p[2], c.r, 4) << "red";
        EXPECT_NEAR(p[1], 0, 4) << "green";
        EXPECT_NEAR(p[0], c.b, 4) << "blue";
    }
}

}  // namespace
