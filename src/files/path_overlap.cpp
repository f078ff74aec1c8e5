#include "files/path_overlap.h"

#include <filesystem>
#include <system_error>

#include "files/os_services.h"

namespace {

namespace fs = std::filesystem;

fs::path Resolved(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(OsPath(path), ec);
    if (ec) absolute = OsPath(path);
    fs::path resolved = fs::weakly_canonical(absolute, ec);
    // An unreadable step stops the resolution; the lexical form still compares.
    if (ec) resolved = absolute.lexically_normal();
    return resolved;
}

// Whether inner is outer or lies below it, part by part ("dir/" ends in an empty part).
bool Inside(const fs::path& inner, const fs::path& outer) {
    auto part = inner.begin();
    for (const fs::path& expected : outer) {
        if (expected.empty()) continue;
        while (part != inner.end() && part->empty()) ++part;
        if (part == inner.end() || *part != expected) return false;
        ++part;
    }
    return true;
}

}  // namespace

bool PathsOverlap(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    const fs::path first = Resolved(a), second = Resolved(b);
    return Inside(first, second) || Inside(second, first);
}
