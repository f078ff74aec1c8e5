// Both file watchers over one script of edits in a temporary folder: each look reports
// exactly the files created, rewritten, touched, moved in or out, or removed since the
// last one, also inside a folder made after the watcher started.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/polling_file_watcher.h"
#include "platform/inotify_file_watcher.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct Step {
    const char* what;
    std::function<void(const TempFolder&)> edit;
    Names expected;
};

// Moves a file's time forward as a save does (polling compares times and sizes).
void Touch(const TempFolder& folder, const std::string& relative) {
    const fs::path path = folder.Path() + "/assets/" + relative;
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
}

void RunSteps(const std::function<std::unique_ptr<vK_FileWatcher>(const std::string&)>& make) {
    TempFolder folder;
    folder.WriteFile("assets/a.lua", "a");
    folder.WriteFile("assets/images/b.png", "b");
    std::unique_ptr<vK_FileWatcher> watcher = make(folder.Path() + "/assets");
    const std::vector<Step> steps = {
        {"nothing yet", [](const TempFolder&) {}, {}},
        {"rewritten with another size",
         [](const TempFolder& f) { f.WriteFile("assets/a.lua", "aa"); },
         {"a.lua"}},
        {"touched", [](const TempFolder& f) { Touch(f, "images/b.png"); }, {"images/b.png"}},
        {"a burst of saves, each file once",
         [](const TempFolder& f) {
             for (int i = 0; i < 5; ++i) f.WriteFile("assets/a.lua", std::string(3 + i, 'a'));
             f.WriteFile("assets/images/c.png", "c");
         },
         {"a.lua", "images/c.png"}},
        {"a new folder with a file",
         [](const TempFolder& f) {
             fs::create_directories(f.Path() + "/assets/fonts");
             f.WriteFile("assets/fonts/d.vkfnt", "d");
         },
         {"fonts/d.vkfnt"}},
        {"a file in that folder changes",
         [](const TempFolder& f) { f.WriteFile("assets/fonts/d.vkfnt", "dd"); },
         {"fonts/d.vkfnt"}},
        {"renamed over another (as editors save)",
         [](const TempFolder& f) {
             f.WriteFile("tmp-save", "new text");
             fs::rename(f.Path() + "/tmp-save", f.Path() + "/assets/images/b.png");
         },
         {"images/b.png"}},
        {"removed",
         [](const TempFolder& f) { fs::remove(f.Path() + "/assets/images/c.png"); },
         {"images/c.png"}},
    };
    for (const Step& step : steps) {
        step.edit(folder);
        EXPECT_EQ(watcher->TakeChanges(), step.expected) << watcher->Kind() << ": " << step.what;
    }
}

TEST(FileWatcher, ReportsEachChangedFileOncePerLook) {
    RunSteps([](const std::string& path) { return std::make_unique<vK_PollingFileWatcher>(path); });
#ifdef __linux__
    RunSteps([](const std::string& path) {
        auto watcher = std::make_unique<vK_InotifyFileWatcher>(path);
        EXPECT_TRUE(watcher->IsWatching());
        return watcher;
    });
    TempFolder folder;
    EXPECT_STREQ(CreateFileWatcher(folder.Path())->Kind(), "inotify");
    EXPECT_EQ(CreateFileWatcher(folder.Path())->LookInterval(), 0.0f);
#endif
    // A folder that does not exist: polling, which reports nothing.
    auto missing = CreateFileWatcher("/nonexistent/vrakko/assets");
    EXPECT_STREQ(missing->Kind(), "polling");
    EXPECT_EQ(missing->TakeChanges(), Names{});
}

}  // namespace
