#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_stages.h"
#include "data/data.h"
#include "scene/object.h"

class vK_Object;
struct vK_InputEvent;
struct vK_FrameInfo;

// Owns the two roots of the object tree ("vk_origin", live; "vk_storage", parked)
// and turns pointer events into deferred script events: one hit-test pass per
// event, hover enter/leave, click-to-pick and press-and-move drag and drop with a
// drop that handlers may refuse, and one-shot mouse-up waiters.
//
// The scene keeps non-owning pointers to the pending drag, dragged and hovered
// objects. An object that dies reports it (ForgetObject) before its name or tree
// links go, so none of them ever dangles.
class vK_Scene {
public:
    // A pressed realdrag object starts dragging once the pointer moved further
    // than this (reference units) in x or in y.
    static constexpr float kDragThreshold = 2.0f;

    vK_Scene();
    ~vK_Scene();
    vK_Scene(const vK_Scene&) = delete;
    vK_Scene& operator=(const vK_Scene&) = delete;

    static vK_Scene* Instance();

    void DispatchInput(const vK_InputEvent& event);
    void StartDrag(vK_Object* object);
    void StopDrag();
    void DoNotDrop() { doNotDrop_ = true; }
    void WaitForMouseUp(const std::string& name, const vK_DataScriptFunction& function);
    // Queues every mouse-up waiter and forgets them all (a release does this, and so
    // does a widget that takes the pointer over for a drag of its own).
    void RunMouseUpWaiters();
    // Resolves a pending drop, then updates the live tree.
    void UpdateScene(const vK_FrameInfo& frame);

    vK_Object* GetLiveRoot() const { return liveRoot_.get(); }
    vK_Object* GetStorageRoot() const { return storageRoot_.get(); }
    bool IsRoot(const vK_Object* object) const {
        return object && (object == liveRoot_.get() || object == storageRoot_.get());
    }

    vK_Object* GetDragged() const { return dragged_; }
    vK_Object* GetHovered() const { return hovered_; }
    vK_Object* GetPendingDrag() const { return pending_; }
    bool IsDropPending() const { return dropPending_; }
    size_t GetWaiterCount() const { return waiters_.size(); }

    // Called when object dies: queues its "event_mleave" when it is hovered, ends
    // its drag without a drop event, and clears every reference the scene holds.
    void ForgetObject(vK_Object* object);

private:
    void QueueEvent(vK_Object* object, int event);
    void HandlePress(vK_Object* hit);
    void HandleRelease(vK_Object* hit);
    void HandleMove(vK_Object* hit, float x, float y);

    std::unique_ptr<vK_Object> liveRoot_;
    std::unique_ptr<vK_Object> storageRoot_;
    vK_Object* pending_ = nullptr;  // not owned
    float pressX_ = 0, pressY_ = 0;
    bool dropPending_ = false;
    bool doNotDrop_ = false;
    std::map<std::string, vK_ScriptHandle> waiters_;
    vK_Object* dragged_ = nullptr;  // not owned
    vK_Object* hovered_ = nullptr;  // not owned
    float pointerX_ = 0, pointerY_ = 0;
    // The frame stages the scene serves (flush, input, update, draw, restore).
    std::vector<vK_FrameStages::Registration> stages_;
    vK_Seam<vK_ObjectSceneHooks>::Registration objectHooks_;
};
