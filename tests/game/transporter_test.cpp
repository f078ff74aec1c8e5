// Item flights driven frame by frame with fixed frame times: the positions, scales and
// alphas at the easing points of each flight type, the early trigger, several flights
// at once, and items or destinations deleted mid-flight.
#include "game/transporter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/mediator.h"
#include "game/game_message_ids.h"
#include "game/interface.h"
#include "scene/cursor.h"
#include "support/script_scene.h"

namespace {

using Records = std::vector<ScriptSceneFixture::Record>;

class TransporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        vK_Object* interface = vK_Object::Adopt(std::make_unique<vY_Interface>());
        scripts.scene->GetLiveRoot()->AddChild(interface);
        transporter = static_cast<vY_Interface*>(interface)->GetTransporter();
        item = Place("item", 100, 100);
        slot = Place("slot", 1000, 100);
    }
    vK_Object* Place(const std::string& name, float x, float y) {
        vK_Object* object = vK_Object::CreateObject("obj", name);
        object->SetPosition(x, y);
        scripts.scene->GetLiveRoot()->AddChild(object);
        return object;
    }
    void Fly(const std::string& object, const std::string& target, int type, float red_time = 0.0f,
             const char* trigger = "Rec('end', vk_params.sender)") {
        vK_DataTable payload;
        payload.SetString("obj_name", object);
        payload.SetString("toobj_name", target);
        payload.SetInt("type", type);
        payload.SetString("end_trig", trigger);
        if (red_time > 0.0f) payload.SetFloat("red_time", red_time);
        if (type == vY_Transporter::kCursorToInventory) payload.SetFloat("scale", 0.5f);
        mediator.Send(MSG_Command_Transporter_MoveObject, &payload);
    }
    void Frames(int count, float dt) {
        for (int i = 0; i < count; ++i) scripts.Frame(dt);
    }
    static float Alpha(const vK_Object* object) { return object->GetOwnParams().alpha; }

    vK_Mediator mediator;
    vK_Cursor cursor;
    ScriptSceneFixture scripts;
    vY_Transporter* transporter = nullptr;
    vK_Object* item = nullptr;
    vK_Object* slot = nullptr;
};

const Records kEndOnce = {{"end", "vy_interface_transporter"}};

TEST_F(TransporterTest, DurationFollowsTheFlightTypeAndDistance) {
    cursor.SetPosition(100, 100);
    struct Case {
        int type;
        float duration;
    };
    // Start and target 900 apart (the pointer flight starts at the pointer, also 900 away).
    const Case cases[] = {{0, 900.0f / 900 + 0.7f},  {1, 900.0f / 1000 + 1.4f}, {2, 0.4f},
                          {3, 900.0f / 1500 + 0.2f}, {4, 900.0f / 1000 + 1.4f}, {7, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Fly("item", "slot", c.type);
        ASSERT_EQ(transporter->GetFlights().size(), 1u);
        EXPECT_NEAR(transporter->GetFlights().front().duration, c.duration, 1e-5);
        EXPECT_EQ(item->GetParent(), transporter);
        transporter->StopAnim(nullptr);
    }
    EXPECT_EQ(scripts.Take(), Records{});  // stopping calls no trigger
    EXPECT_EQ(scripts.Eval("Trans_SceneToInventory .. Trans_SceneToTaskPanel .. Trans_InventoryToCursor .. "
                           "Trans_CursorToInventory .. Trans_HintFly"),
              "01234");
}

TEST_F(TransporterTest, SceneToInventoryGrowsThenFadesIntoTheSlot) {
    // 1.7 s in all: 1.5 s of movement, then 0.2 s at rest. dt 0.05: u = 0.3 after 9 frames.
    Fly("item", "slot", vY_Transporter::kSceneToInventory);
    struct Step {
        int frames;
        float x, scale, alpha, slot_alpha;
    };
    const Step steps[] = {
        {9, 191.084f, 1.5f, 1.0f, 0.0f},          // u = 0.3: largest
        {15, 979.902f, 0.761905f, 0.666667f, 0},  // u = 0.8: shrinking and fading
        {6, 1000.0f, 0.0f, 0.0f, 0.5f},           // u = 1: on the slot, invisible
        {2, 1000.0f, 0.0f, 0.0f, 0.75f},          // 0.1 s left: the slot's item grows in
    };
    for (const Step& s : steps) {
        Frames(s.frames, 0.05f);
        SCOPED_TRACE(s.x);
        EXPECT_NEAR(item->GetX(), s.x, 2e-2);
        EXPECT_NEAR(item->GetY(), 100.0f, 1e-4);
        EXPECT_NEAR(item->GetScaleX(), s.scale, 1e-3);
        EXPECT_NEAR(Alpha(item), s.alpha, 1e-3);
        EXPECT_NEAR(Alpha(slot), s.slot_alpha, 1e-3);
        EXPECT_NEAR(slot->GetScaleX(), s.slot_alpha, 1e-3);
    }
    EXPECT_EQ(scripts.Take(), Records{});
    Frames(3, 0.05f);
    EXPECT_TRUE(transporter->GetFlights().empty());
    EXPECT_EQ(scripts.Take(), kEndOnce);
    EXPECT_EQ(item->GetParent(), transporter);  // only the pointer flight hands the item over
    EXPECT_EQ(Alpha(slot), 1.0f);
}

TEST_F(TransporterTest, SceneToInventoryEndsInvisibleWhateverTheFrameTimes) {
    // With 0.1 s frames no frame lands on the end of the moving phase (1.5 s).
    Fly("item", "slot", vY_Transporter::kSceneToInventory);
    Frames(15, 0.1f);
    EXPECT_EQ(Alpha(item), 0.0f);
    EXPECT_EQ(item->GetScaleX(), 0.0f);
}

TEST_F(TransporterTest, TaskPanelFlightCurvesThenShrinksAtTheTarget) {
    slot->SetPosition(700, 900);  // 1000 away: 2.4 s, 1.9 s of movement
    Fly("item", "slot", vY_Transporter::kSceneToTaskPanel);
    Frames(19, 0.05f);  // u = 0.5
    EXPECT_NEAR(item->GetX(), 400.0f, 1e-2);
    EXPECT_NEAR(item->GetY(), 334.315f, 1e-2);
    EXPECT_NEAR(item->GetScaleX(), 1.25f, 1e-4);
    Frames(24, 0.05f);  // 0.25 s left: at the target, half shrunk
    EXPECT_NEAR(item->GetX(), 700.0f, 1e-3);
    EXPECT_NEAR(item->GetY(), 900.0f, 1e-3);
    EXPECT_NEAR(item->GetScaleX(), 0.5f, 1e-3);
    EXPECT_NEAR(Alpha(item), 0.5f, 1e-3);
}

TEST_F(TransporterTest, PointerToInventoryHandsTheItemToItsSlot) {
    cursor.SetPosition(500, 300);
    slot->SetPosition(800, 600);
    Fly("item", "slot", vY_Transporter::kCursorToInventory);
    ASSERT_EQ(transporter->GetFlights().size(), 1u);
    const float duration = transporter->GetFlights().front().duration;
    EXPECT_NEAR(duration, 0.482843f, 1e-5);
    scripts.Frame(duration / 2);  // p = 0.5
    EXPECT_NEAR(item->GetX(), 650.0f, 1e-2);
    EXPECT_NEAR(item->GetY(), 450.0f, 1e-2);
    EXPECT_NEAR(item->GetScaleX(), 0.75f, 1e-4);
    scripts.Frame(duration / 2);
    scripts.Frame(0.01f);
    EXPECT_EQ(item->GetParent(), slot);
    EXPECT_EQ(item->GetX(), 0.0f);
    EXPECT_EQ(item->GetY(), 0.0f);
    EXPECT_EQ(scripts.Take(), kEndOnce);
}

TEST_F(TransporterTest, HintWithoutDistanceNeitherMovesNorTurns) {
    slot->SetPosition(100, 100);
    Fly("item", "slot", vY_Transporter::kHintFly);
    EXPECT_NEAR(transporter->GetFlights().front().duration, 1.4f, 1e-6);
    Frames(10, 0.05f);
    EXPECT_EQ(item->GetX(), 100.0f);
    EXPECT_EQ(item->GetAngle(), 0.0f);
}

TEST_F(TransporterTest, HintTurnsTowardsItsHeadingInSmallSteps) {
    slot->SetPosition(1000, 100);  // straight right: heading asin(1) = pi/2
    Fly("item", "slot", vY_Transporter::kHintFly);
    Frames(3, 0.05f);
    EXPECT_NEAR(item->GetAngle(), 0.09f, 1e-5);
}

TEST_F(TransporterTest, EarlyTriggerFiresOnceBeforeTheEnd) {
    // 1.7 s flight; the trigger fires once at most 0.55 s remain, i.e. after 1.2 s.
    Fly("item", "slot", vY_Transporter::kSceneToInventory, 0.55f);
    Frames(11, 0.1f);
    EXPECT_EQ(scripts.Take(), Records{});
    Frames(1, 0.1f);
    EXPECT_EQ(scripts.Take(), kEndOnce);
    Frames(10, 0.1f);
    EXPECT_TRUE(transporter->GetFlights().empty());
    EXPECT_EQ(scripts.Take(), Records{});
}

TEST_F(TransporterTest, TwoFlightsRunOnTheirOwnClocks) {
    vK_Object* second = Place("second", 100, 500);
    vK_Object* panel = Place("panel", 1000, 500);
    Fly("item", "slot", vY_Transporter::kSceneToInventory, 0.0f, "Rec('first', '')");
    Frames(5, 0.1f);
    Fly("second", "panel", vY_Transporter::kSceneToInventory, 0.0f, "Rec('second', '')");
    EXPECT_EQ(transporter->GetFlights().size(), 2u);
    Frames(9, 0.1f);  // item at 1.4 s, second at 0.9 s: u = 0.6
    EXPECT_NEAR(item->GetY(), 100.0f, 1e-4);
    EXPECT_NEAR(second->GetY(), 500.0f, 1e-4);
    EXPECT_GT(item->GetX(), second->GetX());
    Frames(4, 0.1f);
    EXPECT_EQ(scripts.Take(), (Records{{"first", ""}}));
    EXPECT_EQ(transporter->GetFlights().size(), 1u);
    Frames(5, 0.1f);
    EXPECT_EQ(scripts.Take(), (Records{{"second", ""}}));
    EXPECT_EQ(Alpha(panel), 1.0f);
}

TEST_F(TransporterTest, StopWithANameRemovesOnlyThatItemsFirstFlight) {
    Fly("item", "slot", vY_Transporter::kSceneToInventory, 0.0f, "Rec('a', '')");
    Fly("item", "slot", vY_Transporter::kHintFly, 0.0f, "Rec('b', '')");
    vK_DataTable stop;
    stop.SetString("obj_name", "item");
    mediator.Send(MSG_Command_Transporter_StopAnim, &stop);
    ASSERT_EQ(transporter->GetFlights().size(), 1u);
    EXPECT_EQ(transporter->GetFlights().front().type, vY_Transporter::kHintFly);
    Frames(30, 0.1f);
    EXPECT_EQ(scripts.Take(), (Records{{"b", ""}}));
}

TEST_F(TransporterTest, DeletionMidFlightEndsTheFlightWithOneTrigger) {
    for (const char* victim : {"item", "slot"}) {
        SCOPED_TRACE(victim);
        vK_Object::Destroy(vK_Object::FindObject("item"));
        vK_Object::Destroy(vK_Object::FindObject("slot"));
        Frames(1, 0.1f);
        item = Place("item", 100, 100);
        slot = Place("slot", 1000, 100);
        Fly("item", "slot", vY_Transporter::kSceneToInventory);
        Frames(5, 0.1f);
        vK_Object::Destroy(vK_Object::FindObject(victim));
        Frames(1, 0.1f);  // the graveyard is freed at the end of the frame
        EXPECT_TRUE(transporter->GetFlights().empty());
        Frames(20, 0.1f);
        EXPECT_EQ(scripts.Take(), kEndOnce);
    }
}

TEST_F(TransporterTest, MissingItemStillCallsAFunctionTrigger) {
    // Sent from a script: the trigger is a function, and it runs as itself on the next frame.
    ASSERT_TRUE(
        scripts.Lua("SendMessage('Command_Transporter_MoveObject', {obj_name = 'nothing', "
                    "toobj_name = 'slot', type = 0, end_trig = function(p) Rec('fn', p.sender) end})"));
    ASSERT_TRUE(
        scripts.Lua("SendMessage('Command_Transporter_MoveObject', {obj_name = 'item', "
                    "toobj_name = 'nowhere', type = 0, end_trig = \"Rec('text', vk_params.sender)\"})"));
    EXPECT_TRUE(transporter->GetFlights().empty());
    EXPECT_EQ(item->GetParent(), scripts.scene->GetLiveRoot());
    scripts.Frame();
    EXPECT_EQ(scripts.Take(),
              (Records{{"fn", "vy_interface_transporter"}, {"text", "vy_interface_transporter"}}));
}

TEST_F(TransporterTest, StartIsMeasuredInTheInterfacesSpace) {
    vK_Object* interface = transporter->GetParent();
    interface->SetPosition(50, 20);
    interface->SetScale(2, 2);
    Fly("item", "slot", vY_Transporter::kSceneToInventory);
    const vY_Transporter::Flight& flight = transporter->GetFlights().front();
    EXPECT_NEAR(flight.start[0], 25.0f, 1e-4);  // (100 - 50) / 2
    EXPECT_NEAR(flight.start[1], 40.0f, 1e-4);
    EXPECT_NEAR(flight.duration, 450.0f / 900 + 0.7f, 1e-5);
}

}  // namespace
