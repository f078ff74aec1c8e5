#include "files/data_provider_save.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "files/path_rules.h"

namespace {

vK_DataProviderSave::FaultHook g_fault_hook = nullptr;

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    std::string base = home && home[0] == '/' ? home : "";
    if (base.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) base = pw->pw_dir;
    }
    if (base.empty()) return {};
    return base + "/.local/share";
}

bool WriteAllFd(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string ParentOf(const std::string& file_path) {
    const size_t slash = file_path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : file_path.substr(0, slash);
}

void SyncDirectory(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool AppendToFile(const std::string& target, const std::vector<uint8_t>& bytes) {
    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteAllFd(fd, bytes.data(), bytes.size());
    return (close(fd) == 0) && written;
}

bool ReplaceFile(const std::string& target, const std::vector<uint8_t>& bytes) {
    const std::string temp = target + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAllFd(fd, bytes.data(), bytes.size());
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && g_fault_hook && !g_fault_hook("written")) return false;  // as if the process died here
    ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    SyncDirectory(ParentOf(target));
    return true;
}

}  // namespace

bool MakeDirectories(const std::string& dir) {
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string parent = ParentOf(dir);
    if (parent != dir && parent != "/" && !MakeDirectories(parent)) return false;
    if (mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST)
        return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

vK_DataProviderSave::vK_DataProviderSave(std::shared_ptr<const vK_FileLocations> locations)
    : vK_DataProviderBase(std::move(locations)) {}

void vK_DataProviderSave::SetFaultHook(FaultHook hook) { g_fault_hook = hook; }

std::string vK_DataProviderSave::SaveFolder() const {
    const vK_FileLocations& loc = Locations();
    if (!loc.save_folder.empty()) return loc.save_folder;
    if (!IsPlainName(loc.publisher) || !IsPlainName(loc.game)) return {};
    const std::string base = DataHome();
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
    return append ? AppendToFile(target, bytes) : ReplaceFile(target, bytes);
}

bool vK_DataProviderSave::Delete(const std::string& path) {
    const std::string target = ResolvePath(path);
    if (target.empty()) return false;
    struct stat st;
    if (lstat(target.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) return false;
    return unlink(target.c_str()) == 0;
}

FILE* vK_DataProviderSave::OpenForWrite(const std::string& path, bool append) {
    const std::string target = ResolvePath(path);
    if (target.empty() || !MakeDirectories(ParentOf(target))) return nullptr;
    return std::fopen(target.c_str(), append ? "ab" : "wb");
}
