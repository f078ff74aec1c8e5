// Windows: profile saves ended by TerminateProcess (the process gets no chance to clean
// up, as when it is killed from the task manager) leave the old or the new file, never a
// damaged one. The saver is this program started again; it stops at a chosen step of a
// save, writes where to an inherited pipe and is terminated there. The Linux build checks
// the same with SIGKILL in profile_list_test.cpp.
#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "killed_save_fixture.h"

namespace {

// Set in the saver's environment: the parent's temporary folder, the round and the
// pipe's write handle.
const char* const kFolderVariable = "VRAKKO_SAVER_FOLDER";
const char* const kRoundVariable = "VRAKKO_SAVER_ROUND";
const char* const kPipeVariable = "VRAKKO_SAVER_PIPE";

HANDLE g_report = nullptr;
[[noreturn]] void ReportAndWait(const std::string& where) {
    DWORD written = 0;
    WriteFile(g_report, where.data(), static_cast<DWORD>(where.size()), &written, nullptr);
    for (;;) Sleep(INFINITE);
}

class ProfileTerminateTest : public KilledSaveFixture {
protected:
    void SetUp() override {
        const char* parent = std::getenv(kFolderVariable);
        if (!parent) return StartFileManager();
        // The saver writes into the parent's folders.
        fm.SetAssetRoot(std::string(parent) + "/root");
        fm.SetSaveFolder(std::string(parent) + "/save");
        fm.SetIdentity("Publisher", "Game");
        fm.RegisterProviders();
    }
};

// The saver's part: one save, stopped at the round's step.
TEST_F(ProfileTerminateTest, SaverChild) {
    const char* round = std::getenv(kRoundVariable);
    const char* pipe = std::getenv(kPipeVariable);
    if (!std::getenv(kFolderVariable) || !round || !pipe)
        GTEST_SKIP() << "runs as the child of the next test";
    DefineFill();
    g_report = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(pipe, nullptr, 10)));
    SaveAndStop(std::atoi(round), &ReportAndWait);
}

// Starts this program as the saver of round, handing it report (inheritable); false when
// it does not start.
bool StartSaver(const std::string& folder, int round, HANDLE report, PROCESS_INFORMATION& process) {
    wchar_t exe[MAX_PATH];
    if (GetModuleFileNameW(nullptr, exe, MAX_PATH) == 0) return false;
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=ProfileTerminateTest.SaverChild";
    SetEnvironmentVariableA(kFolderVariable, folder.c_str());
    SetEnvironmentVariableA(kRoundVariable, std::to_string(round).c_str());
    SetEnvironmentVariableA(kPipeVariable, std::to_string(reinterpret_cast<uintptr_t>(report)).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const bool started = CreateProcessW(exe, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process) != 0;
    for (const char* name : {kFolderVariable, kRoundVariable, kPipeVariable})
        SetEnvironmentVariableA(name, nullptr);
    return started;
}

// Where the saver of round stopped, read from its pipe ("" when it ended without
// stopping); the saver is terminated once it has told.
std::string RunSaver(const std::string& folder, int round) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return {};
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION process{};
    const bool started = StartSaver(folder, round, write_end, process);
    CloseHandle(write_end);  // the saver holds the only write end: its end closes the pipe
    char buffer[256];
    DWORD n = 0;
    if (!started || !ReadFile(read_end, buffer, sizeof(buffer), &n, nullptr)) n = 0;
    CloseHandle(read_end);
    if (started) {
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return std::string(buffer, n);
}

TEST_F(ProfileTerminateTest, TerminatedSavesLeaveTheOldOrTheNewFile) {
    if (std::getenv(kFolderVariable)) GTEST_SKIP();
    DefineFill();
    SeedProfiles();
    OnDisk on_disk;
    for (int round = 0; round < kRounds; ++round) {
        ExpectKilledRound(round, RunSaver(folder.Path(), round), on_disk);
        if (HasFatalFailure()) return;
    }
    ExpectEveryStepMet();
}

}  // namespace
#endif
