// The system's file services with UTF-8 names (on Windows they cross the API as wide
// characters): a player's folder named "Zoë" and names in other scripts work.
#include "files/os_services.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_folder.h"

namespace {

std::vector<uint8_t> B(const std::string& text) { return {text.begin(), text.end()}; }

TEST(OsServices, Utf8NamesRoundTrip) {
    TempFolder folder;
    const struct {
        const char* dir;
        const char* name;
    } cases[] = {
        {"plain", "file.txt"},
        {"Zo\xc3\xab", "Zo\xc3\xab.json"},                                                 // Zoë
        {"\xe6\x97\xa5\xe6\x9c\xac", "\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab"},  // 日本 / ファイル
    };
    for (const auto& c : cases) {
        const std::string dir = folder.Path() + "/" + c.dir;
        const std::string file = dir + "/" + c.name;
        ASSERT_TRUE(OsMakeFolder(dir)) << c.dir;
        EXPECT_TRUE(OsMakeFolder(dir)) << "an existing folder counts as made";
        EXPECT_TRUE(OsIsDirectory(dir));
        ASSERT_TRUE(OsReplaceFile(file, B("old"), nullptr)) << c.name;
        ASSERT_TRUE(OsReplaceFile(file, B("new bytes"), nullptr)) << c.name;
        ASSERT_TRUE(OsAppendFile(file, B("!")));
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(OsReadFile(file, bytes));
        EXPECT_EQ(bytes, B("new bytes!"));
        EXPECT_TRUE(OsIsRegularFile(file));
        EXPECT_GT(OsModificationStamp(file), 0);
        std::vector<std::string> names;
        ASSERT_TRUE(OsListFolder(dir, names));
        EXPECT_EQ(names, std::vector<std::string>{c.name}) << "the temporary file is gone";
        FILE* f = OsOpenFile(file, "rb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        EXPECT_EQ(OsPathText(OsPath(file)), file);
        EXPECT_FALSE(OsDeleteFile(dir)) << "a folder is never deleted";
        EXPECT_TRUE(OsDeleteFile(file));
        EXPECT_TRUE(OsDeleteFile(file)) << "a missing file is gone already";
        EXPECT_FALSE(OsPathExists(file));
        EXPECT_FALSE(OsReadFile(file, bytes));
        EXPECT_TRUE(bytes.empty());
    }
}

// A replacement stopped at each of its steps, as a crash there would stop it: the target
// holds the old bytes until the rename and the new ones after it, never a mix.
const char* g_stop_step = nullptr;
bool StopAt(const char* step, const char*) { return std::string(step) != g_stop_step; }

TEST(OsServices, ReplacementStoppedAtEachStepLeavesTheOldOrTheNewFile) {
    const struct {
        const char* step;
        const char* target;
        const char* temporary;  // nullptr: no temporary file left
    } cases[] = {
        {"opened", "old bytes", ""},
        {"half written", "old bytes", "new "},
        {"written", "old bytes", "new file"},
        {"replaced", "new file", nullptr},
    };
    TempFolder folder;
    const std::string file = folder.Path() + "/Zo\xc3\xab.json";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        ASSERT_TRUE(OsReplaceFile(file, B("old bytes"), nullptr));
        g_stop_step = c.step;
        EXPECT_FALSE(OsReplaceFile(file, B("new file"), &StopAt));
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(OsReadFile(file, bytes));
        EXPECT_EQ(bytes, B(c.target));
        EXPECT_EQ(OsReadFile(file + ".tmp", bytes), c.temporary != nullptr);
        if (c.temporary) {
            EXPECT_EQ(bytes, B(c.temporary));
        }
        // The next replacement goes through over whatever was left.
        ASSERT_TRUE(OsReplaceFile(file, B("next"), nullptr));
        ASSERT_TRUE(OsReadFile(file, bytes));
        EXPECT_EQ(bytes, B("next"));
        EXPECT_FALSE(OsPathExists(file + ".tmp"));
    }
}

// The game's folder becomes the current directory; relative names resolve against it.
TEST(OsServices, CurrentDirectoryFollowsTheGameFolder) {
    TempFolder folder;
    const std::string before = OsCurrentDirectory();
    const std::string game = folder.Path() + "/Zo\xc3\xab game";
    ASSERT_TRUE(OsMakeFolder(game));
    ASSERT_TRUE(OsSetCurrentDirectory(game));
    EXPECT_TRUE(OsReplaceFile("relative.txt", B("x"), nullptr));
    EXPECT_TRUE(OsIsRegularFile(game + "/relative.txt"));
    EXPECT_EQ(OsAbsolutePath("relative.txt"), OsCurrentDirectory() + "/relative.txt");
    unsigned error = 0;
    EXPECT_FALSE(OsSetCurrentDirectory(game + "/missing", &error));
    EXPECT_NE(error, 0u);
    ASSERT_TRUE(OsSetCurrentDirectory(before));
}

}  // namespace
