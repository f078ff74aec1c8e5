#include "scene/scene.h"

#include <gtest/gtest.h>

#include "scene/object.h"
#include "support/script_scene.h"

namespace {
using Records = std::vector<ScriptSceneFixture::Record>;

// "slot" covers 0..200 and lies under "item" (0..100), which is added later and so
// is tested first.
class SceneInput : public ::testing::Test, public ScriptSceneFixture {
protected:
    void Build(const std::string& item_props) {
        slot = MakeObject("slot", 0, 0, 200, 200);
        item = MakeObject("item", 0, 0, 100, 100, item_props);
    }
    vK_Object* slot = nullptr;
    vK_Object* item = nullptr;
};
}  // namespace

TEST_F(SceneInput, Hover_EnterAndLeaveFollowThePointer) {
    Build("");
    vK_Object* other = MakeObject("other", 300, 0, 50, 50);
    ASSERT_NE(other, nullptr);
    Move(50, 50);
    Move(60, 60);  // still over the item: nothing new
    Move(150, 150);
    Move(310, 10);
    Move(500, 500);
    Frame();
    EXPECT_EQ(Take(), (Records{{"menter", "item"},
                               {"mleave", "item"},
                               {"menter", "slot"},
                               {"mleave", "slot"},
                               {"menter", "other"},
                               {"mleave", "other"}}));
    EXPECT_EQ(scene->GetHovered(), nullptr);
}

TEST_F(SceneInput, RealDrag_TwoUnitMoveIsAClick) {
    Build("drag = 1, realdrag = 1");
    Move(50, 50);
    Press(50, 50);
    Move(52, 48);
    Release(52, 48);
    Frame();
    EXPECT_EQ(Take(), (Records{{"menter", "item"}, {"mdown", "item"}, {"mup", "item"}}));
    EXPECT_EQ(scene->GetDragged(), nullptr);
    EXPECT_EQ(scene->GetPendingDrag(), nullptr);
}

TEST_F(SceneInput, RealDrag_ThreeUnitMoveStartsDragAndReleaseDrops) {
    Build("drag = 1, realdrag = 1");
    Move(50, 50);
    Press(50, 50);
    // The hit test of this move still sees the item, which only then starts dragging.
    Move(53, 50);
    EXPECT_EQ(scene->GetDragged(), item);
    Move(54, 50);  // the dragged item is transparent: the slot is entered
    Release(54, 50);
    EXPECT_TRUE(scene->IsDropPending());
    Frame();
    EXPECT_EQ(scene->GetDragged(), nullptr);
    EXPECT_EQ(Take(), (Records{{"menter", "item"},
                               {"mdown", "item"},
                               {"mleave", "item"},
                               {"startdrag", "item"},
                               {"drag", "item"},
                               {"drag", "item"},
                               {"menter_drag", "slot"},
                               {"dragdrop", "item"},
                               {"menter", "slot"}}));  // queued by the drop in UpdateScene
}

TEST_F(SceneInput, ClickToPick_CarriedOverObjectsAndDroppedByNextPress) {
    Build("drag = 1");
    Press(50, 50);
    EXPECT_EQ(scene->GetDragged(), item);
    Move(150, 150);
    Move(300, 300);
    Press(300, 300);
    Frame();
    EXPECT_EQ(Take(), (Records{{"mdown", "item"},
                               {"startdrag", "item"},
                               {"drag", "item"},
                               {"menter_drag", "slot"},
                               {"drag", "item"},
                               {"mleave_drag", "slot"},
                               {"dragdrop", "item"}}));
    EXPECT_EQ(scene->GetDragged(), nullptr);
}

TEST_F(SceneInput, DragDrop_RefusedDropKeepsDragging) {
    Build("drag = 1, event_dragdrop = \"Rec('dragdrop', vk_params.sender); ObjDoNotDrop()\"");
    Press(50, 50);
    Move(150, 150);
    Press(150, 150);
    Frame();
    EXPECT_EQ(scene->GetDragged(), item);
    EXPECT_FALSE(scene->IsDropPending());
    Take();
    Move(160, 160);  // still carried: drag events go on
    Frame();
    EXPECT_EQ(Take(), (Records{{"drag", "item"}}));
}

TEST_F(SceneInput, DragDrop_AcceptedDropEntersObjectUnderPointer) {
    Build("drag = 1");
    Press(50, 50);
    Move(150, 150);
    Press(150, 150);
    Take();
    Frame();
    Frame();
    EXPECT_EQ(Take(), (Records{{"menter", "slot"}}));
    EXPECT_EQ(scene->GetHovered(), slot);
}

TEST_F(SceneInput, DragDrop_SecondStopWhileDropPendingQueuesOneDrop) {
    Build("drag = 1");
    Press(50, 50);
    Press(50, 50);      // stops the drag: drop pending
    scene->StopDrag();  // a second stop before the drop resolves
    ASSERT_TRUE(Lua("ObjStopDrag()"));
    Frame();
    const Records r = Take();
    EXPECT_EQ(std::count(r.begin(), r.end(), ScriptSceneFixture::Record{"dragdrop", "item"}), 1);
}

TEST_F(SceneInput, Waiters_CalledUnlessReleaseHitsTheirObject) {
    Build("");
    ASSERT_TRUE(Lua("ObjWaitForMouseUp('item', function(p) Rec('waiter', p.sender) end)"));
    ASSERT_TRUE(Lua("ObjWaitForMouseUp('other', function(p) Rec('waiter', p.sender) end)"));
    Release(50, 50);  // hits item: its waiter is dropped without a call
    Frame();
    EXPECT_EQ(Take(), (Records{{"mup", "item"}, {"waiter", "other"}}));
    EXPECT_EQ(scene->GetWaiterCount(), 0u);
    ASSERT_TRUE(Lua("ObjWaitForMouseUp('item', 'not a function')"));
    EXPECT_EQ(scene->GetWaiterCount(), 0u);
}

TEST_F(SceneInput, StorageObjectsNeverGetPointerEvents) {
    Build("");
    vK_Object* parked = MakeObject("parked", 0, 0, 1000, 1000, "", scene->GetStorageRoot());
    ASSERT_EQ(parked->GetParent(), scene->GetStorageRoot());
    Move(500, 500);
    Press(500, 500);
    Release(500, 500);
    Frame();
    EXPECT_TRUE(Take().empty());
}

// Deleting the object in every state the scene tracks it in leaves no reference.
TEST_F(SceneInput, Deletion_InEveryDragStateLeavesNoDanglingPointer) {
    struct Case {
        const char* name;
        const char* props;
        void (*reach)(SceneInput&);
    } cases[] = {
        {"hovered", "", [](SceneInput& t) { t.Move(50, 50); }},
        {"pending", "drag = 1, realdrag = 1", [](SceneInput& t) { t.Press(50, 50); }},
        {"dragging", "drag = 1", [](SceneInput& t) { t.Press(50, 50); }},
        {"drop pending", "drag = 1",
         [](SceneInput& t) {
             t.Press(50, 50);
             t.Press(50, 50);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.props);
        c.reach(*this);
        ASSERT_TRUE(vK_Object::Destroy(item));
        Frame();  // frees it
        Take();
        EXPECT_EQ(scene->GetHovered(), nullptr);
        EXPECT_EQ(scene->GetDragged(), nullptr);
        EXPECT_EQ(scene->GetPendingDrag(), nullptr);
        EXPECT_FALSE(scene->IsDropPending());
        Move(55, 55);
        Move(60, 60);
        Press(60, 60);
        Release(60, 60);
        Frame();
        for (const auto& rec : Take()) EXPECT_NE(rec.second, "item") << rec.first;
        vK_Object::Destroy(slot);
        Frame();
    }
}

TEST_F(SceneInput, Deletion_OfAnAncestorClearsHoverAndDrag) {
    vK_Object* panel = MakeObject("panel", 0, 0, 0, 0);
    vK_Object* hovered = MakeObject("hovered", 0, 0, 50, 50, "", panel);
    vK_Object* carried = MakeObject("carried", 100, 100, 50, 50, "drag = 1", panel);
    Press(120, 120);
    Move(10, 10);
    ASSERT_EQ(scene->GetDragged(), carried);
    ASSERT_EQ(scene->GetHovered(), hovered);
    Take();
    ASSERT_TRUE(Lua("ObjDelete('panel')"));
    EXPECT_EQ(scene->GetDragged(), nullptr);
    EXPECT_EQ(scene->GetHovered(), nullptr);
    Frame();
    Move(20, 20);
    Press(20, 20);
    Frame();
    EXPECT_EQ(Take(), (Records{{"mleave", "hovered"}}));
}

TEST_F(SceneInput, Deletion_ByOwnMouseDownHandler) {
    Build("drag = 1, event_mdown = \"Rec('mdown', vk_params.sender); ObjDelete(vk_params.sender)\"");
    Move(50, 50);
    Press(50, 50);  // queues mdown and picks the item up
    Frame();        // the handler deletes it while it is dragged and hovered
    EXPECT_EQ(vK_Object::FindObject("item"), nullptr);
    EXPECT_EQ(scene->GetDragged(), nullptr);
    Move(150, 150);
    Press(150, 150);
    Frame();
    const Records r = Take();
    EXPECT_EQ(std::count(r.begin(), r.end(), ScriptSceneFixture::Record{"dragdrop", "item"}), 0);
}

TEST_F(SceneInput, ScriptStartAndStopDrag) {
    Build("");
    Move(50, 50);
    ASSERT_TRUE(Lua("ObjStartDrag('item'); ObjStartDrag('vk_origin'); ObjStartDrag('nobody')"));
    EXPECT_EQ(scene->GetDragged(), item);
    Move(150, 150);
    ASSERT_TRUE(Lua("ObjStopDrag()"));
    Frame();
    EXPECT_EQ(scene->GetDragged(), nullptr);
    EXPECT_EQ(Take(), (Records{{"menter", "item"},
                               {"mleave", "item"},
                               {"startdrag", "item"},
                               {"drag", "item"},
                               {"menter_drag", "slot"},
                               {"dragdrop", "item"},
                               {"menter", "slot"}}));
}

TEST_F(SceneInput, ScriptsCannotDeleteOrMoveRoots) {
    Build("");
    ASSERT_TRUE(
        Lua("ObjDelete('vk_origin'); ObjDelete('vk_storage'); ObjAttach('vk_origin', 'item');"
            "ObjDetach('vk_origin'); ObjAttach('vk_storage', 'vk_origin')"));
    Frame();
    EXPECT_EQ(vK_Object::FindObject("vk_origin"), scene->GetLiveRoot());
    EXPECT_EQ(scene->GetLiveRoot()->GetParent(), nullptr);
    EXPECT_EQ(scene->GetStorageRoot()->GetParent(), nullptr);
    EXPECT_EQ(item->GetParent(), scene->GetLiveRoot());
}
