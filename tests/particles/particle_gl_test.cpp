// One random-emitter preset drawn by the OpenGL back end (headless) and read back.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/random.h"
#include "graphics/device_texture.h"
#include "graphics/generated_texture.h"
#include "graphics/gl/render_gl.h"
#include "graphics/resource_manager.h"
#include "particles/part_sys_impl_rnd.h"
#include "preset_text.h"
#include "support/headless_gl.h"

namespace {
constexpr int kSize = 64;
constexpr int kTolerance = 3;

struct Texel {
    int b, g, r, a;
};

Texel At(vK_Texture& t, int x, int y) {
    std::vector<uint8_t> bgra;
    vK_DeviceTexture* d = t.GetDeviceTexture(0);
    if (!d || !d->Read(bgra) || bgra.empty()) return {-1, -1, -1, -1};
    const uint8_t* p = bgra.data() + (static_cast<size_t>(y) * d->GetWidth() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}
}  // namespace

TEST(ParticleGL, RotatedScaledTintedParticleCoversItsDiamond) {
    HeadlessGL gl(kSize, kSize);
    if (!gl.Ready()) GTEST_SKIP() << "no OpenGL 3.3 context";
    vK_ResourceManager resources;
    auto render = std::make_unique<vK_Render>(std::make_unique<vK_Render_Impl>());
    render->Init(kSize, kSize);
    ASSERT_TRUE(render->IsDeviceReady());
    auto white = render->CreateGeneratedTexture();
    const float bgr[3] = {1, 1, 1};
    ASSERT_TRUE(white->Create(4, 4, bgr));
    resources.AddResource("assets/ps/white", white);

    // One particle at the origin: the 4 x 4 texture scaled by 4 and turned by 45 degrees,
    // tinted (1, 0.25, 0), drawn at the centre of the target.
    vK_Random::Seed(1);
    vK_PartSysImpl_Rnd rnd;
    ASSERT_TRUE(
        LoadPresetText(rnd,
                       "<ps type=\"rnd\" ver=\"1.3\"><emit playing=\"1\" lifetime=\"10\""
                       " res=\"assets/ps/white\"><part_count><p t=\"0\" v=\"1\"/></part_count>"
                       "<part_lifetime><p t=\"0\" v=\"5\"/></part_lifetime><particles>"
                       "<scale_x><p t=\"0\" v=\"4\"/></scale_x><scale_y><p t=\"0\" v=\"4\"/></scale_y>"
                       "<angle><p t=\"0\" v=\"0.7853982\"/></angle><alpha><p t=\"0\" v=\"1\"/></alpha>"
                       "<color_r><p t=\"0\" v=\"1\"/></color_r><color_g><p t=\"0\" v=\"0.25\"/></color_g>"
                       "</particles></emit></ps>"));
    rnd.AcquireTextures();
    Steps(rnd, 1, 0.1f);
    ASSERT_EQ(rnd.GetParticleCount(), 1);
    render->BeginRenderToTexture(kSize, kSize);
    vK_DrawParams state;
    state.matrix = vK_Matrix::Translation(32, 32);
    rnd.Draw(*render, state);
    std::shared_ptr<vK_Texture> target = render->EndRenderToTexture();
    ASSERT_TRUE(target);
    struct Case {
        int x, y;
        bool inside;
    } cases[] = {
        {32, 32, true},  {32, 23, true},  {41, 32, true},  // inside the diamond (half diagonal 11.3)
        {25, 25, false}, {39, 39, false},                  // corners of the unturned square
        {32, 19, false}, {5, 5, false},
    };
    for (const Case& c : cases) {
        const Texel t = At(*target, c.x, c.y);
        if (c.inside) {
            EXPECT_NEAR(t.r, 255, kTolerance) << c.x << "," << c.y;
            EXPECT_NEAR(t.g, 64, kTolerance) << c.x << "," << c.y;
            EXPECT_NEAR(t.b, 0, kTolerance) << c.x << "," << c.y;
            EXPECT_NEAR(t.a, 255, kTolerance) << c.x << "," << c.y;
        } else {
            EXPECT_NEAR(t.a, 0, kTolerance) << c.x << "," << c.y;
        }
    }
    rnd.ReleaseTextures();
    target.reset();
    white.reset();
    resources.Clear();
    render.reset();
}
