#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/application.h"
#include "core/vrakko.h"
#include "files/log.h"
#include "files/os_services.h"
#include "graphics/generated_texture.h"
#include "graphics/render.h"
#include "graphics/render_target_texture.h"
#include "platform/vrakko_impl.h"

namespace {

// The engine on the SDL platform, as start-up makes it.
struct SdlEngine {
    SdlEngine() : engine(Make(sdl)) {}
    static std::unique_ptr<vK_Platform> Make(Vrakko_Impl*& out) {
        auto platform = std::make_unique<Vrakko_Impl>();
        out = platform.get();
        return platform;
    }
    Vrakko_Impl* sdl = nullptr;
    Vrakko engine;
};

class App : public vK_Application {
public:
    void OnProcess(const vK_FrameInfo&) override { ++frames; }
    void AfterInit() override { ++afterInit; }
    void OnShutdown() override { ++shutdowns; }
    void OnDeviceRestored() override { ++restored; }
    vK_DisplayMode GetDisplayMode() override { return GetDisplayMode(false); }
    vK_DisplayMode GetDisplayMode(bool fullscreen) override {
        vK_DisplayMode m;
        m.fullscreen = fullscreen;
        m.width = 320;
        m.height = 240;
        m.title = "test";
        return m;
    }
    int frames = 0, afterInit = 0, shutdowns = 0, restored = 0;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        OsSetEnvironment(name, value);
    }
    ~ScopedEnv() { OsSetEnvironment(name_, had_ ? old_.c_str() : nullptr); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(EngineRun, WithoutADisplayLogsAndEndsCleanly) {
    ScopedEnv driver("SDL_VIDEODRIVER", "no-such-driver");
    vK_LogCapture log;
    App app;
    {
        SdlEngine run;
        Vrakko_Impl& sdl = *run.sdl;
        Vrakko& engine = run.engine;
        sdl.SetFrameLimit(5);
        engine.Run(&app);
        EXPECT_FALSE(sdl.HasDisplay());
        EXPECT_EQ(engine.GetRenderer(), nullptr);
        engine.SetApplication(nullptr);
    }
    EXPECT_TRUE(log.Contains("Error. Could not create DirectX object.")) << log.Text();
    EXPECT_EQ(app.afterInit, 1);
    EXPECT_EQ(app.frames, 0);
    EXPECT_EQ(app.shutdowns, 1);
}

TEST(EngineRun, HeadlessFramesAndTheDeviceResetProtocol) {
    App app;
    SdlEngine run;
    Vrakko_Impl& sdl = *run.sdl;
    Vrakko& engine = run.engine;
    sdl.SetFrameLimit(3);
    engine.Run(&app);
    if (!sdl.HasDisplay()) GTEST_SKIP() << "no OpenGL 3.3 context";
    EXPECT_EQ(app.frames, 3);
    EXPECT_EQ(app.shutdowns, 1);

    // A display-mode change releases render targets and restores device resources.
    engine.CreateRenderer();
    vK_Render* render = engine.GetRenderer();
    ASSERT_NE(render, nullptr);
    render->BeginRenderToTexture(16, 16);
    std::shared_ptr<vK_Texture> target = render->EndRenderToTexture();
    ASSERT_TRUE(target && target->GetDeviceTexture(0));
    auto kept = render->CreateGeneratedTexture();
    ASSERT_TRUE(kept->Create(4, 4));
    vK_DisplayMode mode = app.GetDisplayMode(false);
    mode.width = 400;
    mode.height = 300;
    EXPECT_TRUE(engine.SetDisplayMode(mode));
    EXPECT_EQ(target->GetDeviceTexture(0), nullptr);
    EXPECT_NE(kept->GetDeviceTexture(0), nullptr);
    EXPECT_EQ(app.restored, 1);
    EXPECT_FLOAT_EQ(render->GetTargetWidth(), 400.0f);
    EXPECT_EQ(engine.GetWidth(), 400);
    engine.SetApplication(nullptr);
}

TEST(EngineRun, VerticalSyncPrefersAdaptiveThenPlainAndIsReappliedAfterAModeChange) {
    struct Case {
        std::vector<int> accepted;  // the intervals the fake driver takes
        std::vector<int> tried;     // the calls expected at start, and again after a mode change
        int chosen;
    };
    const Case cases[] = {
        {{-1, 1, 0}, {-1}, -1},
        {{1, 0}, {-1, 1}, 1},
        {{0}, {-1, 1, 0}, 0},
        {{}, {-1, 1, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        App app;
        SdlEngine run;
        Vrakko_Impl& sdl = *run.sdl;
        Vrakko& engine = run.engine;
        std::vector<int> calls;
        sdl.SetSwapIntervalSetter([&](int interval) {
            calls.push_back(interval);
            for (int a : c.accepted)
                if (a == interval) return 0;
            return -1;
        });
        constexpr int kFrames = 6;
        sdl.SetFrameLimit(kFrames);
        const auto start = std::chrono::steady_clock::now();
        engine.Run(&app);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!sdl.HasDisplay()) GTEST_SKIP() << "no OpenGL 3.3 context";
        EXPECT_EQ(calls, c.tried);
        EXPECT_EQ(sdl.GetSwapInterval(), c.chosen);
        // Whatever the sync, the frame cap holds the rate: frames come an interval apart.
        EXPECT_EQ(app.frames, kFrames);
        EXPECT_GE(seconds, (kFrames - 1) * engine.GetFrameInterval());

        calls.clear();
        engine.CreateRenderer();
        EXPECT_TRUE(engine.SetDisplayMode(app.GetDisplayMode(true)));
        EXPECT_EQ(calls, c.tried);
        calls.clear();
        EXPECT_TRUE(engine.SetDisplayMode(app.GetDisplayMode(false)));
        EXPECT_EQ(calls, c.tried);
        EXPECT_EQ(sdl.GetSwapInterval(), c.chosen);
        engine.SetApplication(nullptr);
    }
}

}  // namespace
