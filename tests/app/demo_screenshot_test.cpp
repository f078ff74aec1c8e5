// Runs the built executable on the built demo headless and checks its screenshots: the
// title screen with the intro's logo video and subtitle over it, and the attic with its
// sprites, the pendulum clock, the waving banner grid, the gear train and the styled texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "support/log_check.h"
#include "support/temp_folder.h"

namespace {

struct Shot {
    vK_Image image;
    bool Load(const std::string& path, bool png) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        return png ? DecodePng(bytes.data(), bytes.size(), image)
                   : DecodeJpeg(bytes.data(), bytes.size(), image);
    }
    // Pixels in [x0, x1) x [y0, y1) whose colour passes the test.
    template <typename Test>
    int Count(int x0, int y0, int x1, int y1, Test test) const {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
                count += test(p[2], p[1], p[0]);
            }
        }
        return count;
    }
};

}  // namespace

TEST(DemoScreenshot, ShowsSpritesClockBannerAndTexts) {
    const std::string exe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
    const std::string demo = std::string(VRAKKO_BINARY_DIR) + "/demo";
    if (!std::filesystem::exists(exe) || !std::filesystem::exists(demo + "/assets/modules/motion.xml"))
        GTEST_SKIP() << "the executable or the demo assets are not built";
    TempFolder folder;
    // The title screen comes first (frame 28 is caught), a click leaves it; on the player
    // screen a click on its button creates a player and enters the attic, whose first
    // frames the last screenshot shows. Replayed at a fixed step, frame 144 is 2.4 s into
    // the run however busy the machine is.
    folder.WriteFile("input.txt",
                     "vrakko-recording 1\ndisplay 1024 768 fullscreen\n30 down 512 600\n31 up 512 600\n"
                     "84 down 720 545\n85 up 720 545\n144 end\n");
    const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + exe + "' --root '" +
                                demo + "' --save-dir '" + folder.Path() + "/save' --replay '" +
                                folder.Path() + "/input.txt' --screenshot-at 28:'" + folder.Path() +
                                "/title.png' --screenshot '" + folder.Path() + "/shot.png' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // A ".png" path gets a PNG, as with --screenshot-at.
    const std::string path = folder.Path() + "/shot.png";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no OpenGL context for a screenshot";
    Shot title, shot;
    ASSERT_TRUE(title.Load(folder.Path() + "/title.png", true));
    ASSERT_TRUE(shot.Load(path, true));
    for (const Shot* s : {&title, &shot}) {
        ASSERT_EQ(s->image.width, 1024);
        ASSERT_EQ(s->image.height, 768);
    }
    // Thresholds are about half of what a run shows (Mesa llvmpipe, FreeType 2.12).
    // Nothing went wrong on the way: the log reports no fault.
    EXPECT_EQ(FaultLines(folder.Path() + "/save/logfile.txt"), "");

    auto light = [](int r, int g, int b) { return r > 200 && g > 200 && b > 180; };
    auto warm = [](int r, int g, int b) { return r > 200 && g > 170 && b < 170; };
    auto banner = [](int r, int g, int b) { return r > 90 && g < 60 && b > 20; };
    // The title screen: the game's name in warm serif letters at (512, 380) under the
    // panel, and the intro over it: the logo video's cream face at (900, 130), drawn
    // through its alpha, and the first subtitle line from the string table at the top.
    EXPECT_GT(title.Count(250, 350, 774, 410, warm), 1500);
    EXPECT_GT(title.Count(850, 80, 950, 180, light), 3000);
    EXPECT_GT(title.Count(210, 20, 810, 46, light), 600);
    // The intro stayed with the title screen: the attic's top right shows no logo.
    EXPECT_LT(shot.Count(850, 80, 950, 180, light), 100);
    // The clock face of the pendulum sprite (cream) around (92, 296).
    EXPECT_GT(shot.Count(70, 275, 115, 320, light), 700);
    // The banner grid: red and purple stripes left of its emblem.
    EXPECT_GT(shot.Count(760, 280, 830, 360, banner), 2800);
    // The serif caption in warm yellow with its shadow, centred at (512, 292).
    EXPECT_GT(shot.Count(310, 270, 714, 312, warm), 800);
    // The wrapped paragraph: three lines of light text from (184, 562) down.
    EXPECT_GT(shot.Count(180, 560, 830, 580, light), 750);
    EXPECT_GT(shot.Count(180, 604, 640, 624, light), 650);
    // The counter, right-aligned at the bottom right corner.
    EXPECT_GT(shot.Count(670, 714, 1004, 744, light), 500);
    // The candle animation standing at (940, 600): its cream wax and the yellow of its flame.
    EXPECT_GT(shot.Count(930, 600, 948, 660, light), 390);
    EXPECT_GT(shot.Count(925, 550, 955, 596, warm), 55);
    // The hidden items: the escapement wheel's grey teeth around (470, 350), and the
    // inventory panel's row of slot frames along the bottom.
    EXPECT_GT(
        shot.Count(440, 320, 500, 380, [](int r, int g, int b) { return r > 110 && b > 130 && g > 120; }),
        200);
    EXPECT_GT(
        shot.Count(108, 662, 608, 762, [](int r, int g, int b) { return r > 120 && g > 100 && b < 110; }),
        400);
    // The flash-animated gear train on the wall at (165, 140): the brass wheel and, below
    // right of it, the grey pinion, wherever in their turn the frame caught them.
    EXPECT_GT(
        shot.Count(120, 95, 210, 185, [](int r, int g, int b) { return r > 150 && g > 110 && b < 100; }),
        1500);
    EXPECT_GT(
        shot.Count(195, 150, 255, 210, [](int r, int g, int b) { return r > 120 && b > 130 && g > 120; }),
        950);
}
