// Profile and settings saves into save folders laid out in awkward ways: through links,
// read-only, in the way of a file. Whatever was there before survives byte for byte,
// except the files being saved; a save that fails leaves them as they were and is logged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "files/log.h"
#include "game/profile_list.h"
#include "game/settings.h"
#include "game_fixture.h"

namespace {

namespace fs = std::filesystem;

class SaveWritesTest : public GameFixture {
protected:
    // Every entry below the temporary folder: a folder, a link and its target, or a file
    // with its permissions and content. The log file is left out: every log line lands
    // in it by design.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
            const std::string key = entry.path().lexically_relative(folder.Path()).generic_string();
            if (key.ends_with("logfile.txt")) continue;
            if (entry.is_symlink()) {
                entries[key] = "link to " + fs::read_symlink(entry.path()).string();
            } else if (entry.is_directory()) {
                entries[key] = "folder";
            } else {
                const auto perms = static_cast<unsigned>(entry.status().permissions()) & 0777u;
                entries[key] = std::to_string(perms) + " " + folder.ReadFile(key);
            }
        }
        return entries;
    }

    // Two players with progress 1 and settings with gamma 1.5, in a plain save folder,
    // beside a file of the player's own; another file outside the save folder.
    void Seed() {
        for (const char* dir : {"save", "real", "outside"}) {
            fs::permissions(folder.Path() + "/" + dir, fs::perms::owner_all, fs::perm_options::add, ignored_);
            fs::remove_all(folder.Path() + "/" + dir);
        }
        vY_ProfileList list;
        for (const char* name : {"A", "B"}) {
            ASSERT_TRUE(list.AddProfile(name));
            list.SelectProfile(name);
            ASSERT_TRUE(script.Lua("vy_global = {gen = 1}"));
            ASSERT_TRUE(list.SaveCurrentProfile());
        }
        list.SelectProfile("A");
        ASSERT_TRUE(list.SaveList());
        vY_Settings settings;
        settings.SetGamma(1.5f);
        ASSERT_TRUE(settings.Save());
        folder.WriteFile("save/notes.txt", "the player's own");
        folder.WriteFile("outside/progress.json", "elsewhere");
    }

    // A's progress and the gamma as a fresh start reads them.
    std::pair<std::string, float> Reread() {
        vY_ProfileList list;
        list.SelectProfile("A");
        if (!script.Lua("vy_global = {gen = 'none'}")) return {"script failed", 0.0f};
        list.LoadCurrentProfile();
        vY_Settings settings;
        settings.Load();
        return {script.Eval("vy_global.gen"), settings.GetGamma()};
    }

    std::error_code ignored_;
};

void MoveSaveFolderTo(const std::string& root, const std::string& where) {
    fs::rename(root + "/save", root + "/" + where);
}

TEST_F(SaveWritesTest, SavesLoseNothingButTheFileSaved) {
    using Arrange = void (*)(const std::string& root);
    struct Case {
        const char* what;
        Arrange arrange;
        bool profile;  // a profile save (list and progress), else a settings save
        bool saved;
    };
    // Links replaced by a save are the saved file; what they pointed to is never written.
    const Arrange linked_folder = [](const std::string& root) {
        MoveSaveFolderTo(root, "real");
        fs::create_directory_symlink(root + "/real", root + "/save");
    };
    const Arrange linked_progress = [](const std::string& root) {
        fs::rename(root + "/save/p_000000.json", root + "/outside/p_000000.json");
        fs::create_symlink(root + "/outside/p_000000.json", root + "/save/p_000000.json");
    };
    const Arrange linked_settings = [](const std::string& root) {
        fs::rename(root + "/save/settings.json", root + "/outside/settings.json");
        fs::create_symlink(root + "/outside/settings.json", root + "/save/settings.json");
    };
    const Arrange read_only_folder = [](const std::string& root) {
        fs::permissions(root + "/save", fs::perms::owner_read | fs::perms::owner_exec);
    };
    const Arrange read_only_progress = [](const std::string& root) {
        fs::permissions(root + "/save/p_000000.json", fs::perms::owner_read);
    };
    const Arrange read_only_settings = [](const std::string& root) {
        fs::permissions(root + "/save/settings.json", fs::perms::owner_read);
    };
    const Arrange folder_is_a_file = [](const std::string& root) {
        MoveSaveFolderTo(root, "real");
        std::ofstream(root + "/save") << "not a folder";
    };
    // The administrator writes into read-only folders; anybody else's save fails there.
    const bool folder_writable = geteuid() == 0;
    const Case cases[] = {
        {"save folder a link", linked_folder, true, true},
        {"save folder a link", linked_folder, false, true},
        {"progress file a link", linked_progress, true, true},
        {"settings file a link", linked_settings, false, true},
        // A file's own permissions do not keep a replacement out of a writable folder.
        {"progress file read-only", read_only_progress, true, true},
        {"settings file read-only", read_only_settings, false, true},
        {"save folder read-only", read_only_folder, true, folder_writable},
        {"save folder read-only", read_only_folder, false, folder_writable},
        {"save folder a file", folder_is_a_file, true, false},
        {"save folder a file", folder_is_a_file, false, false},
    };
    const std::set<std::string> profile_files = {"profile_list.json", "p_000000.json"};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.profile ? ", profile save" : ", settings save"));
        Seed();
        if (HasFatalFailure()) return;
        c.arrange(folder.Path());
        const auto before = Snapshot();
        const auto reread_before = Reread();
        vK_LogCapture log;
        bool saved = false;
        if (c.profile) {
            vY_ProfileList list;
            list.SelectProfile("A");
            list.LoadCurrentProfile();
            ASSERT_TRUE(script.Lua("vy_global = {gen = 2}"));
            saved = list.SaveCurrentProfile();
        } else {
            vY_Settings settings;
            settings.Load();
            settings.SetGamma(2.0f);
            saved = settings.Save();
        }
        EXPECT_EQ(saved, c.saved) << log.Text();
        EXPECT_EQ(log.Contains("Error while saving data to file"), !c.saved) << log.Text();
        const auto after = Snapshot();
        for (const auto& [key, entry] : before) {
            const std::string name = fs::path(key).filename().string();
            const bool being_saved = c.saved && !key.starts_with("outside") &&
                                     (c.profile ? profile_files.count(name) > 0 : name == "settings.json");
            if (!being_saved) {
                EXPECT_EQ(after.count(key) ? after.at(key) : "lost", entry) << key;
            }
        }
        for (const auto& [key, entry] : after) EXPECT_FALSE(key.ends_with(".tmp")) << key;
        const auto reread = Reread();
        const bool saved_progress = c.saved && c.profile, saved_gamma = c.saved && !c.profile;
        EXPECT_EQ(reread.first, saved_progress ? "2" : reread_before.first);
        EXPECT_FLOAT_EQ(reread.second, saved_gamma ? 2.0f : reread_before.second);
        fs::permissions(folder.Path() + "/save", fs::perms::owner_all, fs::perm_options::add, ignored_);
    }
}

}  // namespace
