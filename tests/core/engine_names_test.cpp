// The save folder follows the engine's publisher and game names: each change reaches
// the file manager at once, so the very next save and log line land in the new folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/vrakko.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "support/temp_folder.h"

namespace {

using NamedEngine = Vrakko;  // a platform without a display

class DataHome {
public:
    DataHome() { setenv("XDG_DATA_HOME", (home.Path() + "/data").c_str(), 1); }
    ~DataHome() { unsetenv("XDG_DATA_HOME"); }
    TempFolder home;
};

}  // namespace

TEST(EngineNames, SavesAndTheLogFollowANameChangeAtOnce) {
    DataHome data;
    vK_FileManager files;
    files.RegisterProviders();
    NamedEngine engine;
    // The names in force when the engine is created place the first save.
    ASSERT_TRUE(files.SaveFile("save/settings.json", Bytes("1"), 0, false));
    EXPECT_EQ(data.home.ReadFile("data/Brindlewick/Game/settings.json"), "1");

    struct Step {
        const char* publisher;
        const char* game;
        const char* folder;
    };
    const Step steps[] = {
        {"Brindlewick", "Sequel", "data/Brindlewick/Sequel"},
        {"Otherhouse", "Sequel", "data/Otherhouse/Sequel"},
        {"Otherhouse", "Third", "data/Otherhouse/Third"},
    };
    for (const Step& step : steps) {
        engine.SetPublisherName(step.publisher);
        engine.SetGameName(step.game);
        ASSERT_TRUE(files.SaveFile("save/settings.json", Bytes(step.folder), 0, false)) << step.folder;
        EXPECT_EQ(data.home.ReadFile(std::string(step.folder) + "/settings.json"), step.folder);
        Log("now in %s", step.folder);
        EXPECT_EQ(data.home.ReadFile(std::string(step.folder) + "/logfile.txt"),
                  std::string("now in ") + step.folder + "\n");
    }
}
