#include "app/new_project.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/template_assets.h"
#include "app/template_files.h"
#include "data/data.h"
#include "data/json.h"
#include "data/xml_escape.h"

namespace fs = std::filesystem;

namespace {

void ReplaceAll(std::string& text, const std::string& mark, const std::string& value) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
        text.replace(at, mark.size(), value);
}

// A name that can stand as a folder name and a window title: not empty, no path
// separators, no control characters.
bool UsableName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || c == '/' || c == '\\') return false;
    return true;
}

bool WriteFile(const fs::path& path, const std::string& content) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out);
}

}  // namespace

std::string EscapeJson(const std::string& text) {
    // The JSON writer's own string form, without its quotes.
    const vK_DataString value(text);
    std::string out;
    WriteJson(&value, out, true);
    return out.size() >= 2 ? out.substr(1, out.size() - 2) : out;
}

int ParseNewProjectOption(int argc, char** argv, int& i, vK_NewProjectOptions& options) {
    const std::string arg = argv[i];
    std::string* value = arg == "--new" ? &options.dir : arg == "--name" ? &options.name : nullptr;
    if (!value) return 0;
    if (i + 1 >= argc) {
        std::fprintf(stderr, "vrakko: %s needs a value\n", arg.c_str());
        return -1;
    }
    *value = argv[++i];
    return 1;
}

int RunNewProject(const vK_NewProjectOptions& options) {
    const fs::path dir = fs::path(options.dir).lexically_normal();
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
        std::fprintf(stderr, "vrakko --new: %s is not empty; give a new or empty folder\n",
                     options.dir.c_str());
        return 2;
    }
    std::string name = options.name;
    if (name.empty()) name = (dir.has_filename() ? dir.filename() : dir.parent_path().filename()).string();
    if (!UsableName(name)) {
        std::fprintf(stderr, "vrakko --new: \"%s\" can not name a game (no slashes or control characters)\n",
                     name.c_str());
        return 2;
    }
    std::vector<vK_TemplateFile> files = TemplateTextFiles();
    for (vK_TemplateFile& file : files) {
        ReplaceAll(file.content, "@NAME_JSON@", EscapeJson(name));
        ReplaceAll(file.content, "@NAME_XML@", EscapeXml(name));
        ReplaceAll(file.content, "@NAME_MD@", name);
    }
    std::string error;
    if (!TemplateBinaryFiles(files, error)) {
        std::fprintf(stderr, "vrakko --new: %s\n", error.c_str());
        return 1;
    }
    for (const vK_TemplateFile& file : files) {
        if (!WriteFile(dir / file.path, file.content)) {
            std::fprintf(stderr, "vrakko --new: can not write %s\n", (dir / file.path).c_str());
            return 1;
        }
    }
    std::printf(
        "vrakko --new: wrote \"%s\" (%zu files) into %s; start it with: vrakko --root %s --windowed\n",
        name.c_str(), files.size(), dir.c_str(), dir.c_str());
    return 0;
}
