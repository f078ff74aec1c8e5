#include <gtest/gtest.h>

#include <cstdlib>

#include "files/data_provider_archive.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "support/file_manager_fixture.h"

namespace {

// Archives are made by the real zip tool, as content builds make them.
class ArchiveTest : public FileManagerFixture {
protected:
    void SetUp() override {
        folder.WriteFile("root/assets/both.txt", "from the folder");
        folder.WriteFile("root/assets/loose_only.txt", "loose");
        folder.WriteFile("src/assets/both.txt", "from the archive");
        folder.WriteFile("src/assets/sprites/a.png", std::string(5000, 'a'));  // deflates
        folder.WriteFile("src/assets/stored.bin", "\x01\x02\x03");
        folder.WriteFile("src/assets/Mixed/Case.TXT", "mixed");
        folder.WriteFile("src/assets/config.json", "{\"a\":1}");
        folder.WriteFile("save/both.txt", "from the save folder");
    }

    // zip -P password; -0 stores entries instead of deflating them.
    void MakeArchive(const std::string& password, const std::string& extra = "") {
        const std::string cmd = "cd '" + folder.Path() + "/src' && zip -q -r " + extra + " -P '" + password +
                                "' '" + folder.Path() +
                                "/root/assets/data.pck' assets -x assets/stored.bin && zip -q -0 -P '" +
                                password + "' '" + folder.Path() + "/root/assets/data.pck' assets/stored.bin";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }

    void Start() { StartFileManager(); }
};

}  // namespace

TEST_F(ArchiveTest, ArchiveComesFirstThenSaveThenAssets) {
    MakeArchive("dunKerrow");
    Start();
    ASSERT_EQ(fm.GetReaders().size(), 3u);
    EXPECT_EQ(Load("assets/both.txt"), "from the archive");
    EXPECT_EQ(Load("assets/loose_only.txt"), "loose");
    EXPECT_EQ(Load("save/both.txt"), "from the save folder");
    EXPECT_EQ(Load("assets/sprites/a.png"), std::string(5000, 'a'));
    EXPECT_EQ(Load("assets/stored.bin"), "\x01\x02\x03");
}

TEST_F(ArchiveTest, LowerCaseLookupAsStored) {
    MakeArchive("dunKerrow");
    Start();
    // A mixed-case request reads the lower-case entry.
    EXPECT_EQ(Load("assets/Sprites/A.png"), std::string(5000, 'a'));
    // An entry stored in mixed case is in the index but never read.
    EXPECT_EQ(fm.Exists("assets/Mixed/Case.TXT"), 0);
    int status = 0;
    vK_LogCapture log;
    Load("assets/Mixed/Case.TXT", &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(log.Contains("Error: file not found assets/Mixed/Case.TXT."));
}

TEST_F(ArchiveTest, SameBytesFromArchiveAndFolder) {
    MakeArchive("dunKerrow");
    Start();
    std::string from_archive = Load("assets/config.json");
    vK_FileManager loose;
    loose.SetAssetRoot(folder.Path() + "/src");
    loose.RegisterProviders();
    std::vector<uint8_t> bytes;
    ASSERT_EQ(loose.LoadFile("assets/config.json", bytes, 0), 0);
    EXPECT_EQ(from_archive, Text(bytes));
}

TEST_F(ArchiveTest, WrongPasswordReadsAsNotFound) {
    MakeArchive("not the password");
    Start();
    vK_LogCapture log;
    int status = 0;
    EXPECT_EQ(Load("assets/both.txt"), "from the folder");  // falls back to the loose file
    EXPECT_EQ(Load("assets/sprites/a.png", &status), "");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(log.Contains("Error: file not found assets/sprites/a.png."));
}

TEST_F(ArchiveTest, TruncatedArchiveFallsBackToFolders) {
    MakeArchive("dunKerrow");
    const std::string whole = folder.ReadFile("root/assets/data.pck");
    folder.WriteFile("root/assets/data.pck", whole.substr(0, whole.size() / 2));
    vK_LogCapture log;
    Start();
    EXPECT_TRUE(log.Contains("Error: can't open archive assets/data.pck"));
    EXPECT_EQ(Load("assets/both.txt"), "from the folder");
}

TEST_F(ArchiveTest, DamagedEntryReadsAsNotFound) {
    MakeArchive("dunKerrow");
    std::string whole = folder.ReadFile("root/assets/data.pck");
    // Flip a byte inside the deflated data of the large entry (its text is not in the file).
    const size_t name = whole.find("assets/sprites/a.png");
    ASSERT_NE(name, std::string::npos);
    const size_t header = name - 30;  // the local header before the name
    const auto u16 = [&](size_t at) {
        return static_cast<uint8_t>(whole[at]) | static_cast<uint8_t>(whole[at + 1]) << 8;
    };
    const size_t data = name + u16(header + 26) + u16(header + 28);
    whole[data + 12 + 4] ^= 0x55;  // past the 12-byte encryption header
    folder.WriteFile("root/assets/data.pck", whole);
    Start();
    vK_LogCapture log;
    int status = 0;
    Load("assets/sprites/a.png", &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Load("assets/stored.bin"), "\x01\x02\x03");
}

TEST_F(ArchiveTest, NoArchiveMeansTwoReaders) {
    Start();
    EXPECT_EQ(fm.GetReaders().size(), 2u);
    EXPECT_EQ(Load("assets/both.txt"), "from the folder");
}

TEST_F(ArchiveTest, UnencryptedEntriesReadDespiteThePassword) {
    const std::string cmd =
        "cd '" + folder.Path() + "/src' && zip -q -r '" + folder.Path() + "/root/assets/data.pck' assets";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Start();
    EXPECT_EQ(Load("assets/both.txt"), "from the archive");
    EXPECT_EQ(Load("assets/stored.bin"), "\x01\x02\x03");
}
