// The pointer widgets driven by input events through the scene on a 1024 x 768
// display: the zoom view's clamping, wheel limits, zoom that keeps the origin, inertia;
// the scroll container's centring, whole-cell snapping and clamping.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "game/game_fixture.h"
#include "game/widgets/scroll_container.h"
#include "game/widgets/zoom_view.h"
#include "support/script_scene.h"

namespace {

using Records = std::vector<ScriptSceneFixture::Record>;

class PointerWidgetTest : public ::testing::Test {
protected:
    PointerWidgetTest() {
        vK_DisplayMode mode;
        mode.width = 1024;
        mode.height = 768;
        engine.SetDisplayMode(mode);
    }
    template <typename T>
    T* Make(const std::string& name, const std::string& lua_props) {
        auto* object = static_cast<T*>(vK_Object::Adopt(std::make_unique<T>(name)));
        ApplyLua(object, lua_props);
        scripts.scene->GetLiveRoot()->AddChild(object);
        return object;
    }
    void ApplyLua(vK_Object* object, const std::string& lua_props) {
        ASSERT_TRUE(scripts.Lua("__props = {" + lua_props + "}"));
        std::unique_ptr<vK_Data> table = scripts.hub.GetGlobal("__props");
        object->SetProperties(*table->AsTable());
    }
    vK_Object* Child(vK_Object* parent, const std::string& name) {
        vK_Object* child = vK_Object::CreateObject("obj", name);
        parent->AddChild(child);
        return child;
    }
    void Wheel(int code, float x, float y) {
        vK_InputEvent event;
        event.type = vK_InputEvent::kWheel;
        event.code = code;
        event.x = x;
        event.y = y;
        scripts.scene->DispatchInput(event);
    }
    // A zoom view with triggers whose content is shown at scale 2 at (-500, -300): room
    // to move by 524 left, 500 right, 468 up and 300 down.
    vK_Object* DoubleSizeContent(vY_ZoomView*& view);
    static constexpr int kWheelIn = -(120 << 16);  // towards the user: a bigger view
    static constexpr int kWheelOut = 120 << 16;

    GameTestEngine engine;
    ScriptSceneFixture scripts;
};

const char* const kTriggers =
    "begindragtrig = \"Rec('begin', vk_params.sender)\", enddragtrig = \"Rec('end', vk_params.sender)\"";

vK_Object* PointerWidgetTest::DoubleSizeContent(vY_ZoomView*& view) {
    view = Make<vY_ZoomView>("view", std::string("scale = 2, ") + kTriggers);
    vK_Object* content = Child(view, "content");
    content->SetScale(2, 2);
    content->SetPosition(-500, -300);
    scripts.Frame();
    return content;
}

TEST_F(PointerWidgetTest, ZoomViewClampsTheContentToCoverTheDisplay) {
    auto* view = Make<vY_ZoomView>("view", "min_scale = 0.1");
    struct Case {
        float scale, x, y;
        bool covers;
        float clamped_x, clamped_y;
    };
    const Case cases[] = {
        {1.0f, 50, -30, true, 0, 0},           // scale 1: exactly the display, no room at all
        {2.0f, -500, -300, true, -500, -300},  // scale 2: one display of room each way
        {2.0f, -2000, 100, true, -1024, 0},    // past the right and top edges
        {2.0f, 100, -1000, true, 0, -768},     // past the left and bottom edges
        {0.5f, -10, 0, false, 512, 0},         // smaller: pushed right to (1024 - 512), still short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        ApplyLua(view, "min_scale = 0.1, scale = " + std::to_string(c.scale));
        float p[2] = {c.x, c.y};
        EXPECT_EQ(view->ApplyPosition(p), c.covers);
        EXPECT_FLOAT_EQ(p[0], c.clamped_x);
        if (c.covers) {
            EXPECT_FLOAT_EQ(p[1], c.clamped_y);
        }
    }
}

TEST_F(PointerWidgetTest, WheelZoomStaysWithinTheLimits) {
    auto* view = Make<vY_ZoomView>("view", "");
    vK_Object* content = Child(view, "content");
    struct Case {
        float scale;
        int code;
        float expected;
    };
    const Case cases[] = {
        {1.0f, kWheelOut, 1.0f},   // the first step out at the minimum is undone
        {1.0f, kWheelIn, 1.02f},   // steps of 0.02
        {1.99f, kWheelIn, 1.99f},  // 2.01 would pass the maximum
        {1.99f, kWheelOut, 1.97f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        ApplyLua(view, "scale = " + std::to_string(c.scale));
        scripts.Frame();
        Wheel(c.code, 512, 384);
        EXPECT_NEAR(content->GetScaleX(), c.expected, 1e-5);
        EXPECT_NEAR(view->GetKeptScale(), c.expected, 1e-5);
    }
    ApplyLua(view, "canzoom = false, scale = 1.5");
    Wheel(kWheelIn, 512, 384);
    EXPECT_NEAR(content->GetScaleX(), 1.5f, 1e-6);
}

TEST_F(PointerWidgetTest, WheelZoomKeepsTheOriginUnlessTheClampMovesIt) {
    auto* view = Make<vY_ZoomView>("view", "scale = 1.5");
    vK_Object* content = Child(view, "content");
    struct Case {
        float x, y;           // the content's position at scale 1.5
        int code;             // one wheel step
        float px, py;         // where the pointer is: it makes no difference
        float scale, ex, ey;  // afterwards
    };
    const Case cases[] = {
        {-200, -100, kWheelIn, 300, 200, 1.52f, -200, -100},
        {-200, -100, kWheelIn, 1000, 700, 1.52f, -200, -100},
        {-200, -100, kWheelOut, 0, 0, 1.48f, -200, -100},
        // At 1.48 the right edge would end at -500 + 1515.52 < 1024: pushed right to
        // 1024 - 1515.52; the bottom edge (-300 + 1136.64) still covers the display.
        {-500, -300, kWheelOut, 300, 200, 1.48f, -491.52f, -300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.px);
        ApplyLua(view, "scale = 1.5");
        content->SetPosition(c.x, c.y);
        scripts.Frame();
        Wheel(c.code, c.px, c.py);
        EXPECT_NEAR(content->GetScaleX(), c.scale, 1e-5);
        EXPECT_NEAR(content->GetX(), c.ex, 1e-3);
        EXPECT_NEAR(content->GetY(), c.ey, 1e-3);
    }
}

TEST_F(PointerWidgetTest, ShortPressIsNoDragButStillEndsOne) {
    vY_ZoomView* view = nullptr;
    vK_Object* content = DoubleSizeContent(view);
    scripts.Press(500, 400);
    scripts.Move(510, 400);
    scripts.Release(510, 400);
    scripts.Frame();
    EXPECT_EQ(scripts.Take(), (Records{{"end", "view"}}));
    EXPECT_EQ(content->GetX(), -500.0f);
}

TEST_F(PointerWidgetTest, ReleasedDragCoastsAndComesToRest) {
    vY_ZoomView* view = nullptr;
    vK_Object* content = DoubleSizeContent(view);
    scripts.Press(500, 400);
    for (float x = 480; x >= 430; x -= 10) scripts.Move(x, 400);  // -20, then five moves of -10
    scripts.Release(430, 400);
    EXPECT_NEAR(view->GetVelocityX(), -10.0f, 1e-5);
    scripts.Frame(1.0f / 60);
    EXPECT_EQ(scripts.Take(), (Records{{"begin", "view"}, {"end", "view"}}));
    EXPECT_NEAR(content->GetX(), -580.0f, 1e-3);
    EXPECT_NEAR(view->GetVelocityX(), -(10.0f - 10.0f * (0.1f + 2.5f) / 60), 1e-4);
    float last_speed = std::fabs(view->GetVelocityX());
    int frames = 1;
    while (view->GetVelocityX() != 0.0f && frames < 100) {
        scripts.Frame(1.0f / 60);
        EXPECT_LT(std::fabs(view->GetVelocityX()), last_speed);
        last_speed = std::fabs(view->GetVelocityX());
        ++frames;
    }
    EXPECT_LT(frames, 40);
    const float rest = content->GetX();
    scripts.Frame(1.0f / 60);
    EXPECT_EQ(content->GetX(), rest);
    EXPECT_EQ(content->GetY(), -300.0f);
}

class ScrollContainerTest : public PointerWidgetTest {
protected:
    // A row of n children of cellsize 64 whose crop and input rectangles are (x, 0, w, 64).
    vY_ScrollContainer* Row(int n, float x, float w, const std::string& extra = "") {
        const std::string rect = std::to_string(x) + ", croprect_y = 0, croprect_w = " + std::to_string(w) +
                                 ", croprect_h = 64, inputrect_init = 1, inputrect_x = " + std::to_string(x) +
                                 ", inputrect_y = 0, inputrect_w = " + std::to_string(w) +
                                 ", inputrect_h = 64";
        auto* row = Make<vY_ScrollContainer>("row", "croprect_init = 1, croprect_x = " + rect + ", " +
                                                        kTriggers + (extra.empty() ? "" : ", " + extra));
        for (int i = 0; i < n; ++i) Child(row, "cell" + std::to_string(i));
        return row;
    }
    void Drag(float from, float by, float step) {
        scripts.Press(from, 30);
        scripts.Frame();
        for (float moved = step; std::fabs(moved) <= std::fabs(by) + 1e-3f; moved += step) {
            scripts.Move(from + moved, 30);
            scripts.Frame();
        }
        scripts.Release(from + by, 30);
    }
};

TEST_F(ScrollContainerTest, CellsThatAllFitAreCentredAndDoNotScroll) {
    vY_ScrollContainer* row = Row(5, 100, 512);
    scripts.Frame();
    for (int i = 0; i < 5; ++i)
        EXPECT_FLOAT_EQ(row->GetChild(i)->GetX(), 228.0f + 64 * i);  // (512-320)/2+100+32
    EXPECT_EQ(row->LastStart(), 0);
    Drag(400, -100, -10);
    for (int i = 0; i < 20; ++i) scripts.Frame();
    EXPECT_EQ(row->GetScrollPos(), 0);
    Wheel(kWheelIn, 300, 30);
    EXPECT_EQ(row->GetScrollPos(), 0);
    EXPECT_NEAR(row->GetChild(0)->GetX(), 228.0f, 0.05f);
}

TEST_F(ScrollContainerTest, DragScrollsByWholeCellsAndSettles) {
    vY_ScrollContainer* row = Row(10, 0, 256);  // four cells visible: the last start is 6
    scripts.Frame();
    EXPECT_EQ(row->LastStart(), 6);
    EXPECT_FLOAT_EQ(row->GetChild(0)->GetX(), 32.0f);
    // 100 units left in steps of 10: the layout shifts one cell at 70, the release one more.
    Drag(200, -100, -10);
    EXPECT_EQ(row->GetScrollPos(), 2);
    EXPECT_EQ(scripts.Take(), (Records{{"begin", "row"}, {"end", "row"}}));
    float offset = row->GetOffset();
    EXPECT_NEAR(offset, 34.0f, 1e-3);  // -30 left over, one cell back
    for (int i = 0; i < 5; ++i) {
        scripts.Frame();
        EXPECT_NEAR(row->GetOffset(), offset / 2, 1e-4);
        offset = row->GetOffset();
    }
    for (int i = 0; i < 30; ++i) scripts.Frame();
    EXPECT_EQ(row->GetOffset(), 0.0f);
    EXPECT_NEAR(row->GetChild(2)->GetX(), 32.0f, 0.01f);  // cell 2 is now the first one
    // The wheel steps one cell at a time and stops at both ends.
    for (int i = 0; i < 6; ++i) Wheel(kWheelIn, 100, 30);
    EXPECT_EQ(row->GetScrollPos(), 6);
    for (int i = 0; i < 8; ++i) Wheel(kWheelOut, 100, 30);
    EXPECT_EQ(row->GetScrollPos(), 0);
}

TEST_F(ScrollContainerTest, BadCellSizesAndZeroFrameTimesDoNotDivideByZero) {
    for (const char* size : {"0", "-5"}) {
        SCOPED_TRACE(size);
        vY_ScrollContainer* row = Row(3, 0, 256, std::string("cellsize = ") + size);
        EXPECT_EQ(row->GetCellSize(), 64.0f);
        scripts.Press(100, 30);
        scripts.Move(80, 30);
        row->Layout(0.0f);
        EXPECT_EQ(row->GetSpeed(), 0.0f);
        EXPECT_TRUE(std::isfinite(row->GetChild(0)->GetX()));
        scripts.Release(80, 30);
        vK_Object::Destroy(row);
        scripts.Frame();
    }
}

TEST_F(ScrollContainerTest, DisabledDraggingLeavesTheChildrenAlone) {
    vY_ScrollContainer* row = Row(3, 0, 256, "dragenabled = false");
    row->GetChild(1)->SetPosition(7, 9);
    scripts.Frame();
    EXPECT_EQ(row->GetChild(1)->GetX(), 7.0f);
    vK_DataTable full;
    row->GetProperties(full, true);
    vK_DataTable partial;
    row->GetProperties(partial, false);
    EXPECT_TRUE(full.Has("scrollpos"));
    EXPECT_FALSE(partial.Has("scrollpos"));
}

}  // namespace
