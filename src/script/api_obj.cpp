// vk.obj: creating, finding, changing, animating, attaching, cloning and deleting
// objects, and the scene's drag and drop.
#include <lua.hpp>
#include <memory>
#include <string_view>
#include <vector>

#include "files/log.h"
#include "graphics/matrix.h"
#include "scene/object.h"
#include "scene/property_animation.h"
#include "scene/scene.h"
#include "script/api_args.h"
#include "script/script_api.h"
#include "script/script_hub.h"
#include "script/script_properties.h"

namespace {
using vK_ApiArgs::At;
using vK_ApiArgs::Object;

vK_Object* StorageRoot() { return vK_Scene::Instance() ? vK_Scene::Instance()->GetStorageRoot() : nullptr; }

void ObjSet(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    const vK_Data* table = At(args, 1);
    if (object && table && table->AsTable()) object->SetProperties(*table->AsTable());
}

// One [object, table] pair of ObjMultiSet; anything else is skipped.
void ApplyPair(const vK_Data* pair) {
    const vK_DataArray* p = pair ? pair->AsArray() : nullptr;
    if (!p) return;
    const vK_Data* name = p->GetAt(0);
    const vK_Data* table = p->GetAt(1);
    vK_Object* object = nullptr;
    if (name && name->GetTag() == vK_Data::kString)
        object = vK_Object::FindObject(static_cast<const vK_DataString*>(name)->Value());
    else if (name)
        object = vK_Object::FindObject(name->ToString());
    if (object && !object->IsDead() && table && table->AsTable()) object->SetProperties(*table->AsTable());
}

void ObjMultiSet(const vK_DataArray& args, void*, vK_DataArray&) {
    const vK_Data* list = At(args, 0);
    const vK_DataArray* pairs = list ? list->AsArray() : nullptr;
    if (!pairs || pairs->Empty()) {
        Log("Error: empty table in ObjMultiSet");
        return;
    }
    for (const vK_Data* pair : *pairs) ApplyPair(pair);
}

// ---- the same two functions reading the script's tables directly ------------------
//
// Scripts that move many objects call these every frame. Reading the Lua tables in
// place (no vK_Data per value), remembering where each name was found and applying
// the keys straight to the property entries gives the outcome of the general path,
// which still handles every shape these do not.

// The table at index applied to object: directly when it can be, else converted.
void ApplyScriptTable(lua_State* L, vK_ScriptHub& hub, int index, vK_Object& object) {
    if (vK_ScriptProperties::Apply(L, index, object)) return;
    const std::unique_ptr<vK_Data> table = hub.ToData(L, index);
    if (table->AsTable()) object.SetProperties(*table->AsTable());
}

int FastObjSet(lua_State* L, vK_ScriptHub& hub) {
    static vK_Object::Lookup hint;
    if (lua_gettop(L) < 2 || lua_type(L, 1) != LUA_TSTRING || lua_type(L, 2) != LUA_TTABLE) return -1;
    size_t length = 0;
    const char* name = lua_tolstring(L, 1, &length);
    vK_Object* object = vK_Object::FindObject(std::string_view(name, length), hint);
    if (object && !object->IsDead()) ApplyScriptTable(L, hub, 2, *object);
    return 0;
}

// How the general path reads a pair table: as the array of its values with the
// number keys ascending first, then the other keys in traversal order; its first two
// elements are the name and the properties.
enum class PairShape {
    kSkip,     // not an array (empty, or the first key a string): skipped
    kDirect,   // keys 1 and 2 hold name and properties
    kGeneral,  // some other arrangement: left to the general conversion
};

PairShape ReadPairShape(lua_State* L, int index) {
    lua_pushnil(L);
    if (lua_next(L, index) == 0) return PairShape::kSkip;
    if (lua_type(L, -2) == LUA_TSTRING) {
        lua_pop(L, 2);
        return PairShape::kSkip;
    }
    bool one = false, two = false, other = false;
    do {
        if (lua_type(L, -2) == LUA_TNUMBER) {
            const double key = lua_tonumber(L, -2);
            one = one || key == 1;
            two = two || key == 2;
            // A number key below 2 other than 1 would come first.
            other = other || (key < 2 && key != 1);
        }
        lua_pop(L, 1);
    } while (lua_next(L, index) != 0);
    return one && two && !other ? PairShape::kDirect : PairShape::kGeneral;
}

int FastObjMultiSet(lua_State* L, vK_ScriptHub& hub) {
    // Where each position's name was found last time; scripts hand the same list again.
    static std::vector<vK_Object::Lookup> hints;
    if (lua_gettop(L) < 1 || lua_type(L, 1) != LUA_TTABLE || !lua_checkstack(L, 8)) return -1;
    const size_t n = lua_objlen(L, 1);
    // Empty lists (logged) and lists the general conversion would cut are its business.
    if (n == 0 || n > static_cast<size_t>(vK_ScriptHub::kMaxValues) / 8) return -1;
    // Only a plain sequence: the keys 1 to n, met in that order.
    size_t count = 0;
    lua_pushnil(L);
    while (lua_next(L, 1) != 0) {
        lua_pop(L, 1);
        if (lua_type(L, -1) != LUA_TNUMBER || lua_tonumber(L, -1) != static_cast<double>(count + 1)) {
            lua_pop(L, 1);
            return -1;
        }
        ++count;
    }
    if (count != n) return -1;
    if (hints.size() < n) hints.resize(n);

    // Pairs are read one after another, each before it is applied; the general path
    // converts the whole list first. Only script code run from inside a property
    // setter, changing the list, could tell the two apart.
    const int base = lua_gettop(L);
    for (size_t i = 0; i < n; ++i) {
        lua_settop(L, base);
        lua_rawgeti(L, 1, static_cast<int>(i + 1));
        const int pair = base + 1;
        if (lua_type(L, pair) != LUA_TTABLE) continue;
        const PairShape shape = ReadPairShape(L, pair);
        if (shape == PairShape::kSkip) continue;
        lua_rawgeti(L, pair, 1);
        if (shape == PairShape::kGeneral || lua_type(L, pair + 1) != LUA_TSTRING) {
            ApplyPair(hub.ToData(L, pair).get());
            continue;
        }
        size_t length = 0;
        const char* name = lua_tolstring(L, pair + 1, &length);
        vK_Object* object = vK_Object::FindObject(std::string_view(name, length), hints[i]);
        if (!object || object->IsDead()) continue;
        lua_rawgeti(L, pair, 2);
        if (lua_type(L, pair + 2) == LUA_TTABLE) ApplyScriptTable(L, hub, pair + 2, *object);
    }
    lua_settop(L, base);
    return 0;
}

void ObjGet(const vK_DataArray& args, void*, vK_DataArray& results) {
    vK_Object* object = Object(args, 0);
    if (!object) return;
    vK_DataTable* table = results.PushTable();
    object->GetProperties(*table, true);
}

void ObjAttach(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Object* child = Object(args, 0);
    vK_Object* parent = Object(args, 1);
    // The object layer refuses roots as children, cycles and dead objects.
    if (child && parent) parent->AddChild(child);
}

void ObjDetach(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    vK_Object* storage = StorageRoot();
    if (object && storage) storage->AddChild(object);
}

void ObjDelete(const vK_DataArray& args, void*, vK_DataArray&) {
    // Roots are refused by Destroy.
    if (vK_Object* object = Object(args, 0)) vK_Object::Destroy(object);
}

bool AnyCornerInside(const float (&ax)[4], const float (&ay)[4], const float (&bx)[4], const float (&by)[4]) {
    for (int i = 0; i < 4; ++i) {
        if (PointInQuad(bx, by, ax[i], ay[i])) return true;
    }
    return false;
}

void ObjIntersect(const vK_DataArray& args, void*, vK_DataArray& results) {
    vK_Object* a = Object(args, 0);
    vK_Object* b = Object(args, 1);
    if (!a || !b) {
        results.PushBool(false);
        return;
    }
    float ax[4], ay[4], bx[4], by[4];
    QuadOfRect(a->GetInputRect(), a->GetWorldMatrix(), ax, ay);
    QuadOfRect(b->GetInputRect(), b->GetWorldMatrix(), bx, by);
    results.PushBool(AnyCornerInside(ax, ay, bx, by) || AnyCornerInside(bx, by, ax, ay));
}

// A parameter as a number is the id itself; as a string it is mapped by name, any
// other name animating the property of that name.
bool ReadParameter(const vK_Data& v, int& parameter, std::string& property) {
    if (v.GetTag() == vK_Data::kString) {
        property = v.ToString();
        parameter = AnimParameterFromName(property);
        return true;
    }
    parameter = v.GetInt();
    // A numeric id outside the known ones (or 13, which needs a name) is ignored.
    return parameter >= kAnimPosX && parameter < kAnimByName;
}

void ObjAnimate(const vK_DataArray& args, void*, vK_DataArray&) {
    if (args.Size() < 6) return;
    vK_Object* object = Object(args, 0);
    int parameter = 0;
    std::string property;
    if (!object || !ReadParameter(*At(args, 1), parameter, property)) return;
    const bool loop = At(args, 2)->GetDouble() != 0;
    const bool additive = At(args, 3)->GetDouble() != 0;
    const vK_DataScriptFunction handler = vK_ApiArgs::Handler(args, 4);
    const std::vector<float> values = vK_ApiArgs::Floats(args, 5);
    const int count = static_cast<int>(values.size());
    if (parameter == kAnimByName) {
        object->AnimatePropertyByName(property, loop, handler, values.data(), count);
    } else {
        object->AnimateProperty(parameter, loop, additive, handler, values.data(), count);
    }
}

void ObjStopAnimate(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    int parameter = 0;
    std::string property;
    if (object && At(args, 1) && ReadParameter(*At(args, 1), parameter, property)) {
        object->StopAnimateProperty(parameter, property);
    }
}

void ObjDoNotDrop(const vK_DataArray&, void*, vK_DataArray&) {
    if (vK_Scene* scene = vK_Scene::Instance()) scene->DoNotDrop();
}

void ObjStopDrag(const vK_DataArray&, void*, vK_DataArray&) {
    if (vK_Scene* scene = vK_Scene::Instance()) scene->StopDrag();
}

void ObjStartDrag(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    if (object && vK_Scene::Instance()) vK_Scene::Instance()->StartDrag(object);
}

void ObjCreate(const vK_DataArray& args, void*, vK_DataArray&) {
    const vK_Data* name = At(args, 0);
    const vK_Data* type = At(args, 1);
    vK_Object* storage = StorageRoot();
    if (!name || !type || !storage) return;
    if (vK_Object* object = vK_Object::CreateObject(type->ToString(), name->ToString()))
        storage->AddChild(object);
}

void ObjWaitForMouseUp(const vK_DataArray& args, void*, vK_DataArray&) {
    const vK_Data* name = At(args, 0);
    const vK_Data* fn = At(args, 1);
    vK_Scene* scene = vK_Scene::Instance();
    if (!name || !fn || fn->GetTag() != vK_Data::kScriptFunction || !scene) return;
    scene->WaitForMouseUp(name->ToString(), *static_cast<const vK_DataScriptFunction*>(fn));
}

void ObjGetRelations(const vK_DataArray& args, void*, vK_DataArray& results) {
    vK_Object* object = Object(args, 0);
    if (!object) return;
    vK_DataTable* table = results.PushTable();
    vK_Object* parent = object->GetParent();
    table->SetString("parent", parent ? parent->GetName() : "null");
    vK_DataArray* childs = table->SetArray("childs");
    for (size_t i = 0; i < object->GetChildCount(false); ++i)
        childs->PushString(object->GetChild(i)->GetName());
}

void ObjClone(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Object* source = Object(args, 0);
    const vK_Data* suffix = At(args, 1);
    if (!source || !suffix) return;
    const bool deep = At(args, 2) && At(args, 2)->GetDouble() == 1.0;
    vK_Object* clone = vK_Object::CloneObject(source, suffix->ToString(), deep);
    if (!clone) return;
    // Without a parent the clone is parked in storage, where scripts can still
    // find, attach or delete it.
    vK_Object* parent = Object(args, 3);
    if (!parent || !parent->AddChild(clone)) {
        if (vK_Object* storage = StorageRoot()) storage->AddChild(clone);
    }
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.obj.Set; ObjSet",
     &ObjSet,
     {"object: name, properties: table",
      "Applies the properties of the table to the object, as its module XML attributes would be; keys the "
      "object's type does not have are ignored."},
     &FastObjSet},
    {"vk.obj.MultiSet; ObjMultiSet",
     &ObjMultiSet,
     {"pairs: {{object, properties}, ...}",
      "Applies ObjSet to each {object name, properties} pair in order, skipping objects that do not exist; "
      "an empty list logs \"Error: empty table in ObjMultiSet\"."},
     &FastObjMultiSet},
    {"vk.obj.Get; ObjGet",
     &ObjGet,
     {"object: name -> table",
      "Returns every property of the object with its current value, including user_data, draw_width and "
      "draw_height."}},
    {"vk.obj.Attach; ObjAttach",
     &ObjAttach,
     {"child: name, parent: name",
      "Makes child the last child of parent (sorted by pos_z), taking it from its former parent; attaching "
      "under the live scene loads its resources."}},
    {"vk.obj.Detach; ObjDetach",
     &ObjDetach,
     {"object: name",
      "Moves the object with its subtree into storage (vk_storage), where it is neither drawn nor updated "
      "but can still be found by name."}},
    {"vk.obj.Delete; ObjDelete",
     &ObjDelete,
     {"object: name",
      "Destroys the object and its subtree at the end of the frame; the names stop resolving at once."}},
    {"vk.obj.Intersect; ObjIntersect",
     &ObjIntersect,
     {"a: name, b: name -> bool",
      "Whether the input rectangles of the two objects, each in its world position, overlap (a corner of one "
      "inside the other); false when either is missing."}},
    {"vk.obj.Animate; ObjAnimate",
     &ObjAnimate,
     {"object: name, parameter: string|int, loop: number, additive: number, handler: handler, keys: {number, "
      "...}",
      "Animates a property along key frames (time, easing, value triples; see Property animations in "
      "objects.md) and queues handler when a non-looping animation ends; all six arguments are required."}},
    {"vk.obj.StopAnimate; ObjStopAnimate",
     &ObjStopAnimate,
     {"object: name, parameter: string|int",
      "Stops the object's animation of that parameter without calling its handler."}},
    {"vk.obj.DoNotDrop; ObjDoNotDrop",
     &ObjDoNotDrop,
     {"", "Called from an event_dragdrop handler: refuses the pending drop, so the drag goes on."}},
    {"vk.obj.StopDrag; ObjStopDrag", &ObjStopDrag, {"", "Ends the current drag without a drop."}},
    {"vk.obj.StartDrag; ObjStartDrag",
     &ObjStartDrag,
     {"object: name", "Starts dragging the object as if the player had picked it up."}},
    {"vk.obj.Create; ObjCreate",
     &ObjCreate,
     {"name: string, type: string",
      "Creates an object of a registered type with default properties and parks it in storage; nothing "
      "happens for an unknown type."}},
    {"vk.obj.WaitForMouseUp; ObjWaitForMouseUp",
     &ObjWaitForMouseUp,
     {"object: name, callback: function",
      "Calls callback at the next button release unless the release hits the named object; one waiter per "
      "name, a later call replaces it."}},
    {"vk.obj.GetRelations; ObjGetRelations",
     &ObjGetRelations,
     {"object: name -> {parent = string, childs = {string, ...}}",
      "Returns the name of the object's parent (\"null\" when it has none) and the names of its children in "
      "drawing order."}},
    {"vk.obj.Clone; ObjClone",
     &ObjClone,
     {"object: name, suffix: string, deep: number = 0, parent: name = none",
      "Copies the object's properties (not its user data or animations) into a new object named name + "
      "suffix, with copies of its children when deep is 1, attached to parent or parked in storage."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiObjects() { return kEntries; }
