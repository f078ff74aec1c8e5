#include "data/json_file.h"

#include <gtest/gtest.h>

#include "files/file_manager.h"
#include "files/log.h"
#include "support/file_manager_fixture.h"

class JsonFileTest : public StartedFileManagerFixture {};

TEST_F(JsonFileTest, SaveAndLoadWithEveryKind) {
    vK_DataTable profile;
    profile.SetInt("level", 3);
    profile.SetString("name", "Ada");
    for (int kind = 0; kind <= 3; ++kind) {
        ASSERT_TRUE(SaveJson(&profile, "save/p_000001.json", kind, true)) << kind;
        std::unique_ptr<vK_Data> loaded = LoadJson("save/p_000001.json", kind);
        ASSERT_TRUE(loaded && loaded->AsTable()) << kind;
        EXPECT_EQ(FindInt(loaded.get(), "level", 0), 3);
        EXPECT_EQ(FindString(loaded.get(), "name", ""), "Ada");
    }
    ASSERT_TRUE(SaveJson(&profile, "save/p_000001.json", 2, true));
    const std::string stored = folder.ReadFile("save/p_000001.json");
    EXPECT_EQ(stored.substr(0, 16).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(stored.substr(16, 1), "{");
}

TEST_F(JsonFileTest, MissingDamagedOrInvalidGiveNull) {
    vK_LogCapture log;
    EXPECT_EQ(LoadJson("save/none.json", 0), nullptr);
    folder.WriteFile("save/bad.json", "{\"a\":");
    EXPECT_EQ(LoadJson("save/bad.json", 0), nullptr);
    folder.WriteFile("save/damaged.json", "0000000000000001{}");
    EXPECT_EQ(LoadJson("save/damaged.json", 2), nullptr);
}

TEST_F(JsonFileTest, LoadDocumentAlwaysGivesATable) {
    folder.WriteFile("root/assets/config.json", "{\"Vrakko\":{\"gameName\":\"G\"}}");
    vK_DataPtr config = LoadDocument("assets/config");
    EXPECT_EQ(FindString(config.get(), "Vrakko.gameName", ""), "G");
    vK_LogCapture log;
    vK_DataPtr missing = LoadDocument("assets/nothing");
    ASSERT_TRUE(missing && missing->AsTable());
    EXPECT_TRUE(missing->AsTable()->Empty());
    EXPECT_TRUE(log.Contains("Error: file not found assets/nothing.json."));
    folder.WriteFile("root/assets/broken.json", "[1,");
    EXPECT_TRUE(LoadDocument("assets/broken")->AsTable());
}
