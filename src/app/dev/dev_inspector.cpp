#include "app/dev/dev_inspector.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>

#include "app/dev/dev_canvas.h"
#include "core/input_event.h"
#include "data/data.h"
#include "graphics/draw_params.h"
#include "graphics/matrix.h"
#include "graphics/rect.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/module_file.h"

namespace {

vK_Object* Lock(const std::weak_ptr<vK_Object*>& ref) {
    const std::shared_ptr<vK_Object*> held = ref.lock();
    return held && *held && !(*held)->IsDead() ? *held : nullptr;
}

// Every object under root whose hit area holds the point, topmost first: children
// before their parent, later (higher z) children first, as the hit test walks.
void CollectHits(vK_Object& object, const vK_DrawParams& parent, float x, float y,
                 std::vector<vK_Object*>& out) {
    if (object.IsDead()) return;
    const vK_DrawParams state = object.ComputeDrawState(parent, 0);
    for (size_t i = object.GetChildCount(false); i-- > 0;) {
        if (vK_Object* child = object.GetChild(i)) CollectHits(*child, state, x, y, out);
    }
    if (object.HitTest(x, y, state)) out.push_back(&object);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Format(const char* format, double a, double b) {
    char text[96];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

// Window pixels to the game's reference units: the application root carries the
// mapping (its position and scale) when there is one.
void ToReference(float px, float py, float& rx, float& ry) {
    rx = px;
    ry = py;
    const vK_Object* app = vK_Object::FindObject("vy_application");
    if (!app || app->GetScaleX() == 0.0f || app->GetScaleY() == 0.0f) return;
    rx = (px - app->GetX()) / app->GetScaleX();
    ry = (py - app->GetY()) / app->GetScaleY();
}

// Properties the lines above the list show already.
bool IsInHeader(const std::string& key) {
    static const char* const kShown[] = {"name",  "active", "alp",      "ang",     "pos_x",
                                         "pos_y", "pos_z",  "scale_x",  "scale_y", "visible",
                                         "input", "drag",   "realdrag", "res"};
    return std::find(std::begin(kShown), std::end(kShown), key) != std::end(kShown);
}

std::string Flags(const vK_Object& o) {
    std::string flags;
    flags += o.IsVisible() ? "visible" : "hidden";
    flags += o.IsActive() ? " active" : " inactive";
    flags += o.IsInputEnabled() ? " input" : " no-input";
    if (o.IsDraggable()) flags += o.IsRealDrag() ? " realdrag" : " drag";
    if (!o.IsInScene()) flags += " not-in-scene";
    return flags;
}

void TreeWalk(const vK_Object& object, int depth, const std::string& filter, size_t first, size_t limit,
              size_t& total, std::vector<std::string>& out) {
    if (object.IsDead()) return;
    if (filter.empty() || Lower(object.GetName()).find(filter) != std::string::npos) {
        if (total >= first && out.size() < limit)
            out.push_back(std::string(static_cast<size_t>(depth) * 2, ' ') + object.GetName() + " [" +
                          object.GetType() + "]" + (object.IsVisible() ? "" : " (hidden)"));
        ++total;
    }
    for (size_t i = 0; i < object.GetChildCount(false); ++i) {
        if (const vK_Object* child = object.GetChild(i))
            TreeWalk(*child, depth + 1, filter, first, limit, total, out);
    }
}

}  // namespace

void vK_DevInspector::Probe(float x, float y) {
    x_ = x;
    y_ = y;
    stack_.clear();
    picked_.reset();
    vK_Scene* scene = vK_Scene::Instance();
    if (!scene || !scene->GetLiveRoot()) return;
    vK_InputEvent probe;
    probe.type = vK_InputEvent::kPointerProbe;
    probe.key = vK_InputEvent::kPointerKey;
    probe.x = x;
    probe.y = y;
    if (vK_Object* hit = scene->GetLiveRoot()->InputTest(probe, nullptr, vK_DrawParams()))
        picked_ = hit->GetWeakRef();
    std::vector<vK_Object*> hits;
    CollectHits(*scene->GetLiveRoot(), vK_DrawParams(), x, y, hits);
    for (vK_Object* o : hits) stack_.push_back(o->GetWeakRef());
}

void vK_DevInspector::Click() {
    vK_Object* picked = GetPicked();
    if (!picked || Lock(pinned_) == picked)
        pinned_.reset();
    else
        pinned_ = picked->GetWeakRef();
}

vK_Object* vK_DevInspector::GetPicked() const { return Lock(picked_); }

vK_Object* vK_DevInspector::GetShown() const {
    vK_Object* pinned = Lock(pinned_);
    return pinned ? pinned : GetPicked();
}

std::vector<vK_Object*> vK_DevInspector::GetStack() const {
    std::vector<vK_Object*> out;
    for (const auto& ref : stack_)
        if (vK_Object* o = Lock(ref)) out.push_back(o);
    return out;
}

bool vK_DevInspector::Key(const vK_InputEvent& event) {
    if (event.type == vK_InputEvent::kChar) {
        if (event.code >= 0x20 && event.code < 0x7F) {
            filter_ += static_cast<char>(event.code);
            treeFirst_ = 0;
        }
        return true;
    }
    if (event.type != vK_InputEvent::kKeyDown) return event.type == vK_InputEvent::kKeyUp;
    switch (event.key) {
        case vK_DevKey::kBackspace:
            if (!filter_.empty()) filter_.pop_back();
            treeFirst_ = 0;
            return true;
        case vK_DevKey::kEscape:
            filter_.clear();
            pinned_.reset();
            return true;
        case vK_DevKey::kPageUp:
            Scroll(-10);
            return true;
        case vK_DevKey::kPageDown:
            Scroll(10);
            return true;
        default:
            return true;
    }
}

void vK_DevInspector::Scroll(int lines) {
    const long next = static_cast<long>(treeFirst_) + lines;
    treeFirst_ =
        static_cast<size_t>(std::clamp<long>(next, 0, std::max<long>(0, static_cast<long>(treeTotal_) - 1)));
}

std::vector<std::string> vK_DevInspector::Describe(vK_Object& object) {
    std::vector<std::string> lines;
    lines.push_back("name     " + object.GetName());
    lines.push_back("type     " + object.GetType());
    std::string chain;
    for (const vK_Object* p = object.GetParent(); p; p = p->GetParent())
        chain = p->GetName() + (chain.empty() ? "" : " > ") + chain;
    lines.push_back("parents  " + (chain.empty() ? std::string("(none)") : chain));
    std::string module = vK_ModuleFile::ModuleOfObject(object.GetName());
    for (const vK_Object* p = object.GetParent(); module.empty() && p; p = p->GetParent()) {
        module = vK_ModuleFile::ModuleOfObject(p->GetName());
        if (!module.empty()) module += " (parent " + p->GetName() + ")";
    }
    lines.push_back("module   " + (module.empty() ? std::string("(made by a script)") : module));
    lines.push_back(Format("local    x %.1f  y %.1f", object.GetX(), object.GetY()));
    const vK_Matrix world = object.ComputeFullMatrix();
    float rx = 0.0f, ry = 0.0f;
    ToReference(world.M41(), world.M42(), rx, ry);
    lines.push_back(Format("origin   x %.1f  y %.1f (reference units)", rx, ry));
    lines.push_back(Format("z %.1f  angle %.1f", object.GetZ(), object.GetAngle()) +
                    Format("  scale %.2f x %.2f", object.GetScaleX(), object.GetScaleY()) +
                    Format("  alpha %.2f", object.GetOwnParams().alpha, 0.0));
    lines.push_back("flags    " + Flags(object));
    if (!object.GetResourceName().empty()) lines.push_back("resource " + object.GetResourceName());
    vK_DataTable props;
    object.GetProperties(props, false);
    // Properties with a value, in key order; handlers and other empty ones are left out.
    int shown = 0, more = 0;
    for (const auto& [key, value] : props) {
        std::string text = value ? value->ToString() : std::string();
        if (text.empty() || IsInHeader(key)) continue;
        if (shown >= kMaxProperties) {
            ++more;
            continue;
        }
        if (text.size() > 48) text = text.substr(0, 45) + "...";
        lines.push_back("  " + key + " = " + text);
        ++shown;
    }
    if (more > 0) lines.push_back("  ... " + std::to_string(more) + " more");
    return lines;
}

std::vector<std::string> vK_DevInspector::TreeLines(const std::string& filter, size_t first, size_t limit,
                                                    size_t& total) {
    std::vector<std::string> out;
    total = 0;
    vK_Scene* scene = vK_Scene::Instance();
    if (scene && scene->GetLiveRoot())
        TreeWalk(*scene->GetLiveRoot(), 0, Lower(filter), first, limit, total, out);
    return out;
}

namespace {

// The object's draw rectangle (its input rectangle when it draws nothing) on screen,
// as the box around its four corners; false when it has neither.
bool ScreenBox(const vK_Object& object, float& x0, float& y0, float& x1, float& y1) {
    vK_Rect r = object.GetDrawRect();
    if (r.w <= 0.0f || r.h <= 0.0f) {
        if (!object.HasInputRect()) return false;
        r = object.GetInputRect();
    }
    if (r.w <= 0.0f || r.h <= 0.0f) return false;
    const vK_Matrix m = object.ComputeFullMatrix();
    const float xs[4] = {r.x, r.x + r.w, r.x + r.w, r.x}, ys[4] = {r.y, r.y, r.y + r.h, r.y + r.h};
    for (int i = 0; i < 4; ++i) {
        float tx = 0.0f, ty = 0.0f;
        m.Transform(xs[i], ys[i], tx, ty);
        x0 = i == 0 ? tx : std::min(x0, tx);
        y0 = i == 0 ? ty : std::min(y0, ty);
        x1 = i == 0 ? tx : std::max(x1, tx);
        y1 = i == 0 ? ty : std::max(y1, ty);
    }
    return true;
}

}  // namespace

void vK_DevInspector::Draw(vK_DevCanvas& canvas, float x, float y, float w, float h) {
    const float line = vK_DevCanvas::kLineHeight;
    vK_Object* shown = GetShown();
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (shown && ScreenBox(*shown, x0, y0, x1, y1)) {
        canvas.Fill(x0, y0, x1 - x0, y1 - y0, vK_DevColour::kMark);
        canvas.Frame(x0, y0, x1 - x0, y1 - y0, vK_DevColour::kTitle);
    }
    float rx = 0, ry = 0;
    ToReference(x_, y_, rx, ry);
    if (!canvas.BeginPanel(
            x, y, w, h, Format("Inspector   pointer %.0f, %.0f", rx, ry) + (IsPinned() ? "   [pinned]" : "")))
        return;
    const float left = x + 8;
    float pen = y + 6;
    pen += line + 4;
    if (shown) {
        for (const std::string& text : Describe(*shown)) {
            canvas.Text(left, pen, text, vK_DevColour::kText);
            pen += line;
        }
    } else {
        canvas.Text(left, pen, "nothing under the pointer", vK_DevColour::kDim);
        pen += line;
    }
    pen += 4;
    canvas.Text(left, pen, "Under the pointer, topmost first:", vK_DevColour::kTitle);
    pen += line;
    const vK_Object* picked = GetPicked();
    for (vK_Object* o : GetStack()) {
        if (pen > y + h * 0.6f) break;
        canvas.Text(left, pen, (o == picked ? "> " : "  ") + o->GetName() + " [" + o->GetType() + "]",
                    o == picked ? vK_DevColour::kGood : vK_DevColour::kText);
        pen += line;
    }
    pen += 4;
    const size_t rows = static_cast<size_t>(std::max(1.0f, (y + h - pen - line - 6) / line));
    const std::vector<std::string> tree = TreeLines(filter_, treeFirst_, rows, treeTotal_);
    canvas.Text(left, pen, "Scene   filter: " + filter_ + "_   (" + std::to_string(treeTotal_) + ")",
                vK_DevColour::kTitle);
    pen += line;
    for (const std::string& text : tree) {
        canvas.Text(left, pen, text, vK_DevColour::kText);
        pen += line;
    }
    canvas.PopClip();
}
