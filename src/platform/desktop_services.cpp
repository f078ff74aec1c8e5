#include "platform/desktop_services.h"

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "core/vrakko.h"
#include "files/data_provider_save.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "files/os_services.h"
#include "platform/desktop.h"

namespace {
vK_DesktopServices* g_instance = nullptr;

// The inner folder name of the documents copies: the engine's game name.
std::string GameName() {
    const Vrakko* engine = Vrakko::Instance();
    return engine ? engine->GetGameName() : std::string();
}
}  // namespace

vK_DesktopServices* vK_DesktopServices::Instance() { return g_instance; }

vK_DesktopServices::vK_DesktopServices() { g_instance = this; }

vK_DesktopServices::~vK_DesktopServices() {
    if (g_instance == this) g_instance = nullptr;
}

void vK_DesktopServices::OpenUrl(const std::string& url) {
    if (!url.empty() && SDL_OpenURL(url.c_str()) != 0)
        Log("Warning: %s could not be opened: %s", url.c_str(), SDL_GetError());
}

std::string vK_DesktopServices::CopyToDocuments(const std::string& path) {
    const std::string game = GameName();
    if (game.empty()) return {};
    std::string relative = path;
    for (char& c : relative)
        if (c == '\\') c = '/';
    // The path comes from script text: only files below the game's folder are copied.
    if (relative.empty() || relative[0] == '/' || ("/" + relative + "/").find("/../") != std::string::npos) {
        Log("Error: %s is not a path inside the game folder and is not copied", path.c_str());
        return {};
    }
    const std::string documents = DocumentsFolder();
    if (documents.empty()) return {};
    const std::string folder = documents + "/" + game;
    if (!MakeDirectories(folder)) {
        Log("Error: the folder %s could not be created", folder.c_str());
        return {};
    }
    std::string root;
    if (vK_FileManager* files = vK_FileManager::Instance()) root = files->GetLocations().asset_root;
    CopyIntoFolder(root.empty() ? relative : root + "/" + relative, folder);
    const size_t slash = relative.rfind('/');
    return folder + "/" + (slash == std::string::npos ? relative : relative.substr(slash + 1));
}

namespace {

// The file the data providers hold under path (archive, save folder or asset folder,
// whichever serves it), copied into the game's folder under the documents folder; its new
// path, "" when there was nothing to copy.
std::string CopyProvidedFile(const std::string& path, const std::string& game) {
    std::string request = path;
    for (char& c : request)
        if (c == '\\') c = '/';
    std::vector<uint8_t> bytes;
    vK_FileManager* files = vK_FileManager::Instance();
    if (game.empty() || !files || !files->ReadFromReaders(request, bytes)) return {};
    const std::string documents = DocumentsFolder();
    if (documents.empty()) return {};
    const std::string folder = documents + "/" + game;
    const size_t slash = request.rfind('/');
    const std::string target =
        folder + "/" + (slash == std::string::npos ? request : request.substr(slash + 1));
    if (!MakeDirectories(folder) || !OsReplaceFile(target, bytes, nullptr)) {
        Log("Error: %s could not be copied to %s", request.c_str(), target.c_str());
        return {};
    }
    return target;
}

void LogUnsupportedOnce(bool& logged, const char* what) {
    if (!logged) Log("Warning: %s is not supported on this system", what);
    logged = true;
}

}  // namespace

// Only what a data provider holds is used, copied out of it, so a file in the archive or
// the save folder works as well as a loose one.
void vK_DesktopServices::SetWallpaper(const std::string& path) {
    static bool logged = false;
    if (!DesktopPicturesSupported()) return LogUnsupportedOnce(logged, "setting the desktop wallpaper");
    const std::string copied = CopyProvidedFile(path, GameName());
    if (!copied.empty() && !ApplyWallpaper(copied))
        Log("Warning: the wallpaper %s was refused", copied.c_str());
}

// The screen saver file is copied out of its provider and registered; nothing is ever
// deleted, whatever the folder held before.
void vK_DesktopServices::InstallScreensaver(const std::string& path) {
    static bool logged = false;
    if (!DesktopPicturesSupported()) return LogUnsupportedOnce(logged, "installing a screen saver");
    const std::string copied = CopyProvidedFile(path, GameName());
    if (!copied.empty() && !ApplyScreenSaver(copied))
        Log("Warning: the screen saver %s could not be registered", copied.c_str());
}
