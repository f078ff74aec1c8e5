#pragma once
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/input_event.h"
#include "core/input_listener.h"

class Vrakko_Impl;

// A recorded run (--record FILE, --replay FILE): the random generator's state at start,
// the display the run had, and every input event the engine received with the number of
// frames that had run when it came. The file is text, one item a line:
//   vrakko-recording 1            first line: the format and its version
//   seed STATE                    the random generator's state before the first frame
//   display W H windowed|fullscreen
//   clock SECONDS OFFSET          optional: the wall clock at start (seconds since 1970, UTC)
//                                 and the local time's offset from UTC in seconds
//   FRAME down|up|move|leave X Y  pointer press, release, move, leaving the window
//   FRAME keydown|keyup KEY       engine key code
//   FRAME char CODE               one UTF-16 unit of typed text
//   FRAME wheel CODE X Y          the raw wheel word and the pointer position
//   FRAME activate|deactivate     the window gained or lost the focus (or was minimised)
//   FRAME altenter                Alt+Enter: the fullscreen toggle
//   FRAME close                   the window was closed
//   save FOLDER                   optional: the replay starts from a copy of this save
//                                 folder (relative to the recording's own folder)
//   FRAME end                     the run ended after FRAME frames
// Blank lines and lines starting with "#" are skipped. Event frames never decrease, and
// the end line is the last one (a file without one was cut short).
struct vK_InputRecording {
    struct Entry {
        long frame = 0;
        vK_InputEvent event;
        int window = 0;  // a Vrakko_Impl::WindowAction instead of the event, when not 0
    };
    unsigned seed = 1;
    int width = 0;
    int height = 0;
    bool fullscreen = false;
    // The wall clock scripts see at the first frame; it then advances with frame time. A
    // recording without a clock line starts at noon on 1 January 2026, UTC.
    long long clockStart = 1767268800;
    long clockOffset = 0;
    std::vector<Entry> events;
    long endFrame = 0;
    // The save folder the run started from, as the "save" line names it; empty without one.
    std::string saveFolder;
};

// Parses a recording; false with error set to "line N: what is wrong" for a damaged one.
bool ParseInputRecording(std::string_view text, vK_InputRecording& recording, std::string& error);
// The line that records one event (without the line break).
std::string FormatRecordedEvent(long frame, const vK_InputEvent& event);
// The line that records one window action.
std::string FormatRecordedWindowAction(long frame, int action);

// The file --record leaves in each copy of a save folder it makes, so that it replaces
// only copies it made itself; copies of the folder leave it out, like the log.
constexpr const char* kSaveCopyMarker = "recording_copy.txt";

// Copies the save folder from into to (created; files in to with the same names are
// replaced), leaving out the log and the copy marker; false with error set when something
// could not be copied or when the folders overlap (a copy into itself never ends).
bool CopySaveFolder(const std::string& from, const std::string& to, std::string& error);

// Writes every input event the engine receives into a recording file as it comes (each
// line is flushed, so a run that crashes still leaves its events). Register it as the
// first input listener, before the run starts.
class vK_InputRecorder : public vK_InputListener {
public:
    vK_InputRecorder() = default;
    ~vK_InputRecorder() override;
    vK_InputRecorder(const vK_InputRecorder&) = delete;
    vK_InputRecorder& operator=(const vK_InputRecorder&) = delete;

    // Opens path for writing and notes the generator's state and the wall clock the run's
    // scripts see at start; false when it can not be created.
    bool Open(const std::string& path, unsigned seed, long long clockStart, long clockOffset);
    // Names the copy of the save folder the run starts from in the header (a path relative
    // to the recording's folder); set before the first event.
    void SetSaveFolder(const std::string& relative) { saveFolder_ = relative; }
    bool OnPreInput(const vK_InputEvent& event) override;
    void OnWindowAction(int action);
    // Writes the end line with the frames run so far and closes the file.
    void Finish();

private:
    void WriteHeader();
    void WriteLine(const std::string& line);

    std::FILE* file_ = nullptr;
    unsigned seed_ = 1;
    long long clockStart_ = 0;
    long clockOffset_ = 0;
    std::string saveFolder_;
    bool headerWritten_ = false;
};

// Feeds a recording's events to the engine: before each frame, every event recorded
// before that frame.
class vK_InputReplayer {
public:
    explicit vK_InputReplayer(vK_InputRecording recording) : recording_(std::move(recording)) {}
    void BeforeFrame(Vrakko_Impl& platform);
    const vK_InputRecording& GetRecording() const { return recording_; }

private:
    vK_InputRecording recording_;
    size_t next_ = 0;
};
