#include "files/data_provider_save.h"

#include "files/os_services.h"
#include "files/path_rules.h"

namespace {

vK_DataProviderSave::FaultHook g_fault_hook = nullptr;

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

std::string ParentOf(const std::string& file_path) {
    const size_t slash = file_path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : file_path.substr(0, slash);
}

}  // namespace

bool MakeDirectories(const std::string& dir) {
    if (OsIsDirectory(dir)) return true;
    if (OsPathExists(dir)) return false;
    const std::string parent = ParentOf(dir);
    // "C:" and "/" end the climb; they exist or nothing can be made.
    const bool root = parent == dir || parent == "/" || (parent.size() == 2 && parent[1] == ':');
    if (!root && !MakeDirectories(parent)) return false;
    return OsMakeFolder(dir);
}

vK_DataProviderSave::vK_DataProviderSave(std::shared_ptr<const vK_FileLocations> locations)
    : vK_DataProviderBase(std::move(locations)) {}

void vK_DataProviderSave::SetFaultHook(FaultHook hook) { g_fault_hook = hook; }

std::string vK_DataProviderSave::SaveFolder() const {
    const vK_FileLocations& loc = Locations();
    if (!loc.save_folder.empty()) return loc.save_folder;
    if (!IsPlainName(loc.publisher) || !IsPlainName(loc.game)) return {};
    const std::string base = OsUserDataFolder();
    if (base.empty()) return {};
    return base + "/" + loc.publisher + "/" + loc.game;
}

std::string vK_DataProviderSave::ResolvePath(const std::string& path) {
    std::string cleaned;
    if (ClassifyRequestPath(path, &cleaned) != vK_PathArea::kSave) return {};
    const std::string folder = SaveFolder();
    if (folder.empty()) return {};
    return folder + "/" + cleaned.substr(5);
}

bool vK_DataProviderSave::Write(const std::string& path, const std::vector<uint8_t>& bytes, bool append) {
    const std::string target = ResolvePath(path);
    if (target.empty() || !MakeDirectories(ParentOf(target))) return false;
    return append ? OsAppendFile(target, bytes) : OsReplaceFile(target, bytes, g_fault_hook);
}

bool vK_DataProviderSave::Delete(const std::string& path) {
    const std::string target = ResolvePath(path);
    if (target.empty()) return false;
    return OsDeleteFile(target);
}

FILE* vK_DataProviderSave::OpenForWrite(const std::string& path, bool append) {
    const std::string target = ResolvePath(path);
    if (target.empty() || !MakeDirectories(ParentOf(target))) return nullptr;
    return OsOpenFile(target, append ? "ab" : "wb");
}
