// The game's global script functions, called from Lua: arguments, defaults, results and
// the messages they send.
#include "game/script_func.h"

#include <gtest/gtest.h>

#include "core/listener_base.h"
#include "files/log.h"
#include "game/game_message_ids.h"
#include "game/profile_list.h"
#include "game/settings.h"
#include "game_fixture.h"
#include "support/recording_render.h"
#include "support/vorbis_encode.h"

namespace {

// Answers the application's and the level's requests and records the commands.
class Responder : public vK_ListenerBase {
public:
    Responder() {
        for (const vK_MessageId* id : Ids()) vK_Mediator::Instance()->Subscribe(*id, this);
    }
    ~Responder() override {
        for (const vK_MessageId* id : Ids()) vK_Mediator::Instance()->Unsubscribe(*id, this);
    }
    static std::vector<const vK_MessageId*> Ids() {
        return {&MSG_Command_Application_SwitchLevel,
                &MSG_Command_Level_Pause,
                &MSG_Request_Level_TryApplyObj,
                &MSG_Request_Application_GetMatrix,
                &MSG_Request_Application_GetWidht,
                &MSG_Request_Application_IsForceFullscreen,
                &MSG_Event_KWL_Version_Check_Perform_Update};
    }
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override {
        std::string line = id.GetName();
        for (const auto& [key, value] : *payload) line += " " + key + "=" + value->ToString();
        messages.push_back(line);
        if (&id == &MSG_Request_Level_TryApplyObj) payload->SetInt("result", apply_result);
        if (&id == &MSG_Request_Application_IsForceFullscreen) payload->SetBool("result", true);
        if (&id == &MSG_Request_Application_GetWidht) payload->SetFloat("width", 1100.75f);
        if (&id == &MSG_Request_Application_GetMatrix) {
            // Scale 2, then a move by (100, 50).
            const float m[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 100, 50, 0, 1};
            vK_DataArray* matrix = payload->SetArray("matrix");
            for (float v : m) matrix->PushFloat(v);
        }
    }
    std::vector<std::string> messages;
    int apply_result = 1;
};

class ScriptFuncTest : public GameFixture {
protected:
    ScriptFuncTest() { vY_ScriptFunc::Register(script.hub); }
    std::string Eval(const std::string& expr) { return script.Eval(expr); }

    vY_Settings settings;
    vY_ProfileList profiles;
    Responder responder;
};

TEST_F(ScriptFuncTest, EveryFunctionIsAGlobal) {
    EXPECT_EQ(vY_ScriptFunc::Entries().size(), 83u);
    EXPECT_STREQ(vY_ScriptFunc::Entries().front().names, "GetStrategyGuide");
    EXPECT_STREQ(vY_ScriptFunc::Entries().back().names, "LogTraceObjsInfo");
    for (const vK_ScriptApiEntry& entry : vY_ScriptFunc::Entries()) {
        EXPECT_EQ(Eval(std::string("type(") + entry.names + ")"), "function") << entry.names;
    }
}

TEST_F(ScriptFuncTest, ResultsAndMessages) {
    Configure(
        "{\"interface_settings\":{\"inventory_size\":9,\"hint_time\":{\"easy\":15},\"skip_time\":{\"hard\":"
        "40}},"
        "\"publisher_settings\":{\"url\":\"https://example.org\",\"guide_url\":\"https://example.org/g\"},"
        "\"version\":{\"currentVersion\":\"1.2.3\"}}");
    struct Case {
        const char* expr;
        const char* result;
        const char* message;  // the message sent, or ""
    };
    const Case cases[] = {
        {"select('#', PauseLevel(true))", "0", "Command_Level_Pause pause=1"},
        {"select('#', SwitchLevel('attic', 'attic.Start()'))", "0",
         "Command_Application_SwitchLevel func=attic.Start() module=attic"},
        {"tostring(ApplyObj('key', 'door'))", "true",
         "Request_Level_TryApplyObj obj_name=key parentobj_name=vy_level_internal toobj_name=door"},
        {"tostring(ApplyObj('key', 'door', 'room'))", "true",
         "Request_Level_TryApplyObj obj_name=key parentobj_name=room toobj_name=door"},
        {"tostring(IsForceFullscreen())", "true", "Request_Application_IsForceFullscreen"},
        {"GetAppWidth()", "1100", "Request_Application_GetWidht"},
        {"select('#', PerformUpdate())", "0", "Event_KWL_Version_Check_Perform_Update"},
        {"GetUrl() .. ' ' .. GetGuideUrl()", "https://example.org https://example.org/g", ""},
        {"ConfigGetProjectVersion()", "1.2.3", ""},
        {"ConfigGetHintTime('easy', 30)", "15", ""},
        {"ConfigGetHintTime('hard', 30)", "30", ""},
        {"ConfigGetHintTime('hard')", "0", ""},
        {"ConfigGetSkipTime('hard')", "40", ""},
        {"ConfigGetInventorySize(4)", "9", ""},
        {"tostring(IsCollectorsEdition()) .. tostring(IsSurveyEdition()) .. tostring(IsCheater())"
         " .. tostring(IsStreaming())",
         "falsefalsefalsefalse", ""},
        {"tostring(IsEditor()) .. tostring(IsIpad()) .. tostring(IsIphone())", "falsefalsefalse", ""},
        {"iOS_IsiSplashPressed() + iOS_IsRated() + iOS_IsGameFinderInstalled() + iOS_InternetConnection()",
         "0", ""},
        {"iOS_GetLang() .. ObbInit()", "enready", ""},
        {"select('#', iOS_RateMe()) + select('#', iOS_Exit()) + select('#', OpenAppStore())"
         " + select('#', DbgPrintCallstack())",
         "0", ""},
        {"tostring(IsNoSoundDevice())", "true", ""},
        {"GetScreenSize().w .. 'x' .. GetScreenSize().h", "1024x768", ""},
        {"GetAppSize().w .. 'x' .. GetAppSize().h", "1920x1080", ""},
    };
    engine.InitDisplay(vK_DisplayMode());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        responder.messages.clear();
        EXPECT_EQ(Eval(c.expr), c.result);
        if (*c.message) {
            EXPECT_EQ(responder.messages, std::vector<std::string>{c.message});
        } else {
            EXPECT_TRUE(responder.messages.empty());
        }
    }
    responder.apply_result = 2;
    EXPECT_EQ(Eval("tostring(ApplyObj('key', 'door'))"), "false");
}

TEST_F(ScriptFuncTest, SettingsAndProfilesFromScripts) {
    struct Case {
        const char* code;
        const char* expr;
        const char* result;
    };
    const Case cases[] = {
        {"SetPerformanceMode(0)", "GetPerformanceMode()", "0"},
        {"SetGamma(1.5)", "GetGamma()", "1.5"},
        {"SetSysCursor(true)", "tostring(GetSysCursor())", "true"},
        {"local _", "tostring(SetFullScreen(true))", "true"},  // unchanged
        {"local _", "tostring(GetFullScreen()) .. tostring(GetWideScreen())", "truetrue"},
        {"SetSoundVolume('voice', 0.25)", "GetSoundVolume('voice')", "0.25"},
        {"SetSoundVolume('music', 2)", "GetSoundVolume('music')", "0"},
        {"SaveSettings()", "1", "1"},
        {"local _", "#GetProfileList() .. GetCurrentProfile()", "0vy_noprofiles"},
        {"local _",
         "tostring(AddProfile('Ann')) .. tostring(AddProfile('Bo')) .. tostring(AddProfile('Ann'))",
         "truetruefalse"},
        {"SetCurrentProfile('Bo')", "table.concat(GetProfileList(), ',') .. ' ' .. GetCurrentProfile()",
         "Ann,Bo Bo"},
        {"vy_global = {step = 4} SaveProfiles() vy_global = nil",
         "tostring(LoadCurrentProfile()) .. vy_global.step", "true4"},
        {"DeleteProfile('Ann')", "GetCurrentProfile()", "Bo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " / " + c.expr);
        ASSERT_TRUE(script.Lua(c.code));
        EXPECT_EQ(Eval(c.expr), c.result);
    }
    EXPECT_TRUE(cursor.IsSystem());
    EXPECT_FLOAT_EQ(engine.GetFactor(), 1.5f);
    EXPECT_FLOAT_EQ(sounds.GetCategoryVolume("music"), 1.0f);
    EXPECT_NE(SaveText("settings.json").find("\"voice_volume\" : 0.25"), std::string::npos);
    EXPECT_TRUE(engine.modes.empty());
}

TEST_F(ScriptFuncTest, SoundsPlayOnTheSettingChannels) {
    const std::vector<uint8_t> tone = vorbis_test::ToneFile(440.0f, 0.5f, 0.5f, 1, 22050);
    for (const char* name : {"a", "b", "c", "d"}) {
        folder.WriteFile(std::string("root/assets/") + name + ".ogg", std::string(tone.begin(), tone.end()));
    }
    ASSERT_TRUE(
        script.Lua("PlaySfx('assets/a', false) PlayEnv('assets/b', true) PlaySoundtrack('assets/c', 1, 2)"
                   " PlayVoice('assets/d', 0, 0.5)"
                   " PlaySfx()"));
    const auto& list = sounds.GetSounds();
    ASSERT_EQ(list.size(), 4u);
    const char* channels[] = {"sfx", "env", "soundtrack", "voice"};
    const bool loops[] = {false, true, true, false};
    const float fades[] = {0.0f, 0.0f, 0.5f, 2.0f};  // fade speed = 1 / fade-in time
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(channels[i]);
        EXPECT_EQ(list[i]->GetCategory(), channels[i]);
        EXPECT_EQ(list[i]->IsLooping(), loops[i]);
        EXPECT_FLOAT_EQ(list[i]->GetFadeSpeed(), fades[i]);
    }
}

TEST_F(ScriptFuncTest, DesktopServicesGoThroughTheirSeam) {
    ASSERT_TRUE(
        script.Lua("CopyFileToMyDocs('assets/art/wall.jpg') SetWallpaper('assets/art/wall.jpg')"
                   " OpenBrowser('https://example.org/?a=1&b=2') SetScreensaver('assets/saver/attic.scr')"
                   " Quit() DbgBreak()"));
    EXPECT_EQ(desktop.calls, (std::vector<std::string>{
                                 "copy assets/art/wall.jpg", "wallpaper assets/art/wall.jpg",
                                 "url https://example.org/?a=1&b=2", "screensaver assets/saver/attic.scr"}));
    EXPECT_EQ(engine.quits, 1);
}

TEST_F(ScriptFuncTest, PositionsInGameSpace) {
    vK_Object* space = script.MakeObject("space", 0, 0, 10, 10, "pos_x = 10, pos_y = 20");
    vK_Object* item = script.MakeObject("item", 0, 0, 10, 10, "pos_x = 300, pos_y = 250");
    script.MakeObject("tagged", 0, 0, 10, 10, "pos_x = 5, pos_y = 6, anim_tag = 'hand'", item);
    ASSERT_NE(space, nullptr);
    vK_RecordingRender render(1024, 768);
    Vrakko::DrawScene(render);  // world matrices are taken while drawing
    struct Case {
        const char* expr;
        const char* result;
    };
    const Case cases[] = {
        // The application matrix (scale 2, move 100, 50) is the default space.
        {"GetObjPosByObj('item')[1] .. ',' .. GetObjPosByObj('item')[2]", "100,100"},
        {"GetObjPosByObj('item', '')[1]", "100"},
        {"GetObjPosByObj('item', 'space')[1] .. ',' .. GetObjPosByObj('item', 'space')[2]", "290,230"},
        {"GetObjPosByObj('item', 'nothing')[1]", "300"},  // unknown space: world space
        {"#GetObjPosByObj('nothing')", "0"},
        {"GetObjPosByObj('tagged', 'nothing')[1]", "305"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(Eval(c.expr), c.result);
    }
    vK_LogCapture log;
    Eval("GetObjPosByObj('tagged')");
    EXPECT_TRUE(
        log.Contains("Warning: object having anim tag \"hand\" hasn't parent object complex anim. Name of "
                     "embed object is \"tagged\""));
    cursor.SetPosition(300, 150);
    EXPECT_EQ(Eval("GetGameCursorPos()[1] .. ',' .. GetGameCursorPos()[2]"), "100,50");
    EXPECT_EQ(Eval("GetZoomCursorPos()[1] .. ',' .. GetZoomCursorPos()[2]"), "100,50");
}

// Positions are current whether or not the object was ever drawn, is visible or takes
// input: an inventory slot written visible="0" input="0" inside a hidden row.
TEST_F(ScriptFuncTest, PositionsOfHiddenNeverDrawnObjects) {
    script.MakeObject("shed_root", 0, 0, 10, 10, "pos_x = 200, pos_y = 100, scale_x = 2, scale_y = 2");
    vK_Object* root = vK_Object::FindObject("shed_root");
    vK_Object* row = script.MakeObject("row", 0, 0, 10, 10,
                                       "pos_x = 10, pos_y = 20, visible = false, input = false", root);
    script.MakeObject("slot", 0, 0, 10, 10, "pos_x = 30, pos_y = 40, visible = false, input = false", row);
    script.MakeObject("apple", 0, 0, 10, 10, "pos_x = 275, pos_y = 215", nullptr);
    struct Case {
        const char* lua;  // run first
        const char* expr;
        const char* result;
    };
    const Case cases[] = {
        // (30 + 10) * 2 + 200, (40 + 20) * 2 + 100 in the world; (40, 60) in the root's space.
        {"", "GetObjPosByObj('slot', 'nothing')[1] .. ',' .. GetObjPosByObj('slot', 'nothing')[2]",
         "280,220"},
        {"", "GetObjPosByObj('slot', 'shed_root')[1] .. ',' .. GetObjPosByObj('slot', 'shed_root')[2]",
         "40,60"},
        // The 20 x 20 (world) slot overlaps the 10 x 10 apple at (275, 215).
        {"", "tostring(ObjIntersect('slot', 'apple'))", "true"},
        // Moved by a script, it is at its new place at once, still without a draw.
        {"ObjSet('row', {pos_x = 50})", "GetObjPosByObj('slot', 'shed_root')[1]", "80"},
        {"", "tostring(ObjIntersect('slot', 'apple'))", "false"},
        {"ObjSet('shed_root', {scale_x = 1, ang = 0})", "GetObjPosByObj('slot', 'nothing')[1]", "280"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        if (*c.lua) {
            ASSERT_TRUE(script.Lua(c.lua));
        }
        EXPECT_EQ(Eval(c.expr), c.result);
    }
}

TEST_F(ScriptFuncTest, StrategyGuide) {
    folder.WriteFile(
        "root/assets/guide.xml",
        "<xml><toc><h2>Guide</h2><ul><li>One</li><li>Two</li></ul></toc>"
        "<guide><chapter><h2>Start</h2><page><img position=\"2\" src=\"art/a\"/><img src=\"art/b\"/>"
        "<ul><li>first</li><li>second</li><li>third</li></ul></page><page/></chapter>"
        "<note/><chapter/></guide></xml>");
    folder.WriteFile("root/assets/other.xml", "<doc><toc/></doc>");
    folder.WriteFile("root/assets/short.xml", "<xml><toc><h2>Only</h2></toc></xml>");
    struct Case {
        const char* expr;
        const char* result;
    };
    const Case cases[] = {
        {"g = GetStrategyGuide('assets/guide.xml') return g.toc.header .. ':' .. "
         "table.concat(g.toc.chapters, ',')",
         "Guide:One,Two"},
        {"return #g.chapters .. g.chapters[1].header .. #g.chapters[1].pages", "2Start2"},
        {"p = g.chapters[1].pages[1] return p.text", "first&nl&second&nl&third"},
        {"return #p.images .. ' ' .. p.images[1].position .. p.images[1].src .. ' ' .. p.images[2].position"
         " .. p.images[2].src .. ' ' .. type(p.images[1].position)",
         "2 2art/a 0art/b number"},
        {"q = g.chapters[1].pages[2] return #q.images .. tostring(q.text) .. #g.chapters[2].pages", "0nil0"},
        {"o = GetStrategyGuide('assets/other.xml') return type(o.toc) .. tostring(next(o.toc)) .. "
         "#o.chapters",
         "tablenil0"},
        {"s = GetStrategyGuide('assets/short.xml') return s.toc.header .. #s.chapters", "Only0"},
        {"return select('#', GetStrategyGuide('assets/missing.xml'))", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(Eval("(function() " + std::string(c.expr) + " end)()"), c.result);
    }
}

TEST_F(ScriptFuncTest, TraceOfTheTrees) {
    script.MakeObject("visible", 0, 0, 1, 1);
    vK_LogCapture log;
    ASSERT_TRUE(script.Lua("LogTraceObjsInfo()"));
    const size_t origin = log.Text().find("vY_ScriptFunc::LogTraceObjsInfo GetOrigin():");
    const size_t storage = log.Text().find("vY_ScriptFunc::LogTraceObjsInfo GetStorage():");
    ASSERT_NE(origin, std::string::npos);
    ASSERT_NE(storage, std::string::npos);
    const size_t visible = log.Text().find("visible");
    EXPECT_TRUE(visible > origin && visible < storage) << log.Text();
}

}  // namespace
