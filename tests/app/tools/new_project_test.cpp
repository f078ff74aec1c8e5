// `vrakko --new`: the template game passes the asset check and its play-through wins the
// level (and a second run resumes with every item found); a name with quotes and
// ampersands reaches the window title intact; a folder that is not empty is refused.
#include "app/tools/new_project.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/tools/author_tools.h"
#include "data/xml_escape.h"
#include "support/log_check.h"
#include "support/temp_folder.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The template's lines of a log, without the "game: " in front.
std::vector<std::string> GameLines(const std::string& log) {
    std::istringstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("game: ", 0) == 0) lines.push_back(line.substr(6));
    return lines;
}

class NewProject : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kExe)) GTEST_SKIP() << "the executable is not built";
    }
    int Run(const std::string& arguments, const std::string& output) {
        return Shell("cd '" + folder.Path() + "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" +
                     kExe + "' " + arguments + " >'" + output + "' 2>&1");
    }
    TempFolder folder;
};

TEST_F(NewProject, PassesTheCheckAndItsRecordingWins) {
    const std::string game = folder.Path() + "/game";
    ASSERT_EQ(Run("--new game --name 'The \"Big\" Find & Co'", "new.txt"), 0) << folder.ReadFile("new.txt");
    EXPECT_EQ(Run("--check --root game", "check.txt"), 0) << folder.ReadFile("check.txt");
    // No finding at all, not even a warning: only the summary line.
    EXPECT_NE(folder.ReadFile("check.txt").find("0 errors, 0 warnings"), std::string::npos)
        << folder.ReadFile("check.txt");

    ASSERT_EQ(Run("--root game --save-dir save --replay game/playthrough.rec", "run.txt"), 0)
        << folder.ReadFile("run.txt");
    EXPECT_EQ(FaultLines(folder.Path() + "/save/logfile.txt"), "");
    // Each item flies for longer than the recording waits between clicks.
    const std::vector<std::string> expected = {"the title screen goes on to the players",
                                               "player Player 1 starts the level",
                                               "0 of 3 found so far",
                                               "found item_ball, 1 of 3",
                                               "found item_box, 2 of 3",
                                               "found item_gem, 3 of 3",
                                               "item_ball is in its slot",
                                               "item_box is in its slot",
                                               "item_gem is in its slot",
                                               "well done"};
    EXPECT_EQ(GameLines(folder.ReadFile("save/logfile.txt")), expected);
    vK_StartupOptions startup;
    startup.assetRoot = game;
    startup.saveFolder = folder.Path() + "/tool_save";
    const vK_GameIdentity identity = ReadGameIdentity(startup);
    EXPECT_EQ(identity.title, "The \"Big\" Find & Co");
    EXPECT_EQ(identity.publisher, "My Studio");

    // The same player again: straight to the level, where everything is found already.
    folder.WriteFile("resume.rec",
                     "vrakko-recording 1\ndisplay 1024 768 fullscreen\n30 down 512 600\n31 up 512 600\n"
                     "84 down 512 480\n85 up 512 480\n170 end\n");
    ASSERT_EQ(Run("--root game --save-dir save --replay resume.rec", "resume.txt"), 0)
        << folder.ReadFile("resume.txt");
    const std::vector<std::string> resumed = {"the title screen goes on to the players",
                                              "player Player 1 starts the level", "3 of 3 found so far",
                                              "well done"};
    EXPECT_EQ(GameLines(folder.ReadFile("save/logfile.txt")), resumed);
}

TEST_F(NewProject, RefusesAFullFolderAndUnusableNames) {
    folder.WriteFile("full/keep.txt", "mine");
    EXPECT_EQ(Run("--new full", "out.txt"), 2);
    EXPECT_EQ(folder.ReadFile("full/keep.txt"), "mine");
    EXPECT_FALSE(folder.Has("full/assets"));
    EXPECT_EQ(Run("--new fresh --name 'a/b'", "out.txt"), 2);
    EXPECT_FALSE(folder.Has("fresh/assets"));
    EXPECT_EQ(Run("--new", "out.txt"), 2);
}

TEST(NewProjectEscaping, QuotesAndMarkupCharacters) {
    EXPECT_EQ(EscapeJson(R"(A "b" \ c)"), R"(A \"b\" \\ c)");
    EXPECT_EQ(EscapeXml("Tom & Jerry's <\"Hunt\">"), "Tom &amp; Jerry&apos;s &lt;&quot;Hunt&quot;&gt;");
}

}  // namespace
