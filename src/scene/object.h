#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/data.h"
#include "files/live_counts.h"
#include "graphics/draw_params.h"
#include "graphics/rect.h"
#include "scene/property_animation.h"

class vK_Object;
class vK_PropertyTable;
class vK_Render;
class vK_Resource;
struct vK_FrameInfo;
struct vK_InputEvent;

// What the scene installs so that object code can consult and update its state:
// the dragged object (drawn at the drag position and transparent to hits) and the
// notice that an object dies (the scene queues the hover leave, ends a drag without
// a drop and clears every pointer it holds to the object).
struct vK_ObjectSceneHooks {
    vK_Object* (*dragged)() = nullptr;
    void (*forget)(vK_Object* object) = nullptr;
};

// What the script host installs so that object code runs script handlers without
// depending on the host: queueing a handler as a deferred call with the table
// {sender = name} (the host runs the queue once per frame, before the scene update),
// and compiling handler text given as a property. Without a host both do nothing.
struct vK_ObjectScriptHooks {
    bool (*queue)(const vK_DataScriptFunction& handler, const std::string& sender) = nullptr;
    vK_ScriptHandle (*compile)(const std::string& code) = nullptr;
};

// A property key a class reads or writes outside its property table, for the reference:
// kind, default as a new object has it, and access ("read/write", "write", "read", with
// conditions after it).
struct vK_PropertyDoc {
    const char* key;
    const char* kind;
    const char* def;
    const char* access;
};

// What the reference (docs/reference/objects.md) says of an object type, kept with its
// registration: one sentence, the class's property table (base keys included) when it has
// one, else the registered type whose keys it shares, and the keys it handles outside a
// table.
struct vK_ObjectTypeDoc {
    const char* description = nullptr;
    const vK_PropertyTable& (*table)() = nullptr;
    const char* base = nullptr;
    std::span<const vK_PropertyDoc> keys = {};
};

// Everything in the scene tree is a vK_Object: a unique name in the process-wide
// registry, a property table, children sorted by z, a transform composed down the
// tree, colour and alpha, a crop rectangle, an input rectangle with nine deferred
// script event handlers, and property animations.
//
// Ownership and deferred destruction. Parents own their children. An object without
// a parent is owned either by its creator (the scene's two roots) or by the object
// layer's pool of loose objects: CreateObject, CloneObject and Adopt put new objects
// there, and RemoveChild / Detach move removed children there. Destroy never frees
// memory at once: it marks the object and its subtree dead, clears their registry
// entries (only entries that still point to them), tells the scene (hover, drag),
// discards their animations, detaches the object from its parent or the pool and
// moves it into the graveyard. The frame loop frees the graveyard at its safe point
// (FlushGraveyard, between frames). Tree walks (Update, Draw, InputTest) iterate over
// a snapshot of the child list and skip entries that died or stopped being children
// meanwhile, so scripts and native code may delete, move or re-parent objects at any
// time without a walk touching freed memory. Objects marked as roots can be neither
// destroyed nor attached anywhere.
class vK_Object : public vK_AnimationTarget {
public:
    // The nine script event handlers, in their property order.
    enum Event : int {
        kEventMouseDown = 0,
        kEventMouseUp,
        kEventMouseEnter,
        kEventMouseLeave,
        kEventMouseEnterDrag,
        kEventMouseLeaveDrag,
        kEventStartDrag,
        kEventDragDrop,
        kEventDrag,
        kEventCount
    };
    static const char* const kEventKeys[kEventCount];

    explicit vK_Object(const std::string& name = std::string());
    ~vK_Object() override;
    vK_Object(const vK_Object&) = delete;
    vK_Object& operator=(const vK_Object&) = delete;

    // ---- operations object types override --------------------------------------------
    virtual std::shared_ptr<vK_Resource> GetResource() const { return nullptr; }
    virtual void SetProperties(const vK_DataTable& table);
    virtual void GetProperties(vK_DataTable& table, bool full) const;
    virtual void Update(const vK_FrameInfo& frame);
    virtual void Draw(vK_Render& render, const vK_DrawParams& parent);
    // Attaches a managed object (a loose one or another object's child); refused for
    // null, dead or root children, this object and its ancestors.
    virtual bool AddChild(vK_Object* child);
    virtual vK_Object* RemoveChild(vK_Object* child, bool recursive);
    virtual std::string GetType() const { return "obj"; }
    virtual vK_Rect GetDrawRect() const { return {}; }
    virtual bool HitTest(float x, float y, const vK_DrawParams& state) const;
    virtual void RestoreGraphics(bool recursive);
    virtual void Reset();
    virtual bool Load();
    virtual bool Unload();
    virtual bool EnterScene();
    virtual bool LeaveScene();
    virtual void Tick(const vK_FrameInfo& frame);
    virtual bool HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state);
    virtual vK_Object* InputChildren(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state);
    virtual void DrawSelf(vK_Render& render, const vK_DrawParams& state);
    virtual void DrawChildren(vK_Render& render, const vK_DrawParams& state);
    virtual void DumpLine(bool skip, int indent) const;

    // ---- resource, hierarchy and name -------------------------------------------------
    std::string GetResourceName() const { return resourceName_; }
    bool SetResourceName(const std::string& name);
    // Leaves the scene, unloads, loads and enters again, so the object takes its resource
    // afresh from the cache (a file changed while editing); the result of the last step.
    bool ReloadResource();
    // The input walk over this subtree: the children (topmost first), then the object itself.
    vK_Object* InputTest(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& parent);
    // The removed child becomes a loose object.
    vK_Object* RemoveChildAt(size_t index);
    vK_Object* RemoveChildByName(const std::string& name, bool recursive);
    // Destroys every child (deferred).
    void DeleteChildren();
    void Detach();
    vK_Object* GetChild(size_t index) const;
    vK_Object* FindChild(const std::string& name, bool recursive) const;
    vK_Object* GetParent() const { return parent_; }
    size_t GetChildCount(bool recursive) const;
    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name);

    // Key-by-key property writes, for callers that read values from elsewhere than a
    // vK_DataTable (the script host reads script tables directly): the table whose
    // entries SetProperties applies, when applying them (vK_PropertyTable::ApplyEntry in
    // ascending index order) and then PropertiesApplied with the collected mask is all
    // SetProperties does; nullptr otherwise. Only the exact class answers: a subclass
    // that does not override this gets nullptr, whatever its SetProperties does.
    virtual const vK_PropertyTable* DirectProperties() const;
    // What SetProperties does after the keys: marks the transform dirty when a key of
    // the local matrix changed (applied is vK_PropertyTable's Applied mask).
    void PropertiesApplied(unsigned applied);

    // ---- transform and draw state ---------------------------------------------------
    // The state the object is drawn and hit-tested with (mode 0); modes 1 to 3 are the
    // reduced parent transforms of the attach types. Stores the world matrix.
    vK_DrawParams ComputeDrawState(const vK_DrawParams& parent, int mode = 0);
    // The world matrix of the current transforms up the tree, as the next draw will
    // compute it (the dragged object at its drag position), whether or not the object
    // was drawn or hit-tested, is visible or takes input. Every position query uses it.
    vK_Matrix GetWorldMatrix() const { return CurrentMatrix(true); }
    // The matrix the last draw or hit-test pass stored: for code that runs inside that
    // pass (the parent's state of a particle system being drawn, say).
    const vK_Matrix& GetDrawnMatrix() const { return world_; }
    // GetWorldMatrix without the drag position.
    vK_Matrix ComputeFullMatrix() const { return CurrentMatrix(false); }
    void MarkTransformDirty() { transformDirty_ = true; }
    bool IsTransformDirty() const { return transformDirty_; }

    void SetPosition(float x, float y);
    float GetX() const { return x_; }
    float GetY() const { return y_; }
    float GetZ() const { return z_; }
    // Also tells the parent that its children may need sorting again.
    void SetZ(float z);
    // Called before this object's z is written (SetZ, the "pos_z" property): the parent
    // first places children still waiting to be placed, under the z they arrived with.
    void PrepareZChange() const {
        if (parent_) parent_->PlaceUnplaced();
    }
    void SetAngle(float angle);
    float GetAngle() const { return angle_; }
    void SetScale(float sx, float sy);
    float GetScaleX() const { return scaleX_; }
    float GetScaleY() const { return scaleY_; }
    void SetAttachType(int type) { attachType_ = type; }
    int GetAttachType() const { return attachType_; }
    void SetDragPosition(float x, float y, float z);
    vK_DrawParams& GetOwnParams() { return params_; }
    const vK_DrawParams& GetOwnParams() const { return params_; }
    const std::string& GetAnimTag() const { return animTag_; }

    void SetInputRect(bool enabled, const vK_Rect& rect);
    bool HasInputRect() const { return inputRectEnabled_; }
    const vK_Rect& GetInputRect() const { return inputRect_; }
    void SetCropRect(bool enabled, const vK_Rect& rect);
    bool HasCropRect() const { return cropRectEnabled_; }
    const vK_Rect& GetCropRect() const { return cropRect_; }

    // ---- flags ------------------------------------------------------------------------
    bool IsActive() const { return active_; }
    bool IsInputEnabled() const { return input_; }
    bool IsVisible() const { return visible_; }
    bool IsDraggable() const { return drag_; }
    bool IsRealDrag() const { return realdrag_; }
    void SetActive(bool v) { active_ = v; }
    void SetInputEnabled(bool v) { input_ = v; }
    void SetVisible(bool v) { visible_ = v; }
    void SetUpdateChildren(bool v) { updateChildren_ = v; }
    void SetInputChildren(bool v) { inputChildren_ = v; }
    void SetDrawChildren(bool v) { drawChildren_ = v; }
    bool IsLoaded() const { return loaded_; }
    bool IsInScene() const { return inScene_; }

    // ---- events -----------------------------------------------------------------------
    const vK_DataScriptFunction& GetHandler(int event) const;
    void SetHandler(int event, const vK_DataScriptFunction& handler);
    // Queues the event's handler (QueueHandler with this object's name).
    bool QueueEvent(int event);
    // Queues handler as a deferred script call with {sender = sender}: the one way
    // object code calls scripts. False when the handler is empty or no host is installed.
    static bool QueueHandler(const vK_DataScriptFunction& handler, const std::string& sender);
    // Handler text compiled by the script host; empty without a host.
    static vK_ScriptHandle CompileHandler(const std::string& code);
    static void SetScriptHooks(const vK_ObjectScriptHooks& hooks);

    const vK_DataTable* GetUserData() const { return userData_.get(); }

    // ---- property animations (run by Tick) ------------------------------------------
    bool AnimateProperty(int parameter, bool loop, bool additive, const vK_DataScriptFunction& handler,
                         const float* values, int count);
    bool AnimatePropertyByName(const std::string& property, bool loop, const vK_DataScriptFunction& handler,
                               const float* values, int count);
    bool StopAnimateProperty(int parameter, const std::string& property);
    vK_PropertyAnimation& GetAnimations() { return animations_; }
    const vK_AnimationModifiers& GetModifiers() const { return modifiers_; }
    vK_AnimatedFields AnimatedFields() override;
    void SetAnimatedValues(int parameter, const std::string& property, const float* values) override;

    // ---- life ---------------------------------------------------------------------------
    bool IsDead() const { return dead_; }
    bool IsRoot() const { return root_; }
    // Roots (the scene's "vk_origin" and "vk_storage") can be neither destroyed nor
    // attached under another object.
    void SetRoot(bool root) { root_ = root; }
    // A handle that reads nullptr once the object died.
    std::weak_ptr<vK_Object*> GetWeakRef() const { return self_; }

    // Destroys object and its subtree (deferred, see above); false for roots, dead
    // objects and null.
    static bool Destroy(vK_Object* object);
    // Frees every destroyed object. The frame loop calls it at its safe point.
    static void FlushGraveyard();
    static size_t GetGraveyardSize();
    // Hands a new parentless object to the pool of loose objects.
    static vK_Object* Adopt(std::unique_ptr<vK_Object> object);
    static size_t GetLooseCount();
    // Shut-down: destroys and frees every loose object and the graveyard.
    static void ReleaseAll();

    // ---- registry and factory -----------------------------------------------------------
    static vK_Object* FindObject(const std::string& name);
    // A remembered FindObject result, for callers that look the same names up again and
    // again (a script moving the same objects every frame).
    struct Lookup {
        uint64_t generation = 0;
        vK_Object* object = nullptr;
    };
    // FindObject through hint: while the registry has not changed since hint was
    // filled, the object remembered there is the answer when it still has the name;
    // otherwise the registry answers and hint is filled again.
    static vK_Object* FindObject(std::string_view name, Lookup& hint);
    using Creator = std::unique_ptr<vK_Object> (*)();
    using PropertyDoc = vK_PropertyDoc;
    using TypeDoc = vK_ObjectTypeDoc;
    // Registering a type again replaces its creator and its documentation.
    static void RegisterObjectType(const std::string& type, Creator creator, const TypeDoc& doc = {});
    // Every registered type name, sorted, and the documentation registered with one.
    static std::vector<std::string> GetObjectTypes();
    static TypeDoc GetObjectTypeDoc(const std::string& type);
    // A new loose object of the type, named name; nullptr for unknown types.
    static vK_Object* CreateObject(const std::string& type, const std::string& name);
    // Whether the factory knows the type.
    static bool HasObjectType(const std::string& type);
    // A loose copy of source's property table (handlers, resource, flags; not the user
    // data, animations or children), named source name + suffix; deep copies children.
    static vK_Object* CloneObject(const vK_Object* source, const std::string& suffix, bool deep);
    // Registers the engine's base type "obj".
    static void RegisterEngineTypes();

    static void SetSceneHooks(const vK_ObjectSceneHooks& hooks);
    static vK_Object* GetDraggedObject();

    void DumpTree(bool skip, int depth) const;

protected:
    // The property keys of the base class; subclass tables start with them.
    static const vK_PropertyTable& ObjectProperties();
    // Applies the keys of values that table knows (SetProperties of every class), then
    // marks the transform dirty; returns vK_PropertyTable's Applied mask.
    unsigned ApplyProperties(const vK_PropertyTable& table, const vK_DataTable& values);

    // Builds the local matrix of the mode (0: scale, rotation, translation with the
    // animation offsets and factors; 1: scale and translation; 2: translation; 3: none).
    vK_Matrix ComputeLocalMatrix(int mode) const;
    static vK_Matrix ComposeLocalMatrix(float sx, float sy, float angle, float tx, float ty);
    // Child list snapshot for walks that may run script-visible code.
    std::vector<vK_Object*> SnapshotChildren() const;
    bool IsLiveChild(const vK_Object* child) const {
        return child && !child->dead_ && child->parent_ == this;
    }
    // Restores the z order (stable) when a child's z changed since the last sort.
    void SortChildren();
    bool IsAncestorOf(const vK_Object* object) const;

private:
    // The world matrix from the local matrices up the tree (cached ones where clean).
    vK_Matrix CurrentMatrix(bool withDrag) const;
    std::unique_ptr<vK_Object> TakeChild(vK_Object* child);
    // Appends child where a stable sort by z would put it (at once, or when the list is
    // next read: see unplaced_).
    void InsertChild(std::unique_ptr<vK_Object> child);
    // Stably merges the unplaced children into the list; every reader of the list calls it.
    void PlaceUnplaced() const;
    // A child's z changed: the children are sorted again at the next update.
    void NoteChildOrderChanged() {
        PlaceUnplaced();
        orderDirty_ = true;
    }
    static std::unique_ptr<vK_Object> TakeOwnership(vK_Object* object);
    void EnterSceneTree();
    void LeaveSceneTree();
    // The cached local matrix of mode 0, rebuilt when the transform is dirty.
    const vK_Matrix& LocalMatrix() const;
    // The local matrix times parent, cached with the parent matrix it was made for.
    const vK_Matrix& WorldUnder(const vK_Matrix& parent);
    void MarkDead();

    std::string name_;
    // The children in z order, except the last unplaced_ ones: inserts that do not land at
    // the end append there, and the first read of the list (a walk, an index, a search, a
    // z change) sorts them stably and merges them in, which puts each where inserting it in
    // turn would have. A burst of inserts in falling z thus costs one sort, not a move of
    // the list per insert. Placing changes nothing a reader can see, hence mutable.
    mutable std::vector<std::unique_ptr<vK_Object>> children_;
    mutable size_t unplaced_ = 0;
    // Set when a child's z changed since the children were last sorted; while it is
    // clear the children are in z order, so neither the update nor an insert scans them.
    bool orderDirty_ = false;
    vK_Object* parent_ = nullptr;  // not owned
    bool loaded_ = false;
    bool inScene_ = false;
    std::string resourceName_;
    bool inputRectEnabled_ = false;
    vK_Rect inputRect_;
    bool cropRectEnabled_ = false;
    vK_Rect cropRect_;
    bool active_ = true, input_ = true, visible_ = true, drag_ = false, realdrag_ = false;
    bool updateChildren_ = true, inputChildren_ = true, drawChildren_ = true;
    vK_DataScriptFunction handlers_[kEventCount];
    // Property animations: the entries Tick runs, and the per-frame state that the
    // additive ones rebuild (offsets, angle, scale factors, alpha and colour factors).
    vK_PropertyAnimation animations_;
    vK_AnimationModifiers modifiers_;
    float x_ = 0, y_ = 0, z_ = 0, angle_ = 0, scaleX_ = 1, scaleY_ = 1, blurRadius_ = 0;
    vK_DrawParams params_;
    float dragX_ = 0, dragY_ = 0, dragZ_ = 0;
    int attachType_ = 0;
    std::string animTag_;
    vK_Matrix world_;
    // The local matrix cache; queries (const) refresh it as draws do.
    mutable bool transformDirty_ = true;
    mutable vK_Matrix local_;
    // local_ times productParent_, valid while productValid_ (cleared with a new local_).
    mutable bool productValid_ = false;
    vK_Matrix productParent_, product_;
    std::unique_ptr<vK_DataTable> userData_;

    bool dead_ = false;
    bool root_ = false;
    std::shared_ptr<vK_Object*> self_;
    vK_LiveCounted<vK_LiveKind::Object> liveCount_;
};
