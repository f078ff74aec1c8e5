#include "app/tools/game_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "app/tools/author_tools.h"
#include "app/tools/desktop_entry.h"
#include "app/tools/pe_resources.h"
#include "app/tools/shared_libraries.h"
#include "app/tools/tar_writer.h"
#include "app/tools/tool_files.h"
#include "app/tools/zip_writer.h"
#include "files/file_manager.h"
#include "files/os_services.h"
#include "files/path_overlap.h"
#include "files/path_rules.h"
#include "graphics/image_codec.h"

namespace fs = std::filesystem;

namespace {

// One file of a package: its path inside the package, its bytes, its permissions.
struct PackageFile {
    std::string path;
    std::vector<uint8_t> bytes;
    uint32_t mode = 0644;
};

// The file every package folder an export makes carries: only a folder with it is
// replaced by the next export.
constexpr const char* kExportMarker = ".vrakko-export";

std::vector<uint8_t> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

// A 256 x 256 icon for games that bring none: a rounded tile with a vertical gradient
// and a light ring.
std::vector<uint8_t> DefaultIcon() {
    constexpr int kSize = 256;
    std::vector<uint8_t> pixels(static_cast<size_t>(kSize) * kSize * 4, 0);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float cx = std::max(0.0f, std::fabs(x + 0.5f - 128.0f) - 88.0f);
            const float cy = std::max(0.0f, std::fabs(y + 0.5f - 128.0f) - 88.0f);
            const float corner = std::sqrt(cx * cx + cy * cy);
            if (corner > 32.0f) continue;
            const float r = std::hypot(x + 0.5f - 128.0f, y + 0.5f - 128.0f);
            const bool ring = std::fabs(r - 70.0f) < 9.0f;
            const float t = static_cast<float>(y) / kSize;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * kSize + x) * 4];
            p[0] = ring ? 230 : static_cast<uint8_t>(120 - 60 * t);  // B
            p[1] = ring ? 240 : static_cast<uint8_t>(80 - 30 * t);   // G
            p[2] = ring ? 250 : static_cast<uint8_t>(40 + 20 * t);   // R
            p[3] = static_cast<uint8_t>(std::min(1.0f, 32.0f - corner) * 255.0f);
        }
    }
    std::vector<uint8_t> png;
    EncodePng(pixels.data(), kSize, kSize, png);
    return png;
}

// The bytes of the game's own "assets/icon.png"; empty when it has none.
std::vector<uint8_t> GameIconFile(const std::string& root) {
    std::vector<uint8_t> icon;
    std::string unused;
    if (!ReadToolFile(root + "/assets/icon.png", icon, unused)) icon.clear();
    return icon;
}

// The game's own "assets/icon.png", else the default one.
std::vector<uint8_t> GameIcon(const std::string& root) {
    std::vector<uint8_t> icon = GameIconFile(root);
    return icon.empty() ? DefaultIcon() : icon;
}

// vrakko.exe with the game's icon, title and name in its resources.
bool BrandExecutable(std::vector<uint8_t>& exe, const std::string& root, const std::string& name,
                     const vK_GameIdentity& identity, std::string& error) {
    vK_PeResources resources;
    std::string warning;
    resources.icons = MakeIconSet(GameIconFile(root), DefaultIcon(), warning);
    if (!warning.empty()) std::fprintf(stderr, "vrakko --export: %s\n", warning.c_str());
    resources.title = identity.title.empty() ? "Game" : identity.title;
    resources.fileName = name + ".exe";
    resources.internalName = name;
    resources.company = identity.publisher;
    std::vector<uint8_t> branded;
    if (!WritePeResources(exe, resources, branded, error)) {
        error = "can not write the game's icon and title into vrakko.exe: " + error;
        return false;
    }
    exe = std::move(branded);
    return true;
}

// Sets the library path to the bundled libraries and starts the engine; the desktop
// entry's installer is the engine's, told where the launcher is.
std::string LauncherScript(const std::string& name) {
    return "#!/bin/sh\n"
           "# Starts the game. With --install-desktop-entry it adds the game to the desktop's\n"
           "# application menu instead (a copy of " +
           name +
           ".desktop pointing at this folder).\n"
           "here=$(dirname \"$(readlink -f \"$0\")\")\n"
           "LD_LIBRARY_PATH=\"$here/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}\"\n"
           "export LD_LIBRARY_PATH\n"
           "if [ \"$1\" = \"--install-desktop-entry\" ]; then\n"
           "  exec \"$here/vrakko\" --install-desktop-entry \"$here/" +
           name +
           "\"\n"
           "fi\n"
           "exec \"$here/vrakko\" \"$@\"\n";
}

// The Linux package: launcher, engine, bundled libraries, archive, desktop entry, icon.
bool LinuxPackage(const std::string& name, const std::string& title, const std::vector<uint8_t>& archive,
                  const std::vector<uint8_t>& icon, std::vector<PackageFile>& files, std::string& error) {
    // The running engine, by its real path: ldd would read "/proc/self/exe" as itself.
    std::error_code ec;
    const std::string engine = OsPathText(fs::read_symlink("/proc/self/exe", ec));
    if (ec) {
        error = "can not find the engine's executable: " + ec.message();
        return false;
    }
    PackageFile exe{"vrakko", {}, 0755};
    if (!ReadToolFile(engine, exe.bytes, error)) return false;
    vK_LibraryScan scan;
    if (!ScanSharedLibraries(engine, scan, error)) return false;
    if (!scan.missing.empty()) {
        error = "the engine needs libraries the linker can not find: " + scan.missing.front();
        return false;
    }
    files.push_back({name, TextBytes(LauncherScript(name)), 0755});
    files.push_back({name + ".desktop", TextBytes(PackagedDesktopEntry(title, name)), 0644});
    files.push_back({"assets/data.pck", archive, 0644});
    files.push_back({"icon.png", icon, 0644});
    std::sort(scan.bundled.begin(), scan.bundled.end(),
              [](const vK_SharedLibrary& a, const vK_SharedLibrary& b) { return a.soname < b.soname; });
    for (const vK_SharedLibrary& lib : scan.bundled) {
        PackageFile file{"lib/" + lib.soname, {}, 0644};
        if (!ReadToolFile(lib.path, file.bytes, error)) return false;
        files.push_back(std::move(file));
    }
    files.push_back(std::move(exe));
    std::sort(files.begin(), files.end(),
              [](const PackageFile& a, const PackageFile& b) { return a.path < b.path; });
    return true;
}

// Readies the package folder for writing: absent, empty, or made by an earlier export
// (it carries the marker), which is removed. Anything else is the author's and stays.
bool ClearPackageFolder(const fs::path& folder, std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder, ec);
    if (status.type() == fs::file_type::not_found) return true;
    const std::string text = OsPathText(folder);
    if (ec) {
        error = "can not read " + text + ": " + ec.message();
        return false;
    }
    if (fs::is_directory(status)) {  // a link to a folder is not one here
        if (fs::is_empty(folder, ec) && !ec) return true;
        if (fs::is_regular_file(fs::symlink_status(folder / kExportMarker, ec)))
            return RemoveToolTree(text, error);
    }
    error = text + " is there and was not made by an export (it has no " + kExportMarker +
            " file); move it away or export into another folder";
    return false;
}

bool ExportLinux(const std::string& outDir, const std::string& name, const std::string& title,
                 const std::vector<uint8_t>& archive, const std::vector<uint8_t>& icon, std::string& error) {
    std::vector<PackageFile> files;
    if (!LinuxPackage(name, title, archive, icon, files, error)) return false;
    const fs::path folderPath = OsPath(outDir) / (name + "-linux");
    if (!ClearPackageFolder(folderPath, error)) return false;
    const std::string folder = OsPathText(folderPath);
    // The marker first: a package left half written is still replaced by the next export.
    if (!WriteToolFile(
            folder + "/" + kExportMarker,
            TextBytes("Made by vrakko --export; the next export of this game replaces this folder.\n"), 0644,
            error))
        return false;
    vK_TarWriter tar;
    tar.AddFolder(name);
    std::string lastFolder;
    for (const PackageFile& file : files) {
        const size_t slash = file.path.rfind('/');
        const std::string parent = slash == std::string::npos ? "" : file.path.substr(0, slash);
        if (!parent.empty() && parent != lastFolder) tar.AddFolder(name + "/" + parent);
        lastFolder = parent;
        if (!tar.AddFile(name + "/" + file.path, file.bytes, file.mode)) {
            error = tar.Error();
            return false;
        }
        if (!WriteToolFile(folder + "/" + file.path, file.bytes, file.mode, error)) return false;
    }
    const std::vector<uint8_t> packed = tar.Finish();
    const std::string tarPath = OsPathText(OsPath(outDir) / (name + "-linux.tar.gz"));
    if (packed.empty()) {
        error = tar.Error();
        return false;
    }
    if (!ReplaceToolFile(tarPath, packed, 0644, error)) return false;
    std::printf("vrakko --export: %s/ (%zu files) and %s (%zu bytes)\n", folder.c_str(), files.size(),
                tarPath.c_str(), packed.size());
    return true;
}

// The DLLs beside vrakko.exe and the licence folder of the Windows build.
bool WindowsBuildFiles(const std::string& build, std::vector<PackageFile>& files, std::string& error) {
    std::vector<vK_TreeFile> found;
    std::error_code ec;
    for (fs::directory_iterator it(OsPath(build), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = OsPathText(it->path().filename());
        std::error_code kind;
        if (name == "licenses" || name == "licences" || name == "LICENSES") {
            std::vector<vK_TreeFile> below;
            if (!it->is_directory(kind)) continue;
            if (!ListTreeFiles(OsPathText(it->path()), below, error)) return false;
            for (const vK_TreeFile& file : below) found.push_back({name + "/" + file.name, file.path});
        } else if (name[0] != '.' && it->path().extension() == ".dll" && it->is_regular_file(kind)) {
            found.push_back({name, OsPathText(it->path())});
        }
    }
    if (ec) {
        error = "can not read the folder " + build + ": " + ec.message();
        return false;
    }
    for (const vK_TreeFile& file : found) {
        PackageFile packaged{file.name, {}, file.name.find('/') == std::string::npos ? 0755u : 0644u};
        if (!ReadToolFile(file.path, packaged.bytes, error)) return false;
        files.push_back(std::move(packaged));
    }
    return true;
}

// The Windows package from the Windows build folder: vrakko.exe renamed after the game
// and carrying its icon and title, the DLLs beside it and its licence folder, and the
// archive.
bool ExportWindows(const std::string& outDir, const std::string& build, const std::string& root,
                   const std::string& name, const vK_GameIdentity& identity,
                   const std::vector<uint8_t>& archive, std::string& error) {
    std::vector<PackageFile> files;
    PackageFile exe{name + ".exe", {}, 0755};
    const std::string exePath = build + "/vrakko.exe";
    if (!OsIsRegularFile(exePath)) {
        error = "no Windows build in " + build + " (vrakko.exe is missing; `make windows` builds it)";
        return false;
    }
    if (!ReadToolFile(exePath, exe.bytes, error)) return false;
    if (!BrandExecutable(exe.bytes, root, name, identity, error)) return false;
    files.push_back(std::move(exe));
    files.push_back({"assets/data.pck", archive, 0644});
    if (!WindowsBuildFiles(build, files, error)) return false;
    std::sort(files.begin(), files.end(),
              [](const PackageFile& a, const PackageFile& b) { return a.path < b.path; });
    vK_ZipWriter zip;
    for (const PackageFile& file : files) {
        if (!zip.Add(name + "/" + file.path, file.bytes, file.mode)) {
            error = zip.Error();
            return false;
        }
    }
    const std::vector<uint8_t> bytes = zip.Finish();
    const std::string zipPath = OsPathText(OsPath(outDir) / (name + "-windows.zip"));
    if (!ReplaceToolFile(zipPath, bytes, 0644, error)) return false;
    std::printf("vrakko --export: %s (%zu files, %zu bytes)\n", zipPath.c_str(), files.size(), bytes.size());
    return true;
}

// Refuses an export whose outputs and the game's folder lie inside one another: writing
// them would delete or overwrite the game, or pack an earlier export into the archive.
bool CheckOutputsApart(const std::string& root, const std::vector<std::string>& outputs, std::string& error) {
    for (const std::string& output : outputs) {
        if (PathsOverlap(root, output)) {
            error = "the game's folder " + root + " and the export's output " + output +
                    " lie inside one another; export into a folder outside the game";
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ExportFileName(const std::string& title) {
    std::string name;
    bool gap = false;
    for (char c : title) {
        if (c == '\'') continue;
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!keep) {
            gap = !name.empty();
            continue;
        }
        if (gap) name += '-';
        gap = false;
        name += c;
    }
    return name.empty() ? "game" : name;
}

bool PackAssets(const std::string& root, std::vector<uint8_t>& archive, std::string& error) {
    std::vector<vK_TreeFile> files;
    if (!ListTreeFiles(root + "/assets", files, error)) return false;
    // Entry name as the archive compares names -> the file.
    std::map<std::string, const vK_TreeFile*> entries;
    for (const vK_TreeFile& file : files) {
        const auto [at, added] = entries.emplace(FoldCase("assets/" + file.name), &file);
        if (!added) {
            error = "two files differ only in case: " + at->second->path + " and " + file.path;
            return false;
        }
    }
    if (entries.count("assets/data.pck")) {
        error = "the tree already holds assets/data.pck; export from the loose asset folder without it";
        return false;
    }
    vK_ZipWriter zip(vK_FileManager::kArchivePassword);
    for (const auto& [name, file] : entries) {
        std::vector<uint8_t> bytes;
        if (!ReadToolFile(file->path, bytes, error)) return false;
        if (!zip.Add(name, bytes)) {
            error = zip.Error();
            return false;
        }
    }
    archive = zip.Finish();
    return true;
}

int ParseExportOption(int argc, const std::vector<std::string>& argv, int& i, vK_ExportOptions& options) {
    const std::string arg = argv[i];
    std::string* value = arg == "--export"                  ? &options.outDir
                         : arg == "--target"                ? &options.target
                         : arg == "--windows-build"         ? &options.windowsBuild
                         : arg == "--install-desktop-entry" ? &options.desktopLauncher
                                                            : nullptr;
    if (!value) return 0;
    if (arg == "--export") options.requested = true;
    if (arg == "--install-desktop-entry") options.installDesktopEntry = true;
    if (i + 1 >= argc) {
        std::fprintf(stderr, "vrakko: %s needs a value\n", arg.c_str());
        return -1;
    }
    *value = argv[++i];
    return 1;
}

int RunExport(const vK_StartupOptions& startup, const vK_ExportOptions& options) {
    if (options.target != "linux" && options.target != "windows") {
        std::fprintf(stderr, "vrakko --export: --target must be linux or windows\n");
        return 2;
    }
    if (options.outDir.empty()) {
        std::fprintf(stderr, "vrakko --export: give the folder to export into (--export OUT_DIR)\n");
        return 2;
    }
    if (RunAssetCheck(startup, false) != 0) {
        std::fprintf(stderr,
                     "vrakko --export: the asset tree has errors (listed above); nothing was exported\n");
        return 1;
    }
    const vK_GameIdentity identity = ReadGameIdentity(startup);
    const std::string title = identity.title.empty() ? "Game" : identity.title;
    const std::string name = ExportFileName(title);
    const std::string out = OsPathText(OsPath(options.outDir) / name);
    const std::vector<std::string> outputs =
        options.target == "linux" ? std::vector<std::string>{out + "-linux", out + "-linux.tar.gz"}
                                  : std::vector<std::string>{out + "-windows.zip"};
    std::vector<uint8_t> archive;
    std::string error;
    std::error_code ec;
    bool ok = CheckOutputsApart(startup.assetRoot, outputs, error);
    if (ok) fs::create_directories(OsPath(options.outDir), ec);
    if (ec) {
        ok = false;
        error = "can not make the folder " + options.outDir + ": " + ec.message();
    }
    ok = ok && PackAssets(startup.assetRoot, archive, error);
    if (ok && options.target == "linux")
        ok = ExportLinux(options.outDir, name, title, archive, GameIcon(startup.assetRoot), error);
    else if (ok)
        ok = ExportWindows(options.outDir, options.windowsBuild, startup.assetRoot, name, identity, archive,
                           error);
    if (!ok) {
        std::fprintf(stderr, "vrakko --export: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
