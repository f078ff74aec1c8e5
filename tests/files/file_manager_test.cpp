#include "files/file_manager.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "files/byte_buffer.h"
#include "files/data_provider_save.h"
#include "files/in_stream_interface.h"
#include "files/log.h"
#include "support/file_manager_fixture.h"

namespace {

class FileManagerTest : public StartedFileManagerFixture {};

}  // namespace

TEST_F(FileManagerTest, ReadsSaveFolderBeforeAssetsFolder) {
    folder.WriteFile("root/assets/a.txt", "asset");
    folder.WriteFile("save/s.txt", "saved");
    EXPECT_EQ(Load("assets/a.txt"), "asset");
    EXPECT_EQ(Load("save/s.txt"), "saved");
    EXPECT_EQ(fm.Exists("assets/a.txt"), 0);
    EXPECT_EQ(fm.Exists("assets/missing.txt"), 1);
    vK_LogCapture log;
    int status = 0;
    EXPECT_EQ(Load("assets/missing.txt", &status), "");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(log.Contains("Error: file not found assets/missing.txt."));
    fm.SetSilent(true);
    log.Clear();
    Load("assets/missing.txt");
    EXPECT_EQ(log.Count(), 0);
}

TEST_F(FileManagerTest, RefusesPathsOutsideAssetsAndSave) {
    folder.WriteFile("root/assets/a.txt", "asset");
    folder.WriteFile("root/secret.txt", "secret");
    folder.WriteFile("save/x", "x");
    const char* refused[] = {"assets/../secret.txt",
                             "save/../root/secret.txt",
                             "/etc/passwd",
                             "savegame/x",
                             "saveX/x",
                             "assets",
                             "save/",
                             "assets\\..\\secret.txt",
                             "secret.txt",
                             "",
                             "assets/sub/../../secret.txt"};
    for (const char* path : refused) {
        vK_LogCapture log;
        std::vector<uint8_t> bytes;
        EXPECT_EQ(fm.LoadFile(path, bytes, 0), 1) << path;
        EXPECT_TRUE(log.Contains("Error: refused path")) << path;
        EXPECT_FALSE(fm.SaveFile(path, Bytes("evil"), 0, false)) << path;
        EXPECT_FALSE(fm.DeleteFile(path)) << path;
        std::string resolved;
        EXPECT_EQ(fm.ResolvePath(path, resolved), 1) << path;
    }
    EXPECT_EQ(folder.ReadFile("root/secret.txt"), "secret");
    EXPECT_EQ(Load("assets\\a.txt"), "asset");  // backslashes are separators
}

TEST_F(FileManagerTest, ReadAllRefusesDirectories) {
    folder.WriteFile("root/assets/dir/inner.txt", "x");
    folder.WriteFile("save/sub/inner.txt", "x");
    int status = 0;
    vK_LogCapture log;
    Load("assets/dir", &status);
    EXPECT_EQ(status, 1);
    Load("save/sub", &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(fm.Exists("assets/dir"), 1);
    FILE* f = nullptr;
    EXPECT_EQ(fm.OpenFile("assets/dir", f), 1);
    EXPECT_EQ(f, nullptr);
}

TEST_F(FileManagerTest, LooseAssetsMatchCaseInsensitively) {
    folder.WriteFile("root/assets/Sprites/Hero.PNG", "png");
    folder.WriteFile("root/assets/sprites2/a.png", "lower");
    EXPECT_EQ(Load("assets/sprites/hero.png"), "png");
    EXPECT_EQ(Load("assets/SPRITES/hero.Png"), "png");
    EXPECT_EQ(Load("assets/Sprites2/A.PNG"), "lower");
    std::string resolved;
    ASSERT_EQ(fm.ResolvePath("assets/sprites/hero.png", resolved), 0);
    EXPECT_EQ(resolved, folder.Path() + "/root/assets/Sprites/Hero.PNG");
    // A file added later changes the folder, so the cached listing is read again.
    folder.WriteFile("root/assets/Sprites/Late.png", "late");
    EXPECT_EQ(Load("assets/sprites/late.png"), "late");
}

TEST_F(FileManagerTest, SaveFolderIsCreatedWhenFirstWritten) {
    TempFolder home;
    setenv("XDG_DATA_HOME", (home.Path() + "/data").c_str(), 1);
    vK_FileManager other;
    other.SetIdentity("Pub", "First");
    other.RegisterProviders();
    EXPECT_FALSE(home.Has("data"));
    other.SetGameName("Second");  // the name in force when the file is written
    ASSERT_TRUE(other.SaveFile("save/settings.json", Bytes("{}"), 0, false));
    EXPECT_EQ(home.ReadFile("data/Pub/Second/settings.json"), "{}");
    EXPECT_FALSE(home.Has("data/Pub/First"));
    // Without a game name nothing is written.
    other.SetGameName("");
    EXPECT_FALSE(other.SaveFile("save/settings.json", Bytes("x"), 0, false));
    // A name that is not a plain folder name cannot lead out of the data folder.
    other.SetIdentity("..", "x");
    EXPECT_FALSE(other.SaveFile("save/y", Bytes("x"), 0, false));
    unsetenv("XDG_DATA_HOME");
}

TEST_F(FileManagerTest, DeleteReportsWhetherFileIsGone) {
    folder.WriteFile("save/old.txt", "x");
    EXPECT_TRUE(fm.DeleteFile("save/old.txt"));
    EXPECT_FALSE(folder.Has("save/old.txt"));
    EXPECT_TRUE(fm.DeleteFile("save/old.txt"));  // already gone
    folder.WriteFile("save/dir/x", "x");
    EXPECT_FALSE(fm.DeleteFile("save/dir"));
}

TEST_F(FileManagerTest, InterruptedSaveKeepsOldFile) {
    ASSERT_TRUE(fm.SaveFile("save/p.json", Bytes("old"), 2, false));
    vK_DataProviderSave::SetFaultHook(
        [](const char* step, const char*) { return std::string(step) != "written"; });
    vK_LogCapture log;
    EXPECT_FALSE(fm.SaveFile("save/p.json", Bytes("new content"), 2, false));
    vK_DataProviderSave::SetFaultHook(nullptr);
    EXPECT_TRUE(log.Contains("Error while saving data to file save/p.json."));
    std::vector<uint8_t> loaded;
    EXPECT_EQ(fm.LoadFile("save/p.json", loaded, 2), 0);
    EXPECT_EQ(Text(loaded), "old");
    // The next save goes through and replaces the leftover temporary file.
    EXPECT_TRUE(fm.SaveFile("save/p.json", Bytes("new"), 2, false));
    EXPECT_EQ(fm.LoadFile("save/p.json", loaded, 2), 0);
    EXPECT_EQ(Text(loaded), "new");
}

// A full disk: the temporary file (and, for appends, the file itself) is bound to
// /dev/full, so every write fails with ENOSPC.
TEST_F(FileManagerTest, FullDiskFailsAndKeepsOldFile) {
    ASSERT_TRUE(fm.SaveFile("save/p.json", Bytes("old"), 0, false));
    const std::string temp = folder.Path() + "/save/p.json.tmp";
    folder.WriteFile("save/p.json.tmp", "");
    if (mount("/dev/full", temp.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "bind mounts need CAP_SYS_ADMIN; InterruptedSaveKeepsOldFile covers the logic";
    }
    const bool saved = fm.SaveFile("save/p.json", Bytes("new content"), 0, false);
    folder.WriteFile("save/log.txt", "");
    const std::string log_path = folder.Path() + "/save/log.txt";
    const bool log_bound = mount("/dev/full", log_path.c_str(), nullptr, MS_BIND, nullptr) == 0;
    const bool appended = fm.SaveFile("save/log.txt", Bytes("line\n"), 0, true);
    if (log_bound) umount(log_path.c_str());
    umount(temp.c_str());
    EXPECT_FALSE(saved);
    EXPECT_FALSE(appended);
    EXPECT_EQ(folder.ReadFile("save/p.json"), "old");
}

TEST_F(FileManagerTest, LogLinesGoToSaveFolderLogFile) {
    Log("Warning: first line %d", 1);
    Log("second");
    EXPECT_EQ(folder.ReadFile("save/logfile.txt"), "Warning: first line 1\nsecond\n");
}

TEST_F(FileManagerTest, StreamsAndBuffersComeFromTheReaders) {
    folder.WriteFile("root/assets/Music/Theme.ogg", "OggS....");
    std::shared_ptr<vK_InStreamInterface> stream;
    ASSERT_EQ(fm.OpenStream("assets/music/theme.ogg", stream), 0);
    std::vector<uint8_t> head;
    ASSERT_TRUE(stream->ReadInto(4, head));
    EXPECT_EQ(Text(head), "OggS");
    EXPECT_EQ(fm.OpenStream("assets/music/none.ogg", stream), 1);
    EXPECT_EQ(stream, nullptr);
    folder.WriteFile("root/assets/dir/x", "x");
    EXPECT_EQ(fm.OpenStream("assets/dir", stream), 1);

    vK_ByteBuffer buffer;
    ASSERT_EQ(fm.LoadIntoBuffer("assets/Music/Theme.ogg", buffer), 0);
    EXPECT_EQ(buffer.Size(), 8u);
    EXPECT_EQ(buffer.Position(), buffer.Start());
    folder.WriteFile("root/assets/empty.bin", "");
    ASSERT_EQ(fm.LoadIntoBuffer("assets/empty.bin", buffer), 0);
    ASSERT_NE(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Data()[0], 0);
    vK_LogCapture log;
    EXPECT_EQ(fm.LoadIntoBuffer("assets/none.bin", buffer), 1);
}

TEST(SaveFolder, FollowsXdgDataHomeElseHome) {
    struct Case {
        const char* xdg;  // nullptr: unset
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/data", "/home/u", "/data/Pub/Game"},
        {nullptr, "/home/u", "/home/u/.local/share/Pub/Game"},
        {"relative/dir", "/home/u", "/home/u/.local/share/Pub/Game"},  // only absolute values count
        {"", "/home/u", "/home/u/.local/share/Pub/Game"},
    };
    const char* old_home = std::getenv("HOME");
    const std::string saved_home = old_home ? old_home : "";
    auto locations = std::make_shared<vK_FileLocations>();
    locations->publisher = "Pub";
    locations->game = "Game";
    vK_DataProviderSave provider(locations);
    for (const Case& c : cases) {
        if (c.xdg) {
            setenv("XDG_DATA_HOME", c.xdg, 1);
        } else {
            unsetenv("XDG_DATA_HOME");
        }
        setenv("HOME", c.home, 1);
        EXPECT_EQ(provider.SaveFolder(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
    unsetenv("XDG_DATA_HOME");
    if (old_home) setenv("HOME", saved_home.c_str(), 1);
    locations->save_folder = "/explicit";
    EXPECT_EQ(provider.SaveFolder(), "/explicit");
    EXPECT_EQ(provider.ResolvePath("save/p_000001.json"), "/explicit/p_000001.json");
    EXPECT_EQ(provider.ResolvePath("assets/x"), "");
}
