// The built program with a level whose start function never ends: the call is stopped at
// its line and the game draws on; SIGTERM and SIGINT end the program within about a second,
// with the signal in the exit status, while such a script runs and while the game idles.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";

// A game of one level: its start function says it runs, then does `rest`.
void WriteGame(const TempFolder& folder, const std::string& budget, const std::string& rest) {
    folder.WriteFile(
        "game/assets/config.json",
        "{\"Vrakko\": {\"gameName\": \"Spin\", \"scriptBudget\": " + budget +
            "},\n \"save_settings\": {\"folder\": \"Spin\"},\n"
            " \"start_point\": {\"module\": \"assets/modules/spin\", \"func\": \"spin.Start()\"}}\n");
    folder.WriteFile("game/assets/modules/spin.xml", "<module name=\"spin\"><objs/></module>\n");
    folder.WriteFile("game/assets/modules/spin.lua",
                     "function public.Start()\n"
                     "    DbgTrace(\"game: running\")\n" +
                         rest + "\nend\n");
}

// Starts the program on the game; the child's output goes to out.txt.
pid_t Start(const TempFolder& folder, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {
        kExe, "--root", folder.Path() + "/game", "--save-dir", folder.Path() + "/save", "--windowed"};
    args.insert(args.end(), extra.begin(), extra.end());
    const std::string out = folder.Path() + "/out.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (FILE* f = std::freopen(out.c_str(), "w", stdout)) dup2(fileno(f), 2);
        execv(kExe.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

bool WaitForLog(const TempFolder& folder, const std::string& text, pid_t pid) {
    for (int i = 0; i < 3000; ++i) {
        if (folder.Has("save/logfile.txt") &&
            folder.ReadFile("save/logfile.txt").find(text) != std::string::npos)
            return true;
        if (waitpid(pid, nullptr, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The exit status, 1000 + the signal that killed it, or -1 when it was still running
// after `seconds` (it is killed then).
int WaitExit(pid_t pid, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
}

class ScriptLimitsRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kExe)) GTEST_SKIP() << "the executable is not built";
    }
    TempFolder folder;
};

}  // namespace

TEST_F(ScriptLimitsRun, EndlessStartFunctionIsStoppedAndTheGameDrawsOn) {
    WriteGame(folder, "0.3", "    while true do end");
    const pid_t pid = Start(folder, {"--frames", "40", "--screenshot", folder.Path() + "/last.png"});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitExit(pid, 60), 0) << folder.ReadFile("out.txt");
    const std::string log = folder.ReadFile("save/logfile.txt");
    EXPECT_NE(
        log.find("Error: you try to execute code - lua error: assets/modules/spin.lua:3: script ran past "
                 "its time budget of 0.3 s"),
        std::string::npos)
        << log;
    // The last of the 40 frames was drawn after the stop.
    EXPECT_TRUE(folder.Has("last.png")) << folder.ReadFile("out.txt");
}

TEST_F(ScriptLimitsRun, StopSignalsEndTheProgramWithinASecond) {
    struct Case {
        int signal;
        const char* rest;    // what the start function does after it said it runs
        const char* logged;  // a line the stopped script leaves, or ""
    };
    const Case cases[] = {
        {SIGTERM, "    while true do end", "spin.lua:3: script stopped: the program is ending"},
        {SIGINT, "    local t = {} while true do t[#t % 100 + 1] = {} end",
         "spin.lua:3: script stopped: the program is ending"},
        {SIGTERM, "", ""},  // the game idles: the loop ends at the next frame
    };
    for (const Case& c : cases) {
        WriteGame(folder, "600", c.rest);
        std::filesystem::remove(folder.Path() + "/save/logfile.txt");  // the last run's
        const pid_t pid = Start(folder, {});
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(WaitForLog(folder, "game: running", pid)) << folder.ReadFile("out.txt");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto sent = std::chrono::steady_clock::now();
        ASSERT_EQ(kill(pid, c.signal), 0);
        const int status = WaitExit(pid, 10);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
        EXPECT_EQ(status, 128 + c.signal) << c.rest << "\n" << folder.ReadFile("out.txt");
        EXPECT_LT(seconds, 1.5) << c.rest;
        if (*c.logged) {
            EXPECT_NE(folder.ReadFile("save/logfile.txt").find(c.logged), std::string::npos)
                << folder.ReadFile("save/logfile.txt");
        }
    }
}
