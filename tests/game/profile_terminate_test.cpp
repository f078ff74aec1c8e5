// Windows: profile saves ended by TerminateProcess (the process gets no chance to clean
// up, as when it is killed from the task manager) leave the old or the new file, never a
// damaged one. The Linux build checks the same with SIGKILL in profile_list_test.cpp.
#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "game/profile_list.h"
#include "game_fixture.h"

namespace {

// Set in the child's environment: the parent's temporary folder and the first generation.
const char* const kFolderVariable = "VRAKKO_SAVER_FOLDER";
const char* const kGenVariable = "VRAKKO_SAVER_GEN";
constexpr int kProfiles = 3;
const char* const kNames[kProfiles] = {"P0", "P1", "P2"};

class ProfileTerminateTest : public GameFixture {
protected:
    void SetUp() override {
        const char* parent = std::getenv(kFolderVariable);
        if (!parent) return StartFileManager();
        // The child writes into the parent's folders.
        fm.SetAssetRoot(std::string(parent) + "/root");
        fm.SetSaveFolder(std::string(parent) + "/save");
        fm.SetIdentity("Publisher", "Game");
        fm.RegisterProviders();
    }
    bool Lua(const std::string& code) { return script.Lua(code); }
    std::string Eval(const std::string& expr) { return script.Eval(expr); }
    void DefineFill() {
        ASSERT_TRUE(Lua(
            "function fill(g) vy_global = {gen = g, pad = string.rep(string.char(65 + g % 26), 3000 + g % "
            "700)} end"
            " function check(g) return #vy_global.pad == 3000 + g % 700"
            " and vy_global.pad == string.rep(string.char(65 + g % 26), #vy_global.pad) end"));
    }
};

// The child's part: saves generation after generation until it is ended.
TEST_F(ProfileTerminateTest, SaverChild) {
    const char* gen = std::getenv(kGenVariable);
    if (!std::getenv(kFolderVariable) || !gen) GTEST_SKIP() << "runs as the child of the next test";
    DefineFill();
    vY_ProfileList saver;
    for (int g = std::atoi(gen);; ++g) {
        saver.SelectProfile(kNames[g % kProfiles]);
        script.Lua("fill(" + std::to_string(g) + ")");
        saver.SaveCurrentProfile();
    }
}

// Starts this program as the saver child; false when it does not start.
bool StartSaver(const std::string& folder, int gen, PROCESS_INFORMATION& process) {
    wchar_t exe[MAX_PATH];
    if (GetModuleFileNameW(nullptr, exe, MAX_PATH) == 0) return false;
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=ProfileTerminateTest.SaverChild";
    SetEnvironmentVariableA(kFolderVariable, folder.c_str());
    SetEnvironmentVariableA(kGenVariable, std::to_string(gen).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const bool started = CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process) != 0;
    SetEnvironmentVariableA(kFolderVariable, nullptr);
    SetEnvironmentVariableA(kGenVariable, nullptr);
    return started;
}

TEST_F(ProfileTerminateTest, TerminatedSavesLeaveTheOldOrTheNewFile) {
    if (std::getenv(kFolderVariable)) GTEST_SKIP();
    constexpr int kRounds = 40;
    DefineFill();
    {
        vY_ProfileList seed;
        for (int p = 0; p < kProfiles; ++p) {
            ASSERT_TRUE(seed.AddProfile(kNames[p]));
            seed.SelectProfile(kNames[p]);
            ASSERT_TRUE(Lua("fill(0)"));
            ASSERT_TRUE(seed.SaveCurrentProfile());
        }
    }
    std::mt19937 random(12345);
    // The child needs a while to start; the range reaches well into its saving.
    std::uniform_int_distribution<int> delay_ms(100, 900);
    int last_gen[kProfiles] = {0, 0, 0};
    int next_gen = 1;
    int changed_rounds = 0;
    for (int round = 0; round < kRounds; ++round) {
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(StartSaver(folder.Path(), next_gen, process));
        Sleep(static_cast<DWORD>(delay_ms(random)));
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);

        vY_ProfileList list;
        ASSERT_EQ(list.GetCount(), kProfiles) << "round " << round;
        bool changed = false;
        for (int p = 0; p < kProfiles; ++p) {
            list.SelectProfile(kNames[p]);
            ASSERT_TRUE(list.LoadCurrentProfile()) << "round " << round << " profile " << p;
            const int gen = std::stoi(Eval("vy_global.gen"));
            ASSERT_EQ(Eval("tostring(check(vy_global.gen))"), "true") << "round " << round;
            ASSERT_GE(gen, last_gen[p]);
            ASSERT_TRUE(gen == 0 || gen % kProfiles == p);
            changed = changed || gen != last_gen[p];
            last_gen[p] = gen;
            next_gen = std::max(next_gen, gen + 1);
        }
        if (changed) ++changed_rounds;
    }
    // The ends landed while saves were going on, not only before the first one.
    EXPECT_GT(changed_rounds, kRounds / 4);
}

}  // namespace
#endif
