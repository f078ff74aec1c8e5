#include "app/engine_startup.h"

#include <gtest/gtest.h>

#include <memory>

#include "scene/object.h"
#include "scene/scene.h"
#include "script/script_hub.h"
#include "support/temp_folder.h"

// Start-up brings up the scene with its roots and the script host with the API and
// a global for every message name; shut-down takes them down again.
TEST(EngineStartup, SceneScriptApiAndMessageGlobals) {
    TempFolder folder;
    folder.WriteFile("assets/config.json", "{}");
    vK_StartupOptions options;
    options.assetRoot = folder.Path();
    options.saveFolder = folder.Path() + "/save";
    EngineStartup("assets/config", options);
    ASSERT_NE(vK_Scene::Instance(), nullptr);
    ASSERT_NE(vK_ScriptHub::Instance(), nullptr);
    EXPECT_EQ(vK_Object::FindObject("vk_origin"), vK_Scene::Instance()->GetLiveRoot());
    std::unique_ptr<vK_Data> name =
        vK_ScriptHub::Instance()->GetGlobal("Event_Vrakko_ScriptHub_Script_Error");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->ToString(), "Event_Vrakko_ScriptHub_Script_Error");
    std::unique_ptr<vK_Data> version = vK_ScriptHub::Instance()->GetGlobal("GetEngineVersion");
    EXPECT_EQ(version->GetTag(), vK_Data::kScriptFunction);
    EngineShutdown();
    EXPECT_EQ(vK_Scene::Instance(), nullptr);
    EXPECT_EQ(vK_ScriptHub::Instance(), nullptr);
}
