#include "app/tools/tool_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "files/os_services.h"

namespace fs = std::filesystem;

namespace {

std::string Reason(int code) { return std::strerror(code); }

bool Fail(std::string& error, const std::string& what, const std::string& path, const std::string& why) {
    error = what + " " + path + ": " + why;
    return false;
}

bool MakeParents(const std::string& path, std::string& error) {
    const fs::path parent = OsPath(path).parent_path();
    if (parent.empty()) return true;
    std::error_code ec;
    fs::create_directories(parent, ec);
    if (ec) return Fail(error, "can not make the folder", OsPathText(parent), ec.message());
    return true;
}

// Lists dir into files under prefix; ancestors are the resolved folders being listed.
bool ListInto(const fs::path& dir, const std::string& prefix, std::vector<fs::path>& ancestors,
              std::vector<vK_TreeFile>& files, std::string& error) {
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    if (ec) return Fail(error, "can not read the folder", OsPathText(dir), ec.message());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        const std::string name = OsPathText(entry.filename());
        if (name.empty() || name[0] == '.') continue;
        const fs::file_status status = fs::status(entry, ec);
        if (ec) return Fail(error, "can not read", OsPathText(entry), ec.message());
        if (fs::is_regular_file(status)) {
            files.push_back({prefix + name, OsPathText(entry)});
            continue;
        }
        if (!fs::is_directory(status)) continue;  // sockets, pipes, devices
        const fs::path real = fs::canonical(entry, ec);
        if (ec) return Fail(error, "can not resolve", OsPathText(entry), ec.message());
        if (std::find(ancestors.begin(), ancestors.end(), real) != ancestors.end())
            return Fail(error, "the folder link", OsPathText(entry),
                        "it leads back to " + OsPathText(real) + ", a folder it lies in (a loop)");
        ancestors.push_back(real);
        const bool listed = ListInto(entry, prefix + name + "/", ancestors, files, error);
        ancestors.pop_back();
        if (!listed) return false;
    }
    return true;
}

}  // namespace

bool ReadToolFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    std::error_code ec;
    if (fs::is_directory(OsPath(path), ec)) return Fail(error, "can not read", path, "it is a folder");
    FILE* file = OsOpenFile(path, "rb");
    if (!file) return Fail(error, "can not read", path, Reason(errno));
    uint8_t block[1 << 16];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof(block), file)) > 0) bytes.insert(bytes.end(), block, block + n);
    const int code = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (code != 0) {
        bytes.clear();
        return Fail(error, "can not read", path, Reason(code));
    }
    return true;
}

bool WriteToolFile(const std::string& path, const std::vector<uint8_t>& bytes, uint32_t mode,
                   std::string& error) {
    if (!MakeParents(path, error)) return false;
    FILE* file = OsOpenFile(path, "wb");
    if (!file) return Fail(error, "can not write", path, Reason(errno));
    int code = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) code = errno;
    if (code == 0 && std::fflush(file) != 0) code = errno;
    if (std::fclose(file) != 0 && code == 0) code = errno;
    if (code != 0) return Fail(error, "can not write", path, Reason(code));
    std::error_code ec;
    fs::permissions(OsPath(path), static_cast<fs::perms>(mode & 07777), ec);
    if (ec) return Fail(error, "can not set the permissions of", path, ec.message());
    return true;
}

bool ReplaceToolFile(const std::string& path, const std::vector<uint8_t>& bytes, uint32_t mode,
                     std::string& error) {
    const std::string temp = path + ".tmp";
    if (!WriteToolFile(temp, bytes, mode, error)) {
        std::error_code ec;
        fs::remove(OsPath(temp), ec);
        return false;
    }
    return RenameToolPath(temp, path, error);
}

bool ListTreeFiles(const std::string& dir, std::vector<vK_TreeFile>& files, std::string& error) {
    files.clear();
    std::error_code ec;
    const fs::path root = fs::canonical(OsPath(dir), ec);
    if (ec) return Fail(error, "can not read the folder", dir, ec.message());
    std::vector<fs::path> ancestors{root};
    if (!ListInto(OsPath(dir), "", ancestors, files, error)) return false;
    std::sort(files.begin(), files.end(),
              [](const vK_TreeFile& x, const vK_TreeFile& y) { return x.name < y.name; });
    return true;
}

bool MakeFolderBeside(const std::string& target, std::string& folder, std::string& error) {
    const fs::path path = OsPath(target).lexically_normal();
    const fs::path name = path.has_filename() ? path.filename() : path.parent_path().filename();
    const fs::path parent = path.has_filename() ? path.parent_path() : path.parent_path().parent_path();
    std::error_code ec;
    if (!parent.empty()) fs::create_directories(parent, ec);
    if (ec) return Fail(error, "can not make the folder", OsPathText(parent), ec.message());
    for (int n = 1; n < 1000; ++n) {
        const fs::path candidate = parent / ("." + OsPathText(name) + ".new-" + std::to_string(n));
        if (fs::create_directory(candidate, ec)) {
            folder = OsPathText(candidate);
            return true;
        }
        if (ec)
            return Fail(error, "can not make a folder in", OsPathText(parent.empty() ? "." : parent),
                        ec.message());
    }
    return Fail(error, "can not make a folder in", OsPathText(parent), "every name is taken");
}

bool RemoveToolTree(const std::string& path, std::string& error) {
    std::error_code ec;
    fs::remove_all(OsPath(path), ec);
    if (ec) return Fail(error, "can not remove", path, ec.message());
    return true;
}

bool RenameToolPath(const std::string& from, const std::string& to, std::string& error) {
    std::error_code ec;
    fs::rename(OsPath(from), OsPath(to), ec);
    if (ec) return Fail(error, "can not move " + from + " to", to, ec.message());
    return true;
}
