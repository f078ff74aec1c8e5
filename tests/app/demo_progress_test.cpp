// Runs the built executable on the built demo headless, driven by --input: past the title
// screen (a click), a player is created on the player screen (the button with the name
// field left empty), finds an item in the attic, and the next run with the same save folder
// resumes that player's progress; deleting the player starts it afresh.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/input_script.h"
#include "support/log_check.h"
#include "support/temp_folder.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
const std::string kDemo = std::string(VRAKKO_BINARY_DIR) + "/demo";
// Every run starts on the title screen: a click goes on to the player screen.
const std::string kPastTitle = "30 click 512 600\n";
const std::string kTitleLine = "demo: the title screen goes on to the players\n";

// The demo's lines of the run's log ("demo: ..."), one a line.
std::string DemoLines(const std::string& log) {
    std::ifstream in(log);
    std::string line, lines;
    while (std::getline(in, line))
        if (line.rfind("demo: ", 0) == 0) lines += line + "\n";
    return lines;
}

class DemoProgress : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kExe) ||
            !std::filesystem::exists(kDemo + "/assets/modules/profiles.xml"))
            GTEST_SKIP() << "the executable or the demo assets are not built";
    }
    // One run of the program with these input steps; answers the demo's log lines.
    std::string Run(const std::string& steps, int frames) {
        folder.WriteFile("input.txt", steps);
        const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + kExe +
                                    "' --root '" + kDemo + "' --save-dir '" + folder.Path() +
                                    "/save' --input '" + folder.Path() + "/input.txt' --frames " +
                                    std::to_string(frames) + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(FaultLines(folder.Path() + "/save/logfile.txt"), "");
        return DemoLines(folder.Path() + "/save/logfile.txt");
    }
    TempFolder folder;
};

}  // namespace

TEST_F(DemoProgress, FoundItemsResumeWithThePlayerUntilItIsDeleted) {
    // A click anywhere leaves the title screen; the player screen opens 54 frames later.
    // The button beside the empty name field creates "Player 1"; the key in the attic is
    // at (600, 455).
    const std::string first = Run(kPastTitle + "84 click 720 545\n184 click 600 455\n", 204);
    if (first.empty()) GTEST_SKIP() << "no OpenGL context: the program drew no frame";
    EXPECT_EQ(first, kTitleLine +
                         "demo: player Player 1 enters the attic\n"
                         "demo: attic for Player 1\n"
                         "demo: 0 of 10 found so far\n"
                         "demo: found item_key, 1 of 10\n");
    EXPECT_TRUE(std::filesystem::exists(folder.Path() + "/save/p_000000.json"));

    // The same save folder: the player's row (300, 280) plays again, the key still found.
    const std::string again = Run(kPastTitle + "84 click 300 280\n", 144);
    EXPECT_EQ(again, kTitleLine +
                         "demo: player Player 1 enters the attic\n"
                         "demo: attic for Player 1\n"
                         "demo: 1 of 10 found so far\n");

    // The gear of the row deletes the player and its file; the next empty name is
    // "Player 1" again and starts afresh.
    EXPECT_EQ(Run(kPastTitle + "84 click 760 280\n94 click 720 545\n", 154),
              kTitleLine +
                  "demo: player Player 1 deleted\n"
                  "demo: player Player 1 enters the attic\n"
                  "demo: attic for Player 1\n"
                  "demo: 0 of 10 found so far\n");
}

TEST(InputScript, LinesBecomeStepsInFrameOrder) {
    struct Case {
        const char* text;
        // frame:action:x:y per step, joined by spaces
        const char* expected;
    };
    const Case cases[] = {
        {"5 click 10 20\n", "5:0:10:20 6:1:10:20"},
        {"# comment\n\n  \n7 move 1 2\r\n3 down 4 5\n", "3:0:4:5 7:2:1:2"},
        {"2 key Return\n9 quit\n", "2:3:0:0 3:4:0:0 9:5:0:0"},
        // malformed lines are skipped: negative frame, missing or extra values, unknown
        // action or key, coordinates that are not whole numbers or are out of range
        {"-1 click 1 1\n1 click 1\n1 click 1 1 1\n1 jump\n1 key NoSuchKey\n1 up 1.5 2\n1 up 70000 2\n", ""},
        {"x click 1 1\n99999999999999999999 up 1 1\n1000000001 up 1 1\n4 up 0 0\n1000000000 click 0 0",
         "4:1:0:0 1000000000:0:0:0 1000000001:1:0:0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string got;
        for (const vK_InputStep& s : ParseInputScript(c.text)) {
            if (!got.empty()) got += " ";
            got += std::to_string(s.frame) + ":" + std::to_string(s.action) + ":" + std::to_string(s.x) +
                   ":" + std::to_string(s.y);
        }
        EXPECT_EQ(got, c.expected);
    }
}
