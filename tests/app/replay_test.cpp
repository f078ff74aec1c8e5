// Records a scripted session of the built demo headless, replays it three times (the last
// on a busy machine) and compares the frames and the saved state byte for byte; a missing,
// damaged or unusable recording or save folder ends the program with its reason.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/log_check.h"
#include "support/temp_folder.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Child processes that keep the processors busy for at most a minute; killed and reaped
// when this ends.
class BusyProcesses {
public:
    explicit BusyProcesses(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                volatile unsigned spin = 0;
                while (std::chrono::steady_clock::now() < end) spin = spin + 1;
                _exit(0);
            }
            if (pid > 0) children_.push_back(pid);
        }
    }
    ~BusyProcesses() {
        for (const pid_t pid : children_) kill(pid, SIGKILL);
        for (const pid_t pid : children_) waitpid(pid, nullptr, 0);
    }
    BusyProcesses(const BusyProcesses&) = delete;
    BusyProcesses& operator=(const BusyProcesses&) = delete;

private:
    std::vector<pid_t> children_;
};

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
        return RunWith(run, "--save-dir '" + folder.Path() + "/" + run + "' " + options);
    }
    // The same with the options alone (the save folder among them); the output goes to run.out.
    int RunWith(const std::string& run, const std::string& options) {
        const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + exe + "' --root '" +
                                    demo + "' " + options + " >'" + folder.Path() + "/" + run + ".out' 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Out(const std::string& run) const { return Read(folder.Path() + "/" + run + ".out"); }
    std::string P(const std::string& name) const { return folder.Path() + "/" + name; }

    std::string exe, demo;
    TempFolder folder;
};

TEST_F(ReplayTest, ReplaysOfARecordingDrawTheSameFramesAlsoOnABusyMachine) {
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

    // The third replay shares the machine with four busy processes: frames advance by the
    // recording, never by the clock, so it draws the same.
    const std::pair<const char*, bool> runs[] = {{"one", false}, {"two", false}, {"loaded", true}};
    for (const auto& [run, loaded] : runs) {
        SCOPED_TRACE(run);
        const std::string r = run;
        BusyProcesses busy(loaded ? 4 : 0);
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
    const std::string players = Read(P("one/profile_list.json"));
    EXPECT_NE(players, "");
    for (const char* run : {"two", "loaded"}) {
        SCOPED_TRACE(run);
        const std::string r = run;
        EXPECT_TRUE(Read(P(r + "-20.png")) == first20);
        EXPECT_TRUE(Read(P(r + "-129.png")) == first129);
        // The player the replay made is saved the same.
        EXPECT_EQ(Read(P(r + "/profile_list.json")), players);
    }
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

// --record copies the save folder to FILE.save, replacing an older copy, and --replay copies
// the folder a recording names into the save folder. Where the two folders overlap (one is
// the other or inside it, also through a link or "..") or FILE.save is not a copy --record
// made, the run is refused with its reason and every file that was there stays.
TEST_F(ReplayTest, OverlappingSaveFoldersAreRefusedAndNoFileIsLost) {
    const auto recording = [](const std::string& save) {
        return "vrakko-recording 1\nseed 1\nsave " + save + "\ndisplay 1024 768 windowed\n5 end\n";
    };
    using Files = std::map<std::string, std::string>;
    struct Case {
        const char* name;
        Files before;         // written first, relative to the case's folder
        std::string options;  // "@" stands for the case's folder
        int status;
        std::string message;  // a part of the output
        Files after;          // what must be there afterwards, with its content
        std::vector<std::string> absent;
        std::pair<std::string, std::string> link;  // a link made first (name, target), if any
    };
    const std::pair<std::string, std::string> none;
    const std::string kept = "the player's";
    const Case cases[] = {
        {"copy-is-the-save-folder",
         {{"d/x.save/profile_list.json", kept}},
         "--save-dir @/d/x.save --record @/d/x",
         2,
         "would overlap",
         {{"d/x.save/profile_list.json", kept}},
         {"d/x"},
         none},
        {"copy-inside",
         {{"s/profile_list.json", kept}},
         "--save-dir @/s --record @/s/run.rec",
         2,
         "would overlap",
         {{"s/profile_list.json", kept}},
         {"s/run.rec", "s/run.rec.save"},
         none},
        {"linked",
         {{"s/profile_list.json", kept}},
         "--save-dir @/s --record @/l/run.rec",
         2,
         "would overlap",
         {{"s/profile_list.json", kept}},
         {"s/run.rec.save"},
         {"l", "s"}},
        // Read as text, l/.. is the case's folder; the link makes it s.
        {"link-and-dotdot",
         {{"s/deep/a.txt", kept}},
         "--save-dir @/s --record @/l/../run.rec",
         2,
         "would overlap",
         {{"s/deep/a.txt", kept}},
         {"s/run.rec.save", "run.rec.save"},
         {"l", "s/deep"}},
        {"foreign-copy",
         {{"s/profile_list.json", kept}, {"mine.save/notes.txt", kept}},
         "--save-dir @/s --record @/mine",
         2,
         "mine.save is there and is no save folder copy that --record made",
         {{"s/profile_list.json", kept}, {"mine.save/notes.txt", kept}},
         {"mine"},
         none},
        {"target-not-a-folder",
         {{"s/profile_list.json", kept}, {"file", kept}},
         "--save-dir @/s --record @/file/run.rec",
         2,
         "could not be copied for the recording",
         {{"s/profile_list.json", kept}, {"file", kept}},
         {},
         none},
        {"read-only",
         {{"s/profile_list.json", kept}, {"ro/other.rec", kept}},
         "--save-dir @/s --record @/ro/run.rec",
         2,
         "could not be copied for the recording",
         {{"s/profile_list.json", kept}, {"ro/other.rec", kept}},
         {"ro/run.rec.save", "ro/run.rec"},
         none},
        {"own-copy-replaced",
         {{"s/profile_list.json", kept},
          {"run.rec.save/recording_copy.txt", ""},
          {"run.rec.save/stale", kept}},
         "--save-dir @/s --record @/run.rec",
         0,
         "",
         {{"s/profile_list.json", kept}, {"run.rec.save/profile_list.json", kept}},
         {"run.rec.save/stale"},
         none},
        {"replay-into-its-source",
         {{"r/x.rec", recording(".")}, {"r/old/profile_list.json", kept}},
         "--save-dir @/r/s --replay @/r/x.rec",
         2,
         "one folder is inside the other",
         {{"r/old/profile_list.json", kept}},
         {"r/s"},
         none},
        {"replay-source-inside",
         {{"r/x.rec", recording("sub")}, {"r/sub/profile_list.json", kept}},
         "--save-dir @/r --replay @/r/x.rec",
         2,
         "one folder is inside the other",
         {{"r/sub/profile_list.json", kept}},
         {"r/profile_list.json", "r/logfile.txt"},
         none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = P(c.name), name = c.name;
        // Root reads and writes a folder without write permission anyway.
        if (name == "read-only" && geteuid() == 0) continue;
        for (const auto& [path, text] : c.before) folder.WriteFile(name + "/" + path, text);
        if (!c.link.first.empty())
            std::filesystem::create_directory_symlink(root + "/" + c.link.second, root + "/" + c.link.first);
        if (name == "read-only")
            std::filesystem::permissions(
                root + "/ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        std::string options = c.options;
        for (size_t at = options.find('@'); at != std::string::npos; at = options.find('@', at + root.size()))
            options.replace(at, 1, root);
        // A few frames, in case the run is not refused.
        EXPECT_EQ(RunWith(name, options + " --frames 2"), c.status) << Out(name);
        EXPECT_NE(Out(name).find(c.message), std::string::npos) << Out(name);
        for (const auto& [path, text] : c.after) EXPECT_EQ(folder.ReadFile(name + "/" + path), text) << path;
        for (const std::string& path : c.absent) EXPECT_FALSE(folder.Has(name + "/" + path)) << path;
        // Nothing was copied into itself.
        size_t entries = 0;
        std::error_code ec;
        for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end;
             it.increment(ec))
            ++entries;
        EXPECT_LT(entries, 20u);
        if (name == "read-only")
            std::filesystem::permissions(root + "/ro", std::filesystem::perms::owner_all, ec);
    }
}

TEST_F(ReplayTest, MissingOrDamagedRecordingEndsWithItsReason) {
    const std::string good = "vrakko-recording 1\nseed 1\ndisplay 1024 768 fullscreen\n30 down 300 300\n";
    folder.WriteFile("cut.txt", good);
    folder.WriteFile("bad.txt", good + "31 up 300\n40 end\n");
    folder.WriteFile("input.txt", "30 click 300 300\n");
    folder.WriteFile("dir/kept.txt", "kept");
    struct Case {
        const char* name;
        std::string options;
        std::string message;
    };
    const Case cases[] = {
        {"missing", "--replay '" + P("none.txt") + "'",
         "vrakko: can not read the recording " + P("none.txt") + ": there is no such file\n"},
        {"folder", "--replay '" + P("dir") + "'",
         "vrakko: can not read the recording " + P("dir") + ": it is a folder\n"},
        {"input-folder", "--input '" + P("dir") + "'",
         "vrakko: can not read the input file " + P("dir") + ": it is a folder\n"},
        {"record-folder", "--record '" + P("dir") + "'",
         "vrakko: can not write the recording " + P("dir") + ": it is a folder\n"},
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
    EXPECT_EQ(folder.ReadFile("dir/kept.txt"), "kept");
}

}  // namespace
