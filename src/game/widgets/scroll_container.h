#pragma once
#include <string>

#include "data/data.h"
#include "scene/object.h"

// Object type "scrollcontainer": lays its children out in a row (or a column) of equal
// cells and shows the window of them that its crop rectangle covers, starting at cell
// "scrollpos". Dragging or the wheel scrolls by whole cells; between steps the children
// glide half-way to their places per frame. When all cells fit, the row is centred.
class vY_ScrollContainer : public vK_Object {
public:
    // A press becomes a drag once the pointer moved further than this along the axis.
    static constexpr float kDragDistance = 5.0f;
    static constexpr float kDefaultCellSize = 64.0f;

    explicit vY_ScrollContainer(const std::string& name = std::string());

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "scrollcontainer"; }
    void Tick(const vK_FrameInfo& frame) override;
    bool HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;

    // One layout step of dt seconds (0 for the snap before the first draw).
    void Layout(float dt);
    // Scrolls by the whole cells the offset covers (at least one) towards the offset.
    void Shift();
    // The largest first visible cell: 0 when all cells fit.
    int LastStart() const;

    int GetScrollPos() const { return scrollpos_; }
    void SetScrollPos(int scrollpos);
    float GetOffset() const { return offset_; }
    float GetSpeed() const { return speed_; }
    float GetCellSize() const { return cellsize_; }
    bool IsDragging() const { return dragging_; }

    static void RegisterType();

private:
    static const vK_PropertyTable& ScrollContainerProperties();
    // The crop rectangle's origin and length along the axis.
    void Window(float& origin, float& extent) const;
    void EndDrag();

    bool horizontal_ = true;
    float cellsize_ = kDefaultCellSize;
    int32_t scrollpos_ = 0;
    float offset_ = 0.0f;
    vK_DataScriptFunction beginDrag_;
    vK_DataScriptFunction endDrag_;
    bool pressed_ = false;
    bool dragging_ = false;
    float pending_ = 0.0f;
    float lastPointer_ = 0.0f;
    bool needsLayout_ = true;
    bool dragenabled_ = true;
    float speed_ = 0.0f;
};
