#include "app/run_tools.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/dev/dev_overlay.h"
#include "app/engine_startup.h"
#include "core/random.h"
#include "core/vrakko.h"
#include "data/exception.h"
#include "files/data_provider_save.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "files/os_services.h"
#include "game/application.h"
#include "game/dev_reload.h"
#include "game/settings.h"
#include "platform/input_script.h"
#include "platform/vrakko_impl.h"
#include "script/script_hub.h"

namespace {

// Pointer positions are window pixels: a replay on a window of another size may hit other
// objects than the recorded run did.
void WarnOnOtherDisplay(const Vrakko& engine, const vK_InputRecording& recording) {
    if (engine.GetWidth() == recording.width && engine.GetHeight() == recording.height) return;
    Log("Warning: the replay ran at %d x %d, the recording at %d x %d", engine.GetWidth(), engine.GetHeight(),
        recording.width, recording.height);
    std::fprintf(stderr, "vrakko: warning: the replay ran at %d x %d, the recording at %d x %d\n",
                 engine.GetWidth(), engine.GetHeight(), recording.width, recording.height);
}

// The whole file at path; false with why set when it is no file that can be read (a
// folder, say).
bool ReadWholeFile(const std::string& path, std::string& text, std::string& why) {
    std::vector<uint8_t> bytes;
    if (OsReadFile(path, bytes)) {
        text.assign(bytes.begin(), bytes.end());
        return true;
    }
    why = OsIsDirectory(path)     ? "it is a folder"
          : !OsPathExists(path)   ? "there is no such file"
          : OsIsRegularFile(path) ? "it can not be read"
                                  : "it is no regular file";
    return false;
}

// Reads and checks the recording to replay; false (after saying why) when it is missing
// or damaged.
bool LoadRecording(const std::string& path, vK_InputRecording& recording) {
    std::string text, why;
    if (!ReadWholeFile(path, text, why)) {
        std::fprintf(stderr, "vrakko: can not read the recording %s: %s\n", path.c_str(), why.c_str());
        return false;
    }
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

vK_RunTools::vK_RunTools() = default;
vK_RunTools::~vK_RunTools() = default;

int vK_RunTools::PrepareReplay(vK_RunOptions& options, vK_StartupOptions& startup) {
    if (!options.input.empty()) {
        std::string why;
        if (!ReadWholeFile(options.input, inputText_, why)) {
            std::fprintf(stderr, "vrakko: can not read the input file %s: %s\n", options.input.c_str(),
                         why.c_str());
            return 2;
        }
    }
    if (!options.record.empty() && OsIsDirectory(options.record)) {
        std::fprintf(stderr, "vrakko: can not write the recording %s: it is a folder\n",
                     options.record.c_str());
        return 2;
    }
    if (options.replay.empty()) return 0;
    vK_InputRecording recording;
    if (!LoadRecording(options.replay, recording)) return 2;
    if (!recording.saveFolder.empty()) {
        std::string error;
        if (!replaySaves_.Prepare(options.replay, recording.saveFolder, startup.saveFolder, error)) {
            std::fprintf(stderr, "vrakko: the recording's save folder: %s\n", error.c_str());
            return 2;
        }
        startup.saveFolder = replaySaves_.GetFolder();
    }
    if (options.fullscreen < 0) options.fullscreen = recording.fullscreen ? 1 : 0;
    if (options.frames == 0) options.frames = std::max(recording.endFrame, 1L);
    // Sound runs on frame time, as without a device: sounds end at the same frames.
    OsSetEnvironment("SDL_AUDIODRIVER", "dummy");
    replayer_ = std::make_unique<vK_InputReplayer>(std::move(recording));
    return 0;
}

int vK_RunTools::Attach(Vrakko_Impl& platform, const vK_RunOptions& options, const std::string& assetRoot) {
    // Like --screenshot-at: the path as given, PNG for ".png" and JPEG otherwise; a path
    // without an extension keeps the ".jpg" it always got.
    screenshot_ = options.screenshot;
    if (!screenshot_.empty() && std::filesystem::path(screenshot_).extension().empty()) screenshot_ += ".jpg";
    platform.SetFrameLimit(options.frames);
    platform.SetScreenshotPath(screenshot_);
    for (const auto& [frame, path] : options.frameShots) platform.AddScreenshotAt(frame, path);
    vK_ScriptHub* scripts = vK_ScriptHub::Instance();
    if (replayer_) {
        const vK_InputRecording& recording = replayer_->GetRecording();
        vK_Random::Seed(recording.seed);
        if (scripts) scripts->UseRecordedClock(recording.clockStart, recording.clockOffset);
        platform.SetReplay([this, &platform] { replayer_->BeforeFrame(platform); });
    }
    if (!options.record.empty()) {
        AttachRecorder(platform);
        if (!replayer_) platform.GetEngine().SetFixedStep(true, true);
    }
    if (options.dev) {
        devReload_ = std::make_unique<vY_DevReload>(OsPath(assetRoot + "/assets"));
        platform.GetEngine().AddProcessListener(devReload_.get());
        // Before the application in the input list, so a shown panel keeps its input.
        overlay_ = std::make_unique<vK_DevOverlay>(vK_DevOverlay::KeysFromConfig());
        overlay_->Attach(platform.GetEngine());
    }
    if (!options.input.empty()) {
        input_ = std::make_unique<vK_InputScript>(ParseInputScript(inputText_));
        platform.GetEngine().AddProcessListener(input_.get());
    }
    return 0;
}

void vK_RunTools::AttachRecorder(Vrakko_Impl& platform) {
    // The run's scripts see the wall clock as it was at start, advancing with frame time,
    // so its replay shows the same times.
    clockStart_ = std::time(nullptr);
    clockOffset_ = 0;
    OsLocalTime(clockStart_, &clockOffset_);
    if (vK_ScriptHub* scripts = vK_ScriptHub::Instance())
        scripts->UseRecordedClock(clockStart_, clockOffset_);
    seed_ = vK_Random::GetState();
    // First in the list: it sees every event, whatever the others answer. The file opens
    // once the save folder is known (StartRecording); nothing comes in before the run.
    recording_ = true;
    platform.GetEngine().AddInputListener(&recorder_);
    platform.SetWindowActionListener([this](int action) { recorder_.OnWindowAction(action); });
}

int vK_RunTools::StartRecording(const std::string& path) {
    std::string copy, error;
    if (!SnapshotSaveFolder(path, CurrentSaveFolder(), copy, error)) {
        std::fprintf(stderr, "vrakko: can not record to %s: %s\n", path.c_str(), error.c_str());
        return 2;
    }
    recorder_.SetSaveFolder(copy);
    if (!recorder_.Open(path, seed_, clockStart_, clockOffset_)) {
        std::fprintf(stderr, "vrakko: can not write the recording %s\n", path.c_str());
        return 2;
    }
    return 0;
}

int vK_RunTools::RunGame(Vrakko_Impl& platform, const vK_RunOptions& options) {
    vY_Application application(1024, 768);
    // The application named the game's save folder: the recording starts from a copy of it.
    int status = recording_ ? StartRecording(options.record) : 0;
    if (status != 0) return status;
    if (options.fullscreen >= 0 && vY_Settings::Instance())
        vY_Settings::Instance()->SetFullscreen(options.fullscreen == 1, true);
    try {
        if (application.CanStart()) {
            platform.GetEngine().Run(&application);
            status = CheckRunResult(platform);
        } else {
            status = 1;
        }
    } catch (const vK_Exception& e) {
        Log("Error: %s", e.what());
        status = 1;
    }
    platform.GetEngine().SetApplication(nullptr);
    return status;
}

// What the run left undone that it was asked to do (screenshots), said on stderr.
int vK_RunTools::CheckRunResult(const Vrakko_Impl& platform) const {
    if (!platform.HasDisplay()) {
        // Logged by the engine; ending without drawing is the sound outcome here.
        std::fprintf(stderr, "vrakko: no display or OpenGL 3.3 context could be opened; see the log\n");
        return 0;
    }
    int status = 0;
    if (!screenshot_.empty() && !platform.ScreenshotSaved()) {
        std::fprintf(stderr, "vrakko: no screenshot was saved\n");
        status = 1;
    }
    for (const std::string& path : platform.GetMissingScreenshots()) {
        std::fprintf(stderr, "vrakko: no screenshot was saved to %s\n", path.c_str());
        status = 1;
    }
    if (replayer_) WarnOnOtherDisplay(platform.GetEngine(), replayer_->GetRecording());
    return status;
}

void vK_RunTools::Detach(Vrakko_Impl& platform) {
    if (input_) platform.GetEngine().RemoveProcessListener(input_.get());
    if (devReload_) platform.GetEngine().RemoveProcessListener(devReload_.get());
    overlay_.reset();
    if (recording_) {
        recorder_.Finish();
        platform.GetEngine().RemoveInputListener(&recorder_);
        platform.SetWindowActionListener(nullptr);
        recording_ = false;
    }
}
