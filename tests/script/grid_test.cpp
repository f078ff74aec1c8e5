#include "scene/grid.h"

#include <cmath>

#include "script/script_api.h"
#include "script_drawable_fixture.h"

namespace {

// Three frames of a three-vertex mesh; vertex 0 moves along x: 0, 100, 40. The easing
// of frames 1 and 2 is given per test.
std::string GridXml(int loop, const char* fps, int interp1, int interp2) {
    auto frame = [](int interp, int x) {
        return "<frame interp=\"" + std::to_string(interp) + "\"><vertex pos_x=\"" + std::to_string(x) +
               "\" pos_y=\"0\" tu=\"0\" tv=\"0\" id=\"0\"/><vertex pos_x=\"10\" pos_y=\"0\" tu=\"1\" "
               "tv=\"0\"/>"
               "<vertex pos_x=\"0\" pos_y=\"10\" tu=\"0\" tv=\"1\"/></frame>";
    };
    return "<grid texture=\"tex\" frame=\"0\" loop=\"" + std::to_string(loop) + "\" fps=\"" + fps +
           "\"><frames>" + frame(0, 0) + frame(interp1, 100) + frame(interp2, 40) +
           "</frames><triangles><triangle vertex_0=\"0\" vertex_1=\"1\" vertex_2=\"2\"/></triangles></grid>";
}

class GridTest : public ScriptDrawableFixture {
protected:
    void SetUp() override {
        ScriptDrawableFixture::SetUp();
        vK_Grid::RegisterType();
        WritePng("assets/grids/tex.png", 8, 8, 0, 0, 8, 8);
    }
    vK_Grid* MakeGrid(const std::string& name, const std::string& xml) {
        WriteText("assets/grids/" + name + ".xml", xml);
        auto* grid = static_cast<vK_Grid*>(vK_Object::CreateObject("grid", name));
        origin->AddChild(grid);
        vK_DataTable props;
        props.SetString("res", "assets/grids/" + name);
        grid->SetProperties(props);
        return grid;
    }
    vK_DataScriptFunction Handler() { return hub.CompileCode("ended = (ended or 0) + 1"); }
    int Ended() {
        hub.RunDeferredHandlers();
        auto value = hub.GetGlobal("ended");
        return value ? value->GetInt() : 0;
    }
};

}  // namespace

TEST_F(GridTest, Load_ReadsTheFileAndSharesTheParsedGrid) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    EXPECT_EQ(grid->GetType(), "grid");
    EXPECT_EQ(grid->GetFrameCount(), 3);
    EXPECT_EQ(grid->GetTexturePath(), "assets/grids/tex");
    EXPECT_FLOAT_EQ(grid->GetFrameDuration(), 0.1f);
    EXPECT_EQ(grid->GetIndexList().Count(), 3u);
    EXPECT_NE(grid->GetResource(), nullptr);  // the texture, acquired in the scene
    ASSERT_NE(resources.FindResource("assets/grids/g_grd"), nullptr);
    auto* twin = static_cast<vK_Grid*>(vK_Object::CreateObject("grid", "twin"));
    vK_DataTable props;
    props.SetString("res", "assets/grids/g");
    twin->SetProperties(props);
    EXPECT_EQ(twin->GetFrameCount(), 3);
    EXPECT_EQ(resources.FindResource("assets/grids/g_grd").use_count(),
              2 + 1);  // two grids and this reference
}

TEST_F(GridTest, Play_ShowsEveryFrameThenStopsAndCallsTheHandlerOnce) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    grid->Play(Handler());
    std::vector<int> frames;
    for (int i = 0; i < 6; ++i) {
        frames.push_back(grid->GetCurrentFrame());
        Step(0.1f);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 2, 2, 2}));
    EXPECT_FALSE(grid->IsPlaying());
    EXPECT_EQ(Ended(), 1);
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[0].x, 40.0f);  // stays on the last frame
}

TEST_F(GridTest, Play_LoopGoesOnFromTheLastFrameToTheFirst) {
    vK_Grid* grid = MakeGrid("g", GridXml(1, "10", 0, 0));
    grid->Play(Handler());
    std::vector<int> frames;
    for (int i = 0; i < 7; ++i) {
        frames.push_back(grid->GetCurrentFrame());
        Step(0.1f);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_TRUE(grid->IsPlaying());
    EXPECT_EQ(Ended(), 0);
    // Half way from frame 2 (x 40) towards frame 0 (x 0), linear: the first frame's easing.
    Step(0.1f);
    ASSERT_EQ(grid->GetCurrentFrame(), 2);
    Step(0.05f);
    EXPECT_NEAR(grid->GetCurrentVertices()[0].x, 20.0f, 1e-3);
}

TEST_F(GridTest, Interpolation_FollowsTheEasingCodeOfTheFrameMovedInto) {
    struct Case {
        int easing;
        float x;  // vertex 0 half way from frame 0 (x 0) to frame 1 (x 100)
    } cases[] = {{0, 50.0f}, {1, 29.289f}, {2, 70.711f}, {3, 50.0f}, {7, 50.0f}};
    for (const Case& c : cases) {
        vK_Grid* grid = MakeGrid("e" + std::to_string(c.easing), GridXml(0, "10", c.easing, 0));
        grid->Play(Handler());
        Step(0.05f);
        EXPECT_EQ(grid->GetCurrentFrame(), 0);
        EXPECT_NEAR(grid->GetCurrentVertices()[0].x, c.x, 0.01) << c.easing;
        EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[1].x, 10.0f);  // vertices that do not move stay
    }
}

TEST_F(GridTest, Frame_IsClampedToTheFramesThereAre) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    struct Case {
        int set, got;
    } cases[] = {{99, 2}, {-4, 0}, {1, 1}};
    for (const Case& c : cases) {
        vK_DataTable props;
        props.SetInt("frame", c.set);
        grid->SetProperties(props);
        EXPECT_EQ(grid->GetCurrentFrame(), c.got) << c.set;
        vK_DataTable out;
        grid->GetProperties(out, false);
        EXPECT_EQ(out.Get("frame")->GetInt(), c.got);
    }
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[0].x, 100.0f);  // rebuilt at frame 1
}

TEST_F(GridTest, ZeroFps_ShowsTheEndStateWithoutDividingByZero) {
    vK_Grid* grid = MakeGrid("z", GridXml(0, "0", 0, 0));
    EXPECT_EQ(grid->GetFrameDuration(), 0.0f);
    grid->Play(Handler());
    grid->RebuildMesh();
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[0].x, 100.0f);  // already at frame 1's state
    for (int i = 0; i < 5; ++i) Step(0.016f);
    EXPECT_FALSE(grid->IsPlaying());
    EXPECT_EQ(Ended(), 1);
    for (const vK_GridVertex& v : grid->GetCurrentVertices()) EXPECT_TRUE(std::isfinite(v.x));
}

TEST_F(GridTest, SetVertex_ChangesOneVertexOfOneFrame) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    vK_DataTable values;
    values.SetFloat("pos_x", 7.0f);
    values.SetFloat("tv", 0.5f);
    EXPECT_TRUE(grid->SetVertex(0, 2, values));
    EXPECT_FALSE(grid->SetVertex(3, 0, values));
    EXPECT_FALSE(grid->SetVertex(0, 3, values));
    EXPECT_FALSE(grid->SetVertex(-1, 0, values));
    Step(0.01f);
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[2].x, 7.0f);
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[2].y, 10.0f);  // absent keys keep their value
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[2].tv, 0.5f);
}

TEST_F(GridTest, Draw_ExpandsTheTrianglesThroughTheMatrixWithoutTheDrawOffset) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    grid->SetPosition(100, 50);
    vK_DataTable props;
    props.SetFloat("drawoff_x", 30);
    props.SetFloat("alp", 0.5f);
    grid->SetProperties(props);
    render.BeginFrame();
    render.BeginDraw();
    origin->Draw(render, vK_DrawParams());
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    const auto& batch = render.batches[0];
    ASSERT_EQ(batch.VertexCount(), 3u);
    const float expected[3][4] = {{100, 50, 0, 0}, {110, 50, 1, 0}, {100, 60, 0, 1}};  // x, y, u, v
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 4; ++k)
            EXPECT_FLOAT_EQ(batch.vertices[i * 8 + k], expected[i][k]) << i << "," << k;
        EXPECT_FLOAT_EQ(batch.Alpha(i), 0.5f);
    }
}

TEST_F(GridTest, MissingFileOrTexture_DrawsNothing) {
    auto* grid = static_cast<vK_Grid*>(vK_Object::CreateObject("grid", "missing"));
    origin->AddChild(grid);
    vK_DataTable props;
    props.SetString("res", "assets/grids/none");
    grid->SetProperties(props);
    EXPECT_EQ(grid->GetFrameCount(), 0);
    vK_Grid* bare = MakeGrid(
        "bare", "<grid texture=\"nothing\" fps=\"5\"><frames><frame><vertex/></frame></frames></grid>");
    render.BeginFrame();
    render.BeginDraw();
    origin->Draw(render, vK_DrawParams());
    render.EndDraw();
    EXPECT_TRUE(render.batches.empty());
    EXPECT_EQ(bare->GetResource(), nullptr);
}

namespace {

class GridScriptTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        RegisterScriptApi(hub);
    }
    bool Lua(const std::string& code) { return hub.CallFunction(hub.CompileCode(code), nullptr); }
};

}  // namespace

TEST_F(GridScriptTest, Play_ThroughTheScriptFunctionCallsTheHandlerAtTheEnd) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    ASSERT_TRUE(Lua("vk.obj.grid.Play('g', function(p) ended = (ended or 0) + 1; who = p.sender end)"));
    std::vector<int> frames;
    for (int i = 0; i < 4; ++i) {
        frames.push_back(grid->GetCurrentFrame());
        Step(0.1f);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 2}));
    EXPECT_EQ(Ended(), 1);
    EXPECT_EQ(hub.GetGlobal("who")->ToString(), "g");
    EXPECT_TRUE(Lua("GridPlay('g', 'ended = ended + 10')"));  // the alias, a code string handler
    for (int i = 0; i < 4; ++i) Step(0.1f);
    EXPECT_EQ(Ended(), 11);
}

TEST_F(GridScriptTest, SetSetImagePauseStop) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    ASSERT_TRUE(Lua("vk.obj.grid.Set('g', 0, {2, {pos_x = 3, tu = 0.5}, 1, {pos_y = -1}, 9, {pos_x = 1}})"));
    grid->RebuildMesh();
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[2].x, 3.0f);
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[2].tu, 0.5f);
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[1].y, -1.0f);
    ASSERT_TRUE(Lua("GridSetImage('g', 5)"));
    EXPECT_EQ(grid->GetCurrentFrame(), 2);
    WritePng("assets/grids/other.png", 4, 4, 0, 0, 4, 4);
    ASSERT_TRUE(Lua("GridSetImage('g', nil, 'assets/grids/other')"));
    EXPECT_EQ(grid->GetTexturePath(), "assets/grids/other");
    EXPECT_EQ(grid->GetCurrentFrame(), 2);
    ASSERT_NE(grid->GetResource(), nullptr);
    EXPECT_EQ(grid->GetResource()->GetName(), "assets/grids/other");
    ASSERT_TRUE(Lua("GridPlay('g', nil); GridPause('g', 1)"));
    EXPECT_FALSE(grid->IsPlaying());
    ASSERT_TRUE(Lua("GridPause('g', 0)"));
    EXPECT_TRUE(grid->IsPlaying());
    Step(0.1f);
    ASSERT_TRUE(Lua("GridStop('g')"));
    EXPECT_FALSE(grid->IsPlaying());
    EXPECT_EQ(grid->GetCurrentFrame(), 1);
    EXPECT_FLOAT_EQ(grid->GetCurrentVertices()[0].x, 100.0f);
    // Unknown objects and objects of other types are ignored.
    ASSERT_TRUE(Lua("GridPlay('nothing', nil); GridStop('vk_origin'); GridSet('g'); GridSetImage('g')"));
}

// Arguments read as numbers take numeric strings too; a missing number changes nothing.
TEST_F(GridScriptTest, NumericArguments_StringsCountAndMissingNumbersDoNothing) {
    vK_Grid* grid = MakeGrid("g", GridXml(0, "10", 0, 0));
    struct Case {
        const char* code;
        int frame;
        bool playing;
    };
    const Case cases[] = {
        {"GridPlay('g', nil)", 0, true},
        {"GridPause('g')", 0, true},  // no number: still playing
        {"GridPause('g', nil)", 0, true},
        {"GridPause('g', '1')", 0, false},  // a numeric string pauses like 1
        {"GridPause('g')", 0, false},       // no number: still paused
        {"GridPause('g', '0')", 0, true},
        {"GridSetImage('g', '1')", 1, true},   // a numeric string frame
        {"GridSetImage('g', ' 2')", 1, true},  // not a number as a whole: ignored
        {"GridSetImage('g', 'x')", 1, true},
        {"GridSetImage('g', '-1')", 0, true},  // clamped like the number
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Lua(c.code)) << c.code;
        EXPECT_EQ(grid->GetCurrentFrame(), c.frame) << c.code;
        EXPECT_EQ(grid->IsPlaying(), c.playing) << c.code;
    }
}
