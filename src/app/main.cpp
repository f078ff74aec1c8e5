// The entry point: options, engine start-up, the application, shut-down.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/engine_startup.h"
#include "app/run_tools.h"
#include "app/tools/author_tools.h"
#include "app/tools/desktop_entry.h"
#include "app/tools/game_export.h"
#include "app/tools/new_project.h"
#include "data/exception.h"
#include "files/os_services.h"
#include "game/game_message_ids.h"
#include "platform/desktop.h"

namespace {

const char* kUsage =
    "Usage: vrakko [options]\n"
    "  --root DIR         the folder that holds assets/ (default: the executable's folder)\n"
    "  --save-dir DIR     the save folder (default: $XDG_DATA_HOME/<publisher>/<game>)\n"
    "  --frames N         quit after N frames\n"
    "  --screenshot PATH  save the last frame to PATH: PNG for .png, else JPEG (a PATH without\n"
    "                     an extension gets .jpg)\n"
    "  --windowed         run in a window\n"
    "  --fullscreen       run full screen\n"
    "  --input FILE       play the pointer and key steps of FILE, one a line:\n"
    "                     FRAME click|down|up|move X Y, FRAME key NAME, FRAME quit\n"
    "  --record FILE      write every input event of the run, its random seed and its display\n"
    "                     to FILE (text, one event a line); frames advance by a fixed 1/60 s;\n"
    "                     the save folder at start is copied to FILE.save for the replay\n"
    "                     (FILE outside the save folder; a FILE.save --record did not make\n"
    "                     is never replaced)\n"
    "  --replay FILE      play a recording back frame for frame: fixed 1/60 s steps without\n"
    "                     waiting, the window's own input and sound off, ends where it ended;\n"
    "                     starts from a copy of the save folder the recording names\n"
    "  --screenshot-at N:PATH  save frame N to PATH (PNG for .png, else JPEG); repeatable\n"
    "  --dev              reload changed assets (modules, strings, images, fonts, animations,\n"
    "                     particles, grids, sounds, videos) and restart the current level\n"
    "                     F1 inspector, F2 Lua console, F3 frame profiler (Vrakko.devKeys)\n"
    "  --api              print every script function (engine and game, with aliases)\n"
    "                     and its signature in registration order, and exit\n"
    "  --markdown DIR     with --api: write the reference pages (functions, object types,\n"
    "                     messages, configuration keys) into DIR instead; status 1 when\n"
    "                     something registered has no entry\n"
    "  --check            check the asset tree below --root without opening a window:\n"
    "                     one line per finding, exit status 1 when there are errors\n"
    "  --json             with --check: the findings as JSON lines\n"
    "  --export OUT_DIR   check the game below --root, then pack it for players into OUT_DIR\n"
    "  --target T         with --export: linux (a folder and a .tar.gz) or windows (a .zip)\n"
    "  --windows-build DIR  with --target windows: where `make windows` put vrakko.exe\n"
    "                     (default build/windows)\n"
    "  --new DIR          write a new game from the template into DIR (new or empty)\n"
    "  --name NAME        with --new: the game's name (default: DIR's name)\n"
    "  --install-desktop-entry LAUNCHER  put LAUNCHER.desktop of an exported game into the\n"
    "                     desktop's application menu, pointing at LAUNCHER (the game's\n"
    "                     launcher passes this on when given --install-desktop-entry)\n"
    "  --help             show this text\n";

struct Options {
    vK_StartupOptions startup;
    vK_RunOptions run;
    bool api = false;
    std::string markdown;
    bool check = false;
    bool json = false;
    vK_ExportOptions exporting;
    vK_NewProjectOptions newProject;
};

std::string ExecutableFolder() {
    const std::string folder = OsExecutableFolder();
    return folder.empty() ? "." : folder;
}

// A path given on the command line, made absolute against the caller's directory before
// the game's folder becomes the current one.
void Anchor(std::string& path) {
    if (path.empty()) return;
    const std::string absolute = OsAbsolutePath(path);
    if (!absolute.empty()) path = absolute;
}

// The game's folder (the executable's, or --root) becomes the current directory, so that
// relative paths of scripts and the engine land there. A failure is shown and start-up
// goes on.
void EnterGameFolder(Options& options) {
    Anchor(options.startup.assetRoot);
    Anchor(options.startup.saveFolder);
    Anchor(options.run.screenshot);
    Anchor(options.run.input);
    Anchor(options.run.record);
    Anchor(options.run.replay);
    for (auto& shot : options.run.frameShots) Anchor(shot.second);
    unsigned error = 0;
    if (!OsSetCurrentDirectory(options.startup.assetRoot, &error)) {
        char text[64];
        std::snprintf(text, sizeof(text), "Error code: %u", error);
        ShowStartupMessage(text, "Loading Error");
    }
}

// 0: run; 1: stop with success (--help); 2: bad usage.
int ParseOptions(const std::vector<std::string>& argv, Options& options) {
    const int argc = static_cast<int>(argv.size());
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 1;
        } else if (arg == "--api") {
            options.api = true;
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--windowed") {
            options.run.fullscreen = 0;
        } else if (arg == "--fullscreen") {
            options.run.fullscreen = 1;
        } else if (arg == "--markdown" && hasValue) {
            options.markdown = argv[++i];
        } else if (arg == "--root" && hasValue) {
            options.startup.assetRoot = argv[++i];
        } else if (arg == "--save-dir" && hasValue) {
            options.startup.saveFolder = argv[++i];
        } else if (arg == "--frames" && hasValue) {
            char* end = nullptr;
            options.run.frames = std::strtol(argv[++i].c_str(), &end, 10);
            if (!end || *end || options.run.frames < 0) {
                std::fprintf(stderr, "vrakko: --frames needs a count\n%s", kUsage);
                return 2;
            }
        } else if (arg == "--input" && hasValue) {
            options.run.input = argv[++i];
        } else if (arg == "--screenshot" && hasValue) {
            options.run.screenshot = argv[++i];
        } else if (arg == "--record" && hasValue) {
            options.run.record = argv[++i];
        } else if (arg == "--replay" && hasValue) {
            options.run.replay = argv[++i];
        } else if (arg == "--dev") {
            options.run.dev = true;
        } else if (arg == "--screenshot-at" && hasValue) {
            const std::string value = argv[++i];
            const size_t colon = value.find(':');
            char* end = nullptr;
            const long frame = colon == std::string::npos ? 0 : std::strtol(value.c_str(), &end, 10);
            if (colon == std::string::npos || colon == 0 || end != value.c_str() + colon || frame <= 0 ||
                colon + 1 >= value.size()) {
                std::fprintf(stderr, "vrakko: --screenshot-at needs FRAME:PATH with a frame of 1 or more\n%s",
                             kUsage);
                return 2;
            }
            options.run.frameShots.emplace_back(frame, value.substr(colon + 1));
        } else if (const int taken = ParseExportOption(argc, argv, i, options.exporting); taken != 0) {
            if (taken < 0) return 2;
        } else if (const int taken = ParseNewProjectOption(argc, argv, i, options.newProject); taken != 0) {
            if (taken < 0) return 2;
        } else {
            std::fprintf(stderr, "vrakko: unknown or incomplete option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (!options.run.input.empty() && !options.run.replay.empty()) {
        std::fprintf(stderr, "vrakko: --input and --replay can not be combined\n");
        return 2;
    }
    if (!options.markdown.empty() && !options.api) {
        std::fprintf(stderr, "vrakko: --markdown goes with --api\n");
        return 2;
    }
    if (options.startup.assetRoot.empty()) options.startup.assetRoot = ExecutableFolder();
    return 0;
}

// The author tools that need no game folder: a new project, an export, an exported
// game's desktop entry. -1 when none was asked for, else the exit status.
int RunProjectTool(const Options& options) {
    if (options.newProject.requested) return RunNewProject(options.newProject);
    if (options.exporting.installDesktopEntry) return InstallDesktopEntry(options.exporting.desktopLauncher);
    if (!options.exporting.requested) return -1;
    try {
        return RunExport(options.startup, options.exporting);
    } catch (const vK_Exception& e) {
        std::fprintf(stderr, "vrakko: %s\n", e.what());
        return 1;
    }
}

// The author tools that read the game in its folder: the API listing and the asset
// check. -1 when neither was asked for, else the exit status.
int RunGameTool(const Options& options) {
    if (!options.api && !options.check) return -1;
    try {
        return options.api ? RunApiListing(options.startup, options.markdown)
                           : RunAssetCheck(options.startup, options.json);
    } catch (const vK_Exception& e) {
        std::fprintf(stderr, "vrakko: %s\n", e.what());
        EngineShutdown();
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) try {
    // The game's message names become script globals at start-up; this reference keeps
    // their definitions in the program.
    if (GameMessageIdCount() <= 0) return 1;
    Options options;
    const int parsed = ParseOptions(OsArguments(argc, argv), options);
    if (parsed != 0) return parsed == 1 ? 0 : 2;
    if (const int status = RunProjectTool(options); status >= 0) return status;
    EnterGameFolder(options);
    if (const int status = RunGameTool(options); status >= 0) return status;
    vK_RunTools tools;
    if (const int status = tools.PrepareReplay(options.run, options.startup); status != 0) return status;
    // Before SDL starts, so that SIGINT and SIGTERM stay ours: a running script is
    // stopped, the loop quits at the next frame, and the status tells the signal.
    OsInstallStopHandlers();
    Vrakko_Impl* platform = StartEngine(options.startup);
    if (!platform) return 1;
    int status = tools.Attach(*platform, options.run, options.startup.assetRoot);
    if (status == 0) status = tools.RunGame(*platform, options.run);
    tools.Detach(*platform);
    EngineShutdown();
    if (const int signal = OsStopSignal(); signal != 0) return 128 + signal;
    return status;
} catch (const std::exception& e) {
    // The last resort: tools and the engine report their failures as results, so what
    // arrives here is a fault, said instead of aborting.
    std::fprintf(stderr, "vrakko: stopped by an unexpected error: %s\n", e.what());
    return 1;
}
