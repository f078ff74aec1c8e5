#pragma once
#include <memory>
#include <string>

#include "core/input_listener.h"
#include "data/data.h"
#include "scene/object.h"

// Object type "zoomview": holds one content object (the child added last, normally a
// level's whole scene) that the player drags around, with inertia after release, and
// zooms with the wheel (keeping its origin unless the clamp moves it), within
// min_scale..max_scale. The content never uncovers the display: its extent at scale 1
// is the display size when the view is made, and every position is clamped so that
// extent covers the display.
//
// Kept values: while idle the view follows the content's own position and scale; while
// dragging or coasting it writes its kept position and scale into the content each frame.
class vY_ZoomView : public vK_Object, public vK_InputListener {
public:
    // A press becomes a drag once the pointer moved further than this from the press.
    static constexpr float kDragDistance = 15.0f;
    static constexpr float kZoomStep = 0.02f;

    explicit vY_ZoomView(const std::string& name = std::string());
    ~vY_ZoomView() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "zoomview"; }
    bool AddChild(vK_Object* child) override;
    bool LeaveScene() override;
    void Tick(const vK_FrameInfo& frame) override;
    bool HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override;
    void OnDeactivate() override;

    virtual void OnPointerDown(const vK_InputEvent& event, vK_Object* hit);
    virtual void OnPointerUp(const vK_InputEvent& event, vK_Object* hit);
    virtual void OnPointerMove(const vK_InputEvent& event);
    // One wheel step out (smaller) or in; the content keeps its position unless the
    // clamp moves it; undone when it would leave the limits or not cover the display.
    virtual void Zoom(bool out);

    // Clamps position so that the content covers the display at the kept scale; false
    // when the content is smaller than the display (then position is only part-clamped).
    bool ApplyPosition(float (&position)[2]);

    vK_Object* GetContent() const;
    float GetKeptScale() const { return scale_; }
    float GetVelocityX() const { return velocity_[0]; }
    float GetVelocityY() const { return velocity_[1]; }
    bool IsDragging() const { return dragging_; }

    static void RegisterType();

private:
    static const vK_PropertyTable& ZoomViewProperties();
    void ApplyScaleProperty();
    void ReleasePointers();
    void ApplyToContent();
    // The slot whose last position is nearest (x, y); -1 when none is near enough.
    int NearestSlot(float x, float y, bool downOnly) const;

    bool candrag_ = true;
    bool canzoom_ = true;
    bool dragging_ = false;
    float position_[2] = {0.0f, 0.0f};
    float scale_ = 1.0f;
    float minScale_ = 1.0f;
    float maxScale_ = 2.0f;
    float bounds_[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float pointers_[2][2] = {{0.0f, 0.0f}, {0.0f, 0.0f}};
    float velocity_[2] = {0.0f, 0.0f};
    float history_[5][2] = {};
    float press_[2] = {0.0f, 0.0f};
    bool down_[2] = {false, false};
    std::weak_ptr<vK_Object*> content_;
    vK_DataScriptFunction beginDrag_;
    vK_DataScriptFunction endDrag_;
    vK_DataScriptFunction drag_;
};
