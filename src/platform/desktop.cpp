#include "platform/desktop.h"

#include <cctype>
#include <filesystem>

#include "files/data_provider_save.h"
#include "files/log.h"
#include "files/os_services.h"

namespace fs = std::filesystem;

std::string InstanceLockName(const std::string& key) {
    std::string name = "vrakko-";
    for (unsigned char c : key) name += std::isalnum(c) ? static_cast<char>(c) : '_';
    return name;
}

std::string DocumentsFolder() { return OsDocumentsFolder(); }

bool CopyIntoFolder(const std::string& source, const std::string& target_dir) {
    std::error_code error;
    const fs::path from = OsPath(source);
    if (!fs::exists(from, error)) return false;
    const fs::path to = OsPath(target_dir) / from.filename();
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    if (error) {
        Log("Error: %s could not be copied to %s: %s", source.c_str(), target_dir.c_str(),
            error.message().c_str());
        return false;
    }
    return true;
}
