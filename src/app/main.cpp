// The entry point: options, engine start-up, the application, shut-down.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/author_tools.h"
#include "app/engine_startup.h"
#include "data/exception.h"
#include "files/log.h"
#include "game/application.h"
#include "game/game_message_ids.h"
#include "game/settings.h"
#include "platform/input_script.h"
#include "platform/vrakko_impl.h"

namespace {

const char* kUsage =
    "Usage: vrakko [options]\n"
    "  --root DIR         the folder that holds assets/ (default: the executable's folder)\n"
    "  --save-dir DIR     the save folder (default: $XDG_DATA_HOME/<publisher>/<game>)\n"
    "  --frames N         quit after N frames\n"
    "  --screenshot PATH  save the last frame as a JPEG file at PATH\n"
    "  --windowed         run in a window\n"
    "  --fullscreen       run full screen\n"
    "  --input FILE       play the pointer and key steps of FILE, one a line:\n"
    "                     FRAME click|down|up|move X Y, FRAME key NAME, FRAME quit\n"
    "  --api              print every script function (engine and game, with aliases)\n"
    "                     in registration order, and exit\n"
    "  --check            check the asset tree below --root without opening a window:\n"
    "                     one line per finding, exit status 1 when there are errors\n"
    "  --json             with --check: the findings as JSON lines\n"
    "  --help             show this text\n";

struct Options {
    vK_StartupOptions startup;
    long frames = 0;
    std::string screenshot;
    std::string input;
    // --windowed / --fullscreen; without either the player's setting decides.
    int fullscreen = -1;
    bool api = false;
    bool check = false;
    bool json = false;
};

std::string ExecutableFolder() {
    char path[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return ".";
    std::string s(path, static_cast<size_t>(n));
    const size_t slash = s.rfind('/');
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

// 0: run; 1: stop with success (--help); 2: bad usage.
int ParseOptions(int argc, char** argv, Options& options) {
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
            options.fullscreen = 0;
        } else if (arg == "--fullscreen") {
            options.fullscreen = 1;
        } else if (arg == "--root" && hasValue) {
            options.startup.assetRoot = argv[++i];
        } else if (arg == "--save-dir" && hasValue) {
            options.startup.saveFolder = argv[++i];
        } else if (arg == "--frames" && hasValue) {
            char* end = nullptr;
            options.frames = std::strtol(argv[++i], &end, 10);
            if (!end || *end || options.frames < 0) {
                std::fprintf(stderr, "vrakko: --frames needs a count\n%s", kUsage);
                return 2;
            }
        } else if (arg == "--input" && hasValue) {
            options.input = argv[++i];
        } else if (arg == "--screenshot" && hasValue) {
            options.screenshot = argv[++i];
        } else {
            std::fprintf(stderr, "vrakko: unknown or incomplete option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (options.startup.assetRoot.empty()) options.startup.assetRoot = ExecutableFolder();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The game's message names become script globals at start-up; this reference keeps
    // their definitions in the program.
    if (GameMessageIdCount() <= 0) return 1;
    Options options;
    const int parsed = ParseOptions(argc, argv, options);
    if (parsed != 0) return parsed == 1 ? 0 : 2;
    if (options.api || options.check) {
        try {
            return options.api ? RunApiListing(options.startup)
                               : RunAssetCheck(options.startup, options.json);
        } catch (const vK_Exception& e) {
            std::fprintf(stderr, "vrakko: %s\n", e.what());
            EngineShutdown();
            return 1;
        }
    }

    try {
        EngineStartup("assets/config", options.startup);
    } catch (const vK_Exception& e) {
        Log("Error: start-up stopped: %s", e.what());
        EngineShutdown();
        return 1;
    }
    auto* engine = static_cast<Vrakko_Impl*>(Vrakko::Instance());
    std::string shot = options.screenshot;
    if (shot.size() > 4 && shot.compare(shot.size() - 4, 4, ".jpg") == 0) shot.resize(shot.size() - 4);
    engine->SetFrameLimit(options.frames);
    engine->SetScreenshotPath(shot);
    std::unique_ptr<vK_InputScript> input;
    if (!options.input.empty()) {
        std::ifstream in(options.input, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "vrakko: can not read the input file %s\n", options.input.c_str());
            EngineShutdown();
            return 2;
        }
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        input = std::make_unique<vK_InputScript>(ParseInputScript(text));
        engine->AddProcessListener(input.get());
    }

    int status = 0;
    {
        vY_Application application(1024, 768);
        if (options.fullscreen >= 0 && vY_Settings::Instance())
            vY_Settings::Instance()->SetFullscreen(options.fullscreen == 1, true);
        try {
            if (application.CanStart()) {
                engine->Run(&application);
                if (!engine->HasDisplay()) {
                    // Logged by the engine; ending without drawing is the sound outcome here.
                    std::fprintf(stderr,
                                 "vrakko: no display or OpenGL 3.3 context could be opened; see the log\n");
                } else if (!shot.empty() && !engine->ScreenshotSaved()) {
                    std::fprintf(stderr, "vrakko: no screenshot was saved\n");
                    status = 1;
                }
            } else {
                status = 1;
            }
        } catch (const vK_Exception& e) {
            Log("Error: %s", e.what());
            status = 1;
        }
        engine->SetApplication(nullptr);
    }
    if (input) engine->RemoveProcessListener(input.get());
    EngineShutdown();
    return status;
}
