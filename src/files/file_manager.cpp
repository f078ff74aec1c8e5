#include "files/file_manager.h"

#include <cerrno>
#include <cstring>
#include <set>

#include "files/byte_buffer.h"
#include "files/data_provider_archive.h"
#include "files/data_provider_save.h"
#include "files/in_stream_interface.h"
#include "files/log.h"
#include "files/os_services.h"
#include "files/path_rules.h"
#include "files/protected_file.h"

namespace {
vK_FileManager* g_instance = nullptr;
constexpr const char* kLogFile = "save/logfile.txt";
constexpr size_t kMaxEarlyLines = 1000;
constexpr const char* kArchiveBase = "assets/data";
constexpr const char* kArchiveName = "assets/data.pck";
constexpr const char* kDamagedSuffix = ".damaged";
// Copies of one file's damages kept at the most; later ones are not kept.
constexpr int kMaxDamagedCopies = 100;
}  // namespace

vK_FileManager::vK_FileManager() : locations_(std::make_shared<vK_FileLocations>()) {
    g_instance = this;
    logSink_ = LogSinkSeam().Install(&vK_FileManager::LogSink);
}

vK_FileManager::~vK_FileManager() {
    logSink_.Reset();
    if (g_instance == this) g_instance = nullptr;
}

vK_FileManager* vK_FileManager::Instance() { return g_instance; }

bool vK_FileManager::LogSink(const std::string& line) {
    vK_FileManager* fm = g_instance;
    if (!fm) return false;
    // A line that cannot be stored goes to stderr instead (Log's fallback), and
    // storing it never logs a second line.
    if (!fm->logRestarted_ && fm->earlyLines_.size() < kMaxEarlyLines) fm->earlyLines_.push_back(line);
    const std::vector<uint8_t> bytes(line.begin(), line.end());
    const bool was_silent = fm->silent_;
    fm->silent_ = true;
    const bool stored = fm->SaveFile(kLogFile, bytes, 0, true);
    fm->silent_ = was_silent;
    return stored;
}

void vK_FileManager::RestartLog() {
    DeleteFile(kLogFile);
    logRestarted_ = true;
    std::vector<std::string> early;
    early.swap(earlyLines_);
    std::vector<uint8_t> bytes;
    for (const std::string& line : early) bytes.insert(bytes.end(), line.begin(), line.end());
    if (bytes.empty()) return;
    const bool was_silent = silent_;
    silent_ = true;
    SaveFile(kLogFile, bytes, 0, true);
    silent_ = was_silent;
}

void vK_FileManager::SetIdentity(const std::string& publisher, const std::string& game) {
    locations_->publisher = publisher;
    locations_->game = game;
}

void vK_FileManager::RegisterProviders() {
    readers_.push_back(std::make_shared<vK_DataProviderBase>(locations_));
    readers_.push_back(std::make_shared<vK_DataProviderSave>(locations_));
    bool archive_present = false;
    for (auto it = readers_.rbegin(); it != readers_.rend() && !archive_present; ++it) {
        archive_present = (*it)->Exists(kArchiveName);
    }
    if (archive_present) {
        readers_.push_back(std::make_shared<vK_DataProviderArchive>(locations_, readers_, kArchiveBase,
                                                                    vK_FileManager::kArchivePassword));
    }
    writers_.push_back(std::make_shared<vK_DataProviderSave>(locations_));
}

bool vK_FileManager::Admit(const std::string& path) const {
    if (ClassifyRequestPath(path) != vK_PathArea::kRefused) return true;
    Log("Error: refused path %s (only assets/ and save/ paths are served).", path.c_str());
    return false;
}

bool vK_FileManager::ReadFromReaders(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (ClassifyRequestPath(path) == vK_PathArea::kRefused) return false;
    for (auto it = readers_.rbegin(); it != readers_.rend(); ++it) {
        if ((*it)->ReadAll(path, bytes)) return true;
    }
    bytes.clear();
    return false;
}

int vK_FileManager::LoadFile(const std::string& path, std::vector<uint8_t>& bytes, int kind,
                             std::string* problem) {
    bytes.clear();
    if (problem) problem->clear();
    if (!Admit(path)) return 1;
    if (ReadFromReaders(path, bytes)) {
        const int status = UnprotectBytes(bytes, kind, problem);
        if (status != 0) bytes.clear();
        return status;
    }
    const std::string cause = UnreadableCause(path);
    if (problem) *problem = cause;
    if (!silent_ && cause.empty()) Log("Error: file not found %s.", path.c_str());
    if (!silent_ && !cause.empty()) Log("Error: file %s %s.", path.c_str(), cause.c_str());
    return 1;
}

std::string vK_FileManager::UnreadableCause(const std::string& path) {
    for (auto it = readers_.rbegin(); it != readers_.rend(); ++it) {
        const std::string resolved = (*it)->ResolvePath(path);
        if (resolved.empty() || !OsPathExists(resolved)) continue;
        if (OsIsDirectory(resolved)) return "is a folder";
        if (!OsIsRegularFile(resolved)) return "is not a regular file";
        FILE* file = OsOpenFile(resolved, "rb");
        if (!file) return std::string("can not be read: ") + std::strerror(errno);
        std::fclose(file);
        return "can not be read";
    }
    return {};
}

bool vK_FileManager::WriteToWriters(const std::string& path, const std::vector<uint8_t>& stored,
                                    bool append) {
    for (auto it = writers_.rbegin(); it != writers_.rend(); ++it) {
        if ((*it)->Write(path, stored, append)) return true;
    }
    return false;
}

bool vK_FileManager::SaveFile(const std::string& path, const std::vector<uint8_t>& bytes, int kind,
                              bool append) {
    if (locations_->publisher.empty() || locations_->game.empty()) return false;
    if (!Admit(path)) return false;
    std::vector<uint8_t> content;
    const std::vector<uint8_t>* source = &bytes;
    if (append && kind != 0) {
        // A protected file is rewritten whole: old content, then the new bytes.
        const bool was_silent = silent_;
        silent_ = true;
        if (LoadFile(path, content, kind) != 0) content.clear();
        silent_ = was_silent;
        content.insert(content.end(), bytes.begin(), bytes.end());
        source = &content;
        append = false;
    }
    const std::vector<uint8_t> stored = kind == 0 ? std::vector<uint8_t>() : ProtectBytes(*source, kind);
    if (WriteToWriters(path, kind == 0 ? *source : stored, append)) return true;
    if (!silent_) Log("Error while saving data to file %s.", path.c_str());
    return false;
}

bool vK_FileManager::DeleteFile(const std::string& path) {
    if (!Admit(path)) return false;
    for (auto it = writers_.rbegin(); it != writers_.rend(); ++it) {
        if ((*it)->Delete(path)) return true;
    }
    return false;
}

int vK_FileManager::Exists(const std::string& path) {
    if (ClassifyRequestPath(path) == vK_PathArea::kRefused) return 1;
    for (auto it = readers_.rbegin(); it != readers_.rend(); ++it) {
        if ((*it)->Exists(path)) return 0;
    }
    return 1;
}

int vK_FileManager::ResolvePath(const std::string& path, std::string& out) {
    if (!Admit(path)) return 1;
    for (auto it = readers_.rbegin(); it != readers_.rend(); ++it) {
        std::string resolved = (*it)->ResolvePath(path);
        if (!resolved.empty()) {
            out = std::move(resolved);
            return 0;
        }
    }
    return 1;
}

int vK_FileManager::OpenFile(const std::string& path, FILE*& out) {
    out = nullptr;
    if (!Admit(path)) return 1;
    for (auto it = readers_.rbegin(); it != readers_.rend(); ++it) {
        if (FILE* f = (*it)->OpenFile(path)) {
            out = f;
            return 0;
        }
    }
    return 1;
}

int vK_FileManager::OpenStream(const std::string& path, std::shared_ptr<vK_InStreamInterface>& out) {
    out.reset();
    if (!Admit(path)) return 1;
    for (auto it = readers_.rbegin(); it != readers_.rend(); ++it) {
        if (auto stream = (*it)->OpenStream(path)) {
            out = std::move(stream);
            return 0;
        }
    }
    return 1;
}

int vK_FileManager::LoadIntoBuffer(const std::string& path, vK_ByteBuffer& buffer) {
    std::vector<uint8_t> bytes;
    const int status = LoadFile(path, bytes, 0);
    buffer.Assign(std::move(bytes));
    return status;
}

std::vector<std::string> vK_FileManager::ListFolder(const std::string& folder) {
    // "folder/." is a request path the providers resolve to the folder itself.
    const std::string request = folder + "/.";
    if (!Admit(request)) return {};
    std::set<std::string> found;
    std::vector<std::string> names;
    for (auto it = readers_.rbegin(); it != readers_.rend(); ++it) {
        std::string dir = (*it)->ResolvePath(request);
        if (dir.size() < 2 || !OsListFolder(dir.erase(dir.size() - 2), names)) continue;
        for (const std::string& name : names) {
            if (OsIsRegularFile(dir + "/" + name)) found.insert(name);
        }
    }
    return {found.begin(), found.end()};
}

std::string vK_FileManager::KeepDamagedCopy(const std::string& path) {
    std::vector<uint8_t> raw, held;
    if (!ReadFromReaders(path, raw)) return {};
    for (int n = 0; n < kMaxDamagedCopies; ++n) {
        const std::string copy = path + kDamagedSuffix + (n == 0 ? std::string() : "." + std::to_string(n));
        if (Exists(copy) == 0) {
            if (ReadFromReaders(copy, held) && held == raw) return copy;
            continue;
        }
        return SaveFile(copy, raw, 0, false) ? copy : std::string();
    }
    return {};
}
