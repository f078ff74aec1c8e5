#include <gtest/gtest.h>

#include <cstdlib>

#include "files/file_manager.h"
#include "files/log.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/module_file.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

namespace {
using Records = std::vector<ScriptSceneFixture::Record>;

class Modules : public ::testing::Test, public ScriptSceneFixture {
protected:
    void SetUp() override { files.SetSilent(false); }
    void Start(const std::string& root) {
        files.SetAssetRoot(root);
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
    }
    void Write(const std::string& path, const std::string& text) { folder.WriteFile("root/" + path, text); }
    std::vector<std::string> StorageNames() const {
        std::vector<std::string> names;
        vK_Object* storage = scene->GetStorageRoot();
        for (size_t i = 0; i < storage->GetChildCount(false); ++i)
            names.push_back(storage->GetChild(i)->GetName());
        return names;
    }

    TempFolder folder;
    vK_FileManager files;
};

const char* kThreeChildren =
    "<module name=\"menu\"><objs><obj name=\"holder\">"
    "<obj name=\"a\"/><obj name=\"b\" pos_x=\"5\"/><obj name=\"c\"/></obj>"
    "<obj name=\"ignored\"/></objs></module>";
}  // namespace

TEST_F(Modules, NamedByAttribute_ObjectsParkedInOrderAndTableGlobal) {
    Write("assets/mods/menu.xml", kThreeChildren);
    Write("assets/mods/menu.lua", "public.answer = 42\n");
    Start(folder.Path() + "/root");
    LoadModule("assets/mods/menu");
    EXPECT_EQ(StorageNames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(vK_Object::FindObject("holder"), nullptr);
    EXPECT_EQ(vK_Object::FindObject("ignored"), nullptr);
    EXPECT_FLOAT_EQ(vK_Object::FindObject("b")->GetX(), 5.0f);
    EXPECT_EQ(Eval("menu.answer"), "42");
}

TEST_F(Modules, NamedByHeader_CrlfAndBomAccepted) {
    Write("assets/screens/main.xml", "<module><objs/></module>");
    Write("assets/screens/main.lua", "\xEF\xBB\xBF-- name=menu\r\npublic.kind = 'header'\r\nlocal x = 1\r\n");
    Start(folder.Path() + "/root");
    LoadModule("assets/screens/main");
    EXPECT_EQ(Eval("menu.kind"), "header");
}

TEST_F(Modules, NotNamed_PathIsNoLuaNameButObjectsLoad) {
    Write("assets/screens/main.xml",
          "<module><objs><obj name=\"r\"><obj name=\"kid\"/></obj></objs></module>");
    Write("assets/screens/main.lua", "public.x = 1\n");
    Start(folder.Path() + "/root");
    vK_LogCapture log;
    LoadModule("assets/screens/main");
    EXPECT_TRUE(log.Contains("Error: module assets/screens/main try to compile")) << log.Text();
    EXPECT_EQ(StorageNames(), (std::vector<std::string>{"kid"}));
}

TEST_F(Modules, ElementRules_TypeOverrideUnknownTagsAndNames) {
    Write("assets/m.xml",
          "<module name=\"m\"><objs><obj>"
          "<widget __type=\"obj\" _name=\"typed\"/>"
          "<nosuchtype name=\"skipped\"><obj name=\"inside_skipped\"/></nosuchtype>"
          "<obj/>"
          "<obj _name=\"\" name=\"plain\"/>"
          "<obj visible=\"true\" name=\"hidden\"/>"
          "</obj></objs></module>");
    Start(folder.Path() + "/root");
    LoadModule("assets/m");
    EXPECT_EQ(StorageNames(), (std::vector<std::string>{"typed", "dummy", "plain", "hidden"}));
    EXPECT_EQ(vK_Object::FindObject("skipped"), nullptr);
    EXPECT_EQ(vK_Object::FindObject("inside_skipped"), nullptr);
    EXPECT_FALSE(vK_Object::FindObject("hidden")->IsVisible());  // "true" reads as the number 0
}

TEST_F(Modules, Instances_PrefixWithUnderscoreNameOnlyAndSeparateTables) {
    Write("assets/inst.xml",
          "<module name=\"inst\"><objs><obj><obj _name=\"button\"/><obj "
          "name=\"shared\"/></obj></objs></module>");
    Write("assets/inst.lua", "local count = 0\nfunction public.inc() count = count + 1; return count end\n");
    Start(folder.Path() + "/root");
    ASSERT_TRUE(
        Lua("a = vk.mod.LoadInstance('assets/inst', true, 'a1_');"
            "b = vk.mod.LoadInstance('assets/inst', true, 'a2_')"));
    EXPECT_NE(vK_Object::FindObject("a1_button"), nullptr);
    EXPECT_NE(vK_Object::FindObject("a2_button"), nullptr);
    EXPECT_NE(vK_Object::FindObject("shared"), nullptr);  // "name" drops the prefix
    EXPECT_EQ(vK_Object::FindObject("a1_shared"), nullptr);
    EXPECT_EQ(Eval("a.inc() + a.inc() * 10 + b.inc() * 100"), "121");
    EXPECT_EQ(Eval("inst"), "nil");  // instances define no global
}

TEST_F(Modules, Instances_NumberOneKeepsNoObjects) {
    Write("assets/inst.xml", "<module><objs><obj><obj _name=\"button\"/></obj></objs></module>");
    Write("assets/inst.lua", "public.v = 7\n");
    Start(folder.Path() + "/root");
    ASSERT_TRUE(Lua("t = vk.mod.LoadInstance('assets/inst', 1, 'p_')"));
    Frame();
    EXPECT_EQ(vK_Object::FindObject("p_button"), nullptr);
    EXPECT_TRUE(StorageNames().empty());
    EXPECT_EQ(Eval("t.v"), "7");
}

TEST_F(Modules, Failures_LoggedAndPreviousGlobalUntouched) {
    Write("assets/menu.xml", "<module name=\"menu\"/>");
    Write("assets/menu.lua", "public.version = 1\n");
    Start(folder.Path() + "/root");
    LoadModule("assets/menu");
    ASSERT_EQ(Eval("menu.version"), "1");
    struct Case {
        const char* xml;
        const char* lua;
        const char* message;
    } cases[] = {
        {"<module name=\"menu\"><objs>", "public.version = 2\n",
         "[vK][Module] Error while parsing assets/menu file"},
        {"<notmodule name=\"menu\"/>", "public.version = 3\n",
         "[vK][Module] Error: assets/menu file not valid module file"},
        {"<module name=\"menu\"/>", "public.version = 4\nerror('boom')\n", nullptr},
        {"<module name=\"menu\"/>", "public.version = = 5\n", "Error: module menu try to compile"},
    };
    for (const Case& c : cases) {
        Write("assets/menu.xml", c.xml);
        Write("assets/menu.lua", c.lua);
        vK_LogCapture log;
        LoadModule("assets/menu");
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message)) << log.Text();
        }
        EXPECT_EQ(Eval("menu.version"), "1") << c.lua;
    }
}

TEST_F(Modules, MissingFiles_NotFoundReportsAndDummyModule) {
    Start(folder.Path() + "/root");
    vK_LogCapture log;
    LoadModule("assets/none");
    EXPECT_TRUE(log.Contains("assets/none.xml")) << log.Text();
    EXPECT_TRUE(log.Contains("assets/none.lua")) << log.Text();
    EXPECT_EQ(Eval("type(dummymodule)"), "table");
}

TEST_F(Modules, LoadedTwice_NewTableAndNewestObjectsInRegistry) {
    Write("assets/m.xml", "<module name=\"m\"><objs><obj><obj name=\"w\"/></obj></objs></module>");
    Write("assets/m.lua", "public.t = {}\n");
    Start(folder.Path() + "/root");
    LoadModule("assets/m");
    vK_Object* first = vK_Object::FindObject("w");
    ASSERT_TRUE(Lua("first_t = m.t"));
    LoadModule("assets/m");
    vK_Object* second = vK_Object::FindObject("w");
    EXPECT_NE(first, second);
    EXPECT_EQ(StorageNames(), (std::vector<std::string>{"w", "w"}));
    EXPECT_EQ(Eval("rawequal(first_t, m.t)"), "false");
}

TEST_F(Modules, SameModuleFromPasswordArchive) {
    folder.WriteFile("src/assets/mods/menu.xml", kThreeChildren);
    folder.WriteFile("src/assets/mods/menu.lua", "-- name=zipped\npublic.answer = 'zip'\n");
    const std::string cmd = "cd '" + folder.Path() + "/src' && zip -q -r -P dunKerrow '" + folder.Path() +
                            "/root/assets/data.pck' assets";
    folder.WriteFile("root/assets/.keep", "");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Start(folder.Path() + "/root");
    LoadModule("assets/mods/menu");
    EXPECT_EQ(StorageNames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Eval("zipped.answer"), "zip");
}

TEST_F(Modules, ModuleCodeDrivesObjectsThroughVk) {
    Write("assets/game.xml",
          "<module name=\"game\"><objs><obj><obj name=\"btn\"><obj name=\"kid\"/></obj>"
          "<obj name=\"panel\"/></obj></objs></module>");
    Write("assets/game.lua",
          "function public.Start()\n"
          "  vk.obj.Attach('panel', 'vk_origin')\n"
          "  vk.obj.Clone('btn', '_2', 1, 'panel')\n"
          "  vk.obj.Set('btn_2', {pos_x = 10})\n"
          "  vk.obj.Create('made', 'obj')\n"
          "  vk.obj.Animate('btn_2', 'pos_y', 0, 0, 'Rec(\"anim_end\", vk_params.sender)', {0, 0, 0, 1, 0, "
          "100})\n"
          "  vk.obj.Delete('btn')\n"
          "end\n");
    Start(folder.Path() + "/root");
    LoadModule("assets/game");
    ASSERT_TRUE(Lua("game.Start()"));
    vK_Object* clone = vK_Object::FindObject("btn_2");
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetParent(), vK_Object::FindObject("panel"));
    EXPECT_NE(vK_Object::FindObject("kid_2"), nullptr);
    EXPECT_EQ(vK_Object::FindObject("made")->GetParent(), scene->GetStorageRoot());
    EXPECT_EQ(vK_Object::FindObject("btn"), nullptr);
    EXPECT_EQ(Eval("ObjGetRelations('btn_2').parent .. ':' .. ObjGetRelations('btn_2').childs[1]"),
              "panel:kid_2");
    EXPECT_EQ(Eval("ObjGetRelations('vk_storage').parent"), "null");
    for (int i = 0; i < 70; ++i) Frame();
    EXPECT_NEAR(clone->GetY(), 100.0f, 0.001f);
    EXPECT_FLOAT_EQ(clone->GetX(), 10.0f);
    EXPECT_EQ(Take(), (Records{{"anim_end", "btn_2"}}));
}
