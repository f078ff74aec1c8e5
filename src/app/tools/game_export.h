#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/engine_startup.h"

// `vrakko --export OUT_DIR --target linux|windows [--root GAME_DIR]`: turns a game's
// asset folder into what a player downloads. The asset tree is checked first (as
// `--check`) and an export with errors is refused. Outputs, named after the game's
// title made file-name safe (NAME):
//   linux:   OUT_DIR/NAME-linux/ (the launcher NAME, the engine, lib/, assets/data.pck,
//            NAME.desktop, icon.png) and OUT_DIR/NAME-linux.tar.gz of it (top folder NAME/);
//   windows: OUT_DIR/NAME-windows.zip with NAME/NAME.exe, the DLLs and licence folder of
//            the Windows build and NAME/assets/data.pck.
// An export never touches the game: outputs and the game's folder inside one another are
// refused, and OUT_DIR/NAME-linux is replaced only when an earlier export made it (it
// carries the file ".vrakko-export").
struct vK_ExportOptions {
    bool requested = false;  // --export was given, even with an empty value
    std::string outDir;
    std::string target;                          // "linux" or "windows"
    std::string windowsBuild = "build/windows";  // where `make windows` put vrakko.exe
    // --install-desktop-entry LAUNCHER, which the exported game's launcher passes on.
    bool installDesktopEntry = false;
    std::string desktopLauncher;
};

// Takes argv[i] when it is one of the export options (--export, --target,
// --windows-build, --install-desktop-entry), moving i past its value: 1. 0 when it is
// not one; -1 when its value is missing (after saying so).
int ParseExportOption(int argc, const std::vector<std::string>& argv, int& i, vK_ExportOptions& options);

// Runs the export; the exit status (0 done, 1 refused or failed, 2 bad options).
int RunExport(const vK_StartupOptions& startup, const vK_ExportOptions& options);

// Packs every file below root/assets (hidden files left out; links followed, a link to
// a file packed under its own name) into a data.pck archive, entries "assets/..." in
// FoldCase form (the form the archive provider compares names in), sorted, encrypted
// with the engine's password. False with error set when two files differ only in case,
// the tree already holds a data.pck, a file or folder can not be read, a folder link
// loops, or the archive would be too large.
bool PackAssets(const std::string& root, std::vector<uint8_t>& archive, std::string& error);

// The title made safe for a file name: letters and digits kept, apostrophes dropped,
// any other run of characters one '-'; "game" when nothing is left.
std::string ExportFileName(const std::string& title);
