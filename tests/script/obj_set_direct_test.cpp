// ObjSet and ObjMultiSet read script tables in place where they can; every table and
// list shape must come out as the general path (convert to data, then SetProperties)
// makes it: same properties, same log lines.
#include <gtest/gtest.h>

#include <string>

#include "data/json.h"
#include "files/log.h"
#include "files/log_once.h"
#include "scene/sprite.h"
#include "script/script_api.h"
#include "support/script_scene.h"

namespace {

class ObjSetDirectTest : public ::testing::Test {
protected:
    void SetUp() override {
        vK_Sprite::RegisterType();
        // The same natives without their direct reading: the general path.
        for (const vK_ScriptApiEntry& e : ScriptApiObjects()) {
            const std::string names = e.names;
            if (names == "vk.obj.Set; ObjSet") fx.hub.RegisterFunction("GeneralSet", e.function, nullptr);
            if (names == "vk.obj.MultiSet; ObjMultiSet")
                fx.hub.RegisterFunction("GeneralMultiSet", e.function, nullptr);
        }
    }

    // Runs code with S and M bound to one path on fresh objects "o" and "5" of type;
    // returns both objects' full property tables, their first handler's state and the log.
    std::string Outcome(const char* type, const std::string& code, bool direct) {
        vK_Object* objects[2];
        const char* names[2] = {"o", "5"};
        for (int i = 0; i < 2; ++i) {
            objects[i] = vK_Object::CreateObject(type, names[i]);
            fx.scene->GetLiveRoot()->AddChild(objects[i]);
        }
        const std::string bind =
            direct ? "S, M = ObjSet, ObjMultiSet; " : "S, M = GeneralSet, GeneralMultiSet; ";
        std::string out;
        // The same chunk on both paths, and warnings counted afresh, so that the two
        // paths' warnings (which name the chunk and line) compare too.
        EXPECT_TRUE(fx.Lua(bind));
        ResetLogOnce();
        {
            vK_LogCapture log;
            EXPECT_TRUE(fx.Lua(code)) << code;
            out = log.Text();
        }
        for (vK_Object* o : objects) {
            vK_DataTable props;
            o->GetProperties(props, true);
            std::string json;
            WriteJson(&props, json, true);
            out += "\n" + json +
                   (o->GetHandler(vK_Object::kEventMouseDown).IsEmpty() ? " mdown empty" : " mdown set");
            vK_Object::Destroy(o);
        }
        vK_Object::FlushGraveyard();
        return out;
    }

    void ExpectSame(const char* type, const std::string& code) {
        SCOPED_TRACE(std::string(type) + ": " + code);
        EXPECT_EQ(Outcome(type, code, true), Outcome(type, code, false));
    }

    ScriptSceneFixture fx;
};

// One table per property kind and value type, and the shapes the conversion treats
// specially (arrays, empty tables, tables, functions, threads, metatables).
TEST_F(ObjSetDirectTest, SetGivesTheGeneralResultForEveryKindAndValue) {
    const char* const tables[] = {
        "{pos_x = 2.5, pos_y = -2.5, pos_z = 3, ang = 1e40, scale_x = 0/0, scale_y = '4.5'}",
        "{pos_x = 2^31, pos_y = -2^31 - 1, ang = 1e-40, alp = -0.0, color_b = 1/0}",
        "{blendmode = 2.7, attachtype = '3', anim_tag = 5, visible = 0, input = '1', drag = true, active = "
        "false}",
        "{blendmode = 'x', realdrag = 'true', anim_tag = string.rep('long text ', 8)}",
        "{alp = {}, color_g = 0.25}",
        "{color_r = print, color_g = 0.25}",
        "{pos_x = coroutine.create(function() end), pos_y = 1}",
        "{event_mdown = 'Rec(1)', event_mup = function() end, event_drag = 7}",
        "{event_mdown = function() end}",
        "{event_mdown = 'this is no lua'}",
        "{name = 'renamed', res = ''}",
        "{user_data = {a = 1, b = {2, 3}}}",
        "{user_data = 5}",
        "{inputrect_x = 5, inputrect_init = 1, inputrect_w = 7}",
        "{inputrect_x = 5}",
        "{croprect_init = true, croprect_h = 3, croprect_y = 'nan'}",
        "{batch = 1, draw_width = 5, draw_height = 6, nonsense = {}}",
        "{frame = 2, pos_x = 1}",
        "{frame = 2.9, res = 7}",
        "{}",
        "{1, 2}",
        "{[1] = 5, pos_x = 9}",
        "{pos_x = 9, [1.5] = 5, [true] = 1}",
        "setmetatable({pos_y = 3}, {__index = function() return 1 end})",
    };
    for (const char* type : {"obj", "spr"}) {
        for (const char* table : tables) ExpectSame(type, std::string("S('o', ") + table + ")");
    }
    // Not tables, unknown and numeric names: the general path throughout.
    ExpectSame("spr", "S('o', 5); S('nobody', {pos_x = 1}); S(5, {pos_x = 2}); S('o')");
}

// Pair and list shapes: the general conversion makes an array of a table's values with
// the number keys ascending first, and skips what is not a pair.
TEST_F(ObjSetDirectTest, MultiSetGivesTheGeneralResultForEveryListShape) {
    const char* const lists[] = {
        "{{'o', {pos_x = 1}}, {'5', {pos_y = 2}}}",
        "{{5, {pos_x = 3}}}",
        "{{[2] = {pos_x = 4}, [1] = 'o'}}",
        "{{[0] = '5', 'o', {pos_x = 5}}}",
        "{{[-1] = '5', [0.5] = 'o', [1] = 'o', [2] = {pos_x = 5}}}",
        "{{[1.5] = {pos_x = 9}, 'o', {pos_x = 5}}}",
        "{{'o', {pos_x = 6}, extra = 1}}",
        "{{name = 'o'}, 'o', {}, {'o', 7}, {'o'}}",
        "{{'o', {pos_x = 8}}, extra = {'5', {pos_x = 9}}}",
        "{[2] = {'o', {pos_x = 2}}, [1] = {'o', {pos_x = 1}}}",
        "{{'o', {name = '5'}}, {'5', {pos_x = 10}}}",
        "{{'o', {pos_x = 1}}, {'o', {pos_y = 2, user_data = {k = 1}}}}",
        "{}",
        "{x = 1}",
        "5",
    };
    for (const char* list : lists) {
        ExpectSame("spr", std::string("M(") + list + ")");
        ExpectSame("obj", std::string("M(") + list + ")");
    }
    // Remembered lookups must follow deletions, renames and new objects between calls.
    ExpectSame("spr",
               "local l = {{'o', {pos_x = 1}}, {'5', {pos_x = 2}}}; M(l); ObjSet('5', {name = 'x'}); M(l);"
               " ObjCreate('5', 'obj'); M(l); ObjDelete('o'); M(l)");
}

// Writing the values a sprite already has keeps its cached transform; a change marks
// it again, and the next draw state follows the new value.
TEST_F(ObjSetDirectTest, UnchangedTransformValuesKeepTheCachedMatrix) {
    vK_Object* o = vK_Object::CreateObject("spr", "o");
    fx.scene->GetLiveRoot()->AddChild(o);
    ASSERT_TRUE(fx.Lua("ObjSet('o', {pos_x = 5, ang = 0})"));
    o->ComputeDrawState(vK_DrawParams());
    EXPECT_FALSE(o->IsTransformDirty());
    ASSERT_TRUE(fx.Lua("ObjSet('o', {pos_x = 5, alp = 0.5}); ObjMultiSet({{'o', {pos_y = 0}}})"));
    EXPECT_FALSE(o->IsTransformDirty());
    ASSERT_TRUE(fx.Lua("ObjMultiSet({{'o', {pos_y = 7}}})"));
    EXPECT_TRUE(o->IsTransformDirty());
    const vK_DrawParams state = o->ComputeDrawState(vK_DrawParams());
    EXPECT_EQ(state.matrix.m[12], 5.0f);  // m41, m42: the translation
    EXPECT_EQ(state.matrix.m[13], 7.0f);
}

}  // namespace
