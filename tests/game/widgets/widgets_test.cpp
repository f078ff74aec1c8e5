// The game widgets: the two bakers frame by frame against the recording renderer, the
// bakers leaving the engine's draw listeners, the game-mode and performance particle
// systems, and the transparent object's hit order.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/mediator.h"
#include "core/vrakko.h"
#include "data/data.h"
#include "game/game_message_ids.h"
#include "game/settings.h"
#include "game/tile_object.h"
#include "game/widgets/bake_container.h"
#include "game/widgets/particle_system_gm.h"
#include "game/widgets/particle_system_pm.h"
#include "game/widgets/sprite_gm.h"
#include "game/widgets/transparent_object.h"
#include "graphics/generated_texture.h"
#include "support/recording_render.h"
#include "support/script_scene.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;

class WidgetPlatform : public vK_Platform {
public:
    std::unique_ptr<vK_Render> CreateRenderer(int, int) override {
        return std::make_unique<vK_RecordingRender>(static_cast<float>(kWidth), static_cast<float>(kHeight));
    }
};

class WidgetEngine : public Vrakko {
public:
    WidgetEngine() : Vrakko(std::make_unique<WidgetPlatform>()) {}
    vK_RecordingRender& Recorder() { return static_cast<vK_RecordingRender&>(*GetRenderer()); }
};

class Widgets : public ::testing::Test, public ScriptSceneFixture {
protected:
    Widgets() {
        vY_BakeContainer::RegisterType();
        vY_SpriteGm::RegisterType();
        vY_ParticleSystemGm::RegisterType();
        vY_ParticleSystemPm::RegisterType();
        vY_TransparentObject::RegisterType();
        engine.CreateRenderer();
        vK_DisplayMode mode;
        mode.width = kWidth;
        mode.height = kHeight;
        engine.InitDisplay(mode);
        tileTexture = engine.Recorder().CreateGeneratedTexture();
        const float white[3] = {1, 1, 1};
        tileTexture->Create(4, 4, white);
    }

    vK_Object* MakeTile(vK_Object* parent, const std::string& name) {
        vK_Object* tile = vK_Object::Adopt(std::make_unique<TileObject>(tileTexture));
        tile->SetName(name);
        parent->AddChild(tile);
        return tile;
    }
    void Set(vK_Object* object, const char* key, int value) {
        vK_DataTable table;
        table.SetInt(key, value);
        object->SetProperties(table);
    }
    // What one frame drew: live tile quads, tile quads drawn into a texture, quads of tex.
    struct Drawn {
        int live = 0, baked = 0, fromTexture = 0;
        bool operator==(const Drawn&) const = default;
    };
    Drawn RunFrame(const std::shared_ptr<vK_Texture>* texture) {
        engine.Recorder().batches.clear();
        Frame();
        engine.Draw();
        Drawn d;
        for (const auto& b : engine.Recorder().batches) {
            const int quads = static_cast<int>(b.VertexCount() / 4);
            if (b.texture == tileTexture) (b.intoTexture ? d.baked : d.live) += quads;
            if (texture && *texture && b.texture == *texture && !b.intoTexture) d.fromTexture += quads;
        }
        return d;
    }

    vK_Mediator mediator;
    WidgetEngine engine;
    std::shared_ptr<vK_GeneratedTexture> tileTexture;
};

struct BakeStep {
    const char* key;  // property written before the frame (nullptr: none)
    int value;
    bool inputChildren;  // after the frame's Tick
    int live, baked, fromTexture;
};

// Hand-worked over two frames per change: the Tick of the first frame switches child
// input, its end bakes (one tile drawn into the texture), the next frame draws the texture.
const BakeStep kBakeSteps[] = {
    {nullptr, 0, true, 1, 0, 0},        // unbaked: the content is drawn live
    {"bake", 1, false, 1, 1, 0},        // first frame: live, baked at its end
    {nullptr, 0, false, 0, 0, 1},       // then only the texture
    {"bake", 1, false, 0, 0, 1},        // the same value again does not re-bake
    {"clear_bake", 1, false, 1, 1, 0},  // released: live this frame, baked again at its end
    {nullptr, 0, false, 0, 0, 1},
    {"bake", 2, false, 1, 0, 1},  // other values: the texture and the live children
    {"bake", 0, true, 1, 0, 0},   // back to normal drawing and input
    {"bake", 1, false, 1, 1, 0},  // a new bake after 0 renders the content afresh
};

TEST_F(Widgets, BakersBakeOverTwoFramesAndDrawTheirTexture) {
    for (const char* type : {"bakecontainer", "spr_gm"}) {
        SCOPED_TRACE(type);
        vK_Object* baker = vK_Object::CreateObject(type, std::string("baker_") + type);
        ASSERT_NE(baker, nullptr);
        ASSERT_TRUE(scene->GetLiveRoot()->AddChild(baker));
        MakeTile(baker, std::string("tile_") + type);
        auto texture = [&]() -> const std::shared_ptr<vK_Texture>* {
            if (auto* c = dynamic_cast<vY_BakeContainer*>(baker)) return &c->GetBakeState().texture;
            return &static_cast<vY_SpriteGm*>(baker)->GetBakeState().texture;
        };
        int step = 0;
        for (const BakeStep& s : kBakeSteps) {
            SCOPED_TRACE(step++);
            if (s.key) Set(baker, s.key, s.value);
            const Drawn d = RunFrame(texture());
            EXPECT_EQ(d, (Drawn{s.live, s.baked, s.fromTexture}));
            vK_InputEvent press;
            press.type = vK_InputEvent::kPointerDown;
            // The input-children flag has no getter: a child under the pointer is hit only with it.
            vK_Object* tile = baker->GetChild(0);
            tile->SetInputRect(true, vK_Rect{-5, -5, 10, 10});
            EXPECT_EQ(baker->InputTest(press, nullptr, vK_DrawParams()) == tile, s.inputChildren);
        }
        vK_Object::Destroy(baker);
        Frame();
    }
}

// The baked texture has the display's size; a failed render target keeps normal drawing.
TEST_F(Widgets, BakedTextureHasTheDisplaySizeAndAMissingTargetKeepsDrawingLive) {
    vK_Object* baker = vK_Object::CreateObject("bakecontainer", "baker");
    scene->GetLiveRoot()->AddChild(baker);
    MakeTile(baker, "tile");
    auto* container = static_cast<vY_BakeContainer*>(baker);
    engine.Recorder().refuseTextures = true;
    Set(baker, "bake", 1);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(RunFrame(&container->GetBakeState().texture).live, 1) << frame;
        EXPECT_FALSE(container->GetBakeState().baked);
    }
    engine.Recorder().refuseTextures = false;
    RunFrame(nullptr);
    ASSERT_TRUE(container->GetBakeState().texture);
    const vK_Rect rect = container->GetBakeState().texture->GetRect(0);
    EXPECT_EQ(rect.w, kWidth);
    EXPECT_EQ(rect.h, kHeight);
    EXPECT_EQ(RunFrame(&container->GetBakeState().texture), (Drawn{0, 0, 1}));
    engine.RestoreDeviceResources();  // the texture is dropped and made again at the frame's end
    EXPECT_FALSE(container->GetBakeState().texture);
    EXPECT_EQ(RunFrame(&container->GetBakeState().texture), (Drawn{1, 1, 0}));
}

// A destroyed baker leaves the engine's draw listeners: the next frames never call it.
TEST_F(Widgets, DestroyedBakersLeaveTheDrawListeners) {
    for (const char* type : {"bakecontainer", "spr_gm"}) {
        SCOPED_TRACE(type);
        vK_Object* baker = vK_Object::CreateObject(type, "doomed");
        scene->GetLiveRoot()->AddChild(baker);
        MakeTile(baker, "doomed_tile");
        Set(baker, "bake", 1);
        const auto& listeners = engine.GetDrawListeners();
        auto* listener = dynamic_cast<vK_DrawListener*>(baker);
        EXPECT_EQ(std::count(listeners.begin(), listeners.end(), listener), 1);
        RunFrame(nullptr);
        ASSERT_TRUE(vK_Object::Destroy(baker));
        vK_Object::FlushGraveyard();
        EXPECT_EQ(std::count(listeners.begin(), listeners.end(), listener), 0);
        RunFrame(nullptr);  // under ASan a call into the freed baker would fail here
    }
}

TEST_F(Widgets, ContainerContentIsTheLastChildUntilItLeaves) {
    auto* container = static_cast<vY_BakeContainer*>(vK_Object::CreateObject("bakecontainer", "box"));
    scene->GetLiveRoot()->AddChild(container);
    vK_DataTable props;
    container->GetProperties(props, true);
    EXPECT_FALSE(props.Has("bake_draw_width"));  // no content yet
    vK_Object* first = MakeTile(container, "first");
    vK_Object* second = MakeTile(container, "second");
    EXPECT_EQ(container->GetContent(), second);
    container->RemoveChild(first, false);
    EXPECT_EQ(container->GetContent(), second);  // removing another child keeps it
    container->RemoveChild(second, false);
    EXPECT_EQ(container->GetContent(), nullptr);
    vK_Object* third = MakeTile(container, "third");
    EXPECT_EQ(container->GetContent(), third);
    scene->GetLiveRoot()->AddChild(third);  // moved under another parent
    EXPECT_EQ(container->GetContent(), nullptr);
    vK_Object* fourth = MakeTile(container, "fourth");
    vK_Object::Destroy(fourth);
    Frame();
    EXPECT_EQ(container->GetContent(), nullptr);
    // Without content, "bake" bakes nothing and the container keeps drawing its children.
    Set(container, "bake", 1);
    RunFrame(nullptr);
    RunFrame(nullptr);
    EXPECT_FALSE(container->GetBakeState().texture);
}

TEST_F(Widgets, BakeDrawSizeIsReportedOnlyInTheFullSetWithContent) {
    vK_Object* box = vK_Object::CreateObject("bakecontainer", "box");
    auto* inner = static_cast<vY_SpriteGm*>(vK_Object::CreateObject("spr_gm", "inner"));
    box->AddChild(inner);
    struct Case {
        bool full;
        bool reported;
    } cases[] = {{true, true}, {false, false}};
    for (const Case& c : cases) {
        vK_DataTable props;
        box->GetProperties(props, c.full);
        EXPECT_EQ(props.Has("bake_draw_width"), c.reported);
        EXPECT_EQ(props.Has("bake_draw_height"), c.reported);
        EXPECT_FALSE(props.Has("clear_bake"));
        int32_t bake = -1;
        EXPECT_TRUE(props.GetInt("bake", bake));
        EXPECT_EQ(bake, 0);
    }
}

// With game mode 2 the system runs in interface modes 0 to 2 and freezes in mode 3; a
// message without "mode" changes nothing.
TEST_F(Widgets, GameModeParticlesRunUpToTheirOwnMode) {
    auto* ps = static_cast<vY_ParticleSystemGm*>(vK_Object::CreateObject("partsys_gm", "gm_ps"));
    EXPECT_EQ(ps->GetType(), "partsys");  // scripts drive it with the partsys functions
    Set(ps, "game_mode", 2);
    vK_DataTable props;
    ps->GetProperties(props, false);
    int32_t mode = -1;
    EXPECT_TRUE(props.GetInt("game_mode", mode));
    EXPECT_EQ(mode, 2);
    struct Case {
        bool hasMode;
        int mode;
        bool running;
    } cases[] = {{true, 0, true},   {true, 1, true}, {true, 2, true}, {true, 3, false},
                 {false, 0, false}, {true, 2, true}, {true, 7, false}};
    for (const Case& c : cases) {
        vK_DataTable payload;
        if (c.hasMode) payload.SetInt("mode", c.mode);
        mediator.Send(MSG_Command_Interface_UpdateGameMode, &payload);
        EXPECT_EQ(ps->IsRunning(), c.running) << c.hasMode << " " << c.mode;
    }
}

// Performance mode on (the default, also with no settings at all) freezes the system.
TEST_F(Widgets, PerformanceParticlesRunOnlyWithoutThePerformanceMode) {
    EXPECT_FALSE(vY_ParticleSystemPm::IsRunning());
    vY_Settings settings;
    struct Case {
        int performance;
        bool running;
    } cases[] = {{1, false}, {0, true}, {2, false}};
    for (const Case& c : cases) {
        settings.SetPerformance(c.performance);
        EXPECT_EQ(vY_ParticleSystemPm::IsRunning(), c.running) << c.performance;
    }
}

// The transparent object's handlers run, and the object below receives the press too.
TEST_F(Widgets, TransparentObjectLetsThePointerThrough) {
    MakeObject("below", 0, 0, 20, 20, "z = 0");
    vK_Object* glass = vK_Object::CreateObject("transparentobject", "glass");
    ASSERT_TRUE(
        Lua("__glass = {inputrect_init = 1, inputrect_x = 0, inputrect_y = 0, inputrect_w = 20, "
            "inputrect_h = 20, z = 5, event_mdown = \"Rec('mdown', vk_params.sender)\"}"));
    std::unique_ptr<vK_Data> props = hub.GetGlobal("__glass");
    ASSERT_TRUE(props && props->AsTable());
    glass->SetProperties(*props->AsTable());
    scene->GetLiveRoot()->AddChild(glass);
    EXPECT_EQ(glass->GetType(), "transparentobject");
    Press(5, 5);
    const std::vector<Record> got = Take();
    EXPECT_NE(std::find(got.begin(), got.end(), Record{"mdown", "glass"}), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), Record{"mdown", "below"}), got.end());
}

}  // namespace
