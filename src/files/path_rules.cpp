#include "files/path_rules.h"

vK_PathArea ClassifyRequestPath(const std::string& path, std::string* cleaned) {
    std::string p = path;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    if (p.empty() || p[0] == '/' || p.find('\0') != std::string::npos) return vK_PathArea::kRefused;
    const size_t slash = p.find('/');
    if (slash == std::string::npos || slash + 1 >= p.size()) return vK_PathArea::kRefused;
    // Every segment after the first is checked for "..".
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find('/', start);
        if (end == std::string::npos) end = p.size();
        if (p.compare(start, end - start, "..") == 0) return vK_PathArea::kRefused;
        start = end + 1;
    }
    const std::string first = p.substr(0, slash);
    vK_PathArea area = vK_PathArea::kRefused;
    if (first == "assets") area = vK_PathArea::kAssets;
    if (first == "save") area = vK_PathArea::kSave;
    if (area != vK_PathArea::kRefused && cleaned) *cleaned = std::move(p);
    return area;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}
