#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/replay_save_folder.h"
#include "platform/input_recording.h"

struct vK_StartupOptions;
class Vrakko_Impl;
class vY_DevReload;
class vK_DevOverlay;
class vK_InputScript;

// What the command line asks of a game run.
struct vK_RunOptions {
    long frames = 0;         // quit after this many frames (0: never)
    std::string screenshot;  // the last frame's picture
    std::string input;       // scripted input steps
    std::string record;      // the recording to write
    std::string replay;      // the recording to play back
    std::vector<std::pair<long, std::string>> frameShots;
    bool dev = false;     // asset reloading and the developer overlay
    int fullscreen = -1;  // 0 windowed, 1 full screen, -1 the player's setting
};

// The tools around one game run: replaying or recording input, scripted input, frame
// screenshots and the developer tools. The entry point calls the steps in order:
// PrepareReplay (before start-up), Attach, RunGame, Detach (before shut-down). A step
// returns 0 or the process's exit status.
class vK_RunTools {
public:
    vK_RunTools();
    ~vK_RunTools();
    vK_RunTools(const vK_RunTools&) = delete;
    vK_RunTools& operator=(const vK_RunTools&) = delete;

    // Refuses file arguments that can not serve (an input file or recording that can not
    // be read, a folder as the recording to write), reads the input steps and the
    // recording to replay and starts its save folder; the run options take the
    // recording's display and length where the command line left them open.
    int PrepareReplay(vK_RunOptions& options, vK_StartupOptions& startup);
    // Hands the engine the screenshots, the replay, the recorder, the developer tools and
    // the scripted input.
    int Attach(Vrakko_Impl& platform, const vK_RunOptions& options, const std::string& assetRoot);
    // Runs the game application to its end.
    int RunGame(Vrakko_Impl& platform, const vK_RunOptions& options);
    // Takes every tool out of the engine again (the recording is finished).
    void Detach(Vrakko_Impl& platform);

private:
    void AttachRecorder(Vrakko_Impl& platform);
    // Copies the save folder next to the recording and opens the recording file.
    int StartRecording(const std::string& path);
    int CheckRunResult(const Vrakko_Impl& platform) const;

    std::unique_ptr<vK_InputReplayer> replayer_;
    vK_ReplaySaveFolder replaySaves_;
    vK_InputRecorder recorder_;
    bool recording_ = false;
    unsigned seed_ = 1;         // the generator's state when the recording run was attached
    long long clockStart_ = 0;  // the wall clock its scripts see at start
    long clockOffset_ = 0;
    std::string inputText_;  // the scripted input steps, read before start-up
    std::string screenshot_;
    std::unique_ptr<vY_DevReload> devReload_;
    std::unique_ptr<vK_DevOverlay> overlay_;
    std::unique_ptr<vK_InputScript> input_;
};
