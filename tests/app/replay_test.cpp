// Records a scripted session of the built demo headless, replays it twice and compares the
// frames byte for byte; a missing or damaged recording ends the program with its reason.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/log_check.h"
#include "support/temp_folder.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        exe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
        demo = std::string(VRAKKO_BINARY_DIR) + "/demo";
        if (!std::filesystem::exists(exe) || !std::filesystem::exists(demo + "/assets/modules/profiles.xml"))
            GTEST_SKIP() << "the executable or the demo assets are not built";
    }
    // Runs vrakko headless with a fresh save folder named after run; the exit status.
    int Run(const std::string& run, const std::string& options) {
        const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + exe + "' --root '" +
                                    demo + "' --save-dir '" + folder.Path() + "/" + run + "' " + options +
                                    " >'" + folder.Path() + "/" + run + ".out' 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Out(const std::string& run) const { return Read(folder.Path() + "/" + run + ".out"); }
    std::string P(const std::string& name) const { return folder.Path() + "/" + name; }

    std::string exe, demo;
    TempFolder folder;
};

TEST_F(ReplayTest, TwoReplaysOfARecordingDrawTheSameFrames) {
    // A click leaves the title screen; on the player screen a click on its button creates a
    // player and enters the attic, whose opening fade, particles (random) and animations run
    // in the last frames.
    folder.WriteFile("input.txt", "30 click 512 600\n84 click 720 545\n99 move 500 420\n");
    ASSERT_EQ(Run("rec", "--input '" + P("input.txt") + "' --frames 129 --record '" + P("rec.txt") +
                             "' --screenshot-at 129:'" + P("rec-129.png") + "'"),
              0)
        << Out("rec");
    const std::string recording = Read(P("rec.txt"));
    EXPECT_NE(recording.find("\n30 down 512 600\n31 up 512 600\n84 down 720 545\n85 up 720 545\n"
                             "99 move 500 420\n129 end\n"),
              std::string::npos)
        << recording;
    if (!std::filesystem::exists(P("rec-129.png"))) GTEST_SKIP() << "no OpenGL context for screenshots";

    for (const char* run : {"one", "two"}) {
        SCOPED_TRACE(run);
        const std::string r = run;
        ASSERT_EQ(Run(r, "--replay '" + P("rec.txt") + "' --screenshot-at 20:'" + P(r + "-20.png") +
                             "' --screenshot-at 129:'" + P(r + "-129.png") + "'"),
                  0)
            << Out(r);
        EXPECT_EQ(FaultLines(P(r + "/logfile.txt")), "");
        // The click reached the player screen: the attic was started.
        EXPECT_NE(Read(P(r + "/logfile.txt")).find("sModuleName = assets/modules/start"), std::string::npos);
    }
    const std::string first20 = Read(P("one-20.png")), first129 = Read(P("one-129.png"));
    ASSERT_GT(first129.size(), 1000u);
    EXPECT_NE(first20, first129);
    EXPECT_TRUE(Read(P("two-20.png")) == first20);
    EXPECT_TRUE(Read(P("two-129.png")) == first129);
    // The recorded run stepped its frames the same way.
    EXPECT_TRUE(Read(P("rec-129.png")) == first129);
}

// A recording made mid-game names a copy of the save folder it started from; its replay in
// a fresh folder starts from that copy and draws what the recorded run drew. The same file
// without its save line (as recordings were before) replays from an empty folder instead.
TEST_F(ReplayTest, ARecordingMadeMidGameReplaysFromItsSaveFolderCopy) {
    folder.WriteFile("first.txt", "30 click 512 600\n84 click 720 545\n");
    ASSERT_EQ(Run("game", "--input '" + P("first.txt") + "' --frames 100"), 0) << Out("game");
    folder.WriteFile("second.txt", "30 click 512 600\n");
    ASSERT_EQ(Run("game", "--input '" + P("second.txt") + "' --frames 90 --record '" + P("mid.rec") +
                              "' --screenshot-at 90:'" + P("mid-90.png") + "'"),
              0)
        << Out("game");
    const std::string recording = Read(P("mid.rec"));
    ASSERT_NE(recording.find("\nsave mid.rec.save\n"), std::string::npos) << recording;
    EXPECT_TRUE(std::filesystem::exists(P("mid.rec.save/profile_list.json")));
    EXPECT_FALSE(std::filesystem::exists(P("mid.rec.save/logfile.txt")));
    if (!std::filesystem::exists(P("mid-90.png"))) GTEST_SKIP() << "no OpenGL context for screenshots";

    ASSERT_EQ(Run("copy", "--replay '" + P("mid.rec") + "' --screenshot-at 90:'" + P("copy-90.png") + "'"), 0)
        << Out("copy");
    EXPECT_TRUE(std::filesystem::exists(P("copy/profile_list.json")));
    EXPECT_TRUE(Read(P("copy-90.png")) == Read(P("mid-90.png")));

    std::string bare = recording;
    bare.erase(bare.find("save mid.rec.save\n"), std::string("save mid.rec.save\n").size());
    folder.WriteFile("bare.rec", bare);
    ASSERT_EQ(Run("bare", "--replay '" + P("bare.rec") + "' --screenshot-at 90:'" + P("bare-90.png") + "'"),
              0)
        << Out("bare");
    EXPECT_FALSE(Read(P("bare-90.png")) == Read(P("mid-90.png")));
}

TEST_F(ReplayTest, MissingOrDamagedRecordingEndsWithItsReason) {
    const std::string good = "vrakko-recording 1\nseed 1\ndisplay 1024 768 fullscreen\n30 down 300 300\n";
    folder.WriteFile("cut.txt", good);
    folder.WriteFile("bad.txt", good + "31 up 300\n40 end\n");
    folder.WriteFile("input.txt", "30 click 300 300\n");
    struct Case {
        const char* name;
        std::string options;
        std::string message;
    };
    const Case cases[] = {
        {"missing", "--replay '" + P("none.txt") + "'",
         "vrakko: can not read the recording " + P("none.txt") + "\n"},
        {"cut", "--replay '" + P("cut.txt") + "'",
         "vrakko: the recording " + P("cut.txt") +
             " is damaged: the end line is missing (the file is cut short or its run did not end)\n"},
        {"bad", "--replay '" + P("bad.txt") + "'",
         "vrakko: the recording " + P("bad.txt") + " is damaged: line 5: malformed event\n"},
        {"with-input", "--replay '" + P("bad.txt") + "' --input '" + P("input.txt") + "'",
         "vrakko: --input and --replay can not be combined\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.name, c.options), 2);
        EXPECT_EQ(Out(c.name), c.message);
        // Refused before start-up: no window, no log.
        EXPECT_FALSE(std::filesystem::exists(P(std::string(c.name) + "/logfile.txt")));
    }
}

}  // namespace
