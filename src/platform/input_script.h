#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/process_listener.h"

// Pointer and key input played into the running program from a text file, for driving the
// executable without a person (--input FILE). One step a line: "FRAME ACTION ARGS", where
// FRAME is the frame count after which the step is sent and ACTION is one of
//   click X Y   a left-button press at window pixel (X, Y) and its release a frame later
//   down X Y    a left-button press        up X Y   a left-button release
//   move X Y    a pointer move             key NAME a key press and release (SDL key name)
//   quit        ends the program as closing the window would
// Blank lines and lines starting with "#" are skipped; a malformed line is logged with its
// number and skipped.
struct vK_InputStep {
    enum Action { kDown, kUp, kMove, kKeyDown, kKeyUp, kQuit };
    long frame = 0;
    Action action = kDown;
    int x = 0;
    int y = 0;
    std::string key;
};

std::vector<vK_InputStep> ParseInputScript(std::string_view text);

// Sends the steps into the engine's event queue as their frames come up.
class vK_InputScript : public vK_ProcessListener {
public:
    explicit vK_InputScript(std::vector<vK_InputStep> steps);
    void OnProcess(const vK_FrameInfo& frame) override;
    bool Finished() const { return next_ >= steps_.size(); }

private:
    std::vector<vK_InputStep> steps_;
    size_t next_ = 0;
};
