#include "core/vrakko.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/application.h"
#include "core/input_event.h"
#include "support/recording_render.h"

namespace {

class TestEngine : public Vrakko {
public:
    TestEngine() : Vrakko(std::make_unique<Platform>(*this)) {
        SetClock([this] { return now; });
    }
    double now = 0.0;
    bool foreground = true;
    int releases = 0;
    std::vector<vK_DisplayMode> modesApplied;

private:
    // Records what the engine asks of its platform in the owner's fields.
    class Platform : public vK_Platform {
    public:
        explicit Platform(TestEngine& owner) : owner_(owner) {}
        std::unique_ptr<vK_Render> CreateRenderer(int width, int height) override {
            return std::make_unique<vK_RecordingRender>(static_cast<float>(width),
                                                        static_cast<float>(height));
        }
        void ReleaseRenderer() override { ++owner_.releases; }
        bool ChangeDisplayMode(const vK_DisplayMode& mode) override {
            owner_.modesApplied.push_back(mode);
            return false;
        }
        bool IsForeground() const override { return owner_.foreground; }

    private:
        TestEngine& owner_;
    };
};

// Records every call into a shared journal.
struct Journal {
    std::vector<std::string> lines;
    void Add(const std::string& s) { lines.push_back(s); }
};

class Listener : public vK_ProcessListener, public vK_DrawListener, public vK_InputListener {
public:
    Listener(Journal& j, std::string name) : journal(j), name(std::move(name)) {}
    bool OnPreProcess(const vK_FrameInfo&) override {
        journal.Add(name + ".pre");
        if (onPre) onPre();
        return preResult;
    }
    void OnProcess(const vK_FrameInfo&) override { journal.Add(name + ".process"); }
    bool OnPreDraw(vK_Render&) override {
        journal.Add(name + ".predraw");
        if (onPreDraw) onPreDraw();
        return preResult;
    }
    void OnPostDraw(vK_Render&) override { journal.Add(name + ".postdraw"); }
    bool CanChangeDisplayMode(bool) override {
        journal.Add(name + ".can");
        if (onCan) onCan();
        return preResult;
    }
    void OnDisplayModeChangeDone(bool fullscreen) override {
        journal.Add(name + ".done" + (fullscreen ? "1" : "0"));
    }
    bool OnPreInput(const vK_InputEvent&) override {
        journal.Add(name + ".preinput");
        if (onPreInput) onPreInput();
        return preResult;
    }
    void OnPostInput(const vK_InputEvent& e) override {
        journal.Add(name + ".postinput" + std::to_string(static_cast<int>(e.type)));
    }
    void OnActivate() override { journal.Add(name + ".activate"); }
    void OnDeactivate() override { journal.Add(name + ".deactivate"); }

    Journal& journal;
    std::string name;
    bool preResult = true;
    std::function<void()> onPre;
    std::function<void()> onPreDraw;
    std::function<void()> onPreInput;
    std::function<void()> onCan;
};

class App : public vK_Application {
public:
    void OnProcess(const vK_FrameInfo&) override {}
    void AfterInit() override { ++afterInit; }
    vK_DisplayMode GetDisplayMode() override { return GetDisplayMode(false); }
    vK_DisplayMode GetDisplayMode(bool fullscreen) override {
        vK_DisplayMode m;
        m.fullscreen = fullscreen;
        m.width = 800;
        m.height = 600;
        return m;
    }
    int afterInit = 0;
};

TEST(FrameLoop, IntervalCapStallClampAndElapsed) {
    struct Step {
        double now;
        bool runs;
        float dt, elapsed;
    };
    struct Case {
        const char* name;
        float fps;  // 0: the default 60
        std::vector<Step> steps;
    };
    const float interval60 = 1.0f / 60.0f;
    const std::vector<Case> cases = {
        {"default interval", 0, {{16.0, false, 0, 0}, {16.7, true, 0.0167f, 0.0167f}, {30.0, false, 0, 0}}},
        {"a 1 s stall advances 3 intervals", 0, {{1000.0, true, 3 * interval60, 1.0f}}},
        {"SetFPS(30) halves the rate",
         30,
         {{17.0, false, 0, 0}, {33.0, false, 0, 0}, {33.4, true, 0.0334f, 0.0334f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestEngine engine;
        if (c.fps > 0) engine.SetFPS(c.fps);
        for (const Step& s : c.steps) {
            engine.now = s.now;
            ASSERT_EQ(engine.RunFrame(s.now), s.runs) << s.now;
            if (!s.runs) continue;
            EXPECT_NEAR(engine.GetLastFrame().dt, s.dt, 1e-5);
            EXPECT_NEAR(engine.GetLastFrame().elapsed, s.elapsed, 1e-5);
            EXPECT_NEAR(engine.GetLastFrame().time, s.now / 1000.0, 1e-5);
        }
    }
}

TEST(FrameLoop, FixedStepAdvancesOneIntervalAFrameWhateverTheClock) {
    struct Case {
        const char* name;
        bool paced;
        std::vector<double> clock;  // the clock at each RunFrame call
        std::vector<bool> runs;
    };
    const std::vector<Case> cases = {
        // Paced: the clock still decides when a frame runs, but not how long it was.
        {"paced", true, {10.0, 1000.0, 1005.0, 1020.0, 5000.0}, {false, true, false, true, true}},
        // Unpaced (replays): a frame at every call, the clock standing still.
        {"unpaced", false, {0.0, 0.0, 0.0, 0.0}, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestEngine engine;
        engine.SetFixedStep(true, c.paced);
        long frames = 0;
        for (size_t i = 0; i < c.clock.size(); ++i) {
            ASSERT_EQ(engine.RunFrame(c.clock[i]), c.runs[i]) << i;
            if (!c.runs[i]) continue;
            ++frames;
            EXPECT_EQ(engine.GetLastFrame().dt, 1.0f / 60.0f);
            EXPECT_EQ(engine.GetLastFrame().elapsed, 1.0f / 60.0f);
            EXPECT_NEAR(engine.GetLastFrame().time, frames / 60.0, 1e-6);
        }
        EXPECT_EQ(engine.GetFrameCount(), frames);
    }
    // The measured rates follow the frame time line: exactly 60.
    TestEngine engine;
    engine.SetFixedStep(true, false);
    for (int i = 0; i < 60; ++i) engine.RunFrame(0.0);
    EXPECT_NEAR(engine.GetAverageFPS(), 60.0f, 1e-3f);
}

TEST(FrameLoop, AverageRateCountsZerosBeforeSixtyFrames) {
    TestEngine engine;
    EXPECT_TRUE(std::isinf(engine.GetAverageFPS()));
    engine.RunFrame(20.0);  // one frame of 20 ms: 60 / 0.02
    EXPECT_NEAR(engine.GetAverageFPS(), 3000.0f, 0.5f);
    for (int i = 2; i <= 61; ++i) engine.RunFrame(20.0 * i);
    EXPECT_NEAR(engine.GetAverageFPS(), 50.0f, 0.01f);
}

TEST(FrameLoop, FocusPollingActivatesAndDeactivatesOnlyInItsWindow) {
    TestEngine engine;
    Journal j;
    Listener a(j, "a");
    engine.AddInputListener(&a);
    double t = 0.0;
    auto runUntil = [&](double end) {
        while (t < end) {
            t += 20.0;
            engine.RunFrame(t);
        }
    };
    // Run time reaches 250 ms at the first sample (260 ms); polling starts after it.
    engine.foreground = false;
    runUntil(300);  // focus lost while not yet active: no deactivation
    EXPECT_TRUE(j.lines.empty());
    engine.foreground = true;
    runUntil(340);
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.activate", "a.preinput", "a.postinput8"}));
    j.lines.clear();
    engine.foreground = false;
    runUntil(380);
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.preinput", "a.postinput9", "a.deactivate"}));
    j.lines.clear();
    engine.foreground = true;
    runUntil(2600);  // regained; once run time passes 2000 ms loss is no longer polled
    EXPECT_EQ(j.lines.size(), 3u);
    j.lines.clear();
    engine.foreground = false;
    runUntil(3000);
    EXPECT_TRUE(j.lines.empty());
}

TEST(Process, FalsePreProcessStopsFirstPassButEveryoneProcesses) {
    TestEngine engine;
    Journal j;
    Listener a(j, "a"), b(j, "b"), c(j, "c");
    b.preResult = false;
    engine.AddProcessListener(&a);
    engine.AddProcessListener(&b);
    engine.AddProcessListener(&c);
    EXPECT_FALSE(engine.Process(vK_FrameInfo()));
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.pre", "b.pre", "a.process", "b.process", "c.process"}));
}

TEST(Process, ListenerRemovedDuringFirstPassGetsNoFurtherCall) {
    TestEngine engine;
    Journal j;
    Listener a(j, "a"), b(j, "b");
    a.onPre = [&] { engine.RemoveProcessListener(&b); };
    engine.AddProcessListener(&a);
    engine.AddProcessListener(&b);
    EXPECT_TRUE(engine.Process(vK_FrameInfo()));
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.pre", "a.process"}));
}

TEST(Process, DoubleRegistrationCallsTwiceAndOneRemovalRemovesOne) {
    TestEngine engine;
    Journal j;
    Listener a(j, "a");
    engine.AddProcessListener(&a);
    engine.AddProcessListener(&a);
    engine.Process(vK_FrameInfo());
    EXPECT_EQ(j.lines.size(), 4u);
    j.lines.clear();
    engine.RemoveProcessListener(&a);
    engine.Process(vK_FrameInfo());
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.pre", "a.process"}));
}

TEST(Draw, RefusingPreDrawStopsThePassAndOnlyCalledListenersGetPostDraw) {
    TestEngine engine;
    App app;
    engine.Init(&app);
    Journal j;
    Listener a(j, "a"), b(j, "b"), c(j, "c");
    b.preResult = false;
    engine.RemoveDrawListener(&app);
    engine.AddDrawListener(&a);
    engine.AddDrawListener(&b);
    engine.AddDrawListener(&c);
    engine.Draw();
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.predraw", "b.predraw", "a.postdraw", "b.postdraw"}));
}

// A listener removed during the draw (it may be freed by then) gets no post-draw call.
TEST(Draw, ListenerRemovedDuringTheDrawGetsNoPostDraw) {
    TestEngine engine;
    App app;
    engine.Init(&app);
    Journal j;
    Listener a(j, "a"), b(j, "b");
    b.onPreDraw = [&] { engine.RemoveDrawListener(&a); };
    engine.RemoveDrawListener(&app);
    engine.AddDrawListener(&a);
    engine.AddDrawListener(&b);
    engine.Draw();
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.predraw", "b.predraw", "b.postdraw"}));
}

// In every pass, a listener that another removes and frees during the pass is not called
// again, whether or not its turn in the pass had come.
TEST(Listeners, OneFreedByAnotherDuringAPassIsNeverCalledAgain) {
    struct Case {
        const char* name;
        void (*add)(Vrakko&, Listener*);
        void (*remove)(Vrakko&, Listener*);
        std::function<void()>& (*trigger)(Listener&);  // b's call that frees a
        void (*pass)(TestEngine&);
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"process",
         [](Vrakko& e, Listener* l) { e.AddProcessListener(l); },
         [](Vrakko& e, Listener* l) { e.RemoveProcessListener(l); },
         [](Listener& l) -> std::function<void()>& { return l.onPre; },
         [](TestEngine& e) { e.Process(vK_FrameInfo()); },
         {"a.pre", "b.pre", "b.process"}},
        {"draw",
         [](Vrakko& e, Listener* l) { e.AddDrawListener(l); },
         [](Vrakko& e, Listener* l) { e.RemoveDrawListener(l); },
         [](Listener& l) -> std::function<void()>& { return l.onPreDraw; },
         [](TestEngine& e) { e.Draw(); },
         {"a.predraw", "b.predraw", "b.postdraw"}},
        {"input",
         [](Vrakko& e, Listener* l) { e.AddInputListener(l); },
         [](Vrakko& e, Listener* l) { e.RemoveInputListener(l); },
         [](Listener& l) -> std::function<void()>& { return l.onPreInput; },
         [](TestEngine& e) {
             vK_InputEvent key;
             key.type = vK_InputEvent::kKeyDown;
             e.Input(key);
         },
         {"a.preinput", "b.preinput", "b.postinput" + std::to_string(static_cast<int>(vK_InputEvent::kKeyDown))}},
        {"display mode",
         [](Vrakko& e, Listener* l) { e.AddDrawListener(l); },
         [](Vrakko& e, Listener* l) { e.RemoveDrawListener(l); },
         [](Listener& l) -> std::function<void()>& { return l.onCan; },
         [](TestEngine& e) { EXPECT_TRUE(e.SetFullscreen(true)); },
         {"a.can", "b.can", "b.done1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestEngine engine;
        App app;
        engine.Init(&app);
        Journal j;
        auto* a = new Listener(j, "a");
        Listener b(j, "b");
        c.add(engine, a);
        c.add(engine, &b);
        c.trigger(b) = [&] {
            c.remove(engine, a);
            delete a;
            a = nullptr;
        };
        c.pass(engine);
        EXPECT_EQ(j.lines, c.expected);
        EXPECT_EQ(a, nullptr);
    }
}

TEST(DisplayMode, RefusingListenerKeepsTheModeAndEarlierListenersHearTheOldFlag) {
    TestEngine engine;
    App app;
    engine.Init(&app);
    ASSERT_FALSE(engine.IsFullscreen());
    Journal j;
    Listener a(j, "a"), b(j, "b"), c(j, "c");
    engine.AddDrawListener(&a);
    engine.AddDrawListener(&b);
    engine.AddDrawListener(&c);
    b.preResult = false;
    EXPECT_FALSE(engine.SetFullscreen(true));
    EXPECT_TRUE(engine.modesApplied.empty());
    EXPECT_FALSE(engine.IsFullscreen());
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.can", "b.can", "a.done0"}));

    j.lines.clear();
    b.preResult = true;
    EXPECT_TRUE(engine.SetFullscreen(true));
    ASSERT_EQ(engine.modesApplied.size(), 1u);
    EXPECT_EQ(engine.modesApplied[0].width, 800);
    EXPECT_TRUE(engine.IsFullscreen());
    EXPECT_EQ(j.lines,
              (std::vector<std::string>{"a.can", "b.can", "c.can", "a.done1", "b.done1", "c.done1"}));
}

TEST(Input, ActivationSendsEventsAroundListenerCalls) {
    TestEngine engine;
    Journal j;
    Listener a(j, "a");
    engine.AddInputListener(&a);
    engine.Activate();
    engine.Deactivate();
    EXPECT_EQ(j.lines, (std::vector<std::string>{"a.activate", "a.preinput", "a.postinput8", "a.preinput",
                                                 "a.postinput9", "a.deactivate"}));
}

TEST(Application, SetApplicationRegistersAndUnregistersTheFourSubObjects) {
    TestEngine engine;
    App app;
    engine.Init(&app);
    EXPECT_EQ(app.afterInit, 1);
    EXPECT_EQ(engine.GetWidth(), 800);
    ASSERT_NE(engine.GetRenderer(), nullptr);
    engine.SetApplication(&app);  // the current one: nothing changes
    Journal j;
    engine.SetApplication(nullptr);
    engine.Draw();
    engine.Shutdown();
    EXPECT_EQ(engine.releases, 1);
    EXPECT_EQ(engine.GetRenderer(), nullptr);
    engine.Init(nullptr);  // no application at all: nothing
    EXPECT_EQ(engine.GetRenderer(), nullptr);
}

TEST(Application, GammaFactorReachesTheRendererOverlay) {
    TestEngine engine;
    App app;
    engine.Init(&app);
    engine.SetFactor(1.5f);
    engine.Draw();
    auto* render = static_cast<vK_RecordingRender*>(engine.GetRenderer());
    ASSERT_EQ(render->batches.size(), 1u);
    EXPECT_EQ(vK_Render::BlendOf(render->batches[0].blend), vK_Render::Blend::kAdd);
}

}  // namespace
