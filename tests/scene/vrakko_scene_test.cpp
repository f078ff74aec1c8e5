// The engine drives the scene: Process updates it (unless a listener refused the
// frame), Draw draws the live root, RestoreDeviceResources reaches the tree.
#include <gtest/gtest.h>

#include <memory>

#include "core/application.h"
#include "core/vrakko.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "support/recording_render.h"

namespace {

int g_updates = 0, g_draws = 0, g_restores = 0;

class Probe : public vK_Object {
public:
    void Update(const vK_FrameInfo& frame) override {
        ++g_updates;
        vK_Object::Update(frame);
    }
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override {
        ++g_draws;
        vK_Object::DrawSelf(render, state);
    }
    void RestoreGraphics(bool recursive) override {
        ++g_restores;
        vK_Object::RestoreGraphics(recursive);
    }
};

class RecordingPlatform : public vK_Platform {
public:
    std::unique_ptr<vK_Render> CreateRenderer(int, int) override {
        return std::make_unique<vK_RecordingRender>(640.0f, 480.0f);
    }
};

class Engine : public Vrakko {
public:
    Engine() : Vrakko(std::make_unique<RecordingPlatform>()) {}
};

class Refuser : public vK_ProcessListener {
public:
    bool OnPreProcess(const vK_FrameInfo&) override { return pass; }
    void OnProcess(const vK_FrameInfo&) override {}
    bool pass = true;
};

class App : public vK_Application {
public:
    void OnProcess(const vK_FrameInfo&) override {}
};

TEST(EngineScene, ProcessDrawAndRestoreReachTheLiveTree) {
    g_updates = g_draws = g_restores = 0;
    vK_Object::RegisterObjectType("probe", [] { return std::unique_ptr<vK_Object>(new Probe()); });
    {
        vK_Scene scene;
        Engine engine;
        App app;
        engine.Init(&app);
        scene.GetLiveRoot()->AddChild(vK_Object::CreateObject("probe", "probe"));
        Refuser refuser;
        engine.AddProcessListener(&refuser);

        engine.Process(vK_FrameInfo());
        EXPECT_EQ(g_updates, 1);
        refuser.pass = false;
        EXPECT_FALSE(engine.Process(vK_FrameInfo()));
        EXPECT_EQ(g_updates, 1);

        engine.Draw();
        EXPECT_EQ(g_draws, 1);
        engine.RestoreDeviceResources();
        EXPECT_EQ(g_restores, 1);
        engine.SetApplication(nullptr);
    }
    vK_Object::ReleaseAll();
}

}  // namespace
