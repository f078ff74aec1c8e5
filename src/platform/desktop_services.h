#pragma once
#include <string>

// What a game asks of the desktop around it through its scripts: opening a web address,
// copying a game file to the user's documents folder, the wallpaper and the screen saver.
// One process-wide instance (start-up makes it; tests may put in their own that records
// the calls). The files go to the documents folder under the engine's game name.
class vK_DesktopServices {
public:
    static vK_DesktopServices* Instance();

    vK_DesktopServices();
    virtual ~vK_DesktopServices();
    vK_DesktopServices(const vK_DesktopServices&) = delete;
    vK_DesktopServices& operator=(const vK_DesktopServices&) = delete;

    // Opens url in the user's browser; a failure is logged.
    virtual void OpenUrl(const std::string& url);
    // Copies the file or folder at path (below the game's folder) into the game's folder
    // of the documents folder; its new path, "" when nothing was copied.
    virtual std::string CopyToDocuments(const std::string& path);
    // The image a data provider holds under path, copied out and made the wallpaper.
    virtual void SetWallpaper(const std::string& path);
    // The screen saver a data provider holds under path, copied out and registered.
    virtual void InstallScreensaver(const std::string& path);
};
