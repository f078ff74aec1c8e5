#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_stages.h"
#include "core/input_event.h"
#include "core/mediator.h"
#include "core/message_id.h"
#include "core/vrakko.h"
#include "files/file_manager.h"
#include "graphics/resource_manager.h"
#include "media/sound_hub_impl.h"
#include "scene/cursor.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "script/script_hub.h"
#include "support/recording_render.h"
#include "support/temp_folder.h"

namespace {

using Stage = vK_FrameStage;

class StagePlatform : public vK_Platform {
public:
    std::unique_ptr<vK_Render> CreateRenderer(int, int) override {
        return std::make_unique<vK_RecordingRender>(320.0f, 240.0f);
    }
};

class StageEngine : public Vrakko {
public:
    StageEngine() : Vrakko(std::make_unique<StagePlatform>()) {
        SetClock([this] { return now; });
    }
    double now = 0.0;
};

// The services a frame reaches, made in start-up order.
struct Services {
    Services() {
        files->SetAssetRoot(folder.Path());
        files->SetSaveFolder(folder.Path() + "/save");
        files->RegisterProviders();
        if (scripts->Init()) RegisterScriptApi(*scripts);
        vK_Object::RegisterEngineTypes();
        engine->CreateRenderer();
    }
    ~Services() {
        engine.reset();
        cursor.reset();
        scene.reset();
        vK_Object::ReleaseAll();
        scripts.reset();
        sounds.reset();
        mediator.reset();
        resources.reset();
        files.reset();
    }
    TempFolder folder;
    std::unique_ptr<vK_FileManager> files = std::make_unique<vK_FileManager>();
    std::unique_ptr<vK_ResourceManager> resources = std::make_unique<vK_ResourceManager>();
    std::unique_ptr<vK_Mediator> mediator = std::make_unique<vK_Mediator>();
    std::unique_ptr<vK_SoundHub_Impl> sounds = std::make_unique<vK_SoundHub_Impl>();
    std::unique_ptr<vK_Scene> scene = std::make_unique<vK_Scene>();
    std::unique_ptr<vK_ScriptHub> scripts = std::make_unique<vK_ScriptHub>();
    std::unique_ptr<vK_Cursor> cursor = std::make_unique<vK_Cursor>();
    std::unique_ptr<StageEngine> engine = std::make_unique<StageEngine>();
};

// One frame with everything a frame does: a click on the button (its handler is queued,
// then run), a message, the process and draw passes, a display restore and a screenshot.
void RunFullFrame(StageEngine& engine, const std::string& shot) {
    for (vK_InputEvent::Type type : {vK_InputEvent::kPointerDown, vK_InputEvent::kPointerUp}) {
        vK_InputEvent click;
        click.type = type;
        click.key = vK_InputEvent::kPointerKey;
        click.x = click.y = 5.0f;
        engine.Input(click);
    }
    static vK_MessageId probe("Event_Test_Probe");
    vK_DataTable payload;
    if (vK_Mediator* mediator = vK_Mediator::Instance()) mediator->Send(probe, &payload);
    engine.now += 20.0;
    EXPECT_TRUE(engine.RunFrame(engine.now));
    engine.Draw();
    engine.RestoreDeviceResources();
    if (vK_Render* render = engine.GetRenderer()) Vrakko::SaveScreenshot(*render, shot);
}

// The process-wide seams the services install, by name, those that hold a value.
std::vector<std::string> InstalledSeams() {
    std::vector<std::string> names;
    if (LogSinkSeam().Installed()) names.push_back("log sink");
    if (ScriptResolverSeam().Installed()) names.push_back("script resolver");
    if (vK_Mediator::ScriptHookSeam().Installed()) names.push_back("mediator hooks");
    if (vK_Object::ScriptHookSeam().Installed()) names.push_back("object script hooks");
    if (vK_Object::SceneHookSeam().Installed()) names.push_back("object scene hooks");
    return names;
}

}  // namespace

// Every service undoes its frame stages and its seams when it goes: destroying any one of them between
// frames takes exactly its stages and seams away, and the next frames run without it.
TEST(FrameServices, EachServiceTakesItsStagesAlongAndTheFrameRunsOn) {
    struct Case {
        const char* name;
        void (*destroy)(Services&);
        std::vector<Stage> stages;       // the stages that go with it
        std::vector<std::string> seams;  // the seams still installed after it went
    };
    const std::vector<std::string> all = {"log sink", "script resolver", "mediator hooks",
                                          "object script hooks", "object scene hooks"};
    const std::vector<Case> cases = {
        {"scene",
         [](Services& s) { s.scene.reset(); },
         {Stage::kDispatchInput, Stage::kFlushGraveyard, Stage::kUpdateScene, Stage::kDrawScene,
          Stage::kRestoreGraphics},
         {"log sink", "script resolver", "mediator hooks", "object script hooks"}},
        {"cursor",
         [](Services& s) { s.cursor.reset(); },
         {Stage::kFollowPointer, Stage::kPointerPosition, Stage::kUpdateCursor, Stage::kDrawCursor},
         all},
        {"script host",
         [](Services& s) { s.scripts.reset(); },
         {Stage::kDeferredCalls},
         {"log sink", "object scene hooks"}},
        {"sound hub", [](Services& s) { s.sounds.reset(); }, {Stage::kUpdateSound}, all},
        {"mediator", [](Services& s) { s.mediator.reset(); }, {}, all},
        {"resource cache", [](Services& s) { s.resources.reset(); }, {}, all},
        {"file manager",
         [](Services& s) { s.files.reset(); },
         {},
         {"script resolver", "mediator hooks", "object script hooks", "object scene hooks"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            Services s;
            vK_Object* button = vK_Object::CreateObject("obj", "button");
            ASSERT_NE(button, nullptr);
            vK_DataTable props;
            props.SetInt("inputrect_init", 1);
            props.SetInt("inputrect_w", 10);
            props.SetInt("inputrect_h", 10);
            props.SetString("event_mdown", "clicks = (clicks or 0) + 1 ObjDelete('button')");
            button->SetProperties(props);
            s.scene->GetLiveRoot()->AddChild(button);
            RunFullFrame(*s.engine, s.folder.Path() + "/before");
            for (int stage = 0; stage < static_cast<int>(Stage::kCount); ++stage)
                EXPECT_TRUE(vK_FrameStages::Has(static_cast<Stage>(stage))) << stage;
            EXPECT_EQ(InstalledSeams(), all);

            c.destroy(s);
            EXPECT_EQ(InstalledSeams(), c.seams);
            for (int stage = 0; stage < static_cast<int>(Stage::kCount); ++stage) {
                const bool gone =
                    std::find(c.stages.begin(), c.stages.end(), static_cast<Stage>(stage)) != c.stages.end();
                EXPECT_EQ(vK_FrameStages::Has(static_cast<Stage>(stage)), !gone) << stage;
            }
            RunFullFrame(*s.engine, s.folder.Path() + "/after");
            RunFullFrame(*s.engine, s.folder.Path() + "/after");
        }
        for (int stage = 0; stage < static_cast<int>(Stage::kCount); ++stage)
            EXPECT_FALSE(vK_FrameStages::Has(static_cast<Stage>(stage))) << stage;
        EXPECT_TRUE(InstalledSeams().empty());
    }
}
