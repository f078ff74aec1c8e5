#include "app/tools/new_project.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/tools/template_assets.h"
#include "app/tools/template_files.h"
#include "app/tools/tool_files.h"
#include "data/data.h"
#include "data/json.h"
#include "data/xml_escape.h"
#include "files/os_services.h"

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

// Refuses (status 2) a target that is anything but a new or empty folder.
int CheckTarget(const std::string& dir) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(OsPath(dir), ec);
    if (status.type() == fs::file_type::not_found) return 0;
    if (ec) {
        std::fprintf(stderr, "vrakko --new: can not read %s: %s\n", dir.c_str(), ec.message().c_str());
        return 2;
    }
    if (!fs::is_directory(status)) {
        std::fprintf(stderr, "vrakko --new: %s is there and is no folder; give a new or empty folder\n",
                     dir.c_str());
        return 2;
    }
    if (!fs::is_empty(OsPath(dir), ec) || ec) {
        std::fprintf(stderr, "vrakko --new: %s is not empty; give a new or empty folder\n", dir.c_str());
        return 2;
    }
    return 0;
}

// Moves what temp holds into the empty folder dir, one top-level name at a time; on a
// failure what was moved goes back.
bool MoveInto(const std::string& temp, const std::string& dir, std::string& error) {
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(OsPath(temp), ec), end; !ec && it != end; it.increment(ec))
        names.push_back(OsPathText(it->path().filename()));
    if (ec) {
        error = "can not read the folder " + temp + ": " + ec.message();
        return false;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (RenameToolPath(temp + "/" + names[i], dir + "/" + names[i], error)) continue;
        std::string ignored;
        while (i-- > 0) RenameToolPath(dir + "/" + names[i], temp + "/" + names[i], ignored);
        return false;
    }
    return true;
}

// Writes the files into a new folder beside dir (an absolute path) and moves them into
// place when all are written, so that dir is never left half written; on failure only
// that folder is removed. A new dir is the folder renamed; an empty one the author made
// (perhaps the current directory) stays and receives its contents.
bool WriteProject(const std::string& dir, const std::vector<vK_TemplateFile>& files, std::string& error) {
    std::string temp;
    if (!MakeFolderBeside(dir, temp, error)) return false;
    bool ok = true;
    for (size_t i = 0; ok && i < files.size(); ++i) {
        const std::string& content = files[i].content;
        ok = WriteToolFile(temp + "/" + files[i].path, {content.begin(), content.end()}, 0644, error);
    }
    if (ok) ok = OsPathExists(dir) ? MoveInto(temp, dir, error) : RenameToolPath(temp, dir, error);
    std::string ignored;
    if (OsPathExists(temp)) RemoveToolTree(temp, ignored);
    return ok;
}

}  // namespace

std::string EscapeJson(const std::string& text) {
    // The JSON writer's own string form, without its quotes.
    const vK_DataString value(text);
    std::string out;
    WriteJson(&value, out, true);
    return out.size() >= 2 ? out.substr(1, out.size() - 2) : out;
}

int ParseNewProjectOption(int argc, const std::vector<std::string>& argv, int& i,
                          vK_NewProjectOptions& options) {
    const std::string arg = argv[i];
    std::string* value = arg == "--new" ? &options.dir : arg == "--name" ? &options.name : nullptr;
    if (!value) return 0;
    if (arg == "--new") options.requested = true;
    if (i + 1 >= argc) {
        std::fprintf(stderr, "vrakko: %s needs a value\n", arg.c_str());
        return -1;
    }
    *value = argv[++i];
    return 1;
}

int RunNewProject(const vK_NewProjectOptions& options) {
    if (options.dir.empty()) {
        std::fprintf(stderr, "vrakko --new: give the folder to write the game into (--new DIR)\n");
        return 2;
    }
    fs::path normal = OsPath(OsAbsolutePath(options.dir)).lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();  // "game/"
    const std::string dir = OsPathText(normal);
    if (const int refused = CheckTarget(dir); refused != 0) return refused;
    std::string name = options.name;
    if (name.empty()) {
        // The folder's own name, also for "." and "dir/..".
        name = OsPathText(normal.filename());
        if (!UsableName(name)) {
            std::fprintf(
                stderr,
                "vrakko --new: the game's name is taken from the folder's name, \"%s\", which can not "
                "name a game (empty, slashes or control characters); give one with --name NAME\n",
                name.c_str());
            return 2;
        }
    }
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
    if (!TemplateBinaryFiles(files, error) || !WriteProject(dir, files, error)) {
        std::fprintf(stderr, "vrakko --new: %s; nothing was written\n", error.c_str());
        return 1;
    }
    std::printf(
        "vrakko --new: wrote \"%s\" (%zu files) into %s; start it with: vrakko --root %s --windowed\n",
        name.c_str(), files.size(), options.dir.c_str(), options.dir.c_str());
    return 0;
}
