#include "app/game_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "app/author_tools.h"
#include "app/pe_resources.h"
#include "app/shared_libraries.h"
#include "app/tar_writer.h"
#include "app/zip_writer.h"
#include "files/file_manager.h"
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

bool ReadBytes(const fs::path& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes, uint32_t mode = 0644) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    fs::permissions(path, static_cast<fs::perms>(mode), ec);
    return !ec;
}

std::vector<uint8_t> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

bool Hidden(const fs::path& relative) {
    for (const fs::path& part : relative)
        if (!part.empty() && part.string()[0] == '.') return true;
    return false;
}

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
    if (!ReadBytes(fs::path(root) / "assets" / "icon.png", icon)) icon.clear();
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

std::string LauncherScript(const std::string& name) {
    return "#!/bin/sh\n"
           "# Starts the game. With --install-desktop-entry it adds the game to the desktop's\n"
           "# application menu instead (a copy of " +
           name +
           ".desktop pointing at this folder).\n"
           "here=$(dirname \"$(readlink -f \"$0\")\")\n"
           "if [ \"$1\" = \"--install-desktop-entry\" ]; then\n"
           "  apps=\"${XDG_DATA_HOME:-$HOME/.local/share}/applications\"\n"
           "  mkdir -p \"$apps\" || exit 1\n"
           "  sed -e \"s|^Exec=.*|Exec=\\\"$here/" +
           name + "\\\"|\" -e \"s|^Icon=.*|Icon=$here/icon.png|\" \"$here/" + name + ".desktop\" >\"$apps/" +
           name +
           ".desktop\" || exit 1\n"
           "  echo \"installed $apps/" +
           name +
           ".desktop\"\n"
           "  exit 0\n"
           "fi\n"
           "LD_LIBRARY_PATH=\"$here/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}\"\n"
           "export LD_LIBRARY_PATH\n"
           "exec \"$here/vrakko\" \"$@\"\n";
}

std::string DesktopEntry(const std::string& title, const std::string& name) {
    std::string escaped;
    for (char c : title) {
        if (c == '\n' || c == '\r') continue;
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return "[Desktop Entry]\nType=Application\nName=" + escaped + "\nExec=" + name +
           "\nIcon=icon.png\nTerminal=false\nCategories=Game;\n";
}

// The Linux package: launcher, engine, bundled libraries, archive, desktop entry, icon.
bool LinuxPackage(const std::string& name, const std::string& title, const std::vector<uint8_t>& archive,
                  const std::vector<uint8_t>& icon, std::vector<PackageFile>& files, std::string& error) {
    // The running engine, by its real path: ldd would read "/proc/self/exe" as itself.
    std::error_code ec;
    const std::string engine = fs::read_symlink("/proc/self/exe", ec).string();
    PackageFile exe{"vrakko", {}, 0755};
    if (!ReadBytes(engine, exe.bytes) || exe.bytes.empty()) {
        error = "can not read the engine's executable";
        return false;
    }
    vK_LibraryScan scan;
    if (!ScanSharedLibraries(engine, scan, error)) return false;
    if (!scan.missing.empty()) {
        error = "the engine needs libraries the linker can not find: " + scan.missing.front();
        return false;
    }
    files.push_back({name, TextBytes(LauncherScript(name)), 0755});
    files.push_back({name + ".desktop", TextBytes(DesktopEntry(title, name)), 0644});
    files.push_back({"assets/data.pck", archive, 0644});
    files.push_back({"icon.png", icon, 0644});
    std::sort(scan.bundled.begin(), scan.bundled.end(),
              [](const vK_SharedLibrary& a, const vK_SharedLibrary& b) { return a.soname < b.soname; });
    for (const vK_SharedLibrary& lib : scan.bundled) {
        PackageFile file{"lib/" + lib.soname, {}, 0644};
        if (!ReadBytes(lib.path, file.bytes)) {
            error = "can not read " + lib.path;
            return false;
        }
        files.push_back(std::move(file));
    }
    files.push_back(std::move(exe));
    std::sort(files.begin(), files.end(),
              [](const PackageFile& a, const PackageFile& b) { return a.path < b.path; });
    return true;
}

bool ExportLinux(const std::string& outDir, const std::string& name, const std::string& title,
                 const std::vector<uint8_t>& archive, const std::vector<uint8_t>& icon, std::string& error) {
    std::vector<PackageFile> files;
    if (!LinuxPackage(name, title, archive, icon, files, error)) return false;
    const fs::path folder = fs::path(outDir) / (name + "-linux");
    std::error_code ec;
    fs::remove_all(folder, ec);
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
        if (!WriteBytes(folder / file.path, file.bytes, file.mode)) {
            error = "can not write " + (folder / file.path).string();
            return false;
        }
    }
    const std::vector<uint8_t> packed = tar.Finish();
    const fs::path tarPath = fs::path(outDir) / (name + "-linux.tar.gz");
    if (packed.empty() || !WriteBytes(tarPath, packed)) {
        error = packed.empty() ? tar.Error() : "can not write " + tarPath.string();
        return false;
    }
    std::printf("vrakko --export: %s/ (%zu files) and %s (%zu bytes)\n", folder.c_str(), files.size(),
                tarPath.c_str(), packed.size());
    return true;
}

// The Windows package from the Windows build folder: vrakko.exe renamed after the game
// and carrying its icon and title, the DLLs beside it and its licence folder, and the
// archive.
bool ExportWindows(const std::string& outDir, const std::string& build, const std::string& root,
                   const std::string& name, const vK_GameIdentity& identity,
                   const std::vector<uint8_t>& archive, std::string& error) {
    const fs::path buildDir(build);
    std::vector<PackageFile> files;
    PackageFile exe{name + ".exe", {}, 0755};
    if (!ReadBytes(buildDir / "vrakko.exe", exe.bytes) || exe.bytes.empty()) {
        error = "no Windows build in " + build + " (vrakko.exe is missing; `make windows` builds it)";
        return false;
    }
    if (!BrandExecutable(exe.bytes, root, name, identity, error)) return false;
    files.push_back(std::move(exe));
    files.push_back({"assets/data.pck", archive, 0644});
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(buildDir, ec)) {
        const fs::path relative = fs::relative(entry.path(), buildDir, ec);
        const std::string top = relative.begin()->string();
        const bool licence = top == "licenses" || top == "licences" || top == "LICENSES";
        const bool dll = relative.has_parent_path() == false && relative.extension() == ".dll";
        if (!entry.is_regular_file() || (!licence && !dll) || Hidden(relative)) continue;
        PackageFile file{relative.generic_string(), {}, dll ? 0755u : 0644u};
        if (!ReadBytes(entry.path(), file.bytes)) {
            error = "can not read " + entry.path().string();
            return false;
        }
        files.push_back(std::move(file));
    }
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
    const fs::path zipPath = fs::path(outDir) / (name + "-windows.zip");
    if (!WriteBytes(zipPath, bytes)) {
        error = "can not write " + zipPath.string();
        return false;
    }
    std::printf("vrakko --export: %s (%zu files, %zu bytes)\n", zipPath.c_str(), files.size(), bytes.size());
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
    const fs::path assets = fs::path(root) / "assets";
    if (fs::exists(assets / "data.pck")) {
        error = "the tree already holds assets/data.pck; export from the loose asset folder without it";
        return false;
    }
    // Lower-cased entry name -> the file.
    std::map<std::string, fs::path> entries;
    std::error_code ec;
    fs::recursive_directory_iterator it(assets, fs::directory_options::follow_directory_symlink, ec);
    if (ec) {
        error = "can not read " + assets.string();
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        const fs::path relative = fs::relative(entry.path(), assets, ec);
        if (!entry.is_regular_file() || Hidden(relative)) continue;
        const std::string name = LowerAscii("assets/" + relative.generic_string());
        if (!entries.emplace(name, entry.path()).second) {
            error =
                "two files differ only in case: " + entries[name].string() + " and " + entry.path().string();
            return false;
        }
    }
    vK_ZipWriter zip(vK_FileManager::kArchivePassword);
    for (const auto& [name, path] : entries) {
        std::vector<uint8_t> bytes;
        if (!ReadBytes(path, bytes)) {
            error = "can not read " + path.string();
            return false;
        }
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
    std::string* value = arg == "--export"          ? &options.outDir
                         : arg == "--target"        ? &options.target
                         : arg == "--windows-build" ? &options.windowsBuild
                                                    : nullptr;
    if (!value) return 0;
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
    if (RunAssetCheck(startup, false) != 0) {
        std::fprintf(stderr,
                     "vrakko --export: the asset tree has errors (listed above); nothing was exported\n");
        return 1;
    }
    const vK_GameIdentity identity = ReadGameIdentity(startup);
    const std::string title = identity.title.empty() ? "Game" : identity.title;
    const std::string name = ExportFileName(title);
    std::vector<uint8_t> archive;
    std::string error;
    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    bool ok = PackAssets(startup.assetRoot, archive, error);
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
