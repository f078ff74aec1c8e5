#include "files/data_provider_base.h"

#include "files/in_file_stream.h"
#include "files/os_services.h"
#include "files/path_rules.h"

vK_DataProviderBase::vK_DataProviderBase(std::shared_ptr<const vK_FileLocations> locations)
    : locations_(locations ? std::move(locations) : std::make_shared<vK_FileLocations>()) {}

vK_DataProviderBase::~vK_DataProviderBase() = default;

std::string CurrentDirectory() { return OsCurrentDirectory(); }

bool IsRegularFile(const std::string& file_path) { return OsIsRegularFile(file_path); }

bool ReadRegularFile(const std::string& file_path, std::vector<uint8_t>& bytes) {
    return OsReadFile(file_path, bytes);
}

const std::map<std::string, std::string>& vK_DataProviderBase::Listing(const std::string& dir) {
    // A listing is read once and reused while the folder's modification time stays
    // the same: a miss costs one stat per path segment, not a folder scan.
    const int64_t stamp = OsModificationStamp(dir);
    auto it = listings_.find(dir);
    if (it != listings_.end() && it->second.stamp == stamp) return it->second.names;
    std::map<std::string, std::string> names;
    std::vector<std::string> listed;
    OsListFolder(dir, listed);
    for (const std::string& name : listed) {
        // Several names differing only in case: the smallest wins, whatever
        // order the directory lists them in.
        auto [pos, inserted] = names.emplace(FoldCase(name), name);
        if (!inserted && name < pos->second) pos->second = name;
    }
    CachedListing& entry = listings_[dir];
    entry.stamp = stamp;
    entry.names = std::move(names);
    return entry.names;
}

std::string vK_DataProviderBase::LocateUnder(const std::string& root, const std::string& rest) {
    const std::string exact = root + "/" + rest;
    if (OsPathExists(exact)) return exact;
    std::string current = root;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('/', start);
        if (end == std::string::npos) end = rest.size();
        const std::string segment = rest.substr(start, end - start);
        start = end + 1;
        if (segment.empty() || segment == ".") continue;
        const auto& names = Listing(current);
        auto found = names.find(FoldCase(segment));
        if (found == names.end()) return exact;
        current += "/" + found->second;
    }
    return current;
}

std::string vK_DataProviderBase::ResolvePath(const std::string& path) {
    std::string cleaned;
    if (ClassifyRequestPath(path, &cleaned) != vK_PathArea::kAssets) return {};
    const std::string root = Locations().asset_root.empty() ? CurrentDirectory() : Locations().asset_root;
    if (root.empty()) return {};
    return LocateUnder(root, cleaned);
}

bool vK_DataProviderBase::Exists(const std::string& path) {
    const std::string resolved = ResolvePath(path);
    return !resolved.empty() && IsRegularFile(resolved);
}

bool vK_DataProviderBase::ReadAll(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const std::string resolved = ResolvePath(path);
    return !resolved.empty() && ReadRegularFile(resolved, bytes);
}

FILE* vK_DataProviderBase::OpenFile(const std::string& path) {
    return Exists(path) ? OpenRaw(path) : nullptr;
}

std::shared_ptr<vK_InStreamInterface> vK_DataProviderBase::OpenStream(const std::string& path) {
    if (!Exists(path)) return nullptr;
    FILE* file = OpenRaw(path);
    if (!file) return nullptr;
    return std::make_shared<vK_InFileStream>(file);
}

bool vK_DataProviderBase::Write(const std::string&, const std::vector<uint8_t>&, bool) { return false; }

bool vK_DataProviderBase::Delete(const std::string&) { return false; }

FILE* vK_DataProviderBase::OpenRaw(const std::string& path) {
    const std::string resolved = ResolvePath(path);
    if (resolved.empty() || !IsRegularFile(resolved)) return nullptr;
    return OsOpenFile(resolved, "rb");
}

FILE* vK_DataProviderBase::OpenForWrite(const std::string&, bool) { return nullptr; }
