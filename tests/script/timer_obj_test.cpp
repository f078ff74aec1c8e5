#include "scene/timer_obj.h"

#include <gtest/gtest.h>

#include "core/frame_info.h"
#include "data/data.h"
#include "script/script_hub.h"

namespace {

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        vK_TimerObj::RegisterType();
        origin = vK_Object::CreateObject("obj", "vk_origin");
        origin->SetRoot(true);
        origin->EnterScene();
    }
    void TearDown() override { vK_Object::ReleaseAll(); }
    vK_TimerObj* MakeTimer(const char* name, float time, bool infinite) {
        auto* timer = static_cast<vK_TimerObj*>(vK_Object::CreateObject("timer", name));
        origin->AddChild(timer);
        vK_DataTable props;
        props.SetFloat("time", time);
        props.SetBool("playing", true);
        props.SetBool("infinite", infinite);
        props.SetString("endtrig", "fired = (fired or 0) + 1; sender = vk_params.sender");
        timer->SetProperties(props);
        return timer;
    }
    int Fired() {
        auto value = hub.GetGlobal("fired");
        return value ? value->GetInt() : 0;
    }
    void Step(float dt) {
        hub.RunDeferredHandlers();
        origin->Update(vK_FrameInfo{dt, dt, 0});
    }

    vK_ScriptHub hub;
    vK_Object* origin = nullptr;
};

}  // namespace

TEST_F(TimerTest, Countdown_FiresItsHandlerExactlyOnceThenStops) {
    vK_TimerObj* timer = MakeTimer("t", 2.0f, false);
    EXPECT_EQ(vK_Object::CreateObject("timer", "x")->GetType(), "timer");
    for (int i = 0; i < 3; ++i) Step(0.5f);  // 1.5 s
    hub.RunDeferredHandlers();
    EXPECT_EQ(Fired(), 0);
    EXPECT_TRUE(timer->IsPlaying());
    Step(0.5f);  // reaches 0: queued, runs with the next frame's handlers
    EXPECT_EQ(Fired(), 0);
    EXPECT_FALSE(timer->IsPlaying());
    EXPECT_EQ(timer->GetTime(), 0.0f);
    for (int i = 0; i < 10; ++i) Step(0.5f);
    EXPECT_EQ(Fired(), 1);
    EXPECT_EQ(hub.GetGlobal("sender")->ToString(), "t");
    vK_DataTable out;
    timer->GetProperties(out, false);
    EXPECT_FALSE(out.Get("playing")->GetBool());
    EXPECT_EQ(out.Get("time")->GetFloat(), 0.0f);
}

TEST_F(TimerTest, Stopwatch_CountsUpAndNeverFires) {
    vK_TimerObj* timer = MakeTimer("w", 0.0f, true);
    for (int i = 0; i < 8; ++i) Step(0.25f);
    hub.RunDeferredHandlers();
    EXPECT_FLOAT_EQ(timer->GetTime(), 2.0f);
    EXPECT_TRUE(timer->IsPlaying());
    EXPECT_EQ(Fired(), 0);
}

TEST_F(TimerTest, OnlyCountsInTheLiveScene) {
    vK_TimerObj* timer = MakeTimer("p", 1.0f, false);
    timer->Detach();  // parked outside the live tree
    for (int i = 0; i < 8; ++i) Step(0.5f);
    EXPECT_FLOAT_EQ(timer->GetTime(), 1.0f);
    EXPECT_EQ(Fired(), 0);
}

TEST_F(TimerTest, NonFiniteTimeIsRefused) {
    vK_TimerObj* timer = MakeTimer("n", std::numeric_limits<float>::quiet_NaN(), false);
    EXPECT_EQ(timer->GetTime(), 0.0f);
    Step(0.1f);
    Step(0.1f);
    EXPECT_EQ(Fired(), 1);
}
