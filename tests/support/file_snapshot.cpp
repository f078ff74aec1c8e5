#include "support/file_snapshot.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

FileSnapshot SnapshotFiles(const std::string& folder) {
    FileSnapshot files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().lexically_relative(folder).generic_string();
        std::error_code kind;
        if (it->is_symlink(kind)) {
            files[name] = "-> " + fs::read_symlink(it->path(), kind).string();
        } else if (it->is_regular_file(kind)) {
            std::ifstream in(it->path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            files[name] = in ? bytes.str() : "(unreadable)";
        }
    }
    return files;
}

namespace {

bool StartsWithOne(const std::string& name, const std::vector<std::string>& prefixes) {
    for (const std::string& prefix : prefixes)
        if (name.rfind(prefix, 0) == 0) return true;
    return false;
}

}  // namespace

std::string LostFiles(const FileSnapshot& before, const FileSnapshot& after,
                      const std::vector<std::string>& mayChange) {
    std::string lines;
    for (const auto& [name, bytes] : before) {
        if (StartsWithOne(name, mayChange)) continue;
        const auto found = after.find(name);
        if (found == after.end()) {
            lines += "lost " + name + "\n";
        } else if (found->second != bytes) {
            lines += "changed " + name + "\n";
        }
    }
    return lines;
}

std::string NewFiles(const FileSnapshot& before, const FileSnapshot& after,
                     const std::vector<std::string>& mayAppear) {
    std::string lines;
    for (const auto& entry : after)
        if (!before.count(entry.first) && !StartsWithOne(entry.first, mayAppear)) lines += entry.first + "\n";
    return lines;
}
