// vK_Object's tree and registry: life and deferred destruction, the loose pool, the name
// registry, the factory, names and resources, the hierarchy and the update walk.
#include "scene/object.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "core/frame_info.h"
#include "files/log.h"

const char* const vK_Object::kEventKeys[kEventCount] = {
    "event_mdown",       "event_mup",       "event_menter",   "event_mleave", "event_menter_drag",
    "event_mleave_drag", "event_startdrag", "event_dragdrop", "event_drag"};

namespace {
std::unordered_map<std::string, vK_Object*>& Registry() {
    // Never destroyed: objects freed during static destruction still unregister.
    static auto* registry = new std::unordered_map<std::string, vK_Object*>();
    return *registry;
}

std::map<std::string, vK_Object::Creator>& Factory() {
    static std::map<std::string, vK_Object::Creator> factory = {
        {"obj", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Object>(); }}};
    return factory;
}

std::map<std::string, vK_Object::TypeDoc>& TypeDocs() {
    static std::map<std::string, vK_Object::TypeDoc> docs;
    return docs;
}

constexpr const char* kObjDescription =
    "The plain object: a transform, colour, input and crop rectangles and the pointer handlers every type "
    "has; it draws nothing itself and groups its children.";

// Parentless objects that nobody else owns, keyed by address.
std::unordered_map<vK_Object*, std::unique_ptr<vK_Object>>& LoosePool() {
    static auto* pool = new std::unordered_map<vK_Object*, std::unique_ptr<vK_Object>>();
    return *pool;
}

std::vector<std::unique_ptr<vK_Object>>& Graveyard() {
    static auto* graveyard = new std::vector<std::unique_ptr<vK_Object>>();
    return *graveyard;
}

vK_ObjectSceneHooks g_scene_hooks;

// Counts the registry's changes (from 1, so that an empty lookup hint never matches):
// a remembered lookup stays valid while it is unchanged.
uint64_t g_registry_generation = 1;

// Registry entries are cleared only when they still point to the object, so that
// removing one of two same-named objects leaves the other one findable.
void Unregister(const std::string& name, const vK_Object* object) {
    auto& registry = Registry();
    auto it = registry.find(name);
    if (it != registry.end() && it->second == object) {
        registry.erase(it);
        ++g_registry_generation;
    }
}

// Registers object under name. The scene roots keep their names: another object
// named "vk_origin" (from a module, say) stays unfindable by name rather than
// hiding the root from every script that looks the root up.
void Register(const std::string& name, vK_Object* object) {
    vK_Object*& entry = Registry()[name];
    if (entry && entry != object && entry->IsRoot()) {
        Log("Warning: the name %s belongs to a scene root and is not given to another object", name.c_str());
        return;
    }
    entry = object;
    ++g_registry_generation;
}

}  // namespace

vK_Object::vK_Object(const std::string& name) : name_(name), self_(std::make_shared<vK_Object*>(this)) {
    // The base state only: a derived class is not constructed yet and sets its own.
    vK_Object::Reset();
}

vK_Object::~vK_Object() {
    // Objects freed without Destroy (the scene's roots at shut-down, their subtrees)
    // still leave the registry and the scene's pointers.
    if (!dead_) MarkDead();
    children_.clear();
}

// ---- life ---------------------------------------------------------------------------------

void vK_Object::MarkDead() {
    if (dead_) return;
    dead_ = true;
    *self_ = nullptr;
    if (g_scene_hooks.forget) g_scene_hooks.forget(this);
    animations_.Clear();
    Unregister(name_, this);
    PlaceUnplaced();
    for (auto& child : children_) child->MarkDead();
}

std::unique_ptr<vK_Object> vK_Object::TakeOwnership(vK_Object* object) {
    if (object->parent_) return object->parent_->TakeChild(object);
    auto& pool = LoosePool();
    auto it = pool.find(object);
    if (it == pool.end()) return nullptr;
    std::unique_ptr<vK_Object> owned = std::move(it->second);
    pool.erase(it);
    return owned;
}

std::unique_ptr<vK_Object> vK_Object::TakeChild(vK_Object* child) {
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if (it->get() == child) {
            // Taking a child out keeps the placed ones in order and the unplaced ones last.
            if (children_.end() - it <= static_cast<std::ptrdiff_t>(unplaced_)) --unplaced_;
            std::unique_ptr<vK_Object> owned = std::move(*it);
            children_.erase(it);
            owned->parent_ = nullptr;
            return owned;
        }
    }
    return nullptr;
}

bool vK_Object::Destroy(vK_Object* object) {
    if (!object || object->dead_) return false;
    if (object->root_) {
        Log("Error: the scene root %s can not be deleted", object->name_.c_str());
        return false;
    }
    object->MarkDead();
    std::unique_ptr<vK_Object> owned = TakeOwnership(object);
    // An object owned by someone else (not a child, not loose) is only marked; its
    // owner frees it.
    if (owned) Graveyard().push_back(std::move(owned));
    return true;
}

void vK_Object::FlushGraveyard() {
    // Freeing runs no script code, but loop in case a destructor destroys more.
    while (!Graveyard().empty()) {
        std::vector<std::unique_ptr<vK_Object>> batch;
        batch.swap(Graveyard());
    }
}

size_t vK_Object::GetGraveyardSize() { return Graveyard().size(); }

vK_Object* vK_Object::Adopt(std::unique_ptr<vK_Object> object) {
    if (!object) return nullptr;
    vK_Object* raw = object.get();
    if (raw->parent_ || raw->dead_) return nullptr;
    LoosePool()[raw] = std::move(object);
    return raw;
}

size_t vK_Object::GetLooseCount() { return LoosePool().size(); }

void vK_Object::ReleaseAll() {
    std::vector<vK_Object*> loose;
    for (auto& [raw, owned] : LoosePool()) loose.push_back(raw);
    for (vK_Object* object : loose) {
        object->root_ = false;
        Destroy(object);
    }
    FlushGraveyard();
}

// ---- registry and factory -------------------------------------------------------------------

vK_Object* vK_Object::FindObject(const std::string& name) {
    auto& registry = Registry();
    auto it = registry.find(name);
    return it == registry.end() ? nullptr : it->second;
}

// An object found at the hint's generation was the registry's entry for its name then;
// without a change since, it still is, so a matching name is the same answer the
// registry would give (and the object cannot have been freed: that unregisters it).
vK_Object* vK_Object::FindObject(std::string_view name, Lookup& hint) {
    if (hint.generation == g_registry_generation && hint.object && hint.object->name_ == name)
        return hint.object;
    hint.object = FindObject(std::string(name));
    hint.generation = g_registry_generation;
    return hint.object;
}

void vK_Object::RegisterObjectType(const std::string& type, Creator creator, const TypeDoc& doc) {
    if (!creator) return;
    Factory()[type] = creator;
    TypeDocs()[type] = doc;
}

void vK_Object::RegisterEngineTypes() {
    RegisterObjectType("obj", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Object>(); },
                       {kObjDescription, &ObjectProperties});
}

std::vector<std::string> vK_Object::GetObjectTypes() {
    std::vector<std::string> types;
    for (const auto& [type, creator] : Factory()) types.push_back(type);
    return types;
}

vK_Object::TypeDoc vK_Object::GetObjectTypeDoc(const std::string& type) {
    auto it = TypeDocs().find(type);
    if (it != TypeDocs().end()) return it->second;
    // The base type is in the factory before anyone registers it.
    if (type == "obj" && Factory().count(type)) return {kObjDescription, &ObjectProperties};
    return {};
}

bool vK_Object::HasObjectType(const std::string& type) { return Factory().count(type) != 0; }

vK_Object* vK_Object::CreateObject(const std::string& type, const std::string& name) {
    auto it = Factory().find(type);
    if (it == Factory().end()) return nullptr;
    std::unique_ptr<vK_Object> object = it->second();
    if (!object) return nullptr;
    object->SetName(name);
    return Adopt(std::move(object));
}

vK_Object* vK_Object::CloneObject(const vK_Object* source, const std::string& suffix, bool deep) {
    if (!source) return nullptr;
    vK_Object* clone = CreateObject(source->GetType(), source->GetName() + suffix);
    if (!clone) return nullptr;
    vK_DataTable props;
    source->GetProperties(props, false);
    props.Remove("name");
    clone->SetProperties(props);
    if (deep) {
        for (vK_Object* child : source->SnapshotChildren()) {
            if (!source->IsLiveChild(child)) continue;
            if (vK_Object* copy = CloneObject(child, suffix, true)) clone->AddChild(copy);
        }
    }
    return clone;
}

void vK_Object::SetSceneHooks(const vK_ObjectSceneHooks& hooks) { g_scene_hooks = hooks; }

vK_Object* vK_Object::GetDraggedObject() { return g_scene_hooks.dragged ? g_scene_hooks.dragged() : nullptr; }

// ---- names, resources, reset ------------------------------------------------------------------

void vK_Object::SetName(const std::string& name) {
    if (dead_ || name == name_) return;
    Unregister(name_, this);
    Register(name, this);
    name_ = name;
}

bool vK_Object::SetResourceName(const std::string& name) {
    if (name == resourceName_) return true;
    resourceName_ = name;
    return ReloadResource();
}

bool vK_Object::ReloadResource() {
    bool was_in_scene = inScene_;
    // The result is that of the last step: loading, or entering the scene again.
    if (was_in_scene) LeaveScene();
    Unload();
    bool result = Load();
    if (was_in_scene) result = EnterScene();
    return result;
}

void vK_Object::Reset() {
    parent_ = nullptr;
    active_ = input_ = visible_ = true;
    drag_ = realdrag_ = false;
    updateChildren_ = inputChildren_ = drawChildren_ = true;
    loaded_ = inScene_ = false;
    blurRadius_ = 0;
    attachType_ = 0;
    inputRectEnabled_ = cropRectEnabled_ = false;
    angle_ = 0;
    scaleX_ = scaleY_ = 1;
    modifiers_.angle = 0;
    modifiers_.scale_x = modifiers_.scale_y = 1;
    world_ = vK_Matrix();
    userData_.reset();
    transformDirty_ = true;
}

bool vK_Object::Load() {
    loaded_ = true;
    return true;
}

bool vK_Object::Unload() {
    loaded_ = false;
    return true;
}

bool vK_Object::EnterScene() {
    inScene_ = true;
    return true;
}

bool vK_Object::LeaveScene() {
    inScene_ = false;
    return true;
}

void vK_Object::RestoreGraphics(bool recursive) {
    if (!recursive) return;
    for (vK_Object* child : SnapshotChildren()) {
        if (IsLiveChild(child)) child->RestoreGraphics(true);
    }
}

// ---- hierarchy ------------------------------------------------------------------------------

bool vK_Object::IsAncestorOf(const vK_Object* object) const {
    for (const vK_Object* p = object ? object->parent_ : nullptr; p; p = p->parent_) {
        if (p == this) return true;
    }
    return false;
}

std::vector<vK_Object*> vK_Object::SnapshotChildren() const {
    PlaceUnplaced();
    std::vector<vK_Object*> snapshot;
    snapshot.reserve(children_.size());
    for (const auto& child : children_) snapshot.push_back(child.get());
    return snapshot;
}

namespace {
// A NaN z (0/0 from a script) sorts as 0, keeping the order strict and weak.
float SortKey(float z) { return std::isnan(z) ? 0.0f : z; }

bool ZOrder(const std::unique_ptr<vK_Object>& a, const std::unique_ptr<vK_Object>& b) {
    return SortKey(a->GetZ()) < SortKey(b->GetZ());
}
}  // namespace

void vK_Object::SortChildren() {
    if (!orderDirty_) return;
    orderDirty_ = false;
    // Usually still in order: checking is cheaper than sorting, which allocates.
    if (std::is_sorted(children_.begin(), children_.end(), ZOrder)) return;
    std::stable_sort(children_.begin(), children_.end(), ZOrder);
}

void vK_Object::PlaceUnplaced() const {
    if (unplaced_ == 0) return;
    const auto first = children_.end() - static_cast<std::ptrdiff_t>(unplaced_);
    unplaced_ = 0;
    // The unplaced children keep their arrival order among equal z, and the placed ones go
    // before unplaced ones of equal z: as inserting them one by one would have left them.
    std::stable_sort(first, children_.end(), ZOrder);
    std::inplace_merge(children_.begin(), first, children_.end(), ZOrder);
}

void vK_Object::InsertChild(std::unique_ptr<vK_Object> child) {
    if (orderDirty_) {
        children_.push_back(std::move(child));
        SortChildren();
        return;
    }
    // In order already: the new child goes after every child whose z is not greater,
    // which is where a stable sort of the list with the child appended puts it. Children
    // usually arrive in z order, so this is mostly an append; any other place waits for
    // the next read of the list.
    const bool last =
        unplaced_ == 0 && (children_.empty() || !(SortKey(child->z_) < SortKey(children_.back()->z_)));
    children_.push_back(std::move(child));
    if (!last) ++unplaced_;
}

void vK_Object::SetZ(float z) {
    PrepareZChange();
    z_ = z;
    if (parent_) parent_->NoteChildOrderChanged();
}

bool vK_Object::AddChild(vK_Object* child) {
    if (!child || child == this || child->IsAncestorOf(this) || dead_ || child->dead_) return false;
    if (child->root_) {
        Log("Error: the scene root %s can not be attached to %s", child->name_.c_str(), name_.c_str());
        return false;
    }
    std::unique_ptr<vK_Object> owned = TakeOwnership(child);
    if (!owned) {
        Log("Error: object %s is not managed by the object tree and can not be attached",
            child->name_.c_str());
        return false;
    }
    owned->parent_ = this;
    InsertChild(std::move(owned));
    Register(child->name_, child);
    if (inScene_) {
        child->EnterSceneTree();
    } else {
        child->LeaveSceneTree();
    }
    return true;
}

// Children enter before their parent; a subtree already in the scene is skipped.
void vK_Object::EnterSceneTree() {
    if (inScene_) return;
    for (vK_Object* child : SnapshotChildren()) {
        if (IsLiveChild(child)) child->EnterSceneTree();
    }
    EnterScene();
}

// Parents leave before their children; a subtree not in the scene is skipped.
void vK_Object::LeaveSceneTree() {
    if (!inScene_) return;
    LeaveScene();
    for (vK_Object* child : SnapshotChildren()) {
        if (IsLiveChild(child)) child->LeaveSceneTree();
    }
}

vK_Object* vK_Object::RemoveChildAt(size_t index) {
    PlaceUnplaced();
    if (index >= children_.size()) return nullptr;
    return RemoveChild(children_[index].get(), false);
}

vK_Object* vK_Object::RemoveChild(vK_Object* child, bool recursive) {
    if (!child) return nullptr;
    if (std::unique_ptr<vK_Object> owned = TakeChild(child)) return Adopt(std::move(owned));
    if (!recursive) return nullptr;
    PlaceUnplaced();
    for (const auto& c : children_) {
        if (vK_Object* removed = c->RemoveChild(child, true)) return removed;
    }
    return nullptr;
}

vK_Object* vK_Object::RemoveChildByName(const std::string& name, bool recursive) {
    vK_Object* child = FindChild(name, recursive);
    return child ? RemoveChild(child, recursive) : nullptr;
}

void vK_Object::DeleteChildren() {
    for (vK_Object* child : SnapshotChildren()) {
        if (IsLiveChild(child)) Destroy(child);
    }
}

void vK_Object::Detach() {
    if (parent_) parent_->RemoveChild(this, false);
}

vK_Object* vK_Object::GetChild(size_t index) const {
    PlaceUnplaced();
    return index < children_.size() ? children_[index].get() : nullptr;
}

vK_Object* vK_Object::FindChild(const std::string& name, bool recursive) const {
    PlaceUnplaced();
    for (const auto& child : children_) {
        if (child->name_ == name) return child.get();
    }
    if (!recursive) return nullptr;
    for (const auto& child : children_) {
        if (vK_Object* found = child->FindChild(name, true)) return found;
    }
    return nullptr;
}

size_t vK_Object::GetChildCount(bool recursive) const {
    size_t count = children_.size();
    if (recursive) {
        for (const auto& child : children_) count += child->GetChildCount(true);
    }
    return count;
}

// ---- update walk ----------------------------------------------------------------------------

void vK_Object::Update(const vK_FrameInfo& frame) {
    SortChildren();
    if (!active_) return;
    Tick(frame);
    if (!updateChildren_ || children_.empty()) return;
    for (vK_Object* child : SnapshotChildren()) {
        if (IsLiveChild(child)) child->Update(frame);
    }
}

// ---- debugging ----------------------------------------------------------------------------------

void vK_Object::DumpLine(bool skip, int indent) const {
    if (skip) return;
    std::string pad(indent > 1 ? static_cast<size_t>(indent) * 2 : 0, ' ');
    Log("%s%s; type=%s; active=%d; v=%d; alpha=%f; res=%s", pad.c_str(), name_.c_str(), GetType().c_str(),
        active_ ? 1 : 0, visible_ ? 1 : 0, params_.alpha, resourceName_.c_str());
}

void vK_Object::DumpTree(bool skip, int depth) const {
    DumpLine(skip, depth);
    PlaceUnplaced();
    for (const auto& child : children_) child->DumpTree(false, depth + 1);
}
