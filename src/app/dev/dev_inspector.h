#pragma once
#include <memory>
#include <string>
#include <vector>

class vK_DevCanvas;
class vK_Object;
struct vK_InputEvent;

// The overlay's inspector: what lies under the pointer. The picked object is the one
// the scene's hit test would pick for a press there (a probe event: objects change
// nothing and queue nothing); the stack is every object whose hit area holds the
// point, topmost first. A click pins the picked object (a click on it again lets go);
// the tree lists the live scene, filtered by typed text in object names. Objects are
// held by weak reference, so ones that die meanwhile simply disappear.
class vK_DevInspector {
public:
    static constexpr int kMaxProperties = 14;

    // Hit-tests the live scene at x, y (window pixels).
    void Probe(float x, float y);
    // A click: pins the picked object, or lets go when it is already pinned.
    void Click();
    void Unpin() { pinned_.reset(); }
    // Keys and characters for the tree filter and its scrolling; true when used.
    bool Key(const vK_InputEvent& event);
    void Scroll(int lines);

    // The picked object (the pinned one while pinned); nullptr when none or it died.
    vK_Object* GetShown() const;
    vK_Object* GetPicked() const;
    bool IsPinned() const { return !pinned_.expired(); }
    std::vector<vK_Object*> GetStack() const;
    const std::string& GetFilter() const { return filter_; }
    void SetFilter(const std::string& filter) { filter_ = filter; }

    // The description lines of an object: name, type, parent chain, module, position
    // (local and in reference units), flags, resource and its first properties.
    static std::vector<std::string> Describe(vK_Object& object);
    // The tree lines of the live scene ("  name [type]", two blanks a level) whose names
    // contain the filter (any case), at most limit from the first index on; total gets
    // the number of matching objects.
    static std::vector<std::string> TreeLines(const std::string& filter, size_t first, size_t limit,
                                              size_t& total);

    // Draws the panel into the rectangle.
    void Draw(vK_DevCanvas& canvas, float x, float y, float w, float h);

private:
    std::weak_ptr<vK_Object*> picked_;
    std::weak_ptr<vK_Object*> pinned_;
    std::vector<std::weak_ptr<vK_Object*>> stack_;
    float x_ = 0.0f, y_ = 0.0f;
    std::string filter_;
    size_t treeFirst_ = 0;
    size_t treeTotal_ = 0;
};
