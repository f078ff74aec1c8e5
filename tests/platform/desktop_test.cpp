// Desktop services: the documents folder from the XDG user-dirs file and copying a
// game file into it; paths from script text never leave the game's folder.
#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/vrakko.h"
#include "files/file_manager.h"
#include "platform/desktop_services.h"
#include "support/temp_folder.h"

namespace {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldHome_ = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", folder.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder.Path() + "/config").c_str(), 1);
    }
    void TearDown() override {
        setenv("HOME", oldHome_.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    TempFolder folder;
    std::string oldHome_;
};

TEST_F(DesktopTest, DocumentsFolderComesFromUserDirsElseHomeDocuments) {
    EXPECT_EQ(DocumentsFolder(), folder.Path() + "/Documents");
    folder.WriteFile("config/user-dirs.dirs",
                     "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/Papiers\"\n");
    EXPECT_EQ(DocumentsFolder(), folder.Path() + "/Papiers");
    folder.WriteFile("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");  // disabled
    EXPECT_EQ(DocumentsFolder(), folder.Path() + "/Documents");
}

TEST_F(DesktopTest, CopyToDocumentsCopiesGameFilesOnly) {
    folder.WriteFile("root/assets/wall/paper.jpg", "jpeg");
    folder.WriteFile("secret.txt", "not the game's");
    vK_FileManager files;
    files.SetAssetRoot(folder.Path() + "/root");
    Vrakko engine;
    vK_DesktopServices desktop;
    engine.SetGameName("");
    EXPECT_EQ(desktop.CopyToDocuments("assets/wall/paper.jpg"), "");  // no game name: nothing
    engine.SetGameName("Game");
    const std::string docs = folder.Path() + "/Documents/Game";
    EXPECT_EQ(desktop.CopyToDocuments("assets\\wall\\paper.jpg"), docs + "/paper.jpg");
    EXPECT_EQ(folder.ReadFile("Documents/Game/paper.jpg"), "jpeg");
    EXPECT_EQ(desktop.CopyToDocuments("../secret.txt"), "");
    EXPECT_EQ(desktop.CopyToDocuments("/etc/passwd"), "");
    EXPECT_FALSE(std::filesystem::exists(docs + "/secret.txt"));
    EXPECT_FALSE(std::filesystem::exists(docs + "/passwd"));
}

}  // namespace
