// docs/reference/: the committed pages equal a fresh `vrakko --api --markdown`, every
// registration has an entry, signatures parse, the configuration keys read are the ones
// declared, and the example of every format page loads.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "anim/anim_impl_flash.h"
#include "anim/complex_anim_res.h"
#include "anim/frame_anim_res.h"
#include "app/engine_startup.h"
#include "app/tools/reference_writer.h"
#include "core/message_id.h"
#include "data/config.h"
#include "data/json.h"
#include "data/string_table.h"
#include "files/log.h"
#include "game/application.h"
#include "game/game_config.h"
#include "game/script_func.h"
#include "graphics/frame_texture.h"
#include "media/subtitle_track.h"
#include "particles/part_sys_impl_complex.h"
#include "particles/part_sys_impl_jan.h"
#include "particles/part_sys_impl_rnd.h"
#include "platform/input_recording.h"
#include "scene/grid_res.h"
#include "scene/object.h"
#include "script/module_file.h"
#include "script/script_hub.h"
#include "support/temp_folder.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
const std::string kDocs = std::string(VRAKKO_SOURCE_DIR) + "/docs/reference";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool DropLine(const std::string&) { return true; }

// The engine services and the game application up to AfterInit, as `vrakko --api` has them.
class Session {
public:
    explicit Session(const std::string& root) {
        vK_StartupOptions options;
        options.assetRoot = root;
        options.saveFolder = root + "/save";
        EngineStartup("assets/config", options);
        dropLog_ = LogSinkSeam().Install(&DropLine);
        application_ = std::make_unique<vY_Application>(1024, 768);
        application_->SetDesktopSize(1024, 768);
        application_->AfterInit();
    }
    ~Session() {
        application_.reset();
        EngineShutdown();
        dropLog_.Reset();
    }

private:
    vK_Seam<vK_LogSink>::Registration dropLog_;
    std::unique_ptr<vY_Application> application_;
};

TEST(Reference, CommittedPagesEqualAFreshGeneration) {
    if (!std::filesystem::exists(kExe)) GTEST_SKIP() << "the executable is not built";
    TempFolder folder;
    const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + kExe +
                                "' --api --markdown '" + folder.Path() + "/ref' --root '" + folder.Path() +
                                "' 2>'" + folder.Path() + "/err.txt'";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << folder.ReadFile("err.txt");
    for (const char* page : {"functions.md", "objects.md", "messages.md", "config.md"}) {
        const std::string fresh = ReadText(folder.Path() + "/ref/" + page);
        EXPECT_FALSE(fresh.empty()) << page;
        EXPECT_TRUE(fresh == ReadText(kDocs + "/" + page))
            << "docs/reference/" << page << " is out of date: run `make docs`";
    }
}

TEST(Reference, SignaturesParseIntoArgumentsDefaultsAndResults) {
    struct Case {
        const char* text;
        bool valid;
        const char* arguments;  // name:type=default, separated by ';'
        const char* results;
    };
    const Case cases[] = {
        {"", true, "", ""},
        {"-> int", true, "", "int"},
        {"object: name", true, "object:name=", ""},
        {"name: string, payload: table = {} -> table", true, "name:string=;payload:table={}", "table"},
        {"pairs: {{object, properties}, ...}", true, "pairs:{{object, properties}, ...}=", ""},
        {"id: string, p1: string = \"a, b\" -> string", true, "id:string=;p1:string=\"a, b\"", "string"},
        {"object: name, space: name = \"\" -> {x, y}", true, "object:name=;space:name=\"\"", "{x, y}"},
        {"object", false, "", ""},              // no type
        {"a: int = 1, b: int", false, "", ""},  // required after optional
        {"a: int ->", false, "", ""},           // arrow without results
        {"two words: int", false, "", ""},      // a name with a blank
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const vK_ReferenceWriter::Signature s = vK_ReferenceWriter::ParseSignature(c.text);
        EXPECT_EQ(s.valid, c.valid);
        if (!c.valid) continue;
        std::string arguments;
        for (const auto& a : s.arguments)
            arguments += (arguments.empty() ? "" : ";") + a.name + ":" + a.type + "=" + a.def;
        EXPECT_EQ(arguments, c.arguments);
        EXPECT_EQ(s.results, c.results);
    }
    EXPECT_EQ(vK_ReferenceWriter::CallForm("PlaySfx", "name: string, loop: bool = false"),
              "PlaySfx(name, loop = false)");
}

// An object type whose objects report a key its documentation does not have.
class SecretObject : public vK_Object {
public:
    SecretObject() : vK_Object("secret") {}
    void GetProperties(vK_DataTable& table, bool full) const override {
        vK_Object::GetProperties(table, full);
        table.SetInt("secret", 1);
    }
};

void Nothing(const vK_ScriptArgs&, void*, vK_DataArray&) {}

TEST(Reference, EveryRegistrationHasAnEntryAndGapsAreNamed) {
    TempFolder folder;
    Session session(folder.Path());
    EXPECT_EQ(vK_ReferenceWriter::Problems(), std::vector<std::string>());

    vK_ScriptHub::Instance()->RegisterFunction("RefTestUndocumented", &Nothing, nullptr);
    vK_ScriptHub::Instance()->RegisterFunction("RefTestBadSignature", &Nothing, nullptr,
                                               {"object", "Has no type."});
    vK_Object::RegisterObjectType(
        "reftest_plain", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Object>(); });
    vK_Object::RegisterObjectType(
        "reftest_secret", []() -> std::unique_ptr<vK_Object> { return std::make_unique<SecretObject>(); },
        {"Reports a key of its own.", nullptr, "obj"});
    vK_MessageId undocumented("Event_RefTest_Undocumented");
    const std::vector<std::string> expected = {
        "function RefTestUndocumented: no valid signature",
        "function RefTestUndocumented: no description",
        "function RefTestBadSignature: no valid signature",
        "object type reftest_plain: no description",
        "object type reftest_secret: property secret has no entry",
        "message Event_RefTest_Undocumented: no description",
    };
    const std::vector<std::string> problems = vK_ReferenceWriter::Problems();
    for (const std::string& line : expected)
        EXPECT_NE(std::find(problems.begin(), problems.end(), line), problems.end()) << line;
    EXPECT_EQ(problems.size(), expected.size()) << ::testing::PrintToString(problems);
}

std::vector<std::string> g_read;
void RecordRead(const std::string& path) { g_read.push_back(path); }

// A declared path with its capitals part ("NAME") as a pattern.
bool Matches(const vK_ConfigKey& key, const std::string& path) {
    const std::string filled = key.With("\x01");
    const size_t at = filled.find('\x01');
    if (at == std::string::npos) return path == key.path;
    const std::string head = filled.substr(0, at), tail = filled.substr(at + 1);
    return path.size() > head.size() + tail.size() && path.compare(0, head.size(), head) == 0 &&
           path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(Reference, TheConfigurationKeysReadAreTheKeysDeclared) {
    TempFolder folder;
    g_read.clear();
    vK_Config::SetReadObserver(&RecordRead);
    {
        Session session(folder.Path());
        const vY_GameConfig* config = vY_GameConfig::Instance();
        ASSERT_NE(config, nullptr);
        config->GetDefaultPerformance();
        config->GetDefaultFullscreen();
        config->GetDefaultWidescreen();
        config->GetDefaultSysCursor();
        config->GetDefaultGamma();
        for (const char* channel : {"sfx", "env", "soundtrack", "voice"}) config->GetDefaultVolume(channel);
        config->GetInventorySize(0);
        config->GetHintTime("normal", 0);
        config->GetSkipTime("normal", 0);
        config->GetSaveFolderName();
        config->GetStartModule();
        config->GetStartFunc();
        config->GetUrl();
        config->GetGuideUrl();
        config->GetProjectVersion();
    }
    vK_Config::SetReadObserver(nullptr);
    std::set<const vK_ConfigKey*> used;
    for (const std::string& path : g_read) {
        bool declared = false;
        for (const vK_ConfigKey* key : vK_ConfigKey::All()) {
            if (!Matches(*key, path)) continue;
            declared = true;
            used.insert(key);
        }
        EXPECT_TRUE(declared) << path << " is read but not declared as a vK_ConfigKey";
    }
    for (const vK_ConfigKey* key : vK_ConfigKey::All())
        EXPECT_TRUE(used.count(key)) << key->path << " is declared but nothing reads it";
    EXPECT_EQ(vK_ConfigKey::All().size(), used.size());
}

// GitHub's anchor of a heading: lower case, blanks to "-", other punctuation dropped.
std::string Anchor(const std::string& heading) {
    std::string out;
    for (char c : heading) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (c == ' ')
            out += '-';
    }
    return out;
}

TEST(Reference, EveryLinkOfTheGuideAndTheReferenceLeadsSomewhere) {
    std::vector<std::filesystem::path> pages = {std::string(VRAKKO_SOURCE_DIR) + "/docs/authoring.md"};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kDocs))
        if (entry.path().extension() == ".md") pages.push_back(entry.path());
    static const std::regex kLink(R"(\]\(([^)#\s]*)(#[^)\s]*)?\))");
    static const std::regex kHeading(R"((^|\n)#+ ([^\n]*))");
    int links = 0;
    for (const auto& page : pages) {
        const std::string text = ReadText(page.string());
        for (std::sregex_iterator it(text.begin(), text.end(), kLink), end; it != end; ++it) {
            const std::string file = (*it)[1].str(), anchor = (*it)[2].str();
            if (file.find("://") != std::string::npos) continue;
            const std::filesystem::path target = file.empty() ? page : page.parent_path() / file;
            ++links;
            ASSERT_TRUE(std::filesystem::exists(target)) << page << " links to " << file;
            if (anchor.empty()) continue;
            const std::string targetText = ReadText(target.string());
            std::set<std::string> anchors;
            for (std::sregex_iterator h(targetText.begin(), targetText.end(), kHeading), hend; h != hend; ++h)
                anchors.insert("#" + Anchor((*h)[2].str()));
            EXPECT_TRUE(anchors.count(anchor)) << page << " links to " << file << anchor;
        }
    }
    EXPECT_GT(links, 40);
}

// Every "<!-- example: PATH -->" of a page with the fenced block under it.
std::map<std::string, std::string> Examples(const std::string& markdown) {
    std::map<std::string, std::string> out;
    static const std::regex kMarker(R"(<!-- example: (\S+) -->\n```[a-z]*\n([\s\S]*?)```)");
    for (std::sregex_iterator it(markdown.begin(), markdown.end(), kMarker), end; it != end; ++it)
        out[(*it)[1].str()] = (*it)[2].str();
    return out;
}

tinyxml2::XMLDocument* Parse(tinyxml2::XMLDocument& doc, const std::string& text) {
    EXPECT_EQ(doc.Parse(text.data(), text.size()), tinyxml2::XML_SUCCESS) << text;
    return &doc;
}

class FormatPages : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& entry : std::filesystem::directory_iterator(kDocs + "/formats")) {
            const std::map<std::string, std::string> found = Examples(ReadText(entry.path().string()));
            EXPECT_FALSE(found.empty()) << entry.path() << " has no example";
            for (const auto& [path, text] : found) {
                examples[path] = text;
                folder.WriteFile(path, text);
            }
        }
    }
    const std::string& Example(const std::string& path) {
        EXPECT_TRUE(examples.count(path)) << path;
        return examples[path];
    }
    TempFolder folder;
    std::map<std::string, std::string> examples;
};

TEST_F(FormatPages, EveryExampleLoads) {
    EXPECT_EQ(examples.size(), 15u);
    Session session(folder.Path());
    tinyxml2::XMLDocument doc;

    LoadModule("assets/modules/shed");
    vK_Object* door = vK_Object::FindObject("shed_door");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->GetType(), "spr");
    std::unique_ptr<vK_Data> shed = vK_ScriptHub::Instance()->GetGlobal("shed");
    ASSERT_TRUE(shed && shed->AsTable());
    EXPECT_TRUE(shed->Get("Open") && shed->Get("Tick"));

    vK_StringTable* strings = vK_StringTable::Instance();
    ASSERT_TRUE(strings->Load("assets/strings/texts"));
    EXPECT_EQ(strings->Get("welcome", "Ann"), "The Shed: welcome, Ann.");
    EXPECT_EQ(strings->Get("greeting", "Bo"), "Hello, Bo!");

    vK_FrameTexture atlas;
    const std::string& atlasText = Example("assets/images/items.xml");
    ASSERT_TRUE(atlas.LoadFromXml(atlasText.data(), atlasText.size(), "assets/images/"));
    EXPECT_EQ(atlas.GetRect(1).w, 32.0f);
    EXPECT_EQ(atlas.GetRect(7).x, 0.0f);  // the alias of frame 2
    EXPECT_EQ(atlas.GetRect(0).x, -32.0f);

    vK_FrameAnimRes frames;
    frames.Parse(*Parse(doc, Example("assets/anims/flame.xml")));
    ASSERT_EQ(frames.GetFunctions().size(), 2u);
    EXPECT_EQ(frames.GetFunctions()[0].frames, (std::vector<int32_t>{0, 1, 2, 1}));
    EXPECT_FLOAT_EQ(frames.GetFunctions()[0].frameTime, 0.08f);

    vK_ComplexAnimRes complex;
    ASSERT_TRUE(complex.ParseXml(*Parse(doc, Example("assets/anims/clock.xml"))));
    EXPECT_EQ(complex.frameTags, std::vector<std::string>{"caption"});
    EXPECT_TRUE(complex.functions.count("tick"));

    vK_AnimImpl_Flash flash;
    flash.LoadXml(*Parse(doc, Example("assets/anims/wave.xml")));
    EXPECT_EQ(flash.GetSymbols().size(), 2u);
    EXPECT_EQ(flash.GetFrames().size(), 2u);
    EXPECT_FLOAT_EQ(flash.GetFrameTime(), 1.0f / 12.0f);

    vK_PartSysImpl_Rnd rnd;
    ASSERT_TRUE(rnd.LoadXml(*Parse(doc, Example("assets/particles/sparks.xml"))->RootElement()));
    EXPECT_EQ(rnd.GetTemplates().size(), 1u);
    vK_PartSysImpl_Complex scripted;
    ASSERT_TRUE(scripted.LoadXml(*Parse(doc, Example("assets/particles/motes.xml"))->RootElement()));
    ASSERT_EQ(scripted.GetTypes().size(), 1u);
    EXPECT_EQ(scripted.GetTypes()[0].name, "mote");
    vK_PartSysImpl_Jan jan;
    ASSERT_TRUE(jan.LoadXml(*Parse(doc, Example("assets/particles/dust.xml"))->RootElement()));
    EXPECT_EQ(jan.GetEmitters().size(), 1u);

    vK_GridRes grid;
    const std::string& gridText = Example("assets/grids/flag.xml");
    ASSERT_TRUE(grid.Parse("assets/grids/flag", gridText.data(), gridText.size()));
    EXPECT_EQ(grid.GetFrames().size(), 2u);
    EXPECT_EQ(grid.GetIndices().size(), 6u);

    vK_SubtitleTrack subtitles;
    subtitles.Parse(Example("assets/videos/intro.srt"));
    ASSERT_EQ(subtitles.GetEntries().size(), 2u);
    EXPECT_EQ(subtitles.GetEntries()[1].textId, "intro_line_2");
    EXPECT_FLOAT_EQ(subtitles.GetEntries()[0].start, 0.5f);

    const std::string& configText = Example("assets/config.json");
    vK_DataPtr root = ParseJson(configText);
    ASSERT_TRUE(root && root->AsTable());
    vK_Config config(root);
    EXPECT_EQ(config.GetString("start_point.module", ""), "assets/modules/title");
    EXPECT_EQ(config.GetInt("interface_settings.hint_time.normal", 0), 60);

    vK_InputRecording recording;
    std::string error;
    ASSERT_TRUE(ParseInputRecording(Example("shed.rec"), recording, error)) << error;
    EXPECT_EQ(recording.events.size(), 3u);
    EXPECT_EQ(recording.endFrame, 120);

    // The native called as the dispatcher calls it: its one argument on an empty stack.
    vK_ScriptHub& hub = *vK_ScriptHub::Instance();
    lua_State* L = hub.GetLuaState();
    ASSERT_EQ(lua_gettop(L), 0);
    lua_pushstring(L, "assets/guide/guide.xml");
    vK_DataArray results;
    vY_ScriptFunc::GetStrategyGuide(vK_ScriptArgs(hub, L, 1), nullptr, results);
    lua_settop(L, 0);
    ASSERT_EQ(results.Size(), 1u);
    const vK_Data* chapters = results.GetAt(0)->Get("chapters");
    ASSERT_TRUE(chapters && chapters->AsArray() && chapters->AsArray()->Size() == 1);
    const vK_Data* page = chapters->GetAt(0)->Get("pages")->GetAt(0);
    EXPECT_EQ(page->Get("text")->ToString(), "Open the door.&nl&Take the key.");
}

}  // namespace
