#pragma once
#include <cstdint>
#include <functional>

class vK_Render;
struct vK_FrameInfo;
struct vK_InputEvent;

// The parts of a frame that belong to services above the engine core, in the order the
// frame runs them. The scene, the cursor, the script host and the sound hub register
// theirs when they are made; the registration is a member of the service, so a stage
// goes away with its service and the frame loop only calls what exists.
enum class vK_FrameStage : int {
    kFollowPointer,    // input: the cursor takes the position of a pointer event
    kDispatchInput,    // input: the live tree is hit-tested and handlers are queued
    kFlushGraveyard,   // the safe point between frames: objects destroyed are freed
    kPointerPosition,  // process: the cursor writes its position into the synthetic move
    kDeferredCalls,    // process: the queued script handler calls run
    kUpdateScene,      // process: drop resolution, then Update of the live root down
    kUpdateSound,      // after process: fades, finished sounds removed
    kUpdateCursor,     // after process: the cursor's animation
    kDrawScene,        // draw: the live root (frames and screenshots)
    kDrawCursor,       // end of frame: the cursor over the gamma overlay
    kRestoreGraphics,  // after a display-mode change: RestoreGraphics of the live root
    kCount
};

// What a stage works on; each field is set for the stages that have one.
struct vK_StageContext {
    const vK_FrameInfo* frame = nullptr;   // the update stages
    const vK_InputEvent* event = nullptr;  // the input stages
    vK_Render* render = nullptr;           // the draw stages
    float x = 0.0f;                        // kPointerPosition: the cursor writes its position
    float y = 0.0f;
};

using vK_StageFunction = std::function<void(vK_StageContext&)>;

// The process-wide table of frame stages. A stage is served by its latest registration
// still alive; undoing that one hands the stage back to the one before.
class vK_FrameStages {
public:
    // One stage of one service, undone when it is destroyed (or Reset).
    class Registration {
    public:
        Registration() = default;
        Registration(vK_FrameStage stage, vK_StageFunction run);
        ~Registration() { Reset(); }
        Registration(Registration&& other) noexcept;
        Registration& operator=(Registration&& other) noexcept;
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;
        void Reset();

    private:
        vK_FrameStage stage_ = vK_FrameStage::kCount;
        uint64_t id_ = 0;
    };

    static bool Has(vK_FrameStage stage);
    // Runs the stage; nothing when no service registered it. The function runs from a
    // copy, so a service may undo its registration while the stage runs.
    static void Run(vK_FrameStage stage, vK_StageContext& context);
    static void Run(vK_FrameStage stage, const vK_FrameInfo& frame);
    static void Run(vK_FrameStage stage, const vK_InputEvent& event);
    static void Run(vK_FrameStage stage, vK_Render& render);
    static void Run(vK_FrameStage stage);
};
