// A baked container drawn by the OpenGL back end (headless) and read back: the baked
// picture keeps the content's place and orientation.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/vrakko.h"
#include "data/data.h"
#include "game/tile_object.h"
#include "game/widgets/bake_container.h"
#include "graphics/device_texture.h"
#include "graphics/generated_texture.h"
#include "graphics/gl/render_gl.h"
#include "scene/scene.h"
#include "support/headless_gl.h"

namespace {
constexpr int kSize = 64;
constexpr int kTolerance = 3;

class GLPlatform : public vK_Platform {
public:
    std::unique_ptr<vK_Render> CreateRenderer(int, int) override {
        auto render = std::make_unique<vK_Render>(std::make_unique<vK_Render_Impl>());
        render->Init(kSize, kSize);
        return render;
    }
};

class GLEngine : public Vrakko {
public:
    GLEngine() : Vrakko(std::make_unique<GLPlatform>()) {}
};

int AlphaAt(vK_Texture& t, int x, int y) {
    std::vector<uint8_t> bgra;
    vK_DeviceTexture* d = t.GetDeviceTexture(0);
    if (!d || !d->Read(bgra) || bgra.empty()) return -1;
    return bgra[(static_cast<size_t>(y) * d->GetWidth() + x) * 4 + 3];
}
}  // namespace

TEST(WidgetsGL, BakedContainerDrawsItsContentInPlace) {
    HeadlessGL gl(kSize, kSize);
    if (!gl.Ready()) GTEST_SKIP() << "no OpenGL 3.3 context";
    {
        vK_Scene scene;
        GLEngine engine;
        engine.CreateRenderer();
        vK_DisplayMode mode;
        mode.width = mode.height = kSize;
        engine.InitDisplay(mode);
        vK_Render& render = *engine.GetRenderer();
        ASSERT_TRUE(render.IsDeviceReady());
        auto white = render.CreateGeneratedTexture();
        const float rgb[3] = {1, 1, 1};
        ASSERT_TRUE(white->Create(4, 4, rgb));

        // The container at (32, 32); its 4 x 4 content 10 units right and 12 below it.
        auto box = std::make_unique<vY_BakeContainer>("box");
        vY_BakeContainer* container = box.get();
        vK_Object::Adopt(std::move(box));
        container->SetPosition(32, 32);
        scene.GetLiveRoot()->AddChild(container);
        vK_Object* tile = vK_Object::Adopt(std::make_unique<TileObject>(white));
        tile->SetPosition(10, 12);
        container->AddChild(tile);
        vK_DataTable props;
        props.SetInt("bake", 1);
        container->SetProperties(props);
        vK_FrameInfo frame;
        scene.UpdateScene(frame);
        engine.Draw();  // bakes at the end of the frame
        ASSERT_TRUE(container->GetBakeState().baked);
        tile->SetVisible(false);  // from now on only the texture can show it

        render.BeginRenderToTexture(kSize, kSize);
        Vrakko::DrawScene(render);
        std::shared_ptr<vK_Texture> shot = render.EndRenderToTexture();
        ASSERT_TRUE(shot);
        struct Case {
            int x, y, alpha;
        } cases[] = {{42, 44, 255}, {40, 43, 255}, {43, 45, 255},  // the tile (x 40..44, y 42..46)
                     {42, 20, 0},   {22, 44, 0},   {32, 32, 0}};   // mirrored places stay empty
        for (const Case& c : cases)
            EXPECT_NEAR(AlphaAt(*shot, c.x, c.y), c.alpha, kTolerance) << c.x << "," << c.y;
        shot.reset();
        white.reset();
        vK_Object::ReleaseAll();
    }
}
