#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "anim/anim_impl.h"
#include "anim/flash_placement.h"
#include "anim/flash_symbol.h"
#include "graphics/draw_params.h"

namespace tinyxml2 {
class XMLElement;
}

// The flash-export animation: a fixed timeline of frames, each listing the symbols it
// shows with their full transform, colour, alpha, blend mode and texture frame. Frames
// are stepped at the file's rate without interpolation, at most one per update (the
// remaining time carries over), and at the end the timeline either jumps back to its
// loop frame or stops on its last frame and fires the end trigger once. Every
// animation object parses its own copy of the file. The function name of Play selects
// nothing: there is one timeline.
class vK_AnimImpl_Flash : public vK_AnimImpl {
public:
    // The base keys, then "frame" into the current frame.
    void SetProperties(const vK_DataTable& table) override;
    // The base keys and "frame" (the current frame).
    void GetProperties(vK_DataTable& table) const override;
    // There is no binary form: always false.
    bool LoadBinary(vK_ByteReader& reader) override;
    void LoadXml(const tinyxml2::XMLDocument& document) override;
    // Loads every symbol's texture or frame texture; returns the number of symbols.
    int AcquireTextures() override;
    void ReleaseTextures() override;
    void Update(float dt) override;
    void Draw(vK_Render& render, const vK_DrawParams& state) override;
    void Play(const std::string& function, const vK_DataScriptFunction& endTrigger) override;
    // Every symbol whose id is symbolId follows the owner's direct child named childName.
    void AttachChildToObj(const std::string& childName, const std::string& symbolId) override;

    int GetCurrentFrame() const { return frame_; }
    float GetTimeLeft() const { return timeLeft_; }
    float GetFrameTime() const { return frameTime_; }
    int GetLoop() const { return loop_; }
    int GetLoopFrame() const { return loopFrame_; }
    const vK_DrawParams& GetBaseParams() const { return base_; }
    const std::vector<vK_FlashSymbol>& GetSymbols() const { return symbols_; }
    const std::vector<std::vector<vK_FlashPlacement>>& GetFrames() const { return frames_; }
    // The draw record of placement index of the current frame under the parent's state,
    // as Draw hands it to the renderer; false when there is no such placement.
    bool ComposePlacement(size_t index, const vK_DrawParams& state, vK_DrawParams& out) const;

private:
    void Parse(const tinyxml2::XMLElement& root);
    // The placements of the current frame, or nullptr when it is outside the timeline.
    const std::vector<vK_FlashPlacement>* CurrentFrame() const;
    void MoveAttached();

    int loop_ = 0;
    int loopFrame_ = 0;
    float timeLeft_ = 0.0f;
    float frameTime_ = 0.0f;
    vK_DrawParams base_;
    std::vector<vK_FlashSymbol> symbols_;
    std::vector<std::vector<vK_FlashPlacement>> frames_;
    int frame_ = 0;
};
