#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "files/data_provider_archive.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "files/path_rules.h"
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

// Exists and reading agree for every request, whatever the case of the request and of
// the entry as stored; folder entries are no files.
TEST_F(ArchiveTest, AnswersTheSameWhateverTheCase) {
    folder.WriteFile("src/assets/\xc3\x84pfel/\xce\xa3\xd0\x96.txt", "greek and cyrillic");
    MakeArchive("dunKerrow");
    auto locations = std::make_shared<vK_FileLocations>();
    locations->asset_root = folder.Path() + "/root";
    vK_DataProviderArchive archive(locations, {std::make_shared<vK_DataProviderBase>(locations)},
                                   "assets/data", "dunKerrow");
    ASSERT_TRUE(archive.IsOpen());
    struct Case {
        const char* request;
        bool there;
        std::string content;
    };
    const std::string sprite(5000, 'a');
    const Case cases[] = {
        {"assets/sprites/a.png", true, sprite},    // stored in lower case, asked alike
        {"assets/Sprites/A.PNG", true, sprite},    // asked in mixed case
        {"assets/Mixed/Case.TXT", true, "mixed"},  // stored in mixed case, asked as stored
        {"assets/mixed/case.txt", true, "mixed"},  // and in lower case
        {"assets\\MIXED\\case.Txt", true, "mixed"},
        {"assets/\xc3\xa4pfel/\xcf\x83\xd0\xb6.txt", true, "greek and cyrillic"},  // äpfel/σж
        {"assets/\xc3\x84PFEL/\xcf\x82\xd0\x96.TXT", true, "greek and cyrillic"},  // ÄPFEL/ςЖ
        {"assets/sprites/", false, ""},                                            // a folder entry
        {"assets/sprites/b.png", false, ""},
        {"assets/../assets/stored.bin", false, ""},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(archive.ReadAll(c.request, bytes), c.there) << c.request;
        EXPECT_EQ(archive.Exists(c.request), c.there) << c.request;
        EXPECT_TRUE(Text(bytes) == c.content) << c.request;
    }
    EXPECT_TRUE(archive.GetEntryNames().count("assets/Mixed/Case.TXT"));
}

// ASCII letters lower byte by byte as they always have; the capitals of the Latin-1,
// Latin Extended-A, Greek and Cyrillic blocks fold to their small letters; everything
// else, broken UTF-8 included, is kept.
TEST(FoldCase, FoldsCapitalsOfTheCoveredBlocks) {
    const std::pair<std::string, std::string> cases[] = {
        {"Assets/Images/BALL.png", "assets/images/ball.png"},
        {"@[`{", "@[`{"},  // the neighbours of A-Z and a-z
        {"\xc3\x80\xc3\x96\xc3\x97\xc3\x98\xc3\x9e", "\xc3\xa0\xc3\xb6\xc3\x97\xc3\xb8\xc3\xbe"},  // ÀÖ×ØÞ
        {"\xc3\x9f\xc3\xbf\xc2\xb5", "\xc3\x9f\xc3\xbf\xce\xbc"},  // ß ÿ kept, µ -> μ
        {"\xc4\x80\xc4\x81\xc4\xb0\xc4\xb9\xc5\xb8\xc5\xbd\xc5\xbf",
         "\xc4\x81\xc4\x81\xc4\xb0\xc4\xba\xc3\xbf\xc5\xbes"},  // ĀāİĹŸŽſ
        {"\xce\x86\xce\x91\xce\xa9\xcf\x82\xcf\x83", "\xce\xac\xce\xb1\xcf\x89\xcf\x83\xcf\x83"},  // ΆΑΩςσ
        {"\xd0\x80\xd0\x90\xd0\xaf\xd1\xa0\xd3\x80\xd3\xbe",
         "\xd1\x90\xd0\xb0\xd1\x8f\xd1\xa1\xd3\x8f\xd3\xbf"},  // ЀАЯѠӀӾ
        {"\xc3x\xc3", "\xc3x\xc3"},                            // cut-off sequences
        {"\xe1\xba\x9e\xc8\x80", "\xe1\xba\x9e\xc8\x80"},      // ẞ, Ȁ: outside the blocks
    };
    for (const auto& [text, folded] : cases) EXPECT_EQ(FoldCase(text), folded) << text;
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
