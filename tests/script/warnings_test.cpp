// Mistakes that change nothing at run time still say so: one "Warning: " line per
// distinct cause, naming the object and the file (and line) where they are known.
#include <gtest/gtest.h>

#include <string>

#include "files/file_manager.h"
#include "files/log.h"
#include "files/log_once.h"
#include "graphics/resource_manager.h"
#include "scene/animation.h"
#include "scene/sprite.h"
#include "script/module_file.h"
#include "support/recording_render.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

namespace {

// Two 4 x 4 frames on one page (page pixels are not needed: nothing is drawn).
constexpr const char* kDoorAtlas =
    "<frametexture>"
    "<frame texture=\"door_page\" left=\"0\" top=\"0\" widht=\"4\" height=\"4\"/>"
    "<frame texture=\"door_page\" left=\"4\" top=\"0\" widht=\"4\" height=\"4\"/>"
    "</frametexture>";

constexpr const char* kLamp =
    "<animation type=\"frame\" frame_texture=\"door\">"
    "<function name=\"glow\" frametime=\"100\" loop=\"1\"><frame idx=\"0\"/><frame idx=\"1\"/></function>"
    "<function name=\"dark\" frametime=\"100\" loop=\"0\"/>"
    "</animation>";

// Line 3 misspells pos_y; the code's lines are the file's, header line included.
constexpr const char* kShedXml =
    "<module name=\"shed\"><objs><obj name=\"shed_root\">\n"
    "<spr name=\"door\" res=\"assets/img/door\" frame=\"1\"/>\n"
    "<spr name=\"latch\" res=\"assets/img/door\" pos-y=\"3\" visble=\"0\"/>\n"
    "<anim name=\"lamp\" res=\"assets/anims/lamp\"/>\n"
    "</obj></objs></module>\n";

constexpr const char* kShedLua =
    "-- name=shed\n"
    "function public.SetTypo() ObjSet(\"door\", {visble = false}) end\n"                            // 2
    "function public.SetMissing() ObjSet(\"dor\", {pos_x = 1}) end\n"                               // 3
    "function public.MultiTypo() ObjMultiSet({{\"door\", {alpha = 1}}}) end\n"                      // 4
    "function public.GetTypo() return ObjGet(\"door\").visble end\n"                                // 5
    "function public.GetMissing() return ObjGet(\"gone\") end\n"                                    // 6
    "function public.AttachMissing() ObjAttach(\"ghost\", \"door\") end\n"                          // 7
    "function public.Frame() ObjSet(\"door\", {frame = 17}) end\n"                                  // 8
    "function public.Undefined() ObjSet(\"lamp\", {animfunc = \"glowing\", playing = true}) end\n"  // 9
    "function public.Empty() ObjSet(\"lamp\", {animfunc = \"dark\", playing = true}) end\n"         // 10
    "function public.SetTypoAgain() ObjSet(\"door\", {visble = true}) end\n";                       // 11

class Warnings : public ::testing::Test, public ScriptSceneFixture {
protected:
    void SetUp() override {
        ResetLogOnce();
        vK_Sprite::RegisterType();
        vK_Animation::RegisterType();
        files.SetAssetRoot(folder.Path());
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        folder.WriteFile("assets/img/door.xml", kDoorAtlas);
        folder.WriteFile("assets/anims/lamp.xml", kLamp);
        folder.WriteFile("assets/anims/door.xml", kDoorAtlas);
        folder.WriteFile("assets/mods/shed.xml", kShedXml);
        folder.WriteFile("assets/mods/shed.lua", kShedLua);
    }
    void TearDown() override { ResetLogOnce(); }

    TempFolder folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    vK_RecordingRender render{1024, 768};
};

TEST_F(Warnings, EachSilentFailureIsReportedOnceWithItsPlace) {
    vK_LogCapture log;
    LoadModule("assets/mods/shed");
    ASSERT_TRUE(Lua("ObjAttach('door', 'vk_origin'); ObjAttach('lamp', 'vk_origin')"));
    const std::string xml = "Warning: assets/mods/shed.xml:3: object \"latch\" (spr) has no property ";
    EXPECT_TRUE(log.Contains(xml + "\"pos-y\"; it is ignored")) << log.Text();
    EXPECT_TRUE(log.Contains(xml + "\"visble\"; it is ignored")) << log.Text();

    struct Row {
        const char* call;
        const char* line;  // expected, whole
    };
    const Row rows[] = {
        {"shed.SetTypo()",
         "Warning: assets/mods/shed.lua:2: ObjSet: object \"door\" (spr) has no property \"visble\"; it is "
         "ignored"},
        {"shed.SetMissing()", "Warning: assets/mods/shed.lua:3: ObjSet: no object is named \"dor\""},
        {"shed.MultiTypo()",
         "Warning: assets/mods/shed.lua:4: ObjMultiSet: object \"door\" (spr) has no property \"alpha\"; it "
         "is "
         "ignored"},
        {"shed.GetTypo()",
         "Warning: assets/mods/shed.lua:5: ObjGet: object \"door\" (spr) has no property \"visble\"; the "
         "read "
         "gives nil"},
        {"shed.GetMissing()", "Warning: assets/mods/shed.lua:6: ObjGet: no object is named \"gone\""},
        {"shed.AttachMissing()", "Warning: assets/mods/shed.lua:7: ObjAttach: no object is named \"ghost\""},
        {"shed.Frame()",
         "Warning: object \"door\" shows frame 17 of assets/img/door.xml, which has 2 frames; nothing is "
         "drawn"},
        {"shed.Undefined()",
         "Warning: object \"lamp\" plays animation function \"glowing\", which assets/anims/lamp.xml does "
         "not "
         "define"},
        {"shed.Empty()",
         "Warning: animation function \"dark\" of assets/anims/lamp.xml has no frames (object \"lamp\" plays "
         "it)"},
        // The same key from another line is another cause.
        {"shed.SetTypoAgain()",
         "Warning: assets/mods/shed.lua:11: ObjSet: object \"door\" (spr) has no property \"visble\"; it is "
         "ignored"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        log.Clear();
        ASSERT_TRUE(Lua(row.call));
        EXPECT_EQ(log.Text(), row.line);
        // Once per cause: the same mistake again writes nothing.
        log.Clear();
        ASSERT_TRUE(Lua(row.call));
        EXPECT_EQ(log.Text(), "");
    }
    // What the calls do is unchanged: unknown keys and names change nothing, reads give nil.
    EXPECT_EQ(Eval("tostring(shed.GetTypo())"), "nil");
    EXPECT_EQ(Eval("select('#', shed.GetMissing())"), "0");
    EXPECT_EQ(Eval("ObjGet('door').frame"), "17");
    EXPECT_EQ(Eval("tostring(ObjGet('door').visible)"), "true");
}

// A fault in module code names the file and the line in it, in the log and in the report.
TEST_F(Warnings, ScriptErrorsNameTheFileAndItsLine) {
    folder.WriteFile("assets/mods/faulty.lua",
                     "-- name=faulty\n\nfunction public.Fail()\n  local x = nil\n"
                     "  return x.field\nend\n");
    folder.WriteFile("assets/mods/broken.lua", "local a = 1\nlocal b = = 2\n");
    static std::string reported;
    auto sink = vK_ScriptHub::ReportSinkSeam().Install(
        [](vK_DataTable& report) { report.GetString("error", reported); });
    vK_LogCapture log;
    LoadModule("assets/mods/broken");
    EXPECT_TRUE(log.Contains("try to compile - lua error: assets/mods/broken.lua:2:")) << log.Text();
    LoadModule("assets/mods/faulty");
    EXPECT_FALSE(Lua("faulty.Fail()"));
    const std::string where = "assets/mods/faulty.lua:5: attempt to index local 'x' (a nil value)";
    EXPECT_TRUE(log.Contains("lua error: " + where)) << log.Text();
    EXPECT_EQ(reported, where);
}

}  // namespace
