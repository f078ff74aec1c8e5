// The property tables of the object classes: Set then Get round trips, the key sets
// and defaults the classes report, conversions, unknown keys, and the order in which
// dependent keys apply.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/data.h"
#include "files/log.h"
#include "scene/grid.h"
#include "scene/object.h"
#include "scene/sprite.h"
#include "scene/text.h"
#include "scene/timer_obj.h"

namespace {

class PropertyTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        vK_Object::RegisterEngineTypes();
        vK_Sprite::RegisterType();
        vK_Text::RegisterType();
        vK_Grid::RegisterType();
        vK_TimerObj::RegisterType();
        logSink = LogSinkSeam().Install([](const std::string& line) {
            Lines().push_back(line);
            return true;
        });
        Lines().clear();
    }
    void TearDown() override {
        logSink.Reset();
        vK_Object::ReleaseAll();
    }
    vK_Seam<vK_LogSink>::Registration logSink;
    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }
    static std::unique_ptr<vK_DataTable> Props(const vK_Object& o, bool full = false) {
        auto t = std::make_unique<vK_DataTable>();
        o.GetProperties(*t, full);
        return t;
    }
    static std::set<std::string> Keys(const vK_DataTable& t) {
        std::set<std::string> keys;
        for (const auto& entry : t) keys.insert(entry.first);
        return keys;
    }
};

const std::vector<std::string> kObjectKeys = {"name",
                                              "pos_x",
                                              "pos_y",
                                              "pos_z",
                                              "ang",
                                              "scale_x",
                                              "scale_y",
                                              "alp",
                                              "color_r",
                                              "color_g",
                                              "color_b",
                                              "blendmode",
                                              "attachtype",
                                              "anim_tag",
                                              "active",
                                              "input",
                                              "visible",
                                              "drag",
                                              "realdrag",
                                              "blur_radius",
                                              "inputrect_init",
                                              "croprect_init",
                                              "drawoff_x",
                                              "drawoff_y",
                                              "event_mdown",
                                              "event_mup",
                                              "event_menter",
                                              "event_mleave",
                                              "event_menter_drag",
                                              "event_mleave_drag",
                                              "event_startdrag",
                                              "event_dragdrop",
                                              "event_drag",
                                              "res"};

std::set<std::string> With(std::vector<std::string> keys, const std::vector<std::string>& more) {
    keys.insert(keys.end(), more.begin(), more.end());
    return {keys.begin(), keys.end()};
}

TEST_F(PropertyTableTest, EveryClassWritesExactlyItsKeys) {
    struct Case {
        const char* type;
        std::vector<std::string> own;
    } cases[] = {
        {"obj", {}},
        {"spr", {"frame"}},
        {"timer", {"infinite", "endtrig", "playing", "time"}},
        {"grid", {"frame", "playing", "endtrig"}},
        {"text",
         {"text",
          "param0",
          "param1",
          "param2",
          "param3",
          "param4",
          "disprawtext",
          "maxwidth",
          "linespacing",
          "fontsize",
          "fonttype",
          "align",
          "align_v",
          "fontcolor_r",
          "fontcolor_g",
          "fontcolor_b",
          "display_shadow",
          "shadow_pos_x",
          "shadow_pos_y",
          "shadow_color_r",
          "shadow_color_g",
          "shadow_color_b",
          "shadow_aplha",
          "display_outline",
          "outline_color_r",
          "outline_color_g",
          "outline_color_b",
          "outline_size",
          "outline_alpha"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        vK_Object* o = vK_Object::CreateObject(c.type, std::string("k_") + c.type);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(Keys(*Props(*o)), With(kObjectKeys, c.own));
        // Full adds the drawn size; user data only when there is some.
        EXPECT_EQ(Keys(*Props(*o, true)), With(kObjectKeys, [&] {
                      auto k = c.own;
                      k.push_back("draw_width");
                      k.push_back("draw_height");
                      return k;
                  }()));
    }
}

TEST_F(PropertyTableTest, NewObjectsReportTheDefaults) {
    struct Case {
        const char* type;
        const char* key;
        const char* value;  // ToString of the value
    } cases[] = {
        {"obj", "pos_x", "0"},          {"obj", "scale_x", "1"},
        {"obj", "scale_y", "1"},        {"obj", "alp", "1"},
        {"obj", "color_b", "1"},        {"obj", "blendmode", "0"},
        {"obj", "attachtype", "0"},     {"obj", "active", "1"},
        {"obj", "input", "1"},          {"obj", "visible", "1"},
        {"obj", "drag", "0"},           {"obj", "realdrag", "0"},
        {"obj", "inputrect_init", "0"}, {"obj", "croprect_init", "0"},
        {"obj", "anim_tag", ""},        {"obj", "res", ""},
        {"spr", "frame", "0"},          {"timer", "time", "0"},
        {"timer", "playing", "0"},      {"timer", "infinite", "0"},
        {"grid", "frame", "0"},         {"grid", "playing", "0"},
        {"text", "maxwidth", "-1"},     {"text", "align", "1"},
        {"text", "align_v", "1"},       {"text", "fontsize", "20"},
        {"text", "linespacing", "1"},   {"text", "fontcolor_g", "1"},
        {"text", "shadow_aplha", "1"},  {"text", "outline_size", "1"},
        {"text", "outline_alpha", "1"}, {"text", "display_shadow", "0"},
        {"text", "disprawtext", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + "." + c.key);
        vK_Object* o = vK_Object::FindObject(std::string("d_") + c.type);
        if (!o) o = vK_Object::CreateObject(c.type, std::string("d_") + c.type);
        const auto t = Props(*o);
        ASSERT_NE(t->Get(c.key), nullptr);
        EXPECT_EQ(t->Get(c.key)->ToString(), c.value);
    }
}

TEST_F(PropertyTableTest, SetThenGetGivesTheSameValues) {
    // Every scalar key of each class set to a value other than its default.
    for (const char* type : {"obj", "spr", "timer", "grid", "text"}) {
        SCOPED_TRACE(type);
        vK_Object* o = vK_Object::CreateObject(type, std::string("r_") + type);
        auto wanted = Props(*o);
        wanted->SetBool("inputrect_init", true);
        wanted->SetBool("croprect_init", true);
        for (const char* k : {"inputrect_x", "inputrect_y", "inputrect_w", "inputrect_h", "croprect_x",
                              "croprect_y", "croprect_w", "croprect_h"})
            wanted->SetFloat(k, 0);
        int n = 0;
        std::vector<std::string> keys;
        for (const auto& entry : *wanted) keys.push_back(entry.first);
        for (const std::string& key : keys) {
            ++n;
            const vK_Data* v = wanted->Get(key);
            // The name renames, the resource loads, and a grid's frame is clamped to
            // the frames it has (none here): they keep their values.
            if (key == "name" || key == "res" || (std::string(type) == "grid" && key == "frame")) continue;
            switch (v->GetTag()) {
                case vK_Data::kFloat:
                    wanted->SetFloat(key, n + 0.25f);
                    break;
                case vK_Data::kInt:
                    wanted->SetInt(key, n);
                    break;
                case vK_Data::kBool:
                    if (key != "inputrect_init" && key != "croprect_init")
                        wanted->SetBool(key, !v->GetBool());
                    break;
                case vK_Data::kString:
                    wanted->SetString(key, "s" + std::to_string(n));
                    break;
                default:
                    break;  // handlers: empty either way
            }
        }
        o->SetProperties(*wanted);
        const auto got = Props(*o);
        EXPECT_EQ(Keys(*got), Keys(*wanted));
        for (const auto& [key, value] : *wanted) {
            SCOPED_TRACE(key);
            ASSERT_NE(got->Get(key), nullptr);
            EXPECT_EQ(got->Get(key)->GetTag(), value->GetTag());
            EXPECT_EQ(got->Get(key)->ToString(), value->ToString());
        }
        EXPECT_TRUE(Lines().empty()) << Lines().front();
    }
}

TEST_F(PropertyTableTest, ScalarKindsAndNumericStringsConvert) {
    struct Case {
        const char* type;
        const char* key;
        vK_Data* value;
        const char* expected;  // ToString of what GetProperties reports
    } cases[] = {
        {"obj", "pos_x", new vK_DataString("12.5"), "12.5"},
        {"obj", "pos_y", new vK_DataInt(7), "7"},
        {"obj", "ang", new vK_DataDouble(-0.5), "-0.5"},
        {"obj", "scale_x", new vK_DataBool(true), "1"},
        {"obj", "blendmode", new vK_DataString("2"), "2"},
        {"obj", "attachtype", new vK_DataFloat(3.9f), "3"},
        {"obj", "visible", new vK_DataString("0"), "0"},
        {"obj", "drag", new vK_DataString("1"), "1"},
        {"obj", "drag", new vK_DataString("true"), "0"},  // a string is its number
        {"obj", "anim_tag", new vK_DataInt(42), "42"},
        {"spr", "frame", new vK_DataString("3"), "3"},
        {"timer", "time", new vK_DataString("2.5"), "2.5"},
        {"timer", "infinite", new vK_DataInt(1), "1"},
        {"text", "maxwidth", new vK_DataString("300"), "300"},
        {"text", "display_outline", new vK_DataString("1"), "1"},
        {"text", "text", new vK_DataInt(5), "5"},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + "." + c.key);
        vK_Object* o = vK_Object::CreateObject(c.type, "c_" + std::to_string(i++));
        vK_DataTable t;
        t.Set(c.key, c.value);
        o->SetProperties(t);
        EXPECT_EQ(Props(*o)->Get(c.key)->ToString(), c.expected);
    }
    EXPECT_TRUE(Lines().empty());
}

TEST_F(PropertyTableTest, OtherKindsLogAndLeaveTheField) {
    struct Case {
        const char* key;
        const char* line;
    } cases[] = {
        {"pos_x", "Error: Can not convert a value of 'pos_x' (Data_Table) to Data_Float"},
        {"blendmode", "Error: Can not convert a value of 'blendmode' (Data_Table) to Data_Int"},
        {"visible", "Error: Can not convert a value of 'visible' (Data_Table) to Data_Bool"},
        {"event_mup", "Error: Can not convert a value of 'event_mup' (Data_Table) to Data_ScriptFunction"},
    };
    vK_Object* o = vK_Object::CreateObject("obj", "bad");
    const auto before = Props(*o);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Lines().clear();
        vK_DataTable t;
        t.SetTable(c.key)->SetInt("x", 1);
        t.SetFloat("pos_y", 4);  // the other keys still apply
        o->SetProperties(t);
        ASSERT_EQ(Lines().size(), 1u);
        EXPECT_EQ(Lines()[0], std::string(c.line) + "\n");
        EXPECT_EQ(Props(*o)->Get(c.key)->ToString(), before->Get(c.key)->ToString());
        EXPECT_EQ(o->GetY(), 4.0f);
    }
}

TEST_F(PropertyTableTest, OnlyThePresentKeysChangeAndUnknownOnesAreIgnored) {
    vK_Object* o = vK_Object::CreateObject("spr", "two");
    vK_DataTable setup;
    setup.SetFloat("pos_x", 1), setup.SetFloat("alp", 0.5f), setup.SetInt("frame", 2);
    o->SetProperties(setup);
    const auto before = Props(*o);
    vK_DataTable t;
    t.SetFloat("pos_x", 5);
    t.SetString("pos_y", "7.5");
    t.SetInt("pos_xx", 9);
    t.SetInt("bogus", 3);
    t.SetInt("draw_width", 99);  // written by a full Get, never read
    o->SetProperties(t);
    const auto after = Props(*o);
    EXPECT_EQ(Keys(*after), Keys(*before));
    for (const auto& [key, value] : *after) {
        SCOPED_TRACE(key);
        if (key == "pos_x")
            EXPECT_EQ(value->ToString(), "5");
        else if (key == "pos_y")
            EXPECT_EQ(value->ToString(), "7.5");
        else
            EXPECT_EQ(value->ToString(), before->Get(key)->ToString());
    }
    EXPECT_TRUE(Lines().empty());
}

TEST_F(PropertyTableTest, RectangleKeysApplyAfterTheirFlagWhateverTheTableOrder) {
    // "inputrect_h" sorts before "inputrect_init" in a table; the flag still comes first.
    vK_Object* o = vK_Object::CreateObject("obj", "rect");
    vK_DataTable ignored;
    ignored.SetFloat("inputrect_h", 3);
    ignored.SetFloat("croprect_h", 3);
    o->SetProperties(ignored);
    EXPECT_EQ(o->GetInputRect().h, 0.0f);
    EXPECT_EQ(Props(*o)->Get("inputrect_h"), nullptr);

    vK_DataTable t;
    t.SetBool("inputrect_init", true);
    t.SetFloat("inputrect_h", 9);
    t.SetFloat("inputrect_w", 8);
    t.SetBool("croprect_init", true);
    t.SetFloat("croprect_h", 6);
    o->SetProperties(t);
    EXPECT_TRUE(o->HasInputRect());
    EXPECT_EQ(o->GetInputRect().h, 9.0f);
    EXPECT_EQ(o->GetInputRect().w, 8.0f);
    EXPECT_EQ(Props(*o)->Get("croprect_h")->GetFloat(), 6.0f);
}

TEST_F(PropertyTableTest, UserDataIsCopiedAndWrittenOnlyInFull) {
    vK_Object* o = vK_Object::CreateObject("obj", "user");
    vK_DataTable t;
    t.SetTable("user_data")->SetString("level", "two");
    o->SetProperties(t);
    EXPECT_EQ(Props(*o)->Get("user_data"), nullptr);
    const auto full = Props(*o, true);
    ASSERT_NE(full->Get("user_data"), nullptr);
    EXPECT_EQ(FindString(full->Get("user_data"), "level", ""), "two");
    vK_DataTable clear;
    clear.SetInt("user_data", 1);  // not a table: no user data
    o->SetProperties(clear);
    EXPECT_EQ(o->GetUserData(), nullptr);
}

}  // namespace
