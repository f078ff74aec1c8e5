#include "scene/grid_res.h"

#include <gtest/gtest.h>

#include <string>

#include "files/log.h"

namespace {

const char* const kGrid = R"(<grid texture="pics/wave" frame="3" loop="1" fps="10">
  <frames>
    <frame interp="2">
      <vertex pos_x="1.5" pos_y="-2" tu="0.25" tv="1" id="7"/>
      <vertex pos_x="10" tu="1"/>
      <vertex pos_y="10" tv="1"/>
    </frame>
    <frame>
      <vertex pos_x="2"/><vertex/><vertex/>
    </frame>
  </frames>
  <triangles>
    <triangle vertex_0="0" vertex_1="1" vertex_2="2"/>
    <triangle vertex_0="2" vertex_1="1" vertex_2="0"/>
  </triangles>
</grid>)";

bool Parse(vK_GridRes& grid, const std::string& text) { return grid.Parse("g", text.data(), text.size()); }

}  // namespace

TEST(GridRes, Parse_ReadsAttributesFramesAndTriangles) {
    vK_GridRes grid;
    ASSERT_TRUE(Parse(grid, kGrid));
    EXPECT_EQ(grid.GetTexture(), "pics/wave");
    EXPECT_EQ(grid.GetFrame(), 3);
    EXPECT_TRUE(grid.GetLoop());
    EXPECT_FLOAT_EQ(grid.GetFps(), 10.0f);
    ASSERT_EQ(grid.GetFrames().size(), 2u);
    EXPECT_EQ(grid.GetFrames()[0].interp, 2);
    EXPECT_EQ(grid.GetFrames()[1].interp, 0);  // absent attributes count as 0
    const vK_GridVertex& v = grid.GetFrames()[0].vertices[0];
    EXPECT_FLOAT_EQ(v.x, 1.5f);
    EXPECT_FLOAT_EQ(v.y, -2.0f);
    EXPECT_FLOAT_EQ(v.tu, 0.25f);
    EXPECT_FLOAT_EQ(v.tv, 1.0f);
    EXPECT_EQ(v.id, 7);
    EXPECT_EQ(grid.GetIndices(), (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
}

TEST(GridRes, Parse_RefusesOrClampsInvalidContentWithALogLine) {
    struct Case {
        const char* text;
        size_t frames;
        size_t indices;
        float fps;
        const char* logged;
    } cases[] = {
        // A frame with a different vertex count is dropped.
        {R"(<grid fps="5"><frames><frame><vertex/><vertex/></frame><frame><vertex/></frame>
            <frame><vertex/><vertex/></frame></frames></grid>)",
         2, 0, 5.0f, "Error: grid g frame 1 has 1 vertices instead of 2; frame dropped"},
        // Triangle indices past the vertex count (or negative) drop the triangle.
        {R"(<grid fps="5"><frames><frame><vertex/><vertex/><vertex/></frame></frames>
            <triangles><triangle vertex_0="0" vertex_1="1" vertex_2="3"/>
            <triangle vertex_0="-1" vertex_1="1" vertex_2="2"/>
            <triangle vertex_0="2" vertex_1="1" vertex_2="0"/></triangles></grid>)",
         1, 3, 5.0f, "Error: grid g triangle 0 (0, 1, 3) indexes past its 3 vertices; triangle dropped"},
        // fps <= 0 and absent fps become 0: frames show their end state.
        {R"(<grid fps="0"/>)", 0, 0, 0.0f,
         "Warning: grid g has fps 0; its frames are shown at their end state"},
        {R"(<grid fps="-3"/>)", 0, 0, 0.0f, "Warning: grid g has fps -3"},
        {R"(<grid/>)", 0, 0, 0.0f, "Warning: grid g has fps 0"},
        {R"(<grid fps="nan"/>)", 0, 0, 0.0f, "Warning: grid g has fps"},
        // Triangles without any frame index nothing.
        {R"(<grid fps="1"><triangles><triangle/></triangles></grid>)", 0, 0, 1.0f,
         "Error: grid g triangle 0 (0, 0, 0) indexes past its 0 vertices"},
    };
    for (const Case& c : cases) {
        vK_LogCapture log;
        vK_GridRes grid;
        ASSERT_TRUE(Parse(grid, c.text)) << c.text;
        EXPECT_EQ(grid.GetFrames().size(), c.frames) << c.text;
        EXPECT_EQ(grid.GetIndices().size(), c.indices) << c.text;
        EXPECT_FLOAT_EQ(grid.GetFps(), c.fps) << c.text;
        EXPECT_TRUE(log.Contains(c.logged)) << log.Text();
    }
}

TEST(GridRes, Parse_RefusesDocumentsThatAreNotGrids) {
    for (const char* text : {"", "<grid", "<animation/>", "not xml at all"}) {
        vK_LogCapture log;
        vK_GridRes grid;
        EXPECT_FALSE(Parse(grid, text)) << text;
        EXPECT_EQ(log.Count(), 1) << text;
    }
}
