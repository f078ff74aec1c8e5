// The built program: a missing or unparsable configuration ends it with the message and
// status 1, the game's message names are script globals, and the game's folder is the
// current directory whatever folder the program was started from.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace {

std::string Exe() { return std::string(VRAKKO_BINARY_DIR) + "/vrakko"; }

// Runs the program (from the folder dir when given); returns its exit status and fills
// output with stderr.
int RunProgram(const std::string& args, std::string& output, const std::string& dir = "") {
    const std::string command = (dir.empty() ? "" : "cd '" + dir + "' && ") +
                                "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + Exe() + "' " + args +
                                " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof(buffer), pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A configuration that is missing or does not parse: the message, status 1, and for the
// parse error its place in the log.
TEST(Program, MissingOrBrokenConfigurationShowsTheMessageAndEndsWithStatusOne) {
    if (!std::filesystem::exists(Exe())) GTEST_SKIP() << "the executable is not built";
    struct Case {
        const char* config;  // nullptr: no file
        const char* logged;  // in the log, "" for nothing to look for
    };
    const Case cases[] = {
        {nullptr, ""},
        {"{\"save_settings\": {\"folder\": \"G\"},\n \"start_point\": {\"module\": \"m\"},\n}\n",
         "Error: the configuration can not be used: assets/config.json:3:1: Missing '}' or object member "
         "name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        TempFolder folder;
        folder.WriteFile("root/assets/readme.txt", "no configuration here");
        if (c.config) folder.WriteFile("root/assets/config.json", c.config);
        std::string output;
        EXPECT_EQ(RunProgram("--root '" + folder.Path() + "/root' --save-dir '" + folder.Path() +
                                 "/save' --frames 2",
                             output),
                  1);
        EXPECT_NE(output.find("Game assets is corrupted.\nPlease reinstall the game to fix the problem."),
                  std::string::npos)
            << output;
        const std::string log = folder.ReadFile("save/logfile.txt");
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    }
}

TEST(Program, GameMessageNamesReachTheScripts) {
    if (!std::filesystem::exists(Exe())) GTEST_SKIP() << "the executable is not built";
    TempFolder folder;
    folder.WriteFile(
        "root/assets/config.json",
        "{\"Vrakko\": {\"publisherName\": \"P\", \"gameName\": \"G\"}, \"save_settings\": {\"folder\": "
        "\"G\"}, \"start_point\": {\"module\": \"assets/m\", \"func\": \"m.Start()\"}}");
    folder.WriteFile("root/assets/m.xml", "<module name=\"m\"/>");
    folder.WriteFile(
        "root/assets/m.lua",
        "function public.Start() DbgTrace('id=' .. tostring(Command_Application_SwitchLevel)) end");
    std::string output;
    RunProgram("--root '" + folder.Path() + "/root' --save-dir '" + folder.Path() + "/save' --frames 5",
               output);
    const std::string log = folder.ReadFile("save/logfile.txt");
    EXPECT_NE(log.find("id=Command_Application_SwitchLevel"), std::string::npos) << log << output;
}

// A script's relative path lands in the game's folder (--root), not where the program was
// started; a folder missing there makes a log line, not silence.
TEST(Program, RelativePathsOfScriptsLandInTheGameFolder) {
    if (!std::filesystem::exists(Exe())) GTEST_SKIP() << "the executable is not built";
    struct Case {
        const char* shot;      // the script's path
        const char* file;      // where it lands below root/, "" for nowhere
        const char* log_line;  // in the log, "" for none
    };
    const Case cases[] = {
        {"shots/first", "shots/first.jpg", ""},
        {"missing/first", "", "Error: the screenshot missing/first.jpg could not be written"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        folder.WriteFile("root/assets/config.json",
                         "{\"Vrakko\": {\"publisherName\": \"P\", \"gameName\": \"G\"}, \"start_point\": "
                         "{\"module\": \"assets/m\", \"func\": \"m.Start()\"}}");
        folder.WriteFile("root/assets/m.xml", "<module name=\"m\"/>");
        folder.WriteFile("root/assets/m.lua",
                         std::string("function public.Start() vk.dbg.Screenshot('") + c.shot + "') end");
        std::filesystem::create_directories(folder.Path() + "/root/shots");
        // The starting folder has a "shots" folder too: that is where the file went before.
        std::filesystem::create_directories(folder.Path() + "/shots");
        std::string output;
        // Started from another folder, with a relative --root and --save-dir.
        RunProgram("--root root --save-dir save --frames 5 --windowed", output, folder.Path());
        const std::string log = folder.ReadFile("save/logfile.txt");
        if (c.file[0]) {
            EXPECT_TRUE(folder.Has(std::string("root/") + c.file)) << c.shot << log << output;
        }
        EXPECT_FALSE(folder.Has(std::string(c.shot) + ".jpg")) << c.shot;
        if (c.log_line[0]) {
            EXPECT_NE(log.find(c.log_line), std::string::npos) << log << output;
        }
    }
}

}  // namespace
