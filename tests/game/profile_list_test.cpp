// Player profiles: selection through additions and deletions, files written by an
// independent script, damaged files, the "vy_global" round trip and saves killed midway.
#include "game/profile_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "files/log.h"
#include "killed_save_fixture.h"

namespace {

class ProfileListTest : public KilledSaveFixture {
protected:
    std::vector<std::string> Names(const vY_ProfileList& list) {
        std::vector<std::string> names;
        for (const auto& entry : list.GetEntries()) names.push_back(entry.name);
        return names;
    }
    bool Lua(const std::string& code) { return script.Lua(code); }
    std::string Eval(const std::string& expr) { return script.Eval(expr); }
};

TEST_F(ProfileListTest, DeletingKeepsTheSelectedPlayer) {
    struct Case {
        const char* remove;
        const char* selected_before;
        std::string selected_after;
        int current_after;
    };
    const Case cases[] = {
        {"A", "C", "C", 1},  // before the selection: the index moves down with the player
        {"C", "C", "A", 0},  // the selection itself: the first remaining player
        {"D", "B", "B", 1},  // after the selection: nothing moves
        {"X", "B", "B", 1},  // unknown name: nothing happens
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.remove) + " with " + c.selected_before);
        folder.WriteFile("save/profile_list.json", "{\"current\":-1,\"profiles\":[]}");
        vY_ProfileList list;
        for (const char* name : {"A", "B", "C", "D"}) ASSERT_TRUE(list.AddProfile(name));
        list.SelectProfile(c.selected_before);
        ASSERT_TRUE(Lua("vy_global = {who = '" + list.GetCurrentName() + "'}"));
        ASSERT_TRUE(list.SaveCurrentProfile());
        list.DeleteProfile(c.remove);
        EXPECT_EQ(list.GetCurrentName(), c.selected_after);
        EXPECT_EQ(list.GetCurrent(), c.current_after);
        // The list on disk agrees, and the next save goes into the same player's file.
        vY_ProfileList reloaded;
        EXPECT_EQ(reloaded.GetCurrentName(), c.selected_after);
        EXPECT_EQ(Names(reloaded), Names(list));
    }
}

TEST_F(ProfileListTest, SaveAfterDeletingAnEarlierPlayerWritesTheSamePlayersFile) {
    vY_ProfileList list;
    ASSERT_TRUE(list.AddProfile("Anna"));
    ASSERT_TRUE(list.AddProfile("Ben"));
    list.SelectProfile("Ben");
    list.DeleteProfile("Anna");
    ASSERT_TRUE(Lua("vy_global = {owner = 'Ben'}"));
    ASSERT_TRUE(list.SaveCurrentProfile());
    EXPECT_FALSE(folder.Has("save/p_000000.json"));
    EXPECT_NE(SaveText("p_000001.json").find("\"owner\":\"Ben\""), std::string::npos);
}

TEST_F(ProfileListTest, AddingAndSelecting) {
    vY_ProfileList list;
    EXPECT_EQ(list.GetCurrent(), vY_ProfileList::kNoList);
    EXPECT_EQ(list.GetCurrentName(), "vy_noprofiles");
    ASSERT_TRUE(list.AddProfile("Anna"));
    ASSERT_TRUE(list.AddProfile("anna"));  // names are compared exactly
    EXPECT_FALSE(list.AddProfile("Anna"));
    EXPECT_EQ(list.GetCurrentName(), "vy_noprofiles");  // adding selects nothing
    EXPECT_EQ(list.GetEntries()[0].id, "p_000000");
    EXPECT_EQ(list.GetEntries()[1].id, "p_000001");
    list.SelectProfile("anna");
    EXPECT_EQ(list.GetCurrent(), 1);
    list.SelectProfile("nobody");
    EXPECT_EQ(list.GetCurrent(), 1);
    list.DeleteProfile("Anna");
    ASSERT_TRUE(list.AddProfile("Cleo"));
    EXPECT_EQ(list.GetEntries()[1].id, "p_000002");  // one more than the largest left
    list.SelectProfile("anna");
    list.DeleteProfile("anna");
    list.DeleteProfile("Cleo");
    EXPECT_EQ(list.GetCurrent(), vY_ProfileList::kNoList);
    ASSERT_TRUE(list.AddProfile("Dora"));
    EXPECT_EQ(list.GetEntries()[0].id, "p_000000");
}

TEST_F(ProfileListTest, NewIdNeverTakesAnExistingProfileFile) {
    // The list that named p_000000 was lost, but the player's file is still there.
    folder.WriteFile("save/p_000000.json", "0000000000000002{}");
    folder.WriteFile("save/p_000001.json", "0000000000000002{}");
    vY_ProfileList list;
    ASSERT_TRUE(list.AddProfile("New"));
    EXPECT_EQ(list.GetEntries()[0].id, "p_000002");
}

TEST_F(ProfileListTest, ListFileStates) {
    struct Case {
        const char* text;  // nullptr: no file
        int current;
        int count;
        const char* current_name;
    };
    const Case cases[] = {
        {nullptr, -1, 0, "vy_noprofiles"},
        {"[1,2]", -2, 0, "vy_error"},
        {"{\"current\"", -2, 0, "vy_error"},
        {"{\"profiles\":[]}", -1, 0, "vy_noprofiles"},
        {"{\"current\":0,\"profiles\":{}}", -3, 0, ""},
        {"{\"current\":5,\"profiles\":[{\"id\":\"p_000000\",\"name\":\"QQ==\"},{\"id\":\"p_000001\"}]}", 0, 2,
         "A"},
        {"{\"current\":5,\"profiles\":[]}", -3, 0, ""},
        {"{\"current\":-7,\"profiles\":[{\"id\":\"p_000000\",\"name\":\"QQ==\"}]}", 0, 1, "A"},
        {"{\"current\":-3,\"profiles\":[{\"id\":\"p_000000\",\"name\":\"QQ==\"}]}", -3, 1, ""},
        // Decoding stops at the first character outside the alphabet.
        {"{\"current\":0,\"profiles\":[{\"id\":\"p_000000\",\"name\":\"QUJD*RA==\"}]}", 0, 1, "ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "no file");
        std::filesystem::remove(folder.Path() + "/save/profile_list.json");
        if (c.text) folder.WriteFile("save/profile_list.json", c.text);
        vY_ProfileList list;
        EXPECT_EQ(list.GetCurrent(), c.current);
        EXPECT_EQ(list.GetCount(), c.count);
        EXPECT_EQ(list.GetCurrentName(), c.current_name);
        EXPECT_FALSE(c.current < 0 && list.LoadCurrentProfile());
    }
}

TEST_F(ProfileListTest, DamagedListIsKeptBeforeItIsOverwritten) {
    folder.WriteFile("save/profile_list.json", "{\"current\":0,\"profiles\":[{\"id\":\"p_0");
    vK_LogCapture log;
    vY_ProfileList list;
    EXPECT_EQ(list.GetCurrentName(), "vy_error");
    EXPECT_TRUE(log.Contains("profile_list.json is damaged"));
    ASSERT_TRUE(list.AddProfile("New"));
    ASSERT_TRUE(list.SaveList());
    EXPECT_EQ(SaveText("profile_list.json.damaged"), "{\"current\":0,\"profiles\":[{\"id\":\"p_0");
}

// A list the game can use only in part keeps every player it can read, selects the stored
// one where it is still there (else the first), names the fault in the log and keeps the
// file as it was; rewriting the list then loses nobody.
TEST_F(ProfileListTest, PartlyDamagedListsKeepTheirPlayers) {
    // "QQ==" is A, "Qg==" is B.
    const std::string a = R"({"id":"p_000000","name":"QQ=="})", b = R"({"id":"p_000001","name":"Qg=="})";
    struct Case {
        std::string text;
        std::vector<std::string> names;
        int current;
        const char* problem;
    };
    const Case cases[] = {
        {R"({"cubrent":1,"profiles":[)" + a + "," + b + "]}", {"A", "B"}, 0, "no \"current\" key"},
        {R"({"current":"1","profiles":[)" + a + "," + b + "]}",
         {"A", "B"},
         0,
         "\"current\" is \"1\", not a number"},
        {R"({"current":null,"profiles":[)" + a + "]}", {"A"}, 0, "\"current\" is null, not a number"},
        {R"({"current":2,"profiles":[)" + a + ",7," + b + "]}", {"A", "B"}, 1, "entry 1 is not an object"},
        {R"({"current":1,"profiles":[)" + a + R"(,{"id":"p_000000","name":"Qg=="}]})",
         {"A"},
         0,
         "entry 1 repeats the id p_000000"},
        {R"({"current":1,"profiles":[)" + a + R"(,{"id":"p_000003","name":"QQ=="}]})",
         {"A", "A (p_000003)"},
         1,
         "entry 1 repeats a name"},
        {R"({"current":1,"profiles":[)" + a + R"(,{"id":"p_000004"}]})",
         {"A", "p_000004"},
         1,
         "entry 1 has no name"},
        {R"({"current":0,"profiles":[{"name":"QQ=="}]})", {"A"}, 0, "entry 0 has no id"},
        {R"({"profiles":[]})", {}, -1, "no \"current\" key"},
        {R"({"current":0,"profiles":{}})", {}, -3, "\"profiles\" is not an array"},
        {R"({"current":0})", {}, -3, "no \"profiles\" key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::filesystem::remove_all(folder.Path() + "/save");
        folder.WriteFile("save/profile_list.json", c.text);
        vK_LogCapture log;
        vY_ProfileList list;
        EXPECT_EQ(Names(list), c.names);
        EXPECT_EQ(list.GetCurrent(), c.current);
        EXPECT_TRUE(log.Contains("Error: save/profile_list.json is damaged (")) << log.Text();
        EXPECT_TRUE(log.Contains(c.problem)) << log.Text();
        EXPECT_TRUE(log.Contains("its content is kept in save/profile_list.json.damaged")) << log.Text();
        EXPECT_EQ(SaveText("profile_list.json.damaged"), c.text);
        ASSERT_TRUE(list.SaveList());
        vY_ProfileList reloaded;
        EXPECT_EQ(Names(reloaded), c.names);
    }
}

// A list that does not read whole is rebuilt from the profile files: every player comes
// back under her id, with the name her file holds (the id for a file that holds none), and
// each new damage is kept in a copy of its own.
TEST_F(ProfileListTest, DamagedListsAreRebuiltFromTheProfileFiles) {
    {
        vY_ProfileList seed;
        for (const char* name : {"Anna", "Ben", "Cleo"}) {
            ASSERT_TRUE(seed.AddProfile(name));
            seed.SelectProfile(name);
            ASSERT_TRUE(Lua(std::string("vy_global = {who = '") + name + "'}"));
            ASSERT_TRUE(seed.SaveCurrentProfile());
        }
    }
    // A file from before names were kept in them (byte sum of its 35 bytes: 3177).
    folder.WriteFile("save/p_000005.json", "0000000000003177{\"profile\":{\"game_data\":{\"who\":5}}}");
    folder.WriteFile("save/p_000006.json.damaged", "not a profile");
    const std::string ben = R"({"id":"p_000001","name":"QmVu"})";
    struct Case {
        std::string text;
        std::vector<std::string> names;
        std::vector<std::string> ids;
        const char* copy;  // the file that holds the damaged list afterwards
    };
    const std::vector<std::string> all = {"Anna", "Ben", "Cleo", "p_000005"};
    const std::vector<std::string> all_ids = {"p_000000", "p_000001", "p_000002", "p_000005"};
    const Case cases[] = {
        {R"({"current":1,"profi)", all, all_ids, "profile_list.json.damaged"},
        {"[1,2]", all, all_ids, "profile_list.json.damaged.1"},
        {R"({"current":0})", all, all_ids, "profile_list.json.damaged.2"},
        // The same damage again: its copy is there already.
        {R"({"current":1,"profi)", all, all_ids, "profile_list.json.damaged"},
        {R"({"current":0,"profiles":[)" + ben + ",7]}",
         {"Ben", "Anna", "Cleo", "p_000005"},
         {"p_000001", "p_000000", "p_000002", "p_000005"},
         "profile_list.json.damaged.3"},
    };
    std::map<std::string, std::string> copies;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        folder.WriteFile("save/profile_list.json", c.text);
        copies[c.copy] = c.text;
        vK_LogCapture log;
        vY_ProfileList list;
        EXPECT_EQ(Names(list), c.names);
        std::vector<std::string> ids;
        for (const auto& entry : list.GetEntries()) ids.push_back(entry.id);
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(list.GetCurrent(), 0);
        EXPECT_TRUE(log.Contains("they are taken back from their profile files")) << log.Text();
        for (const auto& [copy, text] : copies) EXPECT_EQ(SaveText(copy), text) << copy;
        EXPECT_FALSE(folder.Has("save/profile_list.json.damaged.4"));
        // A returning player finds her progress under her own id.
        EXPECT_FALSE(list.AddProfile("Ben"));
        list.SelectProfile("Ben");
        ASSERT_TRUE(list.LoadCurrentProfile());
        EXPECT_EQ(Eval("vy_global.who"), "Ben");
        list.SelectProfile("p_000005");
        ASSERT_TRUE(list.LoadCurrentProfile());
        EXPECT_EQ(Eval("vy_global.who"), "5");
    }
    EXPECT_EQ(SaveText("p_000006.json.damaged"), "not a profile");
}

// A save file that does not load is logged with its name and the real cause, and whatever
// stands in its place is left as it is.
TEST_F(ProfileListTest, FilesThatDoNotLoadAreLoggedWithTheirCause) {
    struct Case {
        const char* file;     // under save/
        const char* content;  // nullptr: a folder holding one file
        const char* logged;
    };
    const Case cases[] = {
        {"p_000000.json", nullptr, "Error: file save/p_000000.json is a folder."},
        {"p_000000.json", "0000000000000244{x",
         "save/p_000000.json is damaged (it does not match its checksum)"},
        {"p_000000.json", "0000", "save/p_000000.json is damaged (it is too short to hold its checksum)"},
        {"p_000000.json", "000000000000024x{x", "save/p_000000.json is damaged (it has no checksum header)"},
        {"p_000000.json", "0000000000000243{x",
         "save/p_000000.json is damaged (1:2: Missing '}' or object member name)"},
        {"p_000000.json", "0000000000000248{}", "save/p_000000.json is damaged (no \"profile\" table)"},
        {"profile_list.json", nullptr, "save/profile_list.json is damaged (it is a folder)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        std::filesystem::remove_all(folder.Path() + "/save");
        folder.WriteFile("save/profile_list.json",
                         R"({"current":0,"profiles":[{"id":"p_000000","name":"QQ=="}]})");
        const std::string path = std::string("save/") + c.file;
        if (c.content) {
            folder.WriteFile(path, c.content);
        } else {
            std::filesystem::remove(folder.Path() + "/" + path);
            folder.WriteFile(path + "/inside.txt", "kept");
        }
        ASSERT_TRUE(Lua("vy_global = {kept = 'yes'}"));
        vK_LogCapture log;
        vY_ProfileList list;
        EXPECT_FALSE(list.LoadCurrentProfile());
        EXPECT_TRUE(log.Contains(c.logged)) << log.Text();
        EXPECT_FALSE(log.Contains("file not found")) << log.Text();
        EXPECT_EQ(Eval("vy_global.kept"), "yes");
        list.SaveCurrentProfile();
        if (!c.content) {
            EXPECT_EQ(folder.ReadFile(path + "/inside.txt"), "kept");
        }
    }
}

TEST_F(ProfileListTest, ReadsFilesWrittenByAnIndependentScript) {
    const std::string command =
        "python3 " VRAKKO_SOURCE_DIR "/tests/game/profile_files.py " + folder.Path() + "/save";
    if (std::system("python3 -c '' 2>/dev/null") != 0) GTEST_SKIP() << "python3 is not available";
    ASSERT_EQ(std::system(command.c_str()), 0);

    vY_ProfileList list;
    ASSERT_EQ(list.GetCount(), 5);
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"Anna", "Bj\xc3\xb6rn \xe2\x98\x83", "cheater", "Trunc", "Empty"}));
    EXPECT_EQ(list.GetCurrent(), 1);
    ASSERT_TRUE(list.LoadCurrentProfile());
    EXPECT_EQ(Eval("vy_global.level"), "7");
    EXPECT_EQ(Eval("vy_global.note"), "caf\xc3\xa9 \"quoted\"\n");
    EXPECT_EQ(Eval("tostring(vy_global.flags.a)"), "false");
    list.SelectProfile("Anna");
    ASSERT_TRUE(list.LoadCurrentProfile());
    EXPECT_EQ(Eval("vy_global.level .. vy_global.items[1] .. vy_global.items[2] .. vy_global.room"),
              "3keylampattic");
    EXPECT_EQ(Eval("tostring(vy_global.done) .. vy_global.ratio"), "true0.25");
    EXPECT_FALSE(list.IsCheaterProfile());

    // Damaged, truncated and malformed files are reported and leave "vy_global" alone.
    for (const char* name : {"cheater", "Trunc", "Empty"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Lua("vy_global = {kept = 'yes'}"));
        list.SelectProfile(name);
        vK_LogCapture log;
        EXPECT_FALSE(list.LoadCurrentProfile());
        EXPECT_EQ(Eval("vy_global.kept"), "yes");
        EXPECT_TRUE(log.Contains("is damaged and was not loaded"));
    }
    list.SelectProfile("cheater");
    EXPECT_TRUE(list.IsCheaterProfile());
    // The damaged content survives the next save of that player.
    const std::string damaged = SaveText("p_000007.json");
    ASSERT_TRUE(list.SaveCurrentProfile());
    EXPECT_EQ(SaveText("p_000007.json.damaged"), damaged);
    ASSERT_TRUE(list.LoadCurrentProfile());
    EXPECT_EQ(Eval("vy_global.kept"), "yes");
    // A new player's id follows the largest one.
    ASSERT_TRUE(list.AddProfile("Next"));
    EXPECT_EQ(list.GetEntries().back().id, "p_000010");
}

TEST_F(ProfileListTest, ProfileFileFormat) {
    vY_ProfileList list;
    ASSERT_TRUE(list.AddProfile("\xff\x01 Zo\xc3\xab"));
    list.SelectProfile("\xff\x01 Zo\xc3\xab");
    ASSERT_TRUE(Lua("vy_global = {n = 1}"));
    ASSERT_TRUE(list.SaveCurrentProfile());
    // 16-digit byte sum, then compact JSON; names in standard Base64.
    const std::string content = "{\"profile\":{\"game_data\":{\"n\":1},\"name\":\"/wEgWm/Dqw==\"}}";
    uint32_t sum = 0;
    for (unsigned char c : content) sum += c;
    EXPECT_EQ(SaveText("p_000000.json"), FormatString("%016u", sum) + content);
    EXPECT_EQ(SaveText("profile_list.json"),
              "{\"current\":0,\"profiles\":[{\"id\":\"p_000000\",\"name\":\"/wEgWm/Dqw==\"}]}");
    vY_ProfileList reloaded;
    EXPECT_EQ(reloaded.GetCurrentName(), "\xff\x01 Zo\xc3\xab");
}

// Every level starts with an empty "vy_global" (ForgetLoadedProgress); its end saves only
// a player whose file the level tried to load, or who has no file yet, so a screen that
// never loads the progress does not wipe it and one player's progress never lands in
// another's file.
TEST_F(ProfileListTest, ALevelEndSavesOnlyProgressItLoaded) {
    vY_ProfileList list;
    ASSERT_TRUE(list.AddProfile("Ada"));
    ASSERT_TRUE(list.AddProfile("Bo"));
    for (const char* name : {"Ada", "Bo"}) {
        list.SelectProfile(name);
        ASSERT_TRUE(Lua(std::string("vy_global = {who = '") + name + "'}"));
        ASSERT_TRUE(list.SaveCurrentProfile());
    }
    struct Case {
        const char* what;
        const char* load;    // the player whose progress the level loads, or nullptr
        const char* select;  // the player selected at the level's end
        const char* script;  // what the level's script does to "vy_global"
        bool saved;
        const char* adaAfter;  // vy_global.who in Ada's file afterwards, or "nil"
        const char* boAfter;
    } cases[] = {
        {"never loaded, left empty", nullptr, "Ada", "local _ = 0", false, "Ada", "Bo"},
        {"never loaded, written", nullptr, "Ada", "vy_global.who = 'x'", false, "Ada", "Bo"},
        {"loaded and changed", "Ada", "Ada", "vy_global.who = 'Ada2'", true, "Ada2", "Bo"},
        {"loaded Ada, ends on Bo", "Ada", "Bo", "local _ = 0", false, "Ada2", "Bo"},
        {"loaded and cleared", "Bo", "Bo", "vy_global = {}", true, "Ada2", "nil"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.ForgetLoadedProgress();
        ASSERT_TRUE(Lua("vy_global = {}"));
        if (c.load) {
            list.SelectProfile(c.load);
            ASSERT_TRUE(list.LoadCurrentProfile());
        }
        ASSERT_TRUE(Lua(c.script));
        list.SelectProfile(c.select);
        vK_LogCapture log;
        EXPECT_EQ(list.SaveProgressAtLevelEnd(), c.saved);
        EXPECT_EQ(log.Contains("was not loaded by this level"), !c.saved);
        for (const auto& [name, expected] : {std::pair{"Ada", c.adaAfter}, std::pair{"Bo", c.boAfter}}) {
            list.SelectProfile(name);
            ASSERT_TRUE(list.LoadCurrentProfile());
            EXPECT_EQ(Eval("tostring(vy_global.who)"), expected) << name;
        }
    }
    // A level that saved a player explicitly holds that player's progress.
    list.ForgetLoadedProgress();
    list.SelectProfile("Bo");
    ASSERT_TRUE(Lua("vy_global = {who = 'Bo3'}"));
    ASSERT_TRUE(list.SaveCurrentProfile());
    ASSERT_TRUE(Lua("vy_global.who = 'Bo4'"));
    EXPECT_TRUE(list.SaveProgressAtLevelEnd());
    ASSERT_TRUE(list.LoadCurrentProfile());
    EXPECT_EQ(Eval("vy_global.who"), "Bo4");
    // A new player has no file yet: the first level's end writes it without loading.
    ASSERT_TRUE(list.AddProfile("Cy"));
    list.ForgetLoadedProgress();
    list.SelectProfile("Cy");
    ASSERT_TRUE(Lua("vy_global = {who = 'Cy'}"));
    EXPECT_TRUE(list.SaveProgressAtLevelEnd());
    ASSERT_TRUE(list.LoadCurrentProfile());
    EXPECT_EQ(Eval("vy_global.who"), "Cy");
}

TEST_F(ProfileListTest, IdsThatNameNoProfileFileAreNeverUsedAsPaths) {
    folder.WriteFile("save/settings.json", "{\"gamma\":0.5}");
    folder.WriteFile("save/profile_list.json",
                     "{\"current\":0,\"profiles\":[{\"id\":\"settings\",\"name\":\"QQ==\"}]}");
    vY_ProfileList list;
    ASSERT_TRUE(Lua("vy_global = {x = 1}"));
    EXPECT_FALSE(list.SaveCurrentProfile());
    EXPECT_FALSE(list.LoadCurrentProfile());
    list.DeleteProfile("A");
    EXPECT_EQ(SaveText("settings.json"), "{\"gamma\":0.5}");
}

// Every kind a script value takes on its way to the file. Fractions cross the script
// bridge in single precision where they fit it, so the fractions here are exact in it.
TEST_F(ProfileListTest, GameDataRoundTripsEveryKind) {
    vY_ProfileList list;
    ASSERT_TRUE(list.AddProfile("P"));
    list.SelectProfile("P");
    const std::string value =
        "{i = 42, neg = -7, big = 1099511627776, frac = 0.25, negfrac = -2.5, tiny = 1e-300, t = true, f = "
        "false,"
        " s = 'line\\n\"q\" \\\\ caf\\195\\169', empty_s = '', arr = {1, 'two', {3}}, nested = {a = {b = {c "
        "= 'd'}}},"
        " empty = {}}";
    ASSERT_TRUE(
        Lua("function deq(a, b) if type(a) ~= type(b) then return false end"
            " if type(a) ~= 'table' then return a == b end"
            " for k, v in pairs(a) do if not deq(v, b[k]) then return false end end"
            " for k in pairs(b) do if a[k] == nil then return false end end return true end"));
    ASSERT_TRUE(Lua("vy_global = " + value));
    ASSERT_TRUE(list.SaveCurrentProfile());
    ASSERT_TRUE(Lua("vy_global = nil"));
    vY_ProfileList reloaded;
    ASSERT_TRUE(reloaded.LoadCurrentProfile());
    ASSERT_TRUE(Lua("expected = " + value));
    for (const char* key :
         {"i", "neg", "big", "frac", "negfrac", "tiny", "t", "f", "s", "empty_s", "arr", "nested", "empty"}) {
        EXPECT_EQ(Eval(std::string("tostring(deq(vy_global.") + key + ", expected." + key + "))"), "true")
            << key << ": " << SaveText("p_000000.json");
    }
    // A plain value works as well as a table.
    ASSERT_TRUE(Lua("vy_global = 'just text'"));
    ASSERT_TRUE(reloaded.SaveCurrentProfile());
    ASSERT_TRUE(Lua("vy_global = nil"));
    ASSERT_TRUE(reloaded.LoadCurrentProfile());
    EXPECT_EQ(Eval("vy_global"), "just text");
}

// The saver stops at a chosen step of a save and writes where to a pipe; the parent then
// kills it with SIGKILL.
int g_report_fd = -1;
[[noreturn]] void ReportAndWait(const std::string& where) {
    if (write(g_report_fd, where.data(), where.size()) < 0) _exit(2);
    for (;;) pause();
}

TEST_F(ProfileListTest, SavesKilledMidwayLeaveTheOldOrTheNewFile) {
    DefineFill();
    SeedProfiles();
    OnDisk on_disk;
    for (int round = 0; round < kRounds; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            g_report_fd = fds[1];
            SaveAndStop(round, &ReportAndWait);
            _exit(0);  // the parent reads the end of the pipe
        }
        close(fds[1]);
        char buffer[256];
        ssize_t n = 0;
        do {
            n = read(fds[0], buffer, sizeof(buffer));
        } while (n < 0 && errno == EINTR);
        close(fds[0]);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        ExpectKilledRound(round, std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0), on_disk);
        if (HasFatalFailure()) return;
    }
    ExpectEveryStepMet();
}

}  // namespace
