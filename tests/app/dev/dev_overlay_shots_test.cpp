// The developer overlay in the built program over the built demo, replayed headless: a
// replay with --dev gives the same frames as one without while the overlay is hidden,
// before the panels were used and after; the three panels show over the attic. With
// VRAKKO_UPDATE_REFERENCE=1 the panel screenshots are written to docs/images.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "support/temp_folder.h"

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pixels in [x0, x1) x [y0, y1) of a PNG whose colour passes the test.
template <typename Test>
int Count(const vK_Image& image, int x0, int y0, int x1, int y1, Test test) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
            count += test(p[2], p[1], p[0]);
        }
    return count;
}

// The events typing text into the console, one character a frame from frame, and Enter.
std::string Typed(long& frame, const std::string& text, bool enter = true) {
    std::string out;
    for (char c : text)
        out += std::to_string(frame++) + " char " + std::to_string(static_cast<int>(c)) + "\n";
    if (enter) out += std::to_string(frame) + " keydown 13\n" + std::to_string(frame + 1) + " keyup 13\n";
    frame += 3;
    return out;
}

std::string Key(long frame, int key) {
    return std::to_string(frame) + " keydown " + std::to_string(key) + "\n" + std::to_string(frame + 1) +
           " keyup " + std::to_string(key) + "\n";
}

// Frames to take: before any panel, each panel, and after all were hidden again.
struct Frames {
    long hiddenBefore = 178, inspector = 200, console = 0, profiler = 0, hiddenAfter = 0;
};

// The play-through's way into the attic, the pointer over the pocket watch, then each
// panel in turn: the inspector (F1), the console (F2) with a few lines run, the profiler
// (F3) for three seconds; then all hidden again.
std::string Recording(Frames& frames) {
    std::string rec =
        "vrakko-recording 1\nseed 1\ndisplay 1024 768 fullscreen\n30 down 512 600\n31 up 512 600\n"
        "84 char 65\n86 char 100\n88 char 97\n94 keydown 13\n95 keyup 13\n170 move 336 398\n";
    rec += Key(180, 112) + Key(205, 112) + Key(207, 113);
    long frame = 210;
    for (const char* line :
         {"1+1", "type(attic.Show)", "print('hello from the console', 42)", "nosuch.Call()",
          "string.format('%d of %d found', 3, 10)", "1 < 2", "'<b>as typed</b>'"})
        rec += Typed(frame, line);
    rec += Typed(frame, "vk.obj", false);  // left in the input line
    frames.console = frame;
    rec += Key(frame + 2, 113) + Key(frame + 4, 114);
    frames.profiler = frame + 190;
    rec += Key(frames.profiler + 5, 114);
    frames.hiddenAfter = frames.profiler + 20;
    rec += std::to_string(frames.hiddenAfter + 5) + " end\n";
    return rec;
}

}  // namespace

TEST(DevOverlayShots, HiddenOverlayKeepsReplaysIdenticalAndPanelsShow) {
    const std::string exe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
    const std::string demo = std::string(VRAKKO_BINARY_DIR) + "/demo";
    if (!std::filesystem::exists(exe) || !std::filesystem::exists(demo + "/assets/modules/attic.xml"))
        GTEST_SKIP() << "the executable or the demo assets are not built";
    TempFolder folder;
    Frames frames;
    folder.WriteFile("run.rec", Recording(frames));
    const char* const kShots[] = {"hidden_before", "inspector", "console", "profiler", "hidden_after"};
    const long kFrames[] = {frames.hiddenBefore, frames.inspector, frames.console, frames.profiler,
                            frames.hiddenAfter};
    auto run = [&](const std::string& tag, bool dev) {
        std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + exe + "' --root '" +
                              demo + "' --save-dir '" + folder.Path() + "/save_" + tag + "' --replay '" +
                              folder.Path() + "/run.rec'" + (dev ? " --dev" : "");
        for (size_t i = 0; i < std::size(kShots); ++i)
            command += " --screenshot-at " + std::to_string(kFrames[i]) + ":'" + folder.Path() + "/" + tag +
                       "_" + kShots[i] + ".png'";
        return std::system((command + " >'" + folder.Path() + "/" + tag + ".out' 2>&1").c_str());
    };
    ASSERT_EQ(run("dev", true), 0) << folder.ReadFile("dev.out");
    if (!std::filesystem::exists(folder.Path() + "/dev_inspector.png")) GTEST_SKIP() << "no OpenGL context";
    ASSERT_EQ(run("plain", false), 0) << folder.ReadFile("plain.out");
    // Hidden, the overlay changes no pixel, before the panels were used and after.
    for (const char* shot : {"hidden_before", "hidden_after"}) {
        const std::string dev = ReadBytes(folder.Path() + "/dev_" + shot + ".png");
        EXPECT_FALSE(dev.empty());
        EXPECT_TRUE(dev == ReadBytes(folder.Path() + "/plain_" + shot + ".png")) << shot;
    }
    vK_Image panels[3];
    for (int i = 0; i < 3; ++i) {
        const std::string bytes = ReadBytes(folder.Path() + "/dev_" + kShots[i + 1] + ".png");
        ASSERT_TRUE(DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), panels[i]));
        ASSERT_EQ(panels[i].width, 1024);
        // Shown, a panel changes the frame the game drew.
        EXPECT_FALSE(bytes == ReadBytes(folder.Path() + "/plain_" + kShots[i + 1] + ".png")) << kShots[i + 1];
    }
    auto title = [](int r, int g, int b) { return r > 200 && g > 160 && b < 150; };
    auto text = [](int r, int g, int b) { return r > 180 && g > 180 && b > 180; };
    auto dark = [](int r, int g, int b) { return r < 60 && g < 60 && b < 70; };
    // The inspector at the left: its title, the watch's description lines, a dark panel.
    EXPECT_GT(Count(panels[0], 16, 12, 300, 28, title), 80);
    EXPECT_GT(Count(panels[0], 16, 30, 400, 180, text), 800);
    EXPECT_GT(Count(panels[0], 20, 500, 460, 740, dark), 60000);
    // The console along the bottom: text lines above the input line.
    EXPECT_GT(Count(panels[1], 16, 470, 1000, 740, text), 1000);
    EXPECT_GT(Count(panels[1], 16, 470, 700, 500, title), 80);
    // The profiler at the top right: its title and the stacked bars of the graph.
    EXPECT_GT(Count(panels[2], 540, 12, 800, 28, title), 80);
    EXPECT_GT(Count(panels[2], 540, 50, 1010, 200,
                    [](int r, int g, int b) { return g > 150 && r < 160 && b < 160; }),
              20);
    if (std::getenv("VRAKKO_UPDATE_REFERENCE")) {
        const std::string docs = std::string(VRAKKO_SOURCE_DIR) + "/docs/images";
        std::filesystem::create_directories(docs);
        const char* const kDocNames[] = {"objects", "console", "profiler"};
        for (int i = 1; i <= 3; ++i)
            std::filesystem::copy_file(folder.Path() + "/dev_" + kShots[i] + ".png",
                                       docs + "/overlay_" + kDocNames[i - 1] + ".png",
                                       std::filesystem::copy_options::overwrite_existing);
    }
}
