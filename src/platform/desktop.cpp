#include "platform/desktop.h"

#include <SDL.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/data_provider_save.h"
#include "files/log.h"

namespace fs = std::filesystem;

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return {};
}

// The title as a file name: letters and digits kept, everything else '_'.
std::string LockFileName(const std::string& key) {
    std::string name = "vrakko-";
    for (unsigned char c : key) name += std::isalnum(c) ? static_cast<char>(c) : '_';
    return name + ".lock";
}

// Reads XDG_DOCUMENTS_DIR="$HOME/..." from the user-dirs file.
std::string DocumentsFromUserDirs(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base = config && config[0] == '/' ? std::string(config) : home + "/.config";
    std::ifstream in(base + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        while (value.size() > 1 && value.back() == '/') value.pop_back();
        // "$HOME/" alone means the documents folder is disabled.
        if (value.empty() || value[0] != '/' || value == home) return {};
        return value;
    }
    return {};
}

}  // namespace

void ShowStartupMessage(const std::string& text, const std::string& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    // Without a display SDL answers with an error at once; nothing else to do then.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

vK_InstanceLock::~vK_InstanceLock() { Release(); }

bool vK_InstanceLock::Acquire(const std::string& key, const std::string& fallback_folder) {
    Release();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && runtime[0] == '/' ? std::string(runtime) : fallback_folder;
    if (folder.empty() || !MakeDirectories(folder)) {
        Log("Warning: no folder for the single-instance lock; another instance is not checked");
        return true;
    }
    path_ = folder + "/" + LockFileName(key);
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        Log("Warning: the single-instance lock %s can not be opened", path_.c_str());
        return true;
    }
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void vK_InstanceLock::Release() {
    if (fd_ < 0) return;
    flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
}

std::string DocumentsFolder() {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    std::string documents = DocumentsFromUserDirs(home);
    return documents.empty() ? home + "/Documents" : documents;
}

bool CopyIntoFolder(const std::string& source, const std::string& target_dir) {
    std::error_code error;
    const fs::path from(source);
    if (!fs::exists(from, error)) return false;
    const fs::path to = fs::path(target_dir) / from.filename();
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    if (error) {
        Log("Error: %s could not be copied to %s: %s", source.c_str(), target_dir.c_str(),
            error.message().c_str());
        return false;
    }
    return true;
}
