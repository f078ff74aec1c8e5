// The demo packed into "assets/data.pck" by the zip tool, as a release would ship it, runs
// the same as the folder it came from: the asset check finds it clean through the archive,
// and the play-through replayed on both gives the same log and the same last frame.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/log_check.h"
#include "support/temp_folder.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
const std::string kDemo = std::string(VRAKKO_BINARY_DIR) + "/demo";
const std::string kRecording = std::string(VRAKKO_SOURCE_DIR) + "/demo/playthrough.rec";
// The password the engine opens its archive with.
constexpr const char* kArchivePassword = "dunKerrow";

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The frame the recording's "FRAME end" line names; 0 when there is none.
long EndFrame(const std::string& recording) {
    std::istringstream in(recording);
    long end = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        long frame = 0;
        std::string verb;
        if (words >> frame >> verb && verb == "end") end = frame;
    }
    return end;
}

// The lines the demo's scripts logged, in order.
std::vector<std::string> DemoLines(const std::string& log) {
    std::istringstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("demo: ", 0) == 0) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(PackedDemo, RunsTheSameAsItsFolder) {
    if (!std::filesystem::exists(kExe) || !std::filesystem::exists(kDemo + "/assets/config.json"))
        GTEST_SKIP() << "the executable or the demo assets are not built";
    if (Shell("command -v zip >/dev/null") != 0) GTEST_SKIP() << "the zip tool is not installed";
    TempFolder folder;
    const std::string packed = folder.Path() + "/packed";
    std::filesystem::create_directories(packed + "/assets");
    ASSERT_EQ(Shell("cd '" + kDemo + "' && zip -q -r -P " + kArchivePassword + " '" + packed +
                    "/assets/data.pck' assets"),
              0);

    ASSERT_EQ(Shell("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + kExe + "' --check --root '" +
                    packed + "' >'" + folder.Path() + "/check.txt' 2>&1"),
              0)
        << folder.ReadFile("check.txt");

    std::ostringstream text;
    text << std::ifstream(kRecording).rdbuf();
    const long end = EndFrame(text.str());
    ASSERT_GT(end, 10) << "the play-through recording has no end line";
    const std::string shotFrame = std::to_string(end - 5);
    for (const std::string& root : {kDemo, packed}) {
        const std::string name = root == kDemo ? "folder" : "packed";
        const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + kExe +
                                    "' --root '" + root + "' --save-dir '" + folder.Path() + "/save_" + name +
                                    "' --replay '" + kRecording + "' --screenshot-at " + shotFrame + ":'" +
                                    folder.Path() + "/" + name + ".png' >'" + folder.Path() + "/" + name +
                                    ".out' 2>&1";
        ASSERT_EQ(Shell(command), 0) << folder.ReadFile(name + ".out");
        EXPECT_EQ(FaultLines(folder.Path() + "/save_" + name + "/logfile.txt"), "") << name;
    }
    const std::vector<std::string> fromFolder = DemoLines(folder.ReadFile("save_folder/logfile.txt"));
    EXPECT_FALSE(fromFolder.empty());
    EXPECT_EQ(DemoLines(folder.ReadFile("save_packed/logfile.txt")), fromFolder);
    const std::string folderShot = folder.ReadFile("folder.png");
    ASSERT_FALSE(folderShot.empty());
    EXPECT_TRUE(folder.ReadFile("packed.png") == folderShot) << "the packed run's last frame differs";
}
