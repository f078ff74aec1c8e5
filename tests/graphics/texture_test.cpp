#include "graphics/texture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/frame_texture.h"
#include "graphics/image_codec.h"
#include "graphics/resource_manager.h"
#include "graphics/texture_impl.h"
#include "support/recording_render.h"
#include "support/temp_folder.h"

namespace {

// A w x h image: opaque except a transparent left half when halfClear is set.
std::string PngText(int w, int h, bool halfClear) {
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4, 255);
    if (halfClear)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w / 2; ++x) bgra[(static_cast<size_t>(y) * w + x) * 4 + 3] = 0;
    std::vector<uint8_t> png;
    EncodePng(bgra.data(), w, h, png);
    return std::string(png.begin(), png.end());
}

std::string JpegText(const TempFolder& folder, int w, int h) {
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4, 128);
    SaveJpeg(bgra.data(), w, h, folder.Path() + "/tmp.jpg");
    return folder.ReadFile("tmp.jpg");
}

class Textures : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetAssetRoot(folder.Path() + "/root");
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
    }
    void Put(const std::string& path, const std::string& content) {
        folder.WriteFile("root/" + path, content);
    }

    TempFolder folder;
    vK_FileManager files;
    vK_RecordingRender render{1024, 768};
    vK_ResourceManager resources;
};

TEST_F(Textures, Cache_SharesByNormalisedNameAndKeepsCase) {
    Put("assets/img/a.png", PngText(4, 4, false));
    std::shared_ptr<vK_Texture> a = resources.GetTexture("assets\\img\\a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetName(), "assets/img/a");
    EXPECT_EQ(resources.GetTexture("assets/img/a"), a);
    EXPECT_EQ(resources.FindResource("assets\\img\\a"), a);
    // Another letter case is another entry (the file itself is found case-insensitively).
    std::shared_ptr<vK_Texture> upper = resources.GetTexture("assets/IMG/a");
    ASSERT_TRUE(upper);
    EXPECT_NE(upper, a);
    EXPECT_FALSE(resources.GetTexture(""));
}

TEST_F(Textures, Cache_HoldsNoReferenceAndSweepsEvery200Calls) {
    Put("assets/a.png", PngText(2, 2, false));
    Put("assets/b.png", PngText(2, 2, false));
    std::shared_ptr<vK_Texture> keep = resources.GetTexture("assets/a");
    resources.GetTexture("assets/b");  // dropped at once
    EXPECT_FALSE(resources.FindResource("assets/b"));
    EXPECT_EQ(resources.CacheSize(), 2u);
    for (int i = 0; i < vK_ResourceManager::kSweepEvery; ++i) resources.GetTexture("assets/a");
    EXPECT_EQ(resources.CacheSize(), 1u);
    EXPECT_EQ(resources.FindResource("assets/a"), keep);
}

TEST_F(Textures, Load_PngWinsCorruptPngFallsBackToJpegMissingFails) {
    Put("assets/both.png", PngText(4, 2, false));
    Put("assets/both.jpg", JpegText(folder, 8, 8));
    Put("assets/broken.png", "\x89PNG\r\n\x1a\nnot really");
    Put("assets/broken.jpg", JpegText(folder, 6, 6));
    vK_LogCapture log;
    auto both = resources.GetTexture("assets/both");
    ASSERT_TRUE(both);
    EXPECT_FLOAT_EQ(both->GetWidth(), 4.0f);
    auto broken = resources.GetTexture("assets/broken");
    ASSERT_TRUE(broken);
    EXPECT_FLOAT_EQ(broken->GetWidth(), 6.0f);
    EXPECT_TRUE(log.Contains("Error: Error during init_io")) << log.Text();
    EXPECT_FALSE(resources.GetTexture("assets/none"));
    EXPECT_TRUE(log.Contains("Error: texture could not find \"assets/none\" file!"));
}

TEST_F(Textures, Load_DamagedFilesAreNamedWithTheirCauseMissingOnesAsMissing) {
    const std::string png = PngText(32, 32, true);
    const std::string jpeg = JpegText(folder, 16, 16);
    struct Case {
        std::string file;  // under assets/, "" for none
        std::string content;
        std::vector<std::string> lines;  // every one must be logged
    };
    const Case cases[] = {
        {"cut.png",
         png.substr(0, 20),
         {"Error: Error during init_io. File assets/cut.png: ",
          "texture \"assets/cut\" could not be loaded"}},
        {"body.png",
         png.substr(0, png.size() - 30),
         {"Error: Error during read_image. File assets/body.png: ",
          "texture \"assets/body\" could not be loaded"}},
        {"noise.jpg",
         std::string(200, '\x5a'),
         {"Error: JPEG code has signaled an error. File assets/noise.jpg: Not a JPEG file",
          "texture \"assets/noise\" could not be loaded"}},
        {"half.jpg",
         jpeg.substr(0, 60),
         {"Error: JPEG code has signaled an error. File assets/half.jpg: ",
          "texture \"assets/half\" could not be loaded"}},
        {"empty.jpg",
         "",
         {"File assets/empty.jpg: the file is empty", "texture \"assets/empty\" could not be loaded"}},
        {"", "", {"Error: texture could not find \"assets/ghost\" file!"}},
    };
    for (const Case& c : cases) {
        const std::string stem = c.file.empty() ? "ghost" : c.file.substr(0, c.file.find('.'));
        if (!c.file.empty()) Put("assets/" + c.file, c.content);
        vK_LogCapture log;
        EXPECT_FALSE(resources.GetTexture("assets/" + stem)) << c.file;
        for (const std::string& line : c.lines)
            EXPECT_TRUE(log.Contains(line)) << c.file << "\n" << log.Text();
        if (!c.file.empty()) {
            EXPECT_FALSE(log.Contains("could not find")) << log.Text();
        }
    }
}

TEST_F(Textures, Load_RefusedSizeRetriesAtPowersOfTwo) {
    render.powerOfTwoOnly = true;
    Put("assets/wide.png", PngText(300, 200, false));
    auto t = resources.GetTexture("assets/wide");
    ASSERT_TRUE(t);
    EXPECT_FLOAT_EQ(t->GetTextureWidth(), 512.0f);
    EXPECT_FLOAT_EQ(t->GetTextureHeight(), 256.0f);
    EXPECT_FLOAT_EQ(t->GetUV(0).w, 300.0f / 512.0f);
    EXPECT_FLOAT_EQ(t->GetUV(0).h, 200.0f / 256.0f);
}

TEST_F(Textures, Load_NoDeviceFails) {
    Put("assets/a.png", PngText(2, 2, false));
    render.refuseTextures = true;
    vK_LogCapture log;
    EXPECT_FALSE(resources.GetTexture("assets/a"));
    EXPECT_TRUE(log.Contains("Error: could not load \"assets/a\" texture."));
}

TEST_F(Textures, Load_FailedUploadIsAFailure) {
    Put("assets/a.png", PngText(2, 2, false));
    render.refuseUploads = true;
    vK_LogCapture log;
    EXPECT_FALSE(resources.GetTexture("assets/a"));
    EXPECT_TRUE(log.Contains("Error: could not load \"assets/a\" texture.")) << log.Text();
    render.refuseUploads = false;
    EXPECT_TRUE(resources.GetTexture("assets/a"));  // nothing was cached
}

TEST_F(Textures, HitTest_TransparentPixelsAndEdgesDoNotHit) {
    Put("assets/half.png", PngText(8, 4, true));
    Put("assets/solid.jpg", JpegText(folder, 8, 4));
    auto half = resources.GetTexture("assets/half");
    auto solid = resources.GetTexture("assets/solid");
    ASSERT_TRUE(half && solid);
    vK_DrawParams at;  // centred on (100, 50)
    at.matrix = vK_Matrix::Translation(100, 50);
    struct Case {
        float x, y;
        bool halfHits, solidHits;
    };
    // The image covers x 96..104, y 48..52; its left half is transparent in the PNG.
    const Case cases[] = {
        {97, 49, false, true},  // transparent pixel of the PNG; a JPEG is opaque everywhere
        {102, 49, true, true},  // opaque pixel
        {103.9f, 51.9f, true, true}, {104.0f, 51.0f, false, false},  // right edge: outside
        {110, 50, false, false},                                     // outside the rectangle
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(half->HitTest(c.x, c.y, at), c.halfHits);
        EXPECT_EQ(solid->HitTest(c.x, c.y, at), c.solidHits);
    }
    // Pixels beyond the mask are transparent instead of read past its end.
    EXPECT_TRUE(half->IsTransparent(8, 0));
    EXPECT_TRUE(half->IsTransparent(0, 4));
    EXPECT_TRUE(half->IsTransparent(-1, 0));
    EXPECT_FALSE(half->IsTransparent(7, 3));
}

TEST_F(Textures, HitTest_FollowsRotationAndOffset) {
    Put("assets/half.png", PngText(8, 4, true));
    auto half = resources.GetTexture("assets/half");
    ASSERT_TRUE(half);
    vK_DrawParams p;  // turned a quarter: the opaque right half now points down
    p.matrix = vK_Matrix::Rotation(3.14159265f / 2) * vK_Matrix::Translation(50, 50);
    EXPECT_TRUE(half->HitTest(50.5f, 52.0f, p));
    EXPECT_FALSE(half->HitTest(50.5f, 48.0f, p));
    p.offsetX = 100;  // the offset moves the frame before the matrix
    EXPECT_FALSE(half->HitTest(50.5f, 52.0f, p));
}

TEST_F(Textures, FrameTexture_FramesAliasesAndEmptyFrames) {
    Put("assets/atlas/page.png", PngText(64, 32, true));
    Put("assets/atlas/items.xml",
        "<frametexture>"
        "<frame texture=\"page\" left=\"32\" top=\"0\" widht=\"16\" height=\"8\" x=\"8\" y=\"4\"/>"
        "<frame/>"
        "<frame texture=\"page\" left=\"0\" top=\"0\" widht=\"16\" height=\"16\" x=\"0\" y=\"0\" "
        "alias=\"7\"/>"
        "<frame texture=\"page\" left=\"56\" top=\"24\" widht=\"32\" height=\"32\" x=\"0\" y=\"0\"/>"
        "</frametexture>");
    auto atlas = resources.GetFrameTexture("assets/atlas/items");
    ASSERT_TRUE(atlas);
    EXPECT_EQ(atlas->GetRect(0), (vK_Rect{-8, -4, 16, 8}));
    EXPECT_EQ(atlas->GetUV(0), (vK_Rect{0.5f, 0, 0.25f, 0.25f}));
    EXPECT_EQ(atlas->GetRect(1), vK_Rect{});  // no texture: empty, no page, never hits
    EXPECT_EQ(atlas->GetPage(1), nullptr);
    vK_DrawParams empty;
    empty.frame = 1;
    EXPECT_FALSE(atlas->HitTest(0, 0, empty));
    EXPECT_EQ(atlas->GetRect(7), atlas->GetRect(2));  // alias 7 means frame 2
    EXPECT_EQ(atlas->GetRect(2), (vK_Rect{0, 0, 16, 16}));
    EXPECT_EQ(atlas->GetRect(9), vK_Rect{});
    EXPECT_EQ(atlas->GetPage(0), atlas->GetPage(2));
    EXPECT_NE(atlas->GetPage(0), nullptr);

    vK_DrawParams p;
    p.frame = 0;  // page pixels 32..48: the opaque half
    EXPECT_TRUE(atlas->HitTest(0, 0, p));
    p.frame = 2;  // page pixels 0..16: the transparent half
    EXPECT_FALSE(atlas->HitTest(5, 5, p));
    p.frame = 3;  // a frame reaching past the page's right and bottom edges
    EXPECT_TRUE(atlas->HitTest(2, 2, p));
    EXPECT_FALSE(atlas->HitTest(20, 20, p));
}

TEST_F(Textures, FrameTexture_BadXmlFails) {
    Put("assets/bad.xml", "<frametexture><frame");
    Put("assets/other.xml", "<atlas/>");
    EXPECT_FALSE(resources.GetFrameTexture("assets/bad"));
    EXPECT_FALSE(resources.GetFrameTexture("assets/other"));
    vK_LogCapture log;
    EXPECT_FALSE(resources.GetFrameTexture("assets/missing"));
    EXPECT_TRUE(log.Contains("Error: file not found assets/missing.xml."));
}

TEST_F(Textures, Batching_TwoFramesOfOnePageMakeOneDrawCall) {
    Put("assets/atlas/page.png", PngText(64, 32, false));
    Put("assets/atlas/items.xml",
        "<frametexture>"
        "<frame texture=\"page\" left=\"0\" top=\"0\" widht=\"16\" height=\"16\" x=\"8\" y=\"8\"/>"
        "<frame texture=\"page\" left=\"16\" top=\"0\" widht=\"16\" height=\"16\" x=\"8\" y=\"8\"/>"
        "</frametexture>");
    auto atlas = resources.GetFrameTexture("assets/atlas/items");
    ASSERT_TRUE(atlas);
    render.BeginDraw();
    vK_DrawParams p;
    render.DrawSprite(atlas, p);
    p.frame = 1;
    render.DrawSprite(atlas, p);
    p.blend = 2;
    render.DrawSprite(atlas, p);
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 2u);
    EXPECT_EQ(render.batches[0].VertexCount(), 12u);
    EXPECT_FLOAT_EQ(render.batches[0].vertices[8 * 6 + 2], 16.0f / 64.0f);  // second quad's u
}

}  // namespace
