// The developer overlay's panels, headless: the inspector answers for known objects under
// a known point without the game seeing the probe or the click, the console runs Lua in
// the game's state, and the profiler's counts match the scene it measures.
#include "app/dev/dev_overlay.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/input_event.h"
#include "core/vrakko.h"
#include "files/log.h"
#include "game/tile_object.h"
#include "graphics/generated_texture.h"
#include "graphics/glyph_rasterizer.h"
#include "scene/object.h"
#include "script/module_file.h"
#include "support/recording_render.h"
#include "support/script_scene.h"

namespace {

class OverlayPlatform : public vK_Platform {
public:
    std::unique_ptr<vK_Render> CreateRenderer(int, int) override {
        auto render = std::make_unique<vK_RecordingRender>();
        render->Init(640, 480);
        return render;
    }
};

class OverlayEngine : public Vrakko {
public:
    OverlayEngine() : Vrakko(std::make_unique<OverlayPlatform>()) {}
};

vK_InputEvent Event(vK_InputEvent::Type type, int key = 0, int code = 0, float x = 0, float y = 0) {
    vK_InputEvent e;
    e.type = type;
    e.key = type >= vK_InputEvent::kPointerDown ? vK_InputEvent::kPointerKey : key;
    e.code = code;
    e.x = x;
    e.y = y;
    return e;
}

std::vector<std::string> Names(const std::vector<vK_Object*>& objects) {
    std::vector<std::string> names;
    for (const vK_Object* o : objects) names.push_back(o->GetName());
    return names;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

}  // namespace

TEST(DevOverlay, InspectorAnswersForTheObjectUnderThePointAndKeepsItsInputFromTheGame) {
    vK_GlyphRasterizer glyphs;
    ScriptSceneFixture script;
    OverlayEngine engine;
    // A module's description makes "panel" (400 x 300 at the origin) and, on top of it,
    // "item" (50 x 50 at 100, 100) with a child; a script adds "ghost" above everything,
    // covering the point with input switched off.
    vK_ModuleFile module("assets/levels/room", "", false);
    ASSERT_TRUE(
        module.ReadXml("<module><objs><obj name='room'><obj name='panel' inputrect_init='1' "
                       "inputrect_w='400' inputrect_h='300'/><obj name='item' pos_x='100' pos_y='100' "
                       "inputrect_init='1' inputrect_w='50' inputrect_h='50'><obj name='item_label' "
                       "pos_y='60'/></obj></obj></objs></module>"));
    vK_Object* room = module.GetRoot();
    script.scene->GetLiveRoot()->AddChild(room);
    script.MakeObject("ghost", 0, 0, 400, 300, "input = 0");
    script.MakeObject("button", 500, 400, 50, 50);

    vK_DevOverlay overlay;
    overlay.Attach(engine);
    overlay.GetInspector().Probe(120, 130);
    ASSERT_NE(overlay.GetInspector().GetPicked(), nullptr);
    EXPECT_EQ(overlay.GetInspector().GetPicked()->GetName(), "item");
    EXPECT_EQ(Names(overlay.GetInspector().GetStack()), (std::vector<std::string>{"ghost", "item", "panel"}));
    const std::vector<std::string> lines = vK_DevInspector::Describe(*overlay.GetInspector().GetPicked());
    for (const char* expected :
         {"name     item", "type     obj", "parents  vk_origin > room", "module   assets/levels/room",
          "local    x 100.0  y 100.0", "origin   x 100.0  y 100.0 (reference units)",
          "flags    visible active input"})
        EXPECT_TRUE(HasLine(lines, expected)) << expected;
    const std::vector<std::string> ghost = vK_DevInspector::Describe(*vK_Object::FindObject("ghost"));
    EXPECT_TRUE(HasLine(ghost, "module   (made by a script)"));
    EXPECT_TRUE(HasLine(ghost, "flags    visible active no-input"));

    // The tree, filtered by name.
    size_t total = 0;
    EXPECT_EQ(vK_DevInspector::TreeLines("ITEM", 0, 10, total),
              (std::vector<std::string>{"    item [obj]", "      item_label [obj]"}));
    EXPECT_EQ(total, 2u);

    // Shown, the inspector keeps the pointer: the click pins "item" and the game hears
    // nothing of it; hidden again, the game gets its clicks.
    engine.Input(Event(vK_InputEvent::kKeyDown, 112));
    engine.Input(Event(vK_InputEvent::kKeyUp, 112));
    ASSERT_TRUE(overlay.IsShown(vK_DevOverlay::kInspector));
    EXPECT_TRUE(overlay.HoldsPointer());
    engine.Input(Event(vK_InputEvent::kPointerDown, 0, 0, 120, 130));
    engine.Input(Event(vK_InputEvent::kPointerUp, 0, 0, 120, 130));
    EXPECT_TRUE(overlay.GetInspector().IsPinned());
    overlay.GetInspector().Probe(5, 5);
    EXPECT_EQ(overlay.GetInspector().GetShown()->GetName(), "item");  // pinned
    EXPECT_EQ(overlay.GetInspector().GetPicked()->GetName(), "panel");
    EXPECT_TRUE(script.Take().empty());
    engine.Input(Event(vK_InputEvent::kPointerDown, 0, 0, 520, 420));
    EXPECT_TRUE(script.Take().empty());
    engine.Input(Event(vK_InputEvent::kKeyDown, 112));
    EXPECT_FALSE(overlay.HoldsPointer());
    engine.Input(Event(vK_InputEvent::kPointerDown, 0, 0, 520, 420));
    EXPECT_EQ(script.Take(), (std::vector<ScriptSceneFixture::Record>{{"mdown", "button"}}));
    overlay.Detach();
}

TEST(DevOverlay, ConsoleRunsLuaInTheGameStateWithHistoryAndPrint) {
    ScriptSceneFixture script;
    OverlayEngine engine;
    script.hub.LoadModuleCode("function public.Twice(x) return 2 * x end", "shelf");
    vK_DevOverlay overlay;
    overlay.Attach(engine);
    vK_DevConsole& console = overlay.GetConsole();
    struct Case {
        const char* line;
        const char* answer;
        bool error;
    } cases[] = {
        {"1+1", "2", false},
        {"shelf.Twice(21)", "42", false},
        {"counter = 7", "", false},  // a statement: nothing to print
        {"counter, 'x'", "7\tx", false},
        {"nosuch.Call()", "console:1: attempt to index global 'nosuch' (a nil value)", true},
        {"print('from', 3)", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(console.Run(c.line), c.answer) << c.line;
        EXPECT_EQ(console.GetOutput().back().error, c.error) << c.line;
    }
    EXPECT_EQ(console.GetOutput().back().text, "from\t3");  // print reached the console
    EXPECT_EQ(script.Eval("counter"), "7");                 // the game's state

    // Typed into the shown console: the game gets none of the keys; Up recalls the last line.
    engine.Input(Event(vK_InputEvent::kKeyDown, 113));
    for (char c : std::string("3*5")) engine.Input(Event(vK_InputEvent::kChar, 0, c));
    engine.Input(Event(vK_InputEvent::kKeyDown, 13));
    EXPECT_EQ(console.GetOutput().back().text, "15");
    engine.Input(Event(vK_InputEvent::kKeyDown, 38));
    EXPECT_EQ(console.GetInput(), "3*5");
    engine.Input(Event(vK_InputEvent::kKeyDown, 38));
    EXPECT_EQ(console.GetInput(), "print('from', 3)");
    overlay.Detach();
}

TEST(DevOverlay, ConsoleGivesPrintBackWhenItGoes) {
    ScriptSceneFixture script;
    const std::string before = script.Eval("tostring(print)");
    {
        vK_DevConsole console;
        EXPECT_NE(script.Eval("tostring(print)"), before);
    }
    EXPECT_EQ(script.Eval("tostring(print)"), before);
}

namespace {
int g_console_reports = 0;
void CountConsoleReport(vK_DataTable&) { ++g_console_reports; }
}  // namespace

// A line typed into the console that never ends is stopped like any call: the console
// shows where, the log and a report say it, and the next frame runs and draws.
TEST(DevOverlay, ConsoleLineThatNeverEndsIsStoppedAndTheFramesGoOn) {
    vK_GlyphRasterizer glyphs;
    ScriptSceneFixture script;
    script.hub.SetCallBudget(0.2);
    g_console_reports = 0;
    const auto sink = vK_ScriptHub::ReportSinkSeam().Install(&CountConsoleReport);
    OverlayEngine engine;
    engine.CreateRenderer();
    vK_DevOverlay overlay;
    overlay.Attach(engine);
    overlay.Toggle(vK_DevOverlay::kConsole);
    vK_LogCapture log;
    const std::string stopped = "console:1: script ran past its time budget of 0.2 s";
    EXPECT_EQ(overlay.GetConsole().Run("n = 0 while true do n = n + 1 end"), stopped);
    EXPECT_TRUE(overlay.GetConsole().GetOutput().back().error);
    EXPECT_EQ(log.Text(), "Error: you try to execute code - lua error: " + stopped);
    EXPECT_EQ(g_console_reports, 1);
    auto& render = static_cast<vK_RecordingRender&>(*engine.GetRenderer());
    render.batches.clear();
    ASSERT_TRUE(engine.RunFrame(1000.0));
    engine.Draw();
    EXPECT_FALSE(render.batches.empty());  // the console's panel
    EXPECT_EQ(overlay.GetConsole().Run("n > 0"), "true");
    overlay.Detach();
}

TEST(DevOverlay, ProfilerCountsMatchTheScene) {
    vK_GlyphRasterizer glyphs;
    ScriptSceneFixture script;
    OverlayEngine engine;
    engine.CreateRenderer();
    auto& render = static_cast<vK_RecordingRender&>(*engine.GetRenderer());
    const float white[3] = {1, 1, 1}, red[3] = {1, 0, 0};
    auto a = render.CreateGeneratedTexture();
    auto b = render.CreateGeneratedTexture();
    ASSERT_TRUE(a->Create(8, 8, white) && b->Create(8, 8, red));
    // Two tiles of one texture batch together, the third has its own texture: two draw
    // calls, and five objects in the live scene (the root, a group, three tiles).
    vK_Object* group = vK_Object::CreateObject("obj", "group");
    script.scene->GetLiveRoot()->AddChild(group);
    for (const auto& texture : {a, a, b})
        group->AddChild(vK_Object::Adopt(std::make_unique<TileObject>(texture)));
    vK_DevOverlay overlay;
    overlay.Attach(engine);
    overlay.Toggle(vK_DevOverlay::kProfiler);
    engine.Draw();
    const vK_DevProfiler::Counts& counts = overlay.GetProfiler().GetCounts();
    EXPECT_EQ(counts.sceneObjects, 5u);
    EXPECT_EQ(counts.drawCalls, 2);
    // Hidden, the overlay draws nothing: the frame is the scene's two batches alone.
    overlay.Toggle(vK_DevOverlay::kProfiler);
    render.batches.clear();
    engine.Draw();
    EXPECT_EQ(render.batches.size(), 2u);
    // Frame times reach the graph, one sample a frame.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(engine.RunFrame(1000.0 * (i + 1)));
    EXPECT_EQ(overlay.GetProfiler().GetSampleCount(), 3u);
    overlay.Detach();
    vK_Object::ReleaseAll();
}
