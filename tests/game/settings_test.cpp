// Player settings: defaults from the configuration, the file, and each setting's effect
// on the engine, the cursor and the sound hub; the save folder name.
#include "game/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "core/listener_base.h"
#include "files/log.h"
#include "game/game_message_ids.h"
#include "game/profile_list.h"
#include "game_fixture.h"

namespace {

class SettingsTest : public GameFixture {};

TEST_F(SettingsTest, DefaultsComeFromTheConfiguration) {
    struct Case {
        const char* config;
        bool fullscreen, widescreen, syscursor;
        int performance;
        float sfx, env, soundtrack, voice, gamma;
    };
    const Case cases[] = {
        {"{}", true, true, false, 1, 0.7f, 0.7f, 0.7f, 0.7f, 1.0f},
        {"{\"default_settings\":{\"fullscreen\":false,\"widescreen\":false,\"syscursor\":true,"
         "\"performance\":false,"
         "\"sfx_volume\":0.1,\"env_volume\":0.2,\"soundtrack_volume\":0.3,\"voice_volume\":1,\"gamma\":1.5}}",
         false, false, true, 0, 0.1f, 0.2f, 0.3f, 1.0f, 1.5f},
        // Values of another kind fall back (bools are only bools; numbers any number).
        {"{\"default_settings\":{\"fullscreen\":0,\"syscursor\":\"yes\",\"performance\":0,\"gamma\":\"2\"}}",
         true, true, false, 1, 0.7f, 0.7f, 0.7f, 0.7f, 1.0f},
        // Numbers out of their range fall back as well: a gamma of 0 would blank every frame.
        {"{\"default_settings\":{\"gamma\":0,\"sfx_volume\":3,\"env_volume\":0.25}}", true, true, false, 1,
         0.7f, 0.25f, 0.7f, 0.7f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config);
        Configure(c.config);
        const float factor_before = engine.GetFactor();
        vY_Settings settings;
        EXPECT_EQ(settings.GetFullscreen(), c.fullscreen);
        EXPECT_EQ(settings.GetWidescreen(), c.widescreen);
        EXPECT_EQ(settings.GetSysCursor(), c.syscursor);
        EXPECT_EQ(settings.GetPerformance(), c.performance);
        EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), c.sfx);
        EXPECT_FLOAT_EQ(settings.GetVolume("env"), c.env);
        EXPECT_FLOAT_EQ(settings.GetVolume("soundtrack"), c.soundtrack);
        EXPECT_FLOAT_EQ(settings.GetVolume("voice"), c.voice);
        EXPECT_FLOAT_EQ(settings.GetGamma(), c.gamma);
        // Construction applies nothing.
        EXPECT_FLOAT_EQ(engine.GetFactor(), factor_before);
        EXPECT_FALSE(cursor.IsSystem());
        EXPECT_TRUE(engine.modes.empty());
    }
}

TEST_F(SettingsTest, LoadWithoutAFileWritesTheDefaults) {
    Configure("{\"default_settings\":{\"gamma\":1.25,\"fullscreen\":false}}");
    vK_LogCapture log;
    vY_Settings settings;
    settings.Load();
    EXPECT_FALSE(log.Contains("file not found"));
    // The writer's styled layout, keys in the data table's (sorted) order.
    EXPECT_EQ(
        SaveText("settings.json"),
        "\n{\n\t\"env_volume\" : 0.7,\n\t\"fullscreen\" : false,\n\t\"gamma\" : 1.25,\n\t\"performance\" : "
        "1,\n\t\"sfx_volume\" : 0.7,\n\t\"soundtrack_volume\" : 0.7,\n\t\"syscursor\" : false,\n\t\"voice_"
        "volume\" : 0.7,\n\t\"widescreen\" : true\n}");
}

// A settings file that can not be used is named in the log with where and why, kept in a
// copy, and replaced by the current settings.
TEST_F(SettingsTest, DamagedFileIsNamedAndKept) {
    struct Case {
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {"{\"gamma\" 1}",
         "Error: save/settings.json:1:10: Missing ':' after object member name; its content is "
         "kept in save/settings.json.damaged"},
        {"{\n\t\"gamma\" : 1,\n\t\"sfx_volume\" : 0.5\n",
         "Error: save/settings.json:4:1: Missing ',' or '}'"},
        {"[1,2]", "Error: save/settings.json is not a JSON object"},
        {nullptr, "Error: save/settings.json is a folder; the settings are written anew."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        std::filesystem::remove_all(folder.Path() + "/save");
        folder.WriteFile(c.text ? "save/settings.json" : "save/settings.json/inside.txt",
                         c.text ? c.text : "kept");
        vK_LogCapture log;
        vY_Settings settings;
        settings.Load();
        EXPECT_TRUE(log.Contains(c.problem)) << log.Text();
        if (!c.text) {
            // Nothing can be written in its place, and nothing in it is touched.
            EXPECT_EQ(SaveText("settings.json/inside.txt"), "kept");
            EXPECT_TRUE(log.Contains("Error while saving data to file save/settings.json.")) << log.Text();
            continue;
        }
        EXPECT_EQ(SaveText("settings.json.damaged"), c.text);
        EXPECT_NE(SaveText("settings.json").find("\"gamma\" : 1.0"), std::string::npos);
    }
}

TEST_F(SettingsTest, LoadAppliesTheFileAndLeavesMissingKeys) {
    folder.WriteFile("save/settings.json",
                     "{\"performance\":3,\"fullscreen\":false,\"widescreen\":false,\"syscursor\":true,"
                     "\"sfx_volume\":0.5,\"voice_volume\":7,\"gamma\":0.8}");
    vY_Settings settings;
    settings.Load();
    EXPECT_EQ(settings.GetPerformance(), 3);
    EXPECT_FALSE(settings.GetFullscreen());
    EXPECT_FALSE(settings.GetWidescreen());
    EXPECT_TRUE(engine.modes.empty());  // the display mode is chosen later
    EXPECT_TRUE(cursor.IsSystem());
    EXPECT_FLOAT_EQ(sounds.GetCategoryVolume("sfx"), 0.5f);
    EXPECT_FLOAT_EQ(settings.GetVolume("voice"), 0.7f);  // 7 is out of range: the default
    EXPECT_FLOAT_EQ(sounds.GetCategoryVolume("voice"), 0.7f);
    EXPECT_FLOAT_EQ(settings.GetVolume("env"), 0.7f);
    EXPECT_FLOAT_EQ(engine.GetFactor(), 0.8f);
    // Round trip through Save.
    ASSERT_TRUE(settings.Save());
    vY_Settings again;
    again.Load();
    EXPECT_EQ(again.GetPerformance(), 3);
    EXPECT_FLOAT_EQ(again.GetVolume("sfx"), 0.5f);
}

// Every number the save files hold, read back: a usable one is taken, anything else is
// logged with the file, the key and the value and replaced by the default, so nothing
// out of range or non-finite reaches the game or is written back.
TEST_F(SettingsTest, StoredNumbersAreCheckedForRangeAndFiniteness) {
    struct Case {
        const char* key;  // "current" is the profile list's, the others the settings'
        const char* text;
        double expected;
        const char* problem;  // in the log line, or "" for none
    };
    const Case cases[] = {
        {"gamma", "1.5", 1.5, ""},
        {"gamma", "0.25", 0.25, ""},
        {"gamma", "2.5", 2.5, ""},
        {"gamma", "0.2", 1.0, "\"gamma\" is 0.2, outside 0.25..2.5; the default 1 is used"},
        {"gamma", "2.6", 1.0, "\"gamma\" is 2.6, outside 0.25..2.5"},
        {"gamma", "0", 1.0, "\"gamma\" is 0, outside 0.25..2.5"},
        {"gamma", "-5", 1.0, "\"gamma\" is -5, outside 0.25..2.5"},
        {"gamma", "null", 1.0, "\"gamma\" is null, not a number"},
        {"gamma", "\"2\"", 1.0, "\"gamma\" is \"2\", not a number"},
        {"gamma", "1e999", 1.0, "\"gamma\" is inf, not finite"},
        {"gamma", "-1e999", 1.0, "\"gamma\" is -inf, not finite"},
        {"sfx_volume", "0", 0.0, ""},
        {"sfx_volume", "1", 1.0, ""},
        {"sfx_volume", "1.01", 0.7, "\"sfx_volume\" is 1.01, outside 0..1; the default 0.7 is used"},
        {"env_volume", "-0.1", 0.7, "\"env_volume\" is -0.1, outside 0..1"},
        {"env_volume", "0.5", 0.5, ""},
        {"soundtrack_volume", "null", 0.7, "\"soundtrack_volume\" is null, not a number"},
        {"soundtrack_volume", "true", 0.7, "\"soundtrack_volume\" is true, not a number"},
        {"voice_volume", "\"0.5\"", 0.7, "\"voice_volume\" is \"0.5\", not a number"},
        {"voice_volume", "1e999", 0.7, "\"voice_volume\" is inf, not finite"},
        {"performance", "0", 0, ""},
        {"performance", "3", 3, ""},
        {"performance", "-2147483648", -2147483648.0, ""},
        {"performance", "2147483648", 1, "\"performance\" is 2147483648, outside -2147483648..2147483647"},
        {"performance", "1.5", 1, "\"performance\" is 1.5, not a whole number"},
        {"performance", "null", 1, "\"performance\" is null, not a number"},
        {"performance", "\"0\"", 1, "\"performance\" is \"0\", not a number"},
        {"performance", "1e999", 1, "\"performance\" is inf, not finite"},
        {"current", "1", 1, ""},
        {"current", "-3", -3, ""},
        {"current", "2", 0, "\"current\" is 2, outside -3..1"},
        {"current", "-4", 0, "\"current\" is -4, outside -3..1"},
        {"current", "0.5", 0, "\"current\" is 0.5, not a whole number"},
        {"current", "null", 0, "\"current\" is null, not a number"},
        {"current", "\"1\"", 0, "\"current\" is \"1\", not a number"},
        {"current", "1e999", 0, "\"current\" is inf, not finite"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.text);
        const bool list = std::string(c.key) == "current";
        const std::string file = list ? "save/profile_list.json" : "save/settings.json";
        const std::string text = list ? std::string("{\"current\":") + c.text +
                                            ",\"profiles\":[{\"id\":\"p_000000\",\"name\":\"QQ==\"},{\"id\":"
                                            "\"p_000001\",\"name\":\"Qg==\"}]}"
                                      : std::string("{\"") + c.key + "\":" + c.text + "}";
        folder.WriteFile(file, text);
        vK_LogCapture log;
        double value = 0;
        std::string written;
        if (list) {
            const vY_ProfileList profiles;
            value = profiles.GetCurrent();
            ASSERT_TRUE(profiles.SaveList());
        } else {
            vY_Settings settings;
            settings.Load();
            const std::string key = c.key;
            if (key == "gamma") {
                value = settings.GetGamma();
                EXPECT_FLOAT_EQ(engine.GetFactor(), float(value));
            } else if (key == "performance") {
                value = settings.GetPerformance();
            } else {
                const std::string channel = key.substr(0, key.find('_'));
                value = settings.GetVolume(channel);
                EXPECT_FLOAT_EQ(sounds.GetCategoryVolume(channel), float(value));
            }
            ASSERT_TRUE(settings.Save());
        }
        EXPECT_FLOAT_EQ(float(value), float(c.expected));
        if (*c.problem) {
            EXPECT_TRUE(log.Contains(file) && log.Contains(c.problem)) << log.Text();
        } else {
            EXPECT_EQ(log.Count(), 0) << log.Text();
        }
        written = folder.ReadFile(file);
        EXPECT_EQ(written.find("null"), std::string::npos) << written;
        EXPECT_EQ(written.find("inf"), std::string::npos) << written;
    }
}

TEST_F(SettingsTest, VolumesReachTheSoundHub) {
    struct Case {
        const char* channel;
        float value;
        float stored;  // GetVolume afterwards
        float hub;
    };
    const Case cases[] = {
        {"sfx", 0.3f, 0.3f, 0.3f},   {"env", -1.0f, 0.0f, 0.0f},  {"soundtrack", 0.9f, 0.9f, 0.9f},
        {"voice", 1.5f, 1.0f, 1.0f}, {"music", 2.0f, 0.0f, 1.0f},
    };
    vY_Settings settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        settings.SetVolume(c.channel, c.value);
        EXPECT_FLOAT_EQ(settings.GetVolume(c.channel), c.stored);
        EXPECT_FLOAT_EQ(sounds.GetCategoryVolume(c.channel), c.hub);
    }
}

// Records "Command_Application_ChangeWidescreen" like the application does.
class WidescreenReceiver : public vK_ListenerBase {
public:
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override {
        if (MapMessage(id, MSG_Command_Application_ChangeWidescreen)) values.push_back(payload->GetBool());
    }
    std::vector<bool> values;
};

TEST_F(SettingsTest, DisplaySettingsAskTheEngine) {
    Configure("{\"default_settings\":{\"fullscreen\":true,\"widescreen\":true}}");
    WidescreenReceiver receiver;
    mediator.Subscribe(MSG_Command_Application_ChangeWidescreen, &receiver);
    vY_Settings settings;
    EXPECT_TRUE(settings.SetFullscreen(true, false));  // unchanged: nothing asked
    EXPECT_TRUE(engine.modes.empty());
    EXPECT_TRUE(settings.SetFullscreen(false, false));
    ASSERT_EQ(engine.modes.size(), 1u);
    EXPECT_FALSE(engine.modes[0].fullscreen);
    EXPECT_TRUE(settings.GetFullscreen());  // recorded once the application reports the change
    EXPECT_TRUE(settings.SetFullscreen(false, true));
    EXPECT_FALSE(settings.GetFullscreen());

    EXPECT_TRUE(settings.SetWidescreen(true, false));
    EXPECT_TRUE(receiver.values.empty());
    EXPECT_TRUE(settings.SetWidescreen(false, false));
    EXPECT_EQ(receiver.values, std::vector<bool>{false});
    ASSERT_EQ(engine.modes.size(), 2u);
    EXPECT_FALSE(engine.modes[1].fullscreen);  // the stored fullscreen flag, re-applied
    EXPECT_TRUE(settings.SetWidescreen(false, true));
    EXPECT_FALSE(settings.GetWidescreen());
    mediator.Unsubscribe(MSG_Command_Application_ChangeWidescreen, &receiver);
}

TEST_F(SettingsTest, CursorGammaAndPerformance) {
    vY_Settings settings;
    settings.SetSysCursor(true);
    EXPECT_TRUE(cursor.IsSystem());
    settings.SetSysCursor(false);
    EXPECT_FALSE(cursor.IsSystem());
    settings.SetGamma(1.75f);
    EXPECT_FLOAT_EQ(engine.GetFactor(), 1.75f);
    // A value with no JSON text that would blank the frames is refused.
    for (float refused : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        vK_LogCapture log;
        settings.SetGamma(refused);
        EXPECT_FLOAT_EQ(settings.GetGamma(), 1.75f);
        EXPECT_FLOAT_EQ(engine.GetFactor(), 1.75f);
        EXPECT_TRUE(log.Contains("is not finite; it stays 1.75")) << log.Text();
    }
    settings.SetPerformance(0);
    EXPECT_EQ(settings.GetPerformance(), 0);
}

TEST_F(SettingsTest, SaveFolderName) {
    struct Case {
        const char* config;
        bool collectors, survey;
        const char* name;
        const char* log;  // expected fragment, or ""
    };
    const Case cases[] = {
        {"{\"save_settings\":{\"folder\":\"Attic Tales\"}}", false, false, "Attic Tales", ""},
        {"{\"save_settings\":{\"folder\":\"Attic Tales\"}}", true, false, "Attic Tales CE", ""},
        {"{\"save_settings\":{\"folder\":\"Attic Tales\"}}", true, true, "Attic Tales CE Survey", ""},
        {"{\"save_settings\":{\"folder\":\"Attic Tales\"}}", false, true, "Attic Tales Survey", ""},
        {"{\"save_settings\":{\"folder\":\"\"}}", false, false, "Game",
         "Error: The option 'save_settings.folder' is empty."},
        {"{}", true, false, "Game CE", "Error: The option 'save_settings.folder' is not found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Configure(c.config);
        vY_Edition edition;
        edition.collectors = c.collectors;
        edition.survey = c.survey;
        const vY_GameConfig config(edition);
        vK_LogCapture log;
        EXPECT_EQ(config.GetSaveFolderName(), c.name);
        if (*c.log) {
            EXPECT_TRUE(log.Contains(c.log)) << log.Text();
        } else {
            EXPECT_EQ(log.Count(), 0) << log.Text();
        }
    }
}

}  // namespace
