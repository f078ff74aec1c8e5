// ObjSet and ObjMultiSet from Lua: only the given keys change, numbers arrive as
// numbers or numeric strings, unknown keys and names are ignored.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "files/log.h"
#include "files/log_once.h"
#include "scene/sprite.h"
#include "support/script_scene.h"

namespace {

class ObjSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        vK_Sprite::RegisterType();
        for (const char* name : {"s1", "s2"}) {
            vK_Object* o = vK_Object::CreateObject("spr", name);
            fx.scene->GetLiveRoot()->AddChild(o);
        }
        ASSERT_TRUE(fx.Lua("ObjSet('s1', {pos_x = 1, pos_y = 2, alp = 0.5, frame = 3})"));
    }
    static std::unique_ptr<vK_DataTable> Props(const char* name) {
        auto t = std::make_unique<vK_DataTable>();
        vK_Object::FindObject(name)->GetProperties(*t, false);
        return t;
    }
    ScriptSceneFixture fx;
};

TEST_F(ObjSetTest, TwoKeysChangeOnlyThoseTwo) {
    const auto before = Props("s1");
    ASSERT_TRUE(fx.Lua("ObjSet('s1', {pos_x = -3.5, pos_y = '40', nonsense = 1, [7] = 2})"));
    const auto after = Props("s1");
    for (const auto& [key, value] : *after) {
        SCOPED_TRACE(key);
        if (key == "pos_x")
            EXPECT_EQ(value->GetFloat(), -3.5f);
        else if (key == "pos_y")
            EXPECT_EQ(value->GetFloat(), 40.0f);
        else
            EXPECT_EQ(value->ToString(), before->Get(key)->ToString());
    }
}

TEST_F(ObjSetTest, MultiSetAppliesEachPairAndSkipsUnknownNames) {
    ASSERT_TRUE(fx.Lua(
        "ObjMultiSet({{'s1', {pos_x = 10}}, {'nobody', {pos_x = 5}}, {'s2', {pos_y = 20.25, visible = 0}},"
        " {'s1', {pos_y = 11}}})"));
    vK_Object* s1 = vK_Object::FindObject("s1");
    vK_Object* s2 = vK_Object::FindObject("s2");
    EXPECT_EQ(s1->GetX(), 10.0f);
    EXPECT_EQ(s1->GetY(), 11.0f);
    EXPECT_EQ(s2->GetX(), 0.0f);
    EXPECT_EQ(s2->GetY(), 20.25f);
    EXPECT_FALSE(s2->IsVisible());
    // A pair list written with explicit indices out of order still pairs name and table.
    ASSERT_TRUE(fx.Lua("ObjMultiSet({[2] = {[2] = {pos_x = 7}, [1] = 's2'}, [1] = {'s1', {pos_x = 8}}})"));
    EXPECT_EQ(s1->GetX(), 8.0f);
    EXPECT_EQ(s2->GetX(), 7.0f);
}

// Every shape of argument, read where it lies, comes out as its data conversion reads: a
// table whose first key is no string is the array of its values, number keys ascending,
// then the other keys; a pair is the first two elements of that array. Objects "o" and
// "5" start at 0, 0; each row gives both positions afterwards and a line the log must hold
// ("" for none). The rows run in order on the same two objects.
TEST_F(ObjSetTest, EveryArgumentShapeReadsAsItsConversion) {
    for (const char* name : {"o", "5"})
        fx.scene->GetLiveRoot()->AddChild(vK_Object::CreateObject("spr", name));
    struct Row {
        const char* code;
        const char* positions;  // "o.x o.y 5.x 5.y"
        const char* log;
    };
    const Row rows[] = {
        {"ObjSet('o', {pos_x = 2.5, pos_y = '4.5'})", "2.5 4.5 0 0", ""},
        {"ObjSet(5, {pos_x = 2})", "2.5 4.5 2 0", ""},
        // First key 1: an array, no property table.
        {"ObjSet('o', {5, pos_x = 9})", "2.5 4.5 2 0", ""},
        {"ObjSet('o', setmetatable({pos_y = 3}, {__index = function() return 1 end}))", "2.5 3 2 0", ""},
        {"ObjSet('o', 5); ObjSet('o'); ObjSet('o', debug.getregistry())", "2.5 3 2 0", ""},
        {"ObjSet('nobody', {pos_x = 1})", "2.5 3 2 0", "no object is named \"nobody\""},
        {"ObjMultiSet({{'o', {pos_x = 1}}, {'5', {pos_y = 2}}})", "1 3 2 2", ""},
        {"ObjMultiSet({{5, {pos_x = 3}}})", "1 3 3 2", ""},
        {"ObjMultiSet({{[2] = {pos_x = 4}, [1] = 'o'}})", "4 3 3 2", ""},
        // Key 0 comes first: name '5', properties 'o' (no table).
        {"ObjMultiSet({{[0] = '5', 'o', {pos_x = 5}}})", "4 3 3 2", ""},
        {"ObjMultiSet({{[-1] = '5', [0.5] = 'o', [1] = 'o', [2] = {pos_x = 5}}})", "4 3 3 2", ""},
        // 1.5 sorts between 1 and 2.
        {"ObjMultiSet({{[1.5] = {pos_x = 9}, 'o', {pos_x = 5}}})", "9 3 3 2", ""},
        {"ObjMultiSet({{'o', {pos_x = 6}, extra = 1}})", "6 3 3 2", ""},
        {"ObjMultiSet({{name = 'o'}, 'o', {}, {'o', 7}, {'o'}})", "6 3 3 2", ""},
        // Other keys of the list follow its number keys.
        {"ObjMultiSet({{'o', {pos_x = 8}}, extra = {'5', {pos_x = 9}}})", "8 3 9 2", ""},
        {"ObjMultiSet({[2] = {'o', {pos_x = 2}}, [1] = {'o', {pos_x = 1}}})", "2 3 9 2", ""},
        {"ObjMultiSet({{'nobody', {pos_x = 1}}, {'o', {pos_y = 1}}})", "2 1 9 2",
         "no object is named \"nobody\""},
        {"ObjMultiSet({})", "2 1 9 2", "Error: empty table in ObjMultiSet"},
        {"ObjMultiSet({x = {'o', {pos_x = 5}}})", "2 1 9 2", "Error: empty table in ObjMultiSet"},
        {"ObjMultiSet(5)", "2 1 9 2", "Error: empty table in ObjMultiSet"},
        {"ObjMultiSet()", "2 1 9 2", "Error: empty table in ObjMultiSet"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        ResetLogOnce();
        vK_LogCapture log;
        ASSERT_TRUE(fx.Lua(row.code));
        EXPECT_EQ(
            fx.Eval("ObjGet('o').pos_x .. ' ' .. ObjGet('o').pos_y .. ' ' .. ObjGet('5').pos_x .. ' ' .. "
                    "ObjGet('5').pos_y"),
            row.positions);
        if (*row.log) {
            EXPECT_TRUE(log.Contains(row.log)) << log.Text();
        } else {
            EXPECT_EQ(log.Text(), "");
        }
    }
}

// A property table's keys are those of its conversion whether it is read in place or
// converted (a table value sends it to the conversion): number keys become their text,
// which names no property and is warned about; other keys are left out silently. Each
// row's table t traverses a string key first (the assertion checks it), sets pos_x to
// the row's number and gets the row's key.
TEST_F(ObjSetTest, NumberKeysAreWarnedAboutWhetherReadInPlaceOrConverted) {
    struct Row {
        const char* table;
        const char* key;
        const char* log;  // "" for none
    };
    const Row rows[] = {
        {"{pos_x = 1, visible = 1}", "7", "has no property \"7\""},
        {"{pos_x = 2, visible = 1, user_data = {}}", "7", "has no property \"7\""},
        {"{pos_x = 3, visible = 1}", "0.25", "has no property \"0.25\""},
        {"{pos_x = 4, visible = 1, user_data = {}}", "-2", "has no property \"-2\""},
        {"{pos_x = 5, visible = 1}", "true", ""},
        {"{pos_x = 6, visible = 1, user_data = {}}", "true", ""},
    };
    int x = 0;
    for (const Row& row : rows) {
        const std::string code = std::string("local t = ") + row.table + "; t[" + row.key +
                                 "] = 1; assert(type(next(t)) == 'string'); ObjSet('s1', t)";
        SCOPED_TRACE(code);
        ResetLogOnce();
        vK_LogCapture log;
        ASSERT_TRUE(fx.Lua(code));
        EXPECT_EQ(vK_Object::FindObject("s1")->GetX(), static_cast<float>(++x));
        if (*row.log) {
            EXPECT_TRUE(log.Contains(row.log)) << log.Text();
        } else {
            EXPECT_EQ(log.Text(), "");
        }
    }
}

// Tables converted apart from the list and pair holding them still see those as being
// converted: a reference back to the pair becomes nil, as in the whole list's conversion.
TEST_F(ObjSetTest, ValuesConvertedFromAPairKeepTheirPlaceInTheList) {
    ASSERT_TRUE(fx.Lua("local p = {'s1', {user_data = {k = 1}}}; p[2].user_data.back = p; ObjMultiSet({p})"));
    EXPECT_EQ(fx.Eval("ObjGet('s1').user_data.k"), "1");
    EXPECT_EQ(fx.Eval("tostring(ObjGet('s1').user_data.back)"), "nil");
    ASSERT_TRUE(fx.Lua("ObjSet('s2', {user_data = {a = 1, b = {2, 3}}})"));
    EXPECT_EQ(fx.Eval("ObjGet('s2').user_data.b[2]"), "3");
}

// ObjGet's table warns about reads of unknown keys also when read inside a coroutine.
TEST_F(ObjSetTest, GetWarnsAboutUnknownKeysOnEveryThread) {
    ResetLogOnce();
    vK_LogCapture log;
    ASSERT_TRUE(fx.Lua("coroutine.wrap(function() local v = ObjGet('s1').pos_q; assert(v == nil) end)()"));
    EXPECT_TRUE(log.Contains("pos_q")) << log.Text();
    EXPECT_EQ(fx.Eval("ObjGet('s1').pos_x"), "1");
}

// Writing the values a sprite already has keeps its cached transform; a change marks
// it again, and the next draw state follows the new value.
TEST_F(ObjSetTest, UnchangedTransformValuesKeepTheCachedMatrix) {
    vK_Object* o = vK_Object::FindObject("s2");
    ASSERT_TRUE(fx.Lua("ObjSet('s2', {pos_x = 5, ang = 0})"));
    o->ComputeDrawState(vK_DrawParams());
    EXPECT_FALSE(o->IsTransformDirty());
    ASSERT_TRUE(fx.Lua("ObjSet('s2', {pos_x = 5, alp = 0.5}); ObjMultiSet({{'s2', {pos_y = 0}}})"));
    EXPECT_FALSE(o->IsTransformDirty());
    ASSERT_TRUE(fx.Lua("ObjMultiSet({{'s2', {pos_y = 7}}})"));
    EXPECT_TRUE(o->IsTransformDirty());
    const vK_DrawParams state = o->ComputeDrawState(vK_DrawParams());
    EXPECT_EQ(state.matrix.m[12], 5.0f);  // m41, m42: the translation
    EXPECT_EQ(state.matrix.m[13], 7.0f);
}

}  // namespace
