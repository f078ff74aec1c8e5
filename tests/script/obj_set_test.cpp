// ObjSet and ObjMultiSet from Lua: only the given keys change, numbers arrive as
// numbers or numeric strings, unknown keys and names are ignored.
#include <gtest/gtest.h>

#include <memory>

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

}  // namespace
