#include "app/engine_startup.h"

#include <memory>

#include "core/mediator.h"
#include "core/message_id.h"
#include "core/startup_trace.h"
#include "core/vrakko.h"
#include "data/config.h"
#include "data/exception.h"
#include "data/json_file.h"
#include "data/string_table.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/font.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/resource_manager.h"
#include "media/sound_hub_impl.h"
#include "platform/desktop_services.h"
#include "platform/vrakko_impl.h"
#include "scene/animation.h"
#include "scene/grid.h"
#include "scene/object.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "scene/sprite.h"
#include "scene/text.h"
#include "scene/timer_obj.h"
#include "scene/video.h"
#include "script/script_api.h"
#include "script/script_hub.h"

namespace {
const vK_ConfigKey kStrings("Vrakko.strings", "array of strings", "[]",
                            "The string tables loaded at start, each a path without \".xml\".");
}  // namespace

namespace {

// The services EngineStartup made, in creation order.
struct Services {
    std::unique_ptr<vK_GlyphRasterizer> glyphs;
    std::unique_ptr<vK_Mediator> mediator;
    std::unique_ptr<vK_StringTable> strings;
    std::unique_ptr<vK_SoundHub_Impl> sounds;
    std::unique_ptr<vK_FileManager> files;
    std::unique_ptr<vK_ResourceManager> resources;
    std::unique_ptr<vK_Config> config;
    std::unique_ptr<vK_Scene> scene;
    std::unique_ptr<vK_ScriptHub> scripts;
    std::unique_ptr<vK_DesktopServices> desktop;
    std::unique_ptr<Vrakko> engine;
};

Services& TheServices() {
    static Services services;
    return services;
}

}  // namespace

Vrakko_Impl& EngineStartup(const char* configPath, const vK_StartupOptions& options) {
    Services& s = TheServices();
    s.glyphs = std::make_unique<vK_GlyphRasterizer>();
    s.mediator = std::make_unique<vK_Mediator>();
    s.strings = std::make_unique<vK_StringTable>();
    s.sounds = std::make_unique<vK_SoundHub_Impl>();  // sound: the hub, before the file manager
    s.files = std::make_unique<vK_FileManager>();
    if (!options.assetRoot.empty()) s.files->SetAssetRoot(options.assetRoot);
    if (!options.saveFolder.empty()) s.files->SetSaveFolder(options.saveFolder);
    s.files->RegisterProviders();
    s.resources = std::make_unique<vK_ResourceManager>();
    s.resources->SetFactory(vK_ResourceManager::kFont,
                            []() -> std::shared_ptr<vK_Resource> { return std::make_shared<vK_Font>(); });
    if (!vK_Config::Instance()) {
        std::string problem;
        s.config = std::make_unique<vK_Config>(configPath && *configPath ? LoadDocument(configPath, &problem)
                                                                         : std::make_shared<vK_DataTable>());
        s.config->SetLoadProblem(problem);
    }
    s.scene = std::make_unique<vK_Scene>();
    s.scripts = std::make_unique<vK_ScriptHub>();
    if (s.scripts->Init()) RegisterScriptApi(*s.scripts);
    // Every message name registered by now is a script global holding that name.
    if (auto set_global = vK_Mediator::ScriptHookSeam().Get().set_global) {
        for (const std::string& name : vK_MessageId::RegisteredNames()) set_global(name);
    }
    vK_Object::RegisterEngineTypes();
    vK_Sprite::RegisterType();
    vK_Text::RegisterType();
    vK_Grid::RegisterType();
    vK_TimerObj::RegisterType();
    vK_Animation::RegisterType();
    vK_ParticleSystem::RegisterType();
    vK_Video::RegisterType();
    if (vK_Config* config = vK_Config::Instance()) s.strings->LoadList(config->GetData(kStrings.path));
    s.desktop = std::make_unique<vK_DesktopServices>();
    // The engine on the SDL platform; the platform lives as long as the engine.
    auto platform = std::make_unique<Vrakko_Impl>();
    Vrakko_Impl& sdl = *platform;
    s.engine = std::make_unique<Vrakko>(std::move(platform));
    return sdl;
}

Vrakko_Impl* StartEngine(const vK_StartupOptions& options) {
    vK_StartupTrace::Mark("entry point");
    try {
        Vrakko_Impl& engine = EngineStartup("assets/config", options);
        vK_StartupTrace::Mark("services (EngineStartup)");
        return &engine;
    } catch (const vK_Exception& e) {
        Log("Error: start-up stopped: %s", e.what());
        EngineShutdown();
        return nullptr;
    }
}

// Not the reverse of EngineStartup: the scene and every object go before the script host,
// since objects hold references into its Lua state.
void EngineShutdown() {
    Services& s = TheServices();
    s.engine.reset();
    s.desktop.reset();
    if (s.mediator) s.mediator->DropScriptListeners();
    s.scene.reset();
    vK_Object::ReleaseAll();
    if (s.scripts) s.scripts->Shutdown();
    s.scripts.reset();
    if (s.sounds) s.sounds->StopAll(0.0f);  // sound
    if (s.resources) s.resources->Clear();
    if (s.strings) s.strings->Clear();
    s.config.reset();
    s.mediator.reset();
    s.strings.reset();
    s.sounds.reset();  // sound: closes the audio device
    s.files.reset();
    s.resources.reset();
    s.glyphs.reset();
}
