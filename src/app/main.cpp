// The entry point: options, engine start-up, the application, shut-down.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/author_tools.h"
#include "app/dev_overlay.h"
#include "app/engine_startup.h"
#include "app/game_export.h"
#include "app/new_project.h"
#include "app/replay_save_folder.h"
#include "core/random.h"
#include "core/startup_trace.h"
#include "data/exception.h"
#include "files/data_provider_save.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "files/os_services.h"
#include "game/application.h"
#include "game/dev_reload.h"
#include "game/game_message_ids.h"
#include "game/settings.h"
#include "platform/desktop.h"
#include "platform/input_recording.h"
#include "platform/input_script.h"
#include "platform/vrakko_impl.h"
#include "script/script_hub.h"

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
    "  --help             show this text\n";

struct Options {
    vK_StartupOptions startup;
    long frames = 0;
    std::string screenshot;
    std::string input;
    std::string record;
    std::string replay;
    std::vector<std::pair<long, std::string>> frameShots;
    bool dev = false;
    // --windowed / --fullscreen; without either the player's setting decides.
    int fullscreen = -1;
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
    Anchor(options.screenshot);
    Anchor(options.input);
    Anchor(options.record);
    Anchor(options.replay);
    for (auto& shot : options.frameShots) Anchor(shot.second);
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
            options.fullscreen = 0;
        } else if (arg == "--fullscreen") {
            options.fullscreen = 1;
        } else if (arg == "--markdown" && hasValue) {
            options.markdown = argv[++i];
        } else if (arg == "--root" && hasValue) {
            options.startup.assetRoot = argv[++i];
        } else if (arg == "--save-dir" && hasValue) {
            options.startup.saveFolder = argv[++i];
        } else if (arg == "--frames" && hasValue) {
            char* end = nullptr;
            options.frames = std::strtol(argv[++i].c_str(), &end, 10);
            if (!end || *end || options.frames < 0) {
                std::fprintf(stderr, "vrakko: --frames needs a count\n%s", kUsage);
                return 2;
            }
        } else if (arg == "--input" && hasValue) {
            options.input = argv[++i];
        } else if (arg == "--screenshot" && hasValue) {
            options.screenshot = argv[++i];
        } else if (arg == "--record" && hasValue) {
            options.record = argv[++i];
        } else if (arg == "--replay" && hasValue) {
            options.replay = argv[++i];
        } else if (arg == "--dev") {
            options.dev = true;
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
            options.frameShots.emplace_back(frame, value.substr(colon + 1));
        } else if (const int taken = ParseExportOption(argc, argv, i, options.exporting); taken != 0) {
            if (taken < 0) return 2;
        } else if (const int taken = ParseNewProjectOption(argc, argv, i, options.newProject); taken != 0) {
            if (taken < 0) return 2;
        } else {
            std::fprintf(stderr, "vrakko: unknown or incomplete option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (!options.input.empty() && !options.replay.empty()) {
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

// Pointer positions are window pixels: a replay on a window of another size may hit other
// objects than the recorded run did.
void WarnOnOtherDisplay(const Vrakko& engine, const vK_InputRecording& recording) {
    if (engine.GetWidth() == recording.width && engine.GetHeight() == recording.height) return;
    Log("Warning: the replay ran at %d x %d, the recording at %d x %d", engine.GetWidth(), engine.GetHeight(),
        recording.width, recording.height);
    std::fprintf(stderr, "vrakko: warning: the replay ran at %d x %d, the recording at %d x %d\n",
                 engine.GetWidth(), engine.GetHeight(), recording.width, recording.height);
}

// Reads and checks the recording to replay; false (after saying why) when it is missing
// or damaged.
bool LoadRecording(const std::string& path, vK_InputRecording& recording) {
    std::ifstream in(OsPath(path), std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vrakko: can not read the recording %s\n", path.c_str());
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string error;
    if (!ParseInputRecording(text, recording, error)) {
        std::fprintf(stderr, "vrakko: the recording %s is damaged: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

// The folder the save provider writes to now ("" when none can be named).
std::string CurrentSaveFolder() {
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) return {};
    for (const auto& writer : files->GetWriters())
        if (auto* save = dynamic_cast<vK_DataProviderSave*>(writer.get())) return save->SaveFolder();
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    // The game's message names become script globals at start-up; this reference keeps
    // their definitions in the program.
    if (GameMessageIdCount() <= 0) return 1;
    Options options;
    const int parsed = ParseOptions(OsArguments(argc, argv), options);
    if (parsed != 0) return parsed == 1 ? 0 : 2;
    if (!options.newProject.dir.empty()) return RunNewProject(options.newProject);
    if (!options.exporting.outDir.empty()) {
        try {
            return RunExport(options.startup, options.exporting);
        } catch (const vK_Exception& e) {
            std::fprintf(stderr, "vrakko: %s\n", e.what());
            return 1;
        }
    }
    EnterGameFolder(options);
    if (options.api || options.check) {
        try {
            return options.api ? RunApiListing(options.startup, options.markdown)
                               : RunAssetCheck(options.startup, options.json);
        } catch (const vK_Exception& e) {
            std::fprintf(stderr, "vrakko: %s\n", e.what());
            EngineShutdown();
            return 1;
        }
    }
    std::unique_ptr<vK_InputReplayer> replayer;
    vK_ReplaySaveFolder replaySaves;
    if (!options.replay.empty()) {
        vK_InputRecording recording;
        if (!LoadRecording(options.replay, recording)) return 2;
        if (!recording.saveFolder.empty()) {
            std::string error;
            if (!replaySaves.Prepare(options.replay, recording.saveFolder, options.startup.saveFolder,
                                     error)) {
                std::fprintf(stderr, "vrakko: the recording's save folder: %s\n", error.c_str());
                return 2;
            }
            options.startup.saveFolder = replaySaves.GetFolder();
        }
        if (options.fullscreen < 0) options.fullscreen = recording.fullscreen ? 1 : 0;
        if (options.frames == 0) options.frames = std::max(recording.endFrame, 1L);
        // Sound runs on frame time, as without a device: sounds end at the same frames.
        OsSetEnvironment("SDL_AUDIODRIVER", "dummy");
        replayer = std::make_unique<vK_InputReplayer>(std::move(recording));
    }

    vK_StartupTrace::Mark("entry point");
    try {
        EngineStartup("assets/config", options.startup);
        vK_StartupTrace::Mark("services (EngineStartup)");
    } catch (const vK_Exception& e) {
        Log("Error: start-up stopped: %s", e.what());
        EngineShutdown();
        return 1;
    }
    auto* engine = static_cast<Vrakko_Impl*>(Vrakko::Instance());
    // Like --screenshot-at: the path as given, PNG for ".png" and JPEG otherwise; a path
    // without an extension keeps the ".jpg" it always got.
    std::string shot = options.screenshot;
    if (!shot.empty() && std::filesystem::path(shot).extension().empty()) shot += ".jpg";
    engine->SetFrameLimit(options.frames);
    engine->SetScreenshotPath(shot);
    for (const auto& [frame, path] : options.frameShots) engine->AddScreenshotAt(frame, path);
    vK_ScriptHub* scripts = vK_ScriptHub::Instance();
    if (replayer) {
        vK_Random::Seed(replayer->GetRecording().seed);
        if (scripts)
            scripts->UseRecordedClock(replayer->GetRecording().clockStart,
                                      replayer->GetRecording().clockOffset);
        engine->SetReplay([engine, &replayer] { replayer->BeforeFrame(*engine); });
    }
    vK_InputRecorder recorder;
    if (!options.record.empty()) {
        // The run's scripts see the wall clock as it was at start, advancing with frame time,
        // so its replay shows the same times.
        const std::time_t now = std::time(nullptr);
        long offset = 0;
        OsLocalTime(now, &offset);
        if (scripts) scripts->UseRecordedClock(now, offset);
        if (!recorder.Open(options.record, vK_Random::GetState(), now, offset)) {
            std::fprintf(stderr, "vrakko: can not write the recording %s\n", options.record.c_str());
            EngineShutdown();
            return 2;
        }
        // First in the list: it sees every event, whatever the others answer.
        engine->AddInputListener(&recorder);
        engine->SetWindowActionListener([&recorder](int action) { recorder.OnWindowAction(action); });
        if (!replayer) engine->SetFixedStep(true, true);
    }
    std::unique_ptr<vY_DevReload> devReload;
    std::unique_ptr<vK_DevOverlay> overlay;
    if (options.dev) {
        devReload = std::make_unique<vY_DevReload>(OsPath(options.startup.assetRoot + "/assets"));
        engine->AddProcessListener(devReload.get());
        // Before the application in the input list, so a shown panel keeps its input.
        overlay = std::make_unique<vK_DevOverlay>(vK_DevOverlay::KeysFromConfig());
        overlay->Attach(*engine);
    }
    std::unique_ptr<vK_InputScript> input;
    if (!options.input.empty()) {
        std::ifstream in(OsPath(options.input), std::ios::binary);
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
        // The application named the game's save folder: the run starts from a copy of it.
        if (!options.record.empty())
            recorder.SetSaveFolder(SnapshotSaveFolder(options.record, CurrentSaveFolder()));
        if (options.fullscreen >= 0 && vY_Settings::Instance())
            vY_Settings::Instance()->SetFullscreen(options.fullscreen == 1, true);
        try {
            if (application.CanStart()) {
                engine->Run(&application);
                if (!engine->HasDisplay()) {
                    // Logged by the engine; ending without drawing is the sound outcome here.
                    std::fprintf(stderr,
                                 "vrakko: no display or OpenGL 3.3 context could be opened; see the log\n");
                } else {
                    if (!shot.empty() && !engine->ScreenshotSaved()) {
                        std::fprintf(stderr, "vrakko: no screenshot was saved\n");
                        status = 1;
                    }
                    for (const std::string& path : engine->GetMissingScreenshots()) {
                        std::fprintf(stderr, "vrakko: no screenshot was saved to %s\n", path.c_str());
                        status = 1;
                    }
                    if (replayer) WarnOnOtherDisplay(*engine, replayer->GetRecording());
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
    if (devReload) engine->RemoveProcessListener(devReload.get());
    overlay.reset();
    if (!options.record.empty()) {
        recorder.Finish();
        engine->RemoveInputListener(&recorder);
        engine->SetWindowActionListener(nullptr);
    }
    EngineShutdown();
    return status;
}
