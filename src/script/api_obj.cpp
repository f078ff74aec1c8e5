// vk.obj: creating, finding, changing, animating, attaching, cloning and deleting
// objects, and the scene's drag and drop.
#include <algorithm>
#include <lua.hpp>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "files/log.h"
#include "graphics/matrix.h"
#include "scene/object.h"
#include "scene/property_animation.h"
#include "scene/property_check.h"
#include "scene/scene.h"
#include "script/api_args.h"
#include "script/lua_data_rules.h"
#include "script/name_lookups.h"
#include "script/script_api.h"
#include "script/script_hub.h"
#include "script/script_properties.h"
#include "script/script_warnings.h"

namespace {
using vK_ApiArgs::At;
using vK_ApiArgs::Object;

vK_Object* StorageRoot() { return vK_Scene::Instance() ? vK_Scene::Instance()->GetStorageRoot() : nullptr; }

// ---- script tables read in place ---------------------------------------------------
//
// Scripts that move many objects call ObjSet and ObjMultiSet every frame, so these read
// the Lua tables where they lie instead of converting them: a value reads as the hub's
// conversion would make it, and only values no direct reading covers are converted.

// Reads Lua tables as the arrays the data conversion makes of them (vK_LuaDataRules: the
// first key decides, elements in array order). Tables must not gain keys while being read.
class ArrayReader {
public:
    explicit ArrayReader(lua_State* L) : lua_(L) {}

    // Calls visit(value index) for each element in order until it returns false. Returns
    // false, visiting nothing, when the value at index converts to no array (not a
    // table, empty, first key a string, or the registry, which converts to null).
    template <typename Visit>
    bool ForEach(int index, Visit&& visit) const {
        int count = 0;
        bool in_order = false;
        if (!Scan(index, count, in_order)) return false;
        if (!in_order) return ForEachSorted(index, visit);
        const int base = lua_gettop(lua_);
        for (int i = 1; i <= count; ++i) {
            lua_rawgeti(lua_, index, i);
            const bool go_on = visit(base + 1);
            lua_settop(lua_, base);
            if (!go_on) break;
        }
        return true;
    }

    // Pushes the first two elements (nil for a missing second); false, pushing nothing,
    // when the value converts to no array.
    bool PushFirstTwo(int index) const {
        int count = 0;
        bool in_order = false;
        if (!Scan(index, count, in_order)) return false;
        if (in_order) {
            lua_rawgeti(lua_, index, 1);
            lua_rawgeti(lua_, index, 2);  // nil when count is 1
            return true;
        }
        const int first = lua_gettop(lua_) + 1;
        lua_pushnil(lua_);
        lua_pushnil(lua_);
        int slot = first;
        return ForEachSorted(index, [&](int value) {
            lua_pushvalue(lua_, value);
            lua_replace(lua_, slot);
            return ++slot <= first + 1;
        });
    }

private:
    // Whether the value converts to an array; its number of keys and whether they are
    // 1 to count met in that order (Lua's array part: no sorting needed).
    bool Scan(int index, int& count, bool& in_order) const {
        if (lua_type(lua_, index) != LUA_TTABLE || vK_LuaDataRules::IsRegistry(lua_, index)) return false;
        lua_pushnil(lua_);
        if (lua_next(lua_, index) == 0) return false;
        if (vK_LuaDataRules::KeyMakesTable(lua_, -2)) {
            lua_pop(lua_, 2);
            return false;
        }
        in_order = true;
        do {
            lua_pop(lua_, 1);
            in_order =
                in_order && vK_LuaDataRules::ArrayPlace::Of(lua_, -1).Continues(static_cast<size_t>(count));
            ++count;
        } while (lua_next(lua_, index) != 0);
        return true;
    }

    template <typename Visit>
    bool ForEachSorted(int index, Visit&& visit) const {
        const int base = lua_gettop(lua_);
        // The number keys are sorted; the other keys follow in traversal order.
        std::vector<vK_LuaDataRules::ArrayPlace> numbers;
        lua_pushnil(lua_);
        while (lua_next(lua_, index) != 0) {
            lua_pop(lua_, 1);
            const auto place = vK_LuaDataRules::ArrayPlace::Of(lua_, -1);
            if (place.numeric) numbers.push_back(place);
        }
        std::sort(numbers.begin(), numbers.end(), vK_LuaDataRules::ArrayPlace::Before);
        for (const vK_LuaDataRules::ArrayPlace& place : numbers) {
            lua_pushnumber(lua_, place.key);
            lua_rawget(lua_, index);
            const bool go_on = visit(base + 1);
            lua_settop(lua_, base);
            if (!go_on) return true;
        }
        lua_pushnil(lua_);
        while (lua_next(lua_, index) != 0) {
            if (lua_type(lua_, -2) != LUA_TNUMBER && !visit(base + 2)) break;
            lua_settop(lua_, base + 1);
        }
        lua_settop(lua_, base);
        return true;
    }

    lua_State* lua_;
};

// The value at index converted apart from the tables holding it (stack indices, 0 for
// none), which count as being converted: a reference back to one becomes null.
std::unique_ptr<vK_Data> ConvertWithin(vK_ScriptHub& hub, lua_State* L, int index, int list, int pair) {
    const void* within[2];
    size_t count = 0;
    for (int holder : {list, pair}) {
        if (holder) within[count++] = lua_topointer(L, holder);
    }
    return hub.ToData(L, index, std::span<const void* const>(within, count));
}

// The table at index applied to object: read in place when it can be, else converted.
void ApplyTable(vK_ScriptHub& hub, lua_State* L, int index, vK_Object& object, int list = 0, int pair = 0) {
    if (vK_ScriptProperties::Apply(L, index, object)) return;
    const std::unique_ptr<vK_Data> table = ConvertWithin(hub, L, index, list, pair);
    if (table->AsTable()) {
        object.SetProperties(*table->AsTable());
        vK_ScriptWarnings::UnknownProperties(object, *table->AsTable());
    }
}

void ObjSet(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    if (object && args.Size() >= 2 && lua_type(args.State(), args.StackIndex(1)) == LUA_TTABLE)
        ApplyTable(args.Hub(), args.State(), args.StackIndex(1), *object);
}

// The object named by a pair's first element at index; warns about a name no object
// has, as vK_ApiArgs::Object does (a string always, "" included, as the name of a pair).
vK_Object* PairObject(vK_ScriptHub& hub, lua_State* L, int index, int list, int pair, size_t position) {
    if (lua_type(L, index) == LUA_TSTRING) {
        size_t length = 0;
        const char* text = lua_tolstring(L, index, &length);
        vK_Object* object = hub.NameLookups().Find(position, std::string_view(text, length));
        if (object && !object->IsDead()) return object;
        vK_ScriptWarnings::MissingObject(std::string(text, length));
        return nullptr;
    }
    const std::unique_ptr<vK_Data> name = ConvertWithin(hub, L, index, list, pair);
    vK_Object* object = vK_Object::FindObject(name->ToString());
    if (object && !object->IsDead()) return object;
    if (!name->IsNull()) vK_ScriptWarnings::MissingObject(name->ToString());
    return nullptr;
}

// ObjSet for each {object, properties} pair of the list: the first two elements of the
// array a pair converts to; anything else is skipped.
void ObjMultiSet(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    lua_State* L = args.State();
    vK_ScriptHub& hub = args.Hub();
    const int list = args.StackIndex(0);
    const ArrayReader reader(L);
    size_t position = 0;
    const bool array = !args.Empty() && lua_checkstack(L, 12) && reader.ForEach(list, [&](int pair) {
        if (!reader.PushFirstTwo(pair)) return true;
        const int name = lua_gettop(L) - 1;
        vK_Object* object = PairObject(hub, L, name, list, pair, position++);
        if (object && lua_type(L, name + 1) == LUA_TTABLE) ApplyTable(hub, L, name + 1, *object, list, pair);
        return true;
    });
    if (!array) Log("Error: empty table in ObjMultiSet");
}

// A read of a key ObjGet's table lacks: nil, as for any table, and a warning when the
// object's class has no such property (a typo rather than a key written only sometimes).
int ObjGetIndex(lua_State* L) {
    if (lua_type(L, 1) != LUA_TTABLE || lua_type(L, 2) != LUA_TSTRING) return 0;
    lua_pushliteral(L, "name");
    lua_rawget(L, 1);
    const char* name = lua_tostring(L, -1);
    const vK_Object* object = name ? vK_Object::FindObject(name) : nullptr;
    lua_pop(L, 1);
    size_t length = 0;
    const char* key = lua_tolstring(L, 2, &length);
    if (object && !object->IsDead() && !vK_PropertyCheck::Knows(*object, std::string_view(key, length)))
        vK_ScriptWarnings::UnknownPropertyRead(*object, std::string_view(key, length));
    return 0;
}

// The object's properties as a table that shares a metatable with all of ObjGet's
// tables, which warns about reads of keys no property has. Pushed onto the call's
// stack directly: a result array cannot carry the metatable.
void ObjGet(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    if (!object) return;
    vK_DataTable table;
    object->GetProperties(table, true);
    lua_State* L = args.State();
    if (!args.Hub().PushData(L, &table)) return;
    if (lua_type(L, -1) != LUA_TTABLE || !lua_checkstack(L, 2)) return;
    if (luaL_newmetatable(L, "vk.obj.Get")) {
        lua_pushcfunction(L, &ObjGetIndex);
        lua_setfield(L, -2, "__index");
    }
    lua_setmetatable(L, -2);
}

void ObjAttach(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* child = Object(args, 0);
    vK_Object* parent = Object(args, 1);
    // The object layer refuses roots as children, cycles and dead objects.
    if (child && parent) parent->AddChild(child);
}

void ObjDetach(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    vK_Object* storage = StorageRoot();
    if (object && storage) storage->AddChild(object);
}

void ObjDelete(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    // Roots are refused by Destroy.
    if (vK_Object* object = Object(args, 0)) vK_Object::Destroy(object);
}

bool AnyCornerInside(const float (&ax)[4], const float (&ay)[4], const float (&bx)[4], const float (&by)[4]) {
    for (int i = 0; i < 4; ++i) {
        if (PointInQuad(bx, by, ax[i], ay[i])) return true;
    }
    return false;
}

void ObjIntersect(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
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

void ObjAnimate(const vK_ScriptArgs& args, void*, vK_DataArray&) {
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

void ObjStopAnimate(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    int parameter = 0;
    std::string property;
    if (object && At(args, 1) && ReadParameter(*At(args, 1), parameter, property)) {
        object->StopAnimateProperty(parameter, property);
    }
}

void ObjDoNotDrop(const vK_ScriptArgs&, void*, vK_DataArray&) {
    if (vK_Scene* scene = vK_Scene::Instance()) scene->DoNotDrop();
}

void ObjStopDrag(const vK_ScriptArgs&, void*, vK_DataArray&) {
    if (vK_Scene* scene = vK_Scene::Instance()) scene->StopDrag();
}

void ObjStartDrag(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* object = Object(args, 0);
    if (object && vK_Scene::Instance()) vK_Scene::Instance()->StartDrag(object);
}

void ObjCreate(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* name = At(args, 0);
    const vK_Data* type = At(args, 1);
    vK_Object* storage = StorageRoot();
    if (!name || !type || !storage) return;
    if (vK_Object* object = vK_Object::CreateObject(type->ToString(), name->ToString()))
        storage->AddChild(object);
}

void ObjWaitForMouseUp(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* name = At(args, 0);
    const vK_Data* fn = At(args, 1);
    vK_Scene* scene = vK_Scene::Instance();
    if (!name || !fn || fn->GetTag() != vK_Data::kScriptFunction || !scene) return;
    scene->WaitForMouseUp(name->ToString(), *static_cast<const vK_DataScriptFunction*>(fn));
}

void ObjGetRelations(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    vK_Object* object = Object(args, 0);
    if (!object) return;
    vK_DataTable* table = results.PushTable();
    vK_Object* parent = object->GetParent();
    table->SetString("parent", parent ? parent->GetName() : "null");
    vK_DataArray* childs = table->SetArray("childs");
    for (size_t i = 0; i < object->GetChildCount(false); ++i)
        childs->PushString(object->GetChild(i)->GetName());
}

void ObjClone(const vK_ScriptArgs& args, void*, vK_DataArray&) {
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
      "object's type does not have are ignored with a warning."}},
    {"vk.obj.MultiSet; ObjMultiSet",
     &ObjMultiSet,
     {"pairs: {{object, properties}, ...}",
      "Applies ObjSet to each {object name, properties} pair in order, skipping objects that do not exist; "
      "an empty list logs \"Error: empty table in ObjMultiSet\"."}},
    {"vk.obj.Get; ObjGet",
     &ObjGet,
     {"object: name -> table",
      "Returns every property of the object with its current value, including user_data, draw_width and "
      "draw_height; reading a key no property has from the table gives nil and a warning."}},
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
