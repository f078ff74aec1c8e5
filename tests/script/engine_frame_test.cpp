#include <gtest/gtest.h>

#include "core/vrakko.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "support/script_scene.h"

namespace {
using Records = std::vector<ScriptSceneFixture::Record>;

using FrameEngine = Vrakko;  // a platform without a display

class EngineFrame : public ::testing::Test, public ScriptSceneFixture {
protected:
    FrameEngine engine;
};
}  // namespace

// Input reaches the scene at once; Process sends the resting-pointer move, runs
// the queued handlers and then updates the live tree.
TEST_F(EngineFrame, InputAndProcessDriveTheScene) {
    vK_Object* button = MakeObject("button", 0, 0, 10, 10);
    vK_InputEvent press;
    press.type = vK_InputEvent::kPointerDown;
    press.x = press.y = 5;
    engine.Input(press);
    EXPECT_TRUE(records.empty());  // queued, not yet run
    ASSERT_TRUE(Lua("ObjAnimate('button', 'pos_x', 0, 0, nil, {0, 0, 0, 1, 0, 60})"));
    vK_FrameInfo frame;
    frame.dt = frame.elapsed = 0.5f;
    EXPECT_TRUE(engine.Process(frame));
    EXPECT_EQ(records, (Records{{"mdown", "button"}, {"menter", "button"}}));
    EXPECT_NEAR(button->GetX(), 30.0f, 0.001f);
}
