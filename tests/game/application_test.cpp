// The game application and its levels driven frame by frame with a fixed frame time:
// start-up from the start point, the level states and loading-screen fades, level
// switching, the display-mode mapping and the start-up checks.
#include "game/application.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "core/mediator.h"
#include "data/config.h"
#include "files/file_manager.h"
#include "files/os_services.h"
#include "game/game_message_ids.h"
#include "game/interface.h"
#include "game/level.h"
#include "platform/desktop.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

namespace {

const char* const kLoadingXml =
    "<module name=\"int_loading\"><objs><obj name=\"int_loading_module\">"
    "<obj name=\"int_loading\"/></obj></objs></module>";

class GameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteFile("root/assets/shared/interface/int_loading.xml", kLoadingXml);
        folder.WriteFile("root/assets/shared/interface/int_loading.lua",
                         "function public.Init() Rec('loading', '') end");
        folder.WriteFile("root/assets/modules/menu.xml",
                         "<module name=\"menu\"><objs><obj name=\"menu_root\"/></objs></module>");
        folder.WriteFile("root/assets/modules/menu.lua",
                         "function public.Start() Rec('menu', vk_params and vk_params.sender or '') end");
        folder.WriteFile("root/assets/modules/code.xml", "<module name=\"code\"/>");
        folder.WriteFile("root/assets/modules/code.lua", "function public.Go() Rec('code', '') end");
        files.SetAssetRoot(folder.Path() + "/root");
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        vY_Level::SetFirstOpening(true);
        vY_Level::SetLoadingAllowed(false);
    }
    void Configure(const std::string& module, const std::string& func) {
        auto root = std::make_shared<vK_DataTable>();
        vK_DataTable* start = root->SetTable("start_point");
        if (!module.empty()) start->SetString("module", module);
        if (!func.empty()) start->SetString("func", func);
        root->SetTable("save_settings")->SetString("folder", "Game");
        config = std::make_unique<vK_Config>(root);
        app = std::make_unique<vY_Application>(1024, 768);
        app->SetDesktopSize(1024, 768);
        app->AfterInit();
    }
    // One frame: the application's process step, then the script queue and the scene.
    void Frame(float dt) {
        vK_FrameInfo frame;
        frame.dt = dt;
        app->OnProcess(frame);
        scripts.Frame(dt);
    }
    void Switch(const std::string& module, const std::string& func) {
        vK_DataTable payload;
        payload.SetString("module", module);
        payload.SetString("func", func);
        mediator.Send(MSG_Command_Application_SwitchLevel, &payload);
    }
    float LoadingAlpha() const {
        vK_Object* loading = vK_Object::FindObject("int_loading");
        return loading ? loading->GetOwnParams().alpha : -1.0f;
    }

    TempFolder folder;
    vK_Mediator mediator;
    vK_FileManager files;
    ScriptSceneFixture scripts;
    std::unique_ptr<vK_Config> config;
    std::unique_ptr<vY_Application> app;
};

TEST_F(GameFixture, StartsTheFirstLevelFromEachStartPointForm) {
    struct Case {
        const char* module;
        const char* func;
        std::vector<ScriptSceneFixture::Record> expected;
    };
    const Case cases[] = {
        {"assets/modules/menu", "menu.Start()", {{"loading", ""}, {"menu", ""}}},
        {"assets/modules/code", "code.Go()", {{"loading", ""}, {"code", ""}}},
        {"", "", {{"loading", ""}}},  // no start point: an empty level
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        Configure(c.module, c.func);
        EXPECT_EQ(app->GetLevel(), nullptr);  // the first level starts on the first frame
        Frame(1.0f / 60);
        ASSERT_NE(app->GetLevel(), nullptr);
        EXPECT_EQ(app->GetLevel()->GetTrigger(), c.func);
        EXPECT_EQ(scripts.Take(), c.expected);
        EXPECT_EQ(app->GetLevel()->GetParent(), app->GetRoot());
        EXPECT_EQ(app->GetRoot()->GetParent(), scripts.scene->GetLiveRoot());
        app->OnShutdown();
        scripts.Frame();
        app.reset();
    }
}

TEST_F(GameFixture, LevelStatesAndFadesFollowTheFrameClock) {
    Configure("assets/modules/menu", "menu.Start()");
    vY_Level::SetFirstOpening(false);
    vY_Level::SetLoadingAllowed(true);
    // Frame time 0.1 s: each 0.4 s fade takes four frames, a quarter per frame.
    struct Step {
        vY_Level::State state;
        float alpha;
        bool loading_visible;
    };
    const Step opening[] = {{vY_Level::State::kOpening, 1.0f, true},
                            {vY_Level::State::kOpening, 0.75f, true},
                            {vY_Level::State::kOpening, 0.5f, true},
                            {vY_Level::State::kOpening, 0.25f, true},
                            {vY_Level::State::kRunning, 0.0f, false}};
    for (const Step& s : opening) {
        Frame(0.1f);
        SCOPED_TRACE(s.alpha);
        EXPECT_EQ(app->GetLevel()->GetState(), s.state);
        EXPECT_NEAR(LoadingAlpha(), s.alpha, 1e-5);
        EXPECT_EQ(vK_Object::FindObject("int_loading")->IsVisible(), s.loading_visible);
    }
    EXPECT_TRUE(app->GetLevel()->IsInputEnabled());
    EXPECT_EQ(vK_Object::FindObject("int_loading")->GetParent(), scripts.scene->GetStorageRoot());

    // Two requests within one leaving fade: the newer one wins.
    vY_Level* first = app->GetLevel();
    Switch("assets/modules/menu", "Rec('second', '')");
    EXPECT_EQ(first->GetState(), vY_Level::State::kLeaving);
    EXPECT_FALSE(first->IsInputEnabled());
    Frame(0.1f);
    // The second command restarts the leaving fade.
    Switch("assets/modules/code", "code.Go()");
    const Step leaving[] = {{vY_Level::State::kLeaving, 0.25f, true},
                            {vY_Level::State::kLeaving, 0.5f, true},
                            {vY_Level::State::kLeaving, 0.75f, true},
                            {vY_Level::State::kDone, 1.0f, true}};
    for (const Step& s : leaving) {
        Frame(0.1f);
        SCOPED_TRACE(s.alpha);
        EXPECT_EQ(app->GetLevel(), first);
        EXPECT_EQ(first->GetState(), s.state);
        EXPECT_NEAR(LoadingAlpha(), s.alpha, 1e-5);
        EXPECT_TRUE(vK_Object::FindObject("int_loading")->IsVisible());
    }
    scripts.Take();
    Frame(0.1f);  // the done level is replaced on the next frame
    vY_Level* second = app->GetLevel();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetTrigger(), "code.Go()");
    EXPECT_EQ(scripts.Take(), (std::vector<ScriptSceneFixture::Record>{{"loading", ""}, {"code", ""}}));
    // One interface per level, and one level under the root.
    EXPECT_EQ(app->GetRoot()->GetChildCount(false), 1u);
    size_t interfaces = 0;
    for (size_t i = 0; i < second->GetChildCount(false); ++i)
        interfaces += second->GetChild(i)->GetName() == "vy_interface";
    EXPECT_EQ(interfaces, 1u);
    EXPECT_EQ(vK_Object::FindObject("vy_interface"), second->GetInterface());
    EXPECT_EQ(scripts.Eval("InterfaceName"), "vy_interface");
    app->OnShutdown();
}

TEST_F(GameFixture, LeavingFadeShowsTheLoadingScreenEvenWhenOpeningMayNot) {
    Configure("assets/modules/menu", "menu.Start()");
    vY_Level::SetFirstOpening(false);
    for (int i = 0; i < 5; ++i) Frame(0.1f);
    vK_Object* loading = vK_Object::FindObject("int_loading");
    EXPECT_FALSE(loading->IsVisible());  // the opening kept it hidden
    Switch("assets/modules/menu", "");
    Frame(0.1f);
    EXPECT_TRUE(loading->IsVisible());
    EXPECT_NEAR(loading->GetOwnParams().alpha, 0.25f, 1e-5);
    app->OnShutdown();
}

TEST_F(GameFixture, FirstLevelOfARunShowsNoLoadingScreen) {
    Configure("assets/modules/menu", "menu.Start()");
    vY_Level::SetLoadingAllowed(true);
    for (int i = 0; i < 4; ++i) {
        Frame(0.1f);
        EXPECT_EQ(LoadingAlpha(), 0.0f);
    }
    Frame(0.1f);
    EXPECT_FALSE(vY_Level::IsFirstOpening());
    app->OnShutdown();
}

TEST_F(GameFixture, LevelThatNeverFinishesKeepsTheRequestWaiting) {
    Configure("assets/modules/menu", "menu.Start()");
    Frame(0.1f);
    vY_Level* level = app->GetLevel();
    // Without the switch command the level stays running: a request waits for state 4.
    for (int i = 0; i < 10; ++i) Frame(0.1f);
    vK_DataTable request;
    request.SetString("module", "assets/modules/code");
    EXPECT_EQ(level->GetState(), vY_Level::State::kRunning);
    EXPECT_FALSE(app->HasPendingStart());
    level->SetState(vY_Level::State::kOpening);  // back into the opening: not done
    Switch("assets/modules/code", "");
    level->SetState(vY_Level::State::kRunning);  // a script that keeps it running
    Frame(0.1f);
    EXPECT_EQ(app->GetLevel(), level);
    EXPECT_TRUE(app->HasPendingStart());
    app->OnShutdown();
}

TEST_F(GameFixture, PauseIsSentOnceAndStopsTheRoot) {
    Configure("", "");
    int shows = 0, hides = 0;
    struct Counter : vK_ListenerBase {
        int* shows;
        int* hides;
        void OnMessage(const vK_MessageId& id, vK_DataTable*) override {
            if (MapMessage(id, MSG_Command_Pause_Show)) ++*shows;
            if (MapMessage(id, MSG_Command_Pause_Hide)) ++*hides;
        }
    } counter;
    counter.shows = &shows;
    counter.hides = &hides;
    counter.InitializeListener();
    app->OnDeactivate();
    app->OnDeactivate();
    EXPECT_EQ(shows, 1);
    EXPECT_FALSE(app->GetRoot()->IsActive());
    EXPECT_FALSE(app->GetRoot()->IsInputEnabled());
    app->OnActivate();  // within the first 0.1 s of frame time: ignored
    EXPECT_TRUE(app->IsPaused());
    Frame(0.2f);
    app->OnActivate();
    EXPECT_EQ(hides, 1);
    EXPECT_TRUE(app->GetRoot()->IsActive());
    counter.DestroyListener();
    app->OnShutdown();
}

TEST_F(GameFixture, DisplayModeAndReferenceMappingFitTheDesktop) {
    struct Case {
        float desk_w, desk_h;
        bool fullscreen;
        int mode_w, mode_h;
        bool widescreen;
        float scale_x, scale_y, pos_x, pos_y;
    };
    const Case cases[] = {
        // 16:9 just below 1366/768: the width maps the 1366 reference area.
        {1920, 1080, true, 1920, 1080, true, 1920.0f / 1366, 1080.0f / 768, 240.351f, 0},
        // 5:4 refuses widescreen; a window fits.
        {1280, 1024, false, 1024, 768, false, 1, 1, 0, 0},
        // 768..800 pixels high: the small window.
        {1366, 768, false, 1068, 600, true, 1068.0f / 1366, 600.0f / 768, 133.692f, 0},
        // no display answers zeros: 1024 x 768, never a division by zero
        {0, 0, true, 1024, 768, false, 1, 1, 0, 0},
        // too low for a window: full screen instead
        {1024, 600, false, 1024, 600, false, 1, 600.0f / 768, 0, 0},
    };
    Configure("", "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desk_w);
        vY_Application application(1024, 768);
        application.SetDesktopSize(c.desk_w, c.desk_h);
        const vY_AppInfo info = application.GetApplicationInfo(c.fullscreen);
        EXPECT_EQ(application.GetWidth(), c.mode_w);
        EXPECT_EQ(application.GetHeight(), c.mode_h);
        EXPECT_EQ(info.widescreen, c.widescreen);
        EXPECT_NEAR(info.scaleX, c.scale_x, 1e-4);
        EXPECT_NEAR(info.scaleY, c.scale_y, 1e-4);
        EXPECT_NEAR(info.posX, c.pos_x, 1e-2);
        EXPECT_NEAR(info.posY, c.pos_y, 1e-2);
        EXPECT_TRUE(std::isfinite(info.scaleX) && std::isfinite(info.posX));
    }
    app->OnShutdown();
}

TEST_F(GameFixture, RequestsAnswerMatrixWidthAndScale) {
    Configure("", "");
    Frame(0.1f);
    vK_DataTable matrix;
    mediator.Send(MSG_Request_Application_GetMatrix, &matrix);
    ASSERT_NE(matrix.Get("matrix"), nullptr);
    EXPECT_EQ(matrix.Get("matrix")->AsArray()->Size(), 16u);
    EXPECT_EQ(matrix.Get("matrix")->GetAt(0)->GetFloat(), 1.0f);
    vK_DataTable scale;
    mediator.Send(MSG_Request_Application_Scale, &scale);
    EXPECT_EQ(scale.Get("scale_x")->GetFloat(), 1.0f);
    vK_DataTable loading;
    mediator.Send(MSG_Request_Level_IsLoading, &loading);
    EXPECT_EQ(loading.Get("loading")->GetInt(), 1);
    app->OnShutdown();
}

TEST_F(GameFixture, SecondInstanceWithTheSameTitleIsRefused) {
    OsSetEnvironment("XDG_RUNTIME_DIR", folder.Path().c_str());  // the lock file's folder on Linux
    folder.WriteFile("root/assets/config.json", "{}");
    Configure("", "");
    vK_InstanceLock other;
    ASSERT_TRUE(other.Acquire("window_title", folder.Path()));
    vY_Application second(1024, 768);
    EXPECT_FALSE(second.CanStart());
    other.Release();
    vY_Application third(1024, 768);
    EXPECT_TRUE(third.CanStart());
    app->OnShutdown();
}

}  // namespace
