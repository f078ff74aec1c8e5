// QueueHandler: the one way objects call scripts, through the hooks the script host
// installs; nothing without a host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/frame_info.h"
#include "data/data.h"
#include "scene/object.h"
#include "scene/timer_obj.h"
#include "script/script_hub.h"

namespace {

struct Compiled : vK_ScriptInterface {
    bool IsEmpty() const override { return false; }
};

std::vector<std::string> g_queued;

class QueueHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_queued.clear();
        vK_Object::RegisterEngineTypes();
        vK_TimerObj::RegisterType();
    }
    void TearDown() override {
        hooks_.Reset();
        vK_Object::ReleaseAll();
    }
    void InstallRecorder() {
        vK_ObjectScriptHooks hooks;
        hooks.queue = [](const vK_DataScriptFunction&, const std::string& sender) {
            g_queued.push_back(sender);
            return true;
        };
        hooks_ = vK_Object::ScriptHookSeam().Install(hooks);
    }
    vK_Seam<vK_ObjectScriptHooks>::Registration hooks_;
};

TEST_F(QueueHandlerTest, WithoutAHostNothingIsQueuedOrCompiled) {
    hooks_ = vK_Object::ScriptHookSeam().Install({});  // over any host
    vK_DataScriptFunction handler(std::make_shared<Compiled>());
    EXPECT_FALSE(vK_Object::QueueHandler(handler, "a"));
    EXPECT_EQ(vK_Object::CompileHandler("x = 1"), nullptr);
    // Handler text given as a property becomes an empty handler.
    vK_Object* o = vK_Object::CreateObject("obj", "nohost");
    vK_DataTable t;
    t.SetString("event_mdown", "x = 1");
    o->SetProperties(t);
    EXPECT_TRUE(o->GetHandler(vK_Object::kEventMouseDown).IsEmpty());
    EXPECT_FALSE(o->QueueEvent(vK_Object::kEventMouseDown));
}

TEST_F(QueueHandlerTest, EventsAndTimerEndsGoThroughTheInstalledHook) {
    InstallRecorder();
    vK_Object* o = vK_Object::CreateObject("obj", "button");
    o->SetHandler(vK_Object::kEventMouseUp, vK_DataScriptFunction(std::make_shared<Compiled>()));
    EXPECT_TRUE(o->QueueEvent(vK_Object::kEventMouseUp));
    // An empty handler never reaches the host.
    EXPECT_FALSE(o->QueueEvent(vK_Object::kEventMouseDown));
    EXPECT_FALSE(o->QueueEvent(vK_Object::kEventCount));

    auto* timer = static_cast<vK_TimerObj*>(vK_Object::CreateObject("timer", "clock"));
    vK_DataTable t;
    t.SetFloat("time", 0.5f);
    t.SetBool("playing", true);
    t.Set("endtrig", new vK_DataScriptFunction(std::make_shared<Compiled>()));
    timer->SetProperties(t);
    timer->Tick(vK_FrameInfo{0.25f, 0.25f, 0});
    timer->Tick(vK_FrameInfo{0.25f, 0.5f, 0});
    timer->Tick(vK_FrameInfo{0.25f, 0.75f, 0});
    EXPECT_EQ(g_queued, (std::vector<std::string>{"button", "clock"}));
}

TEST_F(QueueHandlerTest, TheScriptHostInstallsAndRemovesItsHooks) {
    {
        vK_ScriptHub hub;
        vK_Object* o = vK_Object::CreateObject("obj", "hosted");
        vK_DataTable t;
        t.SetString("event_mdown", "seen = vk_params.sender");
        o->SetProperties(t);
        EXPECT_TRUE(o->QueueEvent(vK_Object::kEventMouseDown));
        EXPECT_EQ(hub.GetDeferredCount(), 1u);
        hub.RunDeferredHandlers();
        EXPECT_EQ(hub.GetGlobal("seen")->ToString(), "hosted");
    }
    // The host is gone: its hooks went with it.
    vK_DataScriptFunction handler(std::make_shared<Compiled>());
    EXPECT_FALSE(vK_Object::QueueHandler(handler, "late"));
}

}  // namespace
