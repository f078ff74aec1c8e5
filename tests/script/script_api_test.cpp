#include "script/script_api.h"

#include <gtest/gtest.h>

#include "core/listener_base.h"
#include "core/mediator.h"
#include "data/config.h"
#include "data/string_table.h"
#include "files/log.h"
#include "graphics/resource_manager.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "support/script_scene.h"

namespace {
using Records = std::vector<ScriptSceneFixture::Record>;

class ScriptApi : public ::testing::Test, public ScriptSceneFixture {
protected:
    vK_Mediator mediator;
};
}  // namespace

TEST_F(ScriptApi, AliasesAreTheSameFunctions) {
    const char* pairs[][2] = {
        {"vk.msg.Send", "MsgSend"},
        {"vk.msg.Send", "SendMessage"},
        {"vk.obj.Set", "ObjSet"},
        {"vk.obj.Clone", "ObjClone"},
        {"vk.obj.WaitForMouseUp", "ObjWaitForMouseUp"},
        {"vk.dbg.Trace", "DbgTrace"},
        {"vk.mod.Load", "ModLoad"},
        {"vk.strings.Get", "StringGet"},
        {"vk.GetEngineVersion", "GetEngineVersion"},
        {"vk.EnableStartScreens", "EnableStartScreens"},
    };
    for (const auto& p : pairs)
        EXPECT_EQ(Eval(std::string("rawequal(") + p[0] + ", " + p[1] + ")"), "true") << p[1];
    EXPECT_EQ(Eval("type(vk.config.GetData)"), "function");
    EXPECT_EQ(Eval("type(vk.mod.LoadInstance)"), "function");
    EXPECT_EQ(Eval("type(vk.dbg.Quit)"), "function");
}

TEST_F(ScriptApi, EngineQueries) {
    EXPECT_EQ(Eval("GetEngineVersion()"), "1.4.198.Dec 24 2015");
    EXPECT_EQ(Eval("GetPlatform()"), "pc");
    EXPECT_EQ(Eval("IsEditor()"), "false");
    EXPECT_EQ(Eval("EnableStartScreens()"), "true");
    EXPECT_EQ(Eval("vk.GetNumDrawCalls()"), "0");
}

TEST_F(ScriptApi, ConfigStringsAndTextureSwitch) {
    auto root = std::make_shared<vK_DataTable>();
    root->SetTable("game")->SetInt("lives", 3);
    vK_Config config(root);
    EXPECT_EQ(Eval("vk.config.GetData('game.lives')"), "3");
    EXPECT_EQ(Eval("select('#', vk.config.GetData('game.none'))"), "0");
    EXPECT_EQ(Eval("vk.config.GetData('game').lives"), "3");
    vK_StringTable strings;
    strings.Set("hello", "Hello");
    EXPECT_EQ(Eval("StringGet('hello')"), "Hello");
    vK_ResourceManager resources;
    ASSERT_TRUE(Lua("vk.LoadTexturesInThread(true)"));
    EXPECT_TRUE(resources.GetLoadInThread());
}

TEST_F(ScriptApi, TraceWritesTextLiterally) {
    vK_LogCapture log;
    ASSERT_TRUE(Lua("DbgTrace('100%s done %d')"));
    EXPECT_EQ(log.Text(), "100%s done %d");
}

TEST_F(ScriptApi, EmptyArgumentMessages) {
    vK_LogCapture log;
    ASSERT_TRUE(Lua("ObjMultiSet(); vk.config.GetData()"));
    EXPECT_TRUE(log.Contains("Error: empty table in ObjMultiSet"));
    EXPECT_TRUE(log.Contains("Error: empty key in vk.config.GetData"));
}

TEST_F(ScriptApi, UnknownObjectsAndMissingArgumentsDoNothing) {
    MakeObject("a", 0, 0, 10, 10);
    vK_LogCapture log;
    ASSERT_TRUE(
        Lua("ObjSet('nobody', {pos_x = 1}); ObjSet('a'); ObjAttach('a'); ObjDelete();"
            "ObjAnimate('a', 'alp', 0, 0, nil); ObjAnimate('nobody', 'alp', 0, 0, nil, {0, 0, 1});"
            "ObjClone('a'); ObjStartDrag('nobody'); ObjGetRelations('nobody')"));
    EXPECT_EQ(Eval("select('#', ObjGet('nobody'))"), "0");
    EXPECT_EQ(Eval("ObjIntersect('a', 'nobody')"), "false");
    // Nothing happens but one warning for each call that names "nobody"; missing
    // arguments name nothing and say nothing.
    EXPECT_EQ(log.Count(), 6) << log.Text();
    for (const char* fn :
         {"ObjSet", "ObjAnimate", "ObjStartDrag", "ObjGetRelations", "ObjGet", "ObjIntersect"})
        EXPECT_TRUE(log.Contains(std::string(":1: ") + fn + ": no object is named \"nobody\"")) << fn;
    EXPECT_EQ(scene->GetDragged(), nullptr);
}

TEST_F(ScriptApi, MultiSetSkipsUnknownObjects) {
    MakeObject("a", 0, 0, 10, 10);
    MakeObject("b", 0, 0, 10, 10);
    ASSERT_TRUE(Lua("ObjMultiSet({{'a', {pos_x = 3}}, {'ghost', {pos_x = 4}}, {'b', {pos_y = 5}}})"));
    EXPECT_FLOAT_EQ(vK_Object::FindObject("a")->GetX(), 3.0f);
    EXPECT_FLOAT_EQ(vK_Object::FindObject("b")->GetY(), 5.0f);
}

TEST_F(ScriptApi, AnimateFadesAndCallsHandlerOnce) {
    vK_Object* a = MakeObject("a", 0, 0, 10, 10);
    ASSERT_TRUE(
        Lua("ObjAnimate('a', 'alp', 0, 0, function(p) Rec('faded', p.sender) end, {0, 0, 1, 1, 0, 0})"));
    Frame(0.5f);
    EXPECT_NEAR(a->GetOwnParams().alpha, 0.5f, 0.001f);
    Frame(0.6f);
    Frame(0.1f);
    EXPECT_FLOAT_EQ(a->GetOwnParams().alpha, 0.0f);
    EXPECT_EQ(Take(), (Records{{"faded", "a"}}));
}

TEST_F(ScriptApi, AnimateWithEasingFromScript) {
    vK_Object* a = MakeObject("a", 0, 0, 10, 10);
    ASSERT_TRUE(
        Lua("ObjAnimate('a', 'pos_x', 0, 0, nil, {0, 0, 0, 1, 1, 100});"
            "ObjAnimate('a', 'pos_y', 0, 0, nil, {0, 0, 0, 1, 2, 100});"
            "ObjAnimate('a', 'scale_xy', 0, 0, nil, {0, 0, 0, 0, 1, 3, 100, 100})"));
    Frame(0.5f);
    EXPECT_NEAR(a->GetX(), 29.29f, 0.01f);
    EXPECT_NEAR(a->GetY(), 70.71f, 0.01f);
    EXPECT_NEAR(a->GetScaleX(), 50.0f, 0.01f);
    EXPECT_NEAR(a->GetScaleY(), 50.0f, 0.01f);
}

TEST_F(ScriptApi, AnimateParameterTwoEndsAndUnknownNumberIgnored) {
    vK_Object* a = MakeObject("a", 0, 0, 10, 10);
    ASSERT_TRUE(Lua("ObjAnimate('a', 2, 0, 0, 'Rec(\"end2\", vk_params.sender)', {0, 0, 5})"));
    ASSERT_TRUE(Lua("ObjAnimate('a', 14, 0, 0, 'Rec(\"end14\", vk_params.sender)', {0, 0, 5})"));
    ASSERT_TRUE(Lua("ObjAnimate('a', 13, 0, 0, 'Rec(\"end13\", vk_params.sender)', {0, 0, 5})"));
    ASSERT_TRUE(Lua("ObjAnimate('a', -1, 0, 0, 'Rec(\"endm1\", vk_params.sender)', {0, 0, 5})"));
    EXPECT_EQ(a->GetAnimations().Count(), 1u);
    Frame();
    Frame();
    EXPECT_EQ(Take(), (Records{{"end2", "a"}}));
}

TEST_F(ScriptApi, AnimateByNameAndStop) {
    vK_Object* a = MakeObject("a", 0, 0, 10, 10);
    ASSERT_TRUE(Lua("ObjAnimate('a', 'blur_radius', 1, 1, nil, {0, 0, 0, 1, 0, 4})"));
    ASSERT_TRUE(Lua("ObjAnimate('a', 'pos_x', 1, 1, nil, {0, 0, 0, 1, 0, 4})"));
    EXPECT_EQ(a->GetAnimations().Count(), 2u);
    ASSERT_TRUE(Lua("ObjStopAnimate('a', 'blur_radius'); ObjStopAnimate('a', 0)"));
    EXPECT_EQ(a->GetAnimations().Count(), 0u);
}

TEST_F(ScriptApi, CloneWithoutParentIsParkedInStorage) {
    vK_Object* btn = MakeObject("btn", 0, 0, 10, 10);
    MakeObject("child", 0, 0, 5, 5, "", btn);
    MakeObject("panel", 0, 0, 50, 50);
    ASSERT_TRUE(Lua("ObjClone('btn', '_2', 1, 'panel'); ObjClone('btn', '_3', 0)"));
    vK_Object* two = vK_Object::FindObject("btn_2");
    vK_Object* three = vK_Object::FindObject("btn_3");
    ASSERT_TRUE(two && three);
    EXPECT_EQ(two->GetParent(), vK_Object::FindObject("panel"));
    EXPECT_EQ(two->GetChildCount(false), 1u);
    EXPECT_EQ(two->GetChild(0)->GetName(), "child_2");
    EXPECT_EQ(three->GetParent(), scene->GetStorageRoot());
    EXPECT_EQ(three->GetChildCount(false), 0u);
}

TEST_F(ScriptApi, IntersectUsesWorldRectangles) {
    MakeObject("a", 0, 0, 10, 10);
    MakeObject("b", 5, 5, 10, 10);
    MakeObject("c", 20, 20, 10, 10);
    MakeObject("big", -100, -100, 300, 300);
    Move(0, 0);  // one hit-test pass computes the world matrices
    EXPECT_EQ(Eval("ObjIntersect('a', 'b')"), "true");
    EXPECT_EQ(Eval("ObjIntersect('a', 'c')"), "false");
    EXPECT_EQ(Eval("ObjIntersect('a', 'big')"), "true");  // contained: corners of a inside big
    EXPECT_EQ(Eval("ObjIntersect('big', 'a')"), "true");
}

namespace {
class Answering : public vK_ListenerBase {
public:
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override {
        if (&id == vK_Mediator::Instance()->GetMessageId("Request_Test_Answer"))
            payload->SetString("answer", "yes");
    }
};
}  // namespace

TEST_F(ScriptApi, MessagesSendReturnsWhatReceiversWrote) {
    EXPECT_EQ(Eval("next(MsgSend('Request_Nobody_Answers'))"), "nil");
    Answering answering;
    mediator.Subscribe(*mediator.GetMessageId("Request_Test_Answer"), &answering);
    EXPECT_EQ(Eval("MsgSend('Request_Test_Answer', {q = 1}).answer"), "yes");
    ASSERT_TRUE(
        Lua("got = nil; function onMsg(name, t) got = t.v end; MsgSubscribe('Event_Test', onMsg);"
            "MsgSend('Event_Test', {v = 3})"));
    EXPECT_EQ(Eval("got"), "3");
    ASSERT_TRUE(Lua("got = nil; MsgUnsubscribe('Event_Test', onMsg); MsgSend('Event_Test', {v = 4})"));
    EXPECT_EQ(Eval("got"), "nil");
}
