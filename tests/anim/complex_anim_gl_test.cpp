// The demo's clockwork bird drawn by the OpenGL back end (headless) at two times of its
// "sing" function and read back: the body hops up by 14 units at t = 0.4.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "anim/anim_impl_complex.h"
#include "anim/complex_anim_writer.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/log.h"
#include "graphics/device_texture.h"
#include "graphics/generated_texture.h"
#include "graphics/gl/render_gl.h"
#include "graphics/resource_manager.h"
#include "support/headless_gl.h"

namespace {
constexpr int kSize = 128;
constexpr int kTolerance = 3;

struct Texel {
    int b, g, r, a;
};

Texel At(const std::vector<uint8_t>& bgra, int x, int y) {
    const uint8_t* p = bgra.data() + (static_cast<size_t>(y) * kSize + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::vector<uint8_t> Draw(vK_Render& render, vK_AnimImpl_Complex& bird) {
    render.BeginRenderToTexture(kSize, kSize);
    vK_DrawParams host;
    host.matrix = vK_Matrix::Translation(64, 64);
    bird.Draw(render, host);
    std::shared_ptr<vK_Texture> target = render.EndRenderToTexture();
    std::vector<uint8_t> bgra;
    vK_DeviceTexture* d = target ? target->GetDeviceTexture(0) : nullptr;
    if (!d || !d->Read(bgra) || d->GetWidth() != kSize) bgra.clear();
    return bgra;
}
}  // namespace

TEST(ComplexAnimGL, BirdHopsBetweenTwoTimes) {
    HeadlessGL gl(kSize, kSize);
    if (!gl.Ready()) GTEST_SKIP() << "no OpenGL 3.3 context";
    vK_LogCapture quiet;
    vK_ResourceManager resources;
    auto render = std::make_unique<vK_Render>(std::make_unique<vK_Render_Impl>());
    render->Init(kSize, kSize);
    ASSERT_TRUE(render->IsDeviceReady());
    // The parts as solid colours: body red, head green, wing blue, tail white.
    const struct {
        const char* name;
        int w, h;
        float bgr[3];
    } parts[] = {{"bird/body", 64, 40, {0, 0, 1}},
                 {"bird/head", 28, 28, {0, 1, 0}},
                 {"bird/wing", 48, 20, {1, 0, 0}},
                 {"bird/tail", 48, 32, {1, 1, 1}}};
    std::vector<std::shared_ptr<vK_GeneratedTexture>> textures;
    for (const auto& p : parts) {
        textures.push_back(render->CreateGeneratedTexture());
        ASSERT_TRUE(textures.back()->Create(p.w, p.h, p.bgr));
        resources.AddResource(p.name, textures.back());
    }
    // The bird as the demo ships it: its XML source turned into ".anm" and read back.
    std::ifstream in(std::string(VRAKKO_SOURCE_DIR) + "/demo/assets_src/anims/bird.xml");
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse(xml.c_str()), tinyxml2::XML_SUCCESS);
    vK_ComplexAnimRes source;
    ASSERT_TRUE(source.ParseXml(doc));
    std::vector<uint8_t> anm;
    std::string error;
    ASSERT_TRUE(WriteAnm(source, anm, error)) << error;
    vK_ByteBuffer buffer;
    buffer.Assign(anm);
    vK_ByteReader reader(&buffer);
    std::string kind;
    ASSERT_TRUE(ReadContentKind(reader, kind));
    vK_AnimImpl_Complex bird;
    ASSERT_TRUE(bird.LoadBinary(reader));
    bird.AcquireTextures();
    bird.Play("sing", {});

    const std::vector<uint8_t> start = Draw(*render, bird);
    for (int i = 0; i < 4; ++i) bird.Update(0.1f);
    const std::vector<uint8_t> hop = Draw(*render, bird);
    ASSERT_EQ(start.size(), static_cast<size_t>(kSize) * kSize * 4);
    ASSERT_EQ(hop.size(), start.size());
    const struct {
        int x, y;
        Texel atStart, atHop;
    } cases[] = {
        {36, 80, {0, 0, 255, 255}, {0, 0, 0, 0}},           // the body's lower left, then empty
        {30, 56, {0, 255, 0, 255}, {0, 0, 0, 0}},           // the head, which rises with the body
        {64, 40, {0, 0, 0, 0}, {255, 0, 0, 255}},           // above the body, then the wing over it
        {110, 60, {255, 255, 255, 255}, {-1, -1, -1, -1}},  // the tail at rest
    };
    for (const auto& c : cases) {
        for (int pass = 0; pass < 2; ++pass) {
            const Texel want = pass == 0 ? c.atStart : c.atHop;
            if (want.a < 0) continue;
            const Texel got = At(pass == 0 ? start : hop, c.x, c.y);
            EXPECT_NEAR(got.a, want.a, kTolerance) << c.x << "," << c.y << " pass " << pass;
            if (want.a == 0) continue;
            EXPECT_NEAR(got.r, want.r, kTolerance) << c.x << "," << c.y << " pass " << pass;
            EXPECT_NEAR(got.g, want.g, kTolerance) << c.x << "," << c.y << " pass " << pass;
            EXPECT_NEAR(got.b, want.b, kTolerance) << c.x << "," << c.y << " pass " << pass;
        }
    }
    bird.ReleaseTextures();
    textures.clear();
    resources.Clear();
    render.reset();
}
