#include "scene/scene.h"

#include <cmath>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "graphics/draw_params.h"
#include "graphics/resource_manager.h"
#include "scene/object.h"

namespace {
vK_Scene* g_instance = nullptr;

vK_Object* DraggedHook() { return g_instance ? g_instance->GetDragged() : nullptr; }
void ForgetHook(vK_Object* object) {
    if (g_instance) g_instance->ForgetObject(object);
}

std::unique_ptr<vK_Object> MakeRoot(const char* name) {
    // Constructed unnamed so that SetName registers the name.
    auto root = std::make_unique<vK_Object>();
    root->SetName(name);
    root->SetRoot(true);
    return root;
}
// The frame's safe point: dead objects are freed, and when that let go of the last users
// of resources, their cache entries go at once rather than at the cache's next sweep.
void FlushGraveyard() {
    if (vK_Object::GetGraveyardSize() == 0) return;
    vK_Object::FlushGraveyard();
    if (vK_ResourceManager* resources = vK_ResourceManager::Instance()) resources->Sweep();
}
}  // namespace

vK_Scene::vK_Scene() {
    g_instance = this;
    objectHooks_ = vK_Object::SceneHookSeam().Install({&DraggedHook, &ForgetHook});
    liveRoot_ = MakeRoot("vk_origin");
    liveRoot_->EnterScene();
    storageRoot_ = MakeRoot("vk_storage");
    using Stage = vK_FrameStage;
    stages_.emplace_back(Stage::kFlushGraveyard, [](vK_StageContext&) { FlushGraveyard(); });
    stages_.emplace_back(Stage::kDispatchInput, [this](vK_StageContext& c) { DispatchInput(*c.event); });
    stages_.emplace_back(Stage::kUpdateScene, [this](vK_StageContext& c) { UpdateScene(*c.frame); });
    stages_.emplace_back(Stage::kDrawScene,
                         [this](vK_StageContext& c) { liveRoot_->Draw(*c.render, vK_DrawParams()); });
    stages_.emplace_back(Stage::kRestoreGraphics,
                         [this](vK_StageContext&) { liveRoot_->RestoreGraphics(true); });
}

vK_Scene::~vK_Scene() {
    // The frame stages go first; the subtrees die while the scene still answers the
    // object hooks; then every object is freed, and only then the object hooks go.
    stages_.clear();
    for (vK_Object* root : {liveRoot_.get(), storageRoot_.get()}) root->DeleteChildren();
    vK_Object::FlushGraveyard();
    liveRoot_.reset();
    storageRoot_.reset();
    pending_ = dragged_ = hovered_ = nullptr;
    objectHooks_.Reset();
    if (g_instance == this) g_instance = nullptr;
}

vK_Scene* vK_Scene::Instance() { return g_instance; }

void vK_Scene::QueueEvent(vK_Object* object, int event) {
    if (object) object->QueueEvent(event);
}

void vK_Scene::DispatchInput(const vK_InputEvent& event) {
    if (event.type == vK_InputEvent::kPointerDown || event.type == vK_InputEvent::kPointerUp ||
        event.type == vK_InputEvent::kPointerMove) {
        pointerX_ = event.x;
        pointerY_ = event.y;
    }
    vK_Object* hit = liveRoot_->InputTest(event, nullptr, vK_DrawParams());
    switch (event.type) {
        case vK_InputEvent::kPointerDown:
            HandlePress(hit);
            break;
        case vK_InputEvent::kPointerUp:
            HandleRelease(hit);
            break;
        case vK_InputEvent::kPointerMove:
            HandleMove(hit, event.x, event.y);
            break;
        default:
            break;
    }
}

void vK_Scene::HandlePress(vK_Object* hit) {
    if (dragged_) {
        StopDrag();
        return;
    }
    if (!hit || !hit->IsDraggable()) return;
    if (!hit->IsRealDrag()) {
        StartDrag(hit);
        return;
    }
    pending_ = hit;
    pressX_ = pointerX_;
    pressY_ = pointerY_;
}

void vK_Scene::HandleRelease(vK_Object* hit) {
    if (dragged_ && dragged_->IsRealDrag()) StopDrag();
    pending_ = nullptr;
    if (hit) waiters_.erase(hit->GetName());
    RunMouseUpWaiters();
}

void vK_Scene::RunMouseUpWaiters() {
    // Handlers only run later, so the map can be emptied before they are queued.
    std::map<std::string, vK_ScriptHandle> waiters;
    waiters.swap(waiters_);
    for (const auto& [name, handle] : waiters) vK_Object::QueueHandler(vK_DataScriptFunction(handle), name);
}

void vK_Scene::HandleMove(vK_Object* hit, float x, float y) {
    if (pending_ && (std::fabs(x - pressX_) > kDragThreshold || std::fabs(y - pressY_) > kDragThreshold)) {
        vK_Object* object = pending_;
        pending_ = nullptr;
        StartDrag(object);
    }
    if (dragged_ && !dropPending_) {
        dragged_->SetDragPosition(x, y, 0);
        QueueEvent(dragged_, vK_Object::kEventDrag);
    }
    if (hit == hovered_ || (hit && hit == dragged_)) return;
    const bool dragging = dragged_ != nullptr;
    QueueEvent(hovered_, dragging ? vK_Object::kEventMouseLeaveDrag : vK_Object::kEventMouseLeave);
    hovered_ = hit;
    QueueEvent(hovered_, dragging ? vK_Object::kEventMouseEnterDrag : vK_Object::kEventMouseEnter);
}

void vK_Scene::StartDrag(vK_Object* object) {
    if (!object || object->IsDead() || IsRoot(object)) return;
    if (object == hovered_) {
        QueueEvent(hovered_, vK_Object::kEventMouseLeave);
        hovered_ = nullptr;
    }
    if (object == pending_) pending_ = nullptr;
    dragged_ = object;
    object->SetDragPosition(pointerX_, pointerY_, 0);
    QueueEvent(object, vK_Object::kEventStartDrag);
}

void vK_Scene::StopDrag() {
    // While a drop is pending its "event_dragdrop" is already queued; a second stop
    // before UpdateScene resolves it must not queue another.
    if (!dragged_ || dropPending_) return;
    QueueEvent(dragged_, vK_Object::kEventDragDrop);
    dropPending_ = true;
}

void vK_Scene::WaitForMouseUp(const std::string& name, const vK_DataScriptFunction& function) {
    if (function.GetHandle() == nullptr) return;
    waiters_[name] = function.GetHandle();
}

void vK_Scene::UpdateScene(const vK_FrameInfo& frame) {
    if (dropPending_) {
        dropPending_ = false;
        if (dragged_) {
            if (doNotDrop_) {
                doNotDrop_ = false;
            } else {
                dragged_ = nullptr;
                QueueEvent(hovered_, vK_Object::kEventMouseEnter);
            }
        }
    }
    liveRoot_->Update(frame);
}

void vK_Scene::ForgetObject(vK_Object* object) {
    if (!object) return;
    if (object == hovered_) {
        QueueEvent(object, vK_Object::kEventMouseLeave);
        hovered_ = nullptr;
    }
    if (object == dragged_) {
        // The drag ends without a drop event; a refusal still pending is void.
        dragged_ = nullptr;
        dropPending_ = false;
        doNotDrop_ = false;
    }
    if (object == pending_) pending_ = nullptr;
}
