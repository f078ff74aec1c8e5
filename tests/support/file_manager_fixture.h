#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_manager.h"
#include "support/temp_folder.h"

// A file manager over a fresh temporary folder: assets under "root/assets",
// saves under "save". Tests that prepare files before the providers are
// registered (an archive, say) call StartFileManager themselves.
class FileManagerFixture : public ::testing::Test {
protected:
    void StartFileManager() {
        fm.SetAssetRoot(folder.Path() + "/root");
        fm.SetSaveFolder(folder.Path() + "/save");
        fm.SetIdentity("Publisher", "Game");
        fm.RegisterProviders();
    }
    // The file's text (kind 0); status receives LoadFile's result.
    std::string Load(const std::string& path, int* status = nullptr) {
        std::vector<uint8_t> bytes;
        const int s = fm.LoadFile(path, bytes, 0);
        if (status) *status = s;
        return Text(bytes);
    }

    TempFolder folder;
    vK_FileManager fm;
};

// The same, started before each test.
class StartedFileManagerFixture : public FileManagerFixture {
protected:
    void SetUp() override { StartFileManager(); }
};
