#include "game/application.h"

#include "core/mediator.h"
#include "core/vrakko.h"
#include "data/config.h"
#include "data/string_table.h"
#include "files/data_provider_save.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "game/game_config.h"
#include "game/game_message_ids.h"
#include "game/level.h"
#include "game/profile_list.h"
#include "game/script_func.h"
#include "game/settings.h"
#include "game/widgets/bake_container.h"
#include "game/widgets/particle_system_gm.h"
#include "game/widgets/particle_system_pm.h"
#include "game/widgets/scroll_container.h"
#include "game/widgets/sprite_gm.h"
#include "game/widgets/text_adapt.h"
#include "game/widgets/text_edit.h"
#include "game/widgets/transparent_object.h"
#include "game/widgets/zoom_view.h"
#include "media/sound_hub.h"
#include "platform/desktop.h"
#include "scene/scene.h"
#include "script/script_hub.h"

namespace {

vY_Application* g_application = nullptr;
// The portrait warning is shown once per process.
bool g_portrait_warning_shown = false;

const char* const kCorruptedText = "Game assets is corrupted.\nPlease reinstall the game to fix the problem.";

std::string Text(const std::string& id) {
    vK_StringTable* strings = vK_StringTable::Instance();
    return strings ? strings->Get(id) : id;
}

void SendEmpty(const vK_MessageId& id) {
    vK_Mediator* mediator = vK_Mediator::Instance();
    if (!mediator) return;
    vK_DataTable payload;
    mediator->Send(id, &payload);
}

vK_Object* Resolve(const std::weak_ptr<vK_Object*>& ref) {
    const std::shared_ptr<vK_Object*> alive = ref.lock();
    return alive ? *alive : nullptr;
}

}  // namespace

// The application root: a plain object that can tell its own transform.
class vY_Application::Root : public vK_Object {
public:
    Root() : vK_Object("vy_application") {}
    vK_Matrix LocalMatrix() const { return ComputeLocalMatrix(0); }
};

vY_Application::vY_Application(int width, int height) : width_(width), height_(height) {
    g_application = this;
    vY_Application::Init();  // the constructor runs this class's own Init
    InitializeListener();
}

vY_Application::~vY_Application() {
    DestroyListener();
    profiles_.reset();
    settings_.reset();
    gameConfig_.reset();
    if (g_application == this) g_application = nullptr;
}

vY_Application* vY_Application::Instance() { return g_application; }

void vY_Application::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    if (MapMessage(id, MSG_Command_Application_SwitchLevel)) {
        if (vY_Level* level = GetLevel()) level->SetState(vY_Level::State::kLeaving);
        pending_ = std::make_unique<vK_DataTable>();
        std::string module, func;
        if (payload) {
            payload->GetString("module", module);
            payload->GetString("func", func);
        }
        pending_->SetString("module", module);
        pending_->SetString("func", func);
        return;
    }
    if (MapMessage(id, MSG_Request_Application_GetMatrix)) {
        vK_Object* root = GetRoot();
        if (!payload || !root) return;
        const vK_Matrix matrix = static_cast<Root*>(root)->LocalMatrix();
        vK_DataArray* array = payload->SetArray("matrix");
        for (float value : matrix.m) array->Push(new vK_DataFloat(value));
        return;
    }
    if (MapMessage(id, MSG_Request_Application_IsForceFullscreen)) {
        if (payload) payload->SetBool("result", forceFullscreen_);
        return;
    }
    if (MapMessage(id, MSG_Request_Application_Scale)) {
        if (!payload) return;
        vY_Level* level = GetLevel();
        const vY_ZoomView* content = level ? level->GetContent() : nullptr;
        payload->SetFloat("scale_x", content ? content->GetKeptScale() : 1.0f);
        payload->SetFloat("scale_y", content ? content->GetKeptScale() : 1.0f);
        return;
    }
    if (MapMessage(id, MSG_Command_Application_ChangeWidescreen)) {
        bool value = widescreen_;
        if (payload) payload->GetBool("widescreen", value);
        widescreen_ = value;
        return;
    }
    if (MapMessage(id, MSG_Request_Application_GetWidht)) {
        if (!payload) return;
        const bool wide = settings_ ? settings_->GetWidescreen() : widescreen_;
        float width = wide ? kWideReferenceWidth : kReferenceWidth;
        vK_Object* root = GetRoot();
        Vrakko* engine = Vrakko::Instance();
        const float scale = root ? root->GetScaleX() : 1.0f;
        if (engine && scale > 0.0f) {
            const float display = static_cast<float>(engine->GetWidth());
            const float needed = width * scale;
            if (display < needed && needed - display > 2.0f) width = display / scale;
        }
        payload->SetFloat("width", width);
        return;
    }
}

bool vY_Application::CanStart() {
    const std::string title = Text("window_title");
    std::string folder;
    if (vK_FileManager* files = vK_FileManager::Instance())
        folder = vK_DataProviderSave(files->SharedLocations()).SaveFolder();
    instanceLock_ = std::make_unique<vK_InstanceLock>();
    if (!instanceLock_->Acquire(title, folder)) {
        Log("Warning: %s is already running", title.c_str());
        std::fprintf(stderr, "%s is already running\n", title.c_str());
        return false;
    }
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files || files->Exists("assets/config.json") != 0) {
        ShowStartupMessage(kCorruptedText, "Loading Error");
        return false;
    }
    // A configuration that is there but unreadable or unparsable is as good as missing;
    // its problem is logged again now that the log has its place.
    const vK_Config* config = vK_Config::Instance();
    if (config && !config->GetLoadProblem().empty()) {
        Log("Error: the configuration can not be used: %s", config->GetLoadProblem().c_str());
        ShowStartupMessage(kCorruptedText, "Loading Error");
        return false;
    }
    return true;
}

void vY_Application::Init() {
    level_.reset();
    root_.reset();
    pending_.reset();
    m_bPause = false;
    widescreen_ = true;
    forceFullscreen_ = false;
    gameConfig_ = std::make_unique<vY_GameConfig>();
    if (Vrakko* engine = Vrakko::Instance()) engine->SetGameName(gameConfig_->GetSaveFolderName());
    settings_ = std::make_unique<vY_Settings>();
    settings_->Load();
    widescreen_ = settings_->GetWidescreen();
}

bool vY_Application::SettingsFullscreen() const { return settings_ ? settings_->GetFullscreen() : true; }

void vY_Application::RecordDisplay(bool fullscreen) {
    if (!settings_) return;
    settings_->SetWidescreen(widescreen_, true);
    settings_->SetFullscreen(fullscreen, true);
}

void vY_Application::AfterInit() {
    Log("vY_Application::AfterInit m_bPause = %d", m_bPause ? 1 : 0);
    m_bPause = false;
    // The game's own object types, for the module loader and ObjCreate.
    vY_BakeContainer::RegisterType();
    vY_SpriteGm::RegisterType();
    vY_ParticleSystemGm::RegisterType();
    vY_ParticleSystemPm::RegisterType();
    vY_TransparentObject::RegisterType();
    vY_TextEdit::RegisterType();
    vY_TextAdapt::RegisterType();
    vY_ZoomView::RegisterType();
    vY_ScrollContainer::RegisterType();
    if (vK_ScriptHub* scripts = vK_ScriptHub::Instance()) vY_ScriptFunc::Register(*scripts);
    if (!settings_) {
        settings_ = std::make_unique<vY_Settings>();
        settings_->Load();
    }
    profiles_ = std::make_unique<vY_ProfileList>();
    vK_Scene* scene = vK_Scene::Instance();
    if (scene && scene->GetLiveRoot()) {
        vK_Object* root = vK_Object::Adopt(std::make_unique<Root>());
        if (scene->GetLiveRoot()->AddChild(root)) root_ = root->GetWeakRef();
    }
    UpdateApplicationParams(SettingsFullscreen());
    RequestStart();
}

void vY_Application::RequestStart() {
    pending_ = std::make_unique<vK_DataTable>();
    pending_->SetString("module", gameConfig_ ? gameConfig_->GetStartModule() : std::string());
    pending_->SetString("func", gameConfig_ ? gameConfig_->GetStartFunc() : std::string());
}

vK_Object* vY_Application::GetRoot() const { return Resolve(root_); }

vY_Level* vY_Application::GetLevel() const { return static_cast<vY_Level*>(Resolve(level_)); }

void vY_Application::OnProcess(const vK_FrameInfo& frame) {
    if (startupClock_ < 0.5f) startupClock_ += frame.dt;
    vY_Level* level = GetLevel();
    if (pending_ && (!level || level->IsDone())) {
        std::string module, func;
        pending_->GetString("module", module);
        pending_->GetString("func", func);
        pending_.reset();
        StartNewLevel(module, func);
    }
}

void vY_Application::CloseLevel() {
    if (vY_Level* level = GetLevel()) {
        // It stops answering messages now; its memory goes at the frame's safe point.
        level->DestroyListener();
        level->SaveProgress();
        vK_Object::Destroy(level);
    }
    level_.reset();
    // The level's script receivers go with it; the next level subscribes its own.
    if (vK_Mediator* mediator = vK_Mediator::Instance())
        mediator->DropScriptListenersFrom(levelScriptSerial_);
    if (vK_Scene* scene = vK_Scene::Instance())
        if (scene->GetStorageRoot()) scene->GetStorageRoot()->DeleteChildren();
    if (vK_SoundHub* sounds = vK_SoundHub::Instance()) sounds->StopAll(2.0f);
}

void vY_Application::StartNewLevel(const std::string& module, const std::string& trigger) {
    CloseLevel();
    if (vK_Mediator* mediator = vK_Mediator::Instance()) levelScriptSerial_ = mediator->GetNextScriptSerial();
    vK_Object* root = GetRoot();
    auto* level = static_cast<vY_Level*>(vK_Object::Adopt(std::make_unique<vY_Level>(module, trigger)));
    if (root && root->AddChild(level)) {
        level_ = level->GetWeakRef();
    } else {
        level->DestroyListener();
        vK_Object::Destroy(level);
    }
    Log("vY_Application::StartNewLevel m_bPause = %d, sModuleName = %s, sTrigerName = %s", m_bPause ? 1 : 0,
        module.c_str(), trigger.c_str());
}

void vY_Application::SetPause(bool pause) {
    Log("vY_Application::SetPause m_bPause = %d, bValue = %d", m_bPause ? 1 : 0, pause ? 1 : 0);
    if (pause == m_bPause) return;
    m_bPause = pause;
    SendEmpty(pause ? MSG_Command_Pause_Show : MSG_Command_Pause_Hide);
    if (vK_Object* root = GetRoot()) {
        root->SetActive(!m_bPause);
        root->SetInputEnabled(!m_bPause);
    }
}

vK_DisplayMode vY_Application::GetDisplayMode() {
    const bool fullscreen = SettingsFullscreen();
    vK_DisplayMode mode = GetDisplayMode(fullscreen);
    RecordDisplay(mode.fullscreen);
    if (!fullscreen && mode.fullscreen) forceFullscreen_ = true;
    return mode;
}

vK_DisplayMode vY_Application::GetDisplayMode(bool fullscreen) {
    vK_DisplayMode mode;
    mode.fullscreen = fullscreen;
    mode.height = 768;
    mode.title = Text("window_title");
    if (gameConfig_ && gameConfig_->GetEdition().collectors) {
        const std::string ce = Text("window_title_ce");
        if (!ce.empty() && ce != "window_title_ce")
            mode.title = ce;
        else
            mode.title += " Collector's Edition";
    }
    ChooseDisplayMode(mode);
    return mode;
}

void vY_Application::SetDesktopSize(float width, float height) {
    desktopRead_ = true;
    // No display answers zeros; the mapping divides by these sizes.
    if (width <= 0.0f || height <= 0.0f) {
        width = kReferenceWidth;
        height = kReferenceHeight;
    }
    desktopWidth_ = width;
    desktopHeight_ = height;
}

void vY_Application::ReadDesktop() {
    if (desktopRead_) return;
    std::vector<float> size;
    if (Vrakko* engine = Vrakko::Instance()) size = engine->GetDesktopSize();
    SetDesktopSize(size.size() >= 2 ? size[0] : 0.0f, size.size() >= 2 ? size[1] : 0.0f);
}

float vY_Application::GetDesktopWidth() {
    ReadDesktop();
    return desktopWidth_;
}

float vY_Application::GetDesktopHeight() {
    ReadDesktop();
    return desktopHeight_;
}

void vY_Application::ChooseDisplayMode(vK_DisplayMode& mode) {
    const float w = GetDesktopWidth();
    const float h = GetDesktopHeight();
    const bool wide = w / h > 1.3333334f;
    if (h > w && !g_portrait_warning_shown) {
        g_portrait_warning_shown = true;
        ShowStartupMessage("Game may not display correctly in the current resolution settings", "Error");
    }
    bool ws = widescreen_;
    if (ws && (!wide || w < kWideReferenceWidth)) ws = false;
    bool small = false;
    if (!mode.fullscreen) {
        if (h < kReferenceHeight)
            mode.fullscreen = true;
        else if (h <= 800.0f)
            small = true;
    }
    if (mode.fullscreen) {
        mode.width = static_cast<int>(w);
        mode.height = static_cast<int>(h);
    } else if (small) {
        mode.width = ws ? 1068 : 800;
        mode.height = 600;
    } else {
        mode.width = ws ? 1366 : 1024;
        mode.height = 768;
    }
    width_ = mode.width;
    height_ = mode.height;
    widescreen_ = ws;
}

vY_AppInfo vY_Application::GetApplicationInfo(bool fullscreen) {
    const vK_DisplayMode mode = GetDisplayMode(fullscreen);
    vY_AppInfo info;
    info.widescreen = widescreen_;
    const float referenceWidth = info.widescreen ? kWideReferenceWidth : kReferenceWidth;
    const float aspect = GetDesktopWidth() / GetDesktopHeight();
    info.scaleY = static_cast<float>(mode.height) / kReferenceHeight;
    if (info.widescreen && aspect >= 1.7786459f)
        info.scaleX = static_cast<float>(mode.width) / (kReferenceHeight * aspect);
    else
        info.scaleX = static_cast<float>(mode.width) / referenceWidth;
    info.posX = (static_cast<float>(mode.width) - kReferenceWidth * info.scaleX) / 2.0f;
    info.posY = (static_cast<float>(mode.height) - kReferenceHeight * info.scaleY) / 2.0f;
    Log("GetApplicationInfo: Display mode: % dx % d, fullscreen = % d, widescreen = %d", mode.width,
        mode.height, mode.fullscreen ? 1 : 0, info.widescreen ? 1 : 0);
    Log("GetApplicationInfo: AppInfo: posx = % f posy = % f, scalex = % f, scaley = %f", info.posX, info.posY,
        info.scaleX, info.scaleY);
    return info;
}

void vY_Application::UpdateApplicationParams(bool fullscreen) {
    const vY_AppInfo info = GetApplicationInfo(fullscreen);
    vK_Object* root = GetRoot();
    if (!root) return;
    root->SetScale(info.scaleX, info.scaleY);
    root->SetPosition(info.posX, info.posY);
    const vK_Rect crop =
        info.widescreen ? vK_Rect{-171.0f, 0.0f, 1366.0f, 768.0f} : vK_Rect{0.0f, 0.0f, 1024.0f, 768.0f};
    root->SetCropRect(true, crop);
    Log("UpdateApplicationParams: CropRect: % f % f, width = % f, height = %f", crop.x, crop.y, crop.w,
        crop.h);
}

void vY_Application::OnDisplayModeChangeDone(bool fullscreen) {
    UpdateApplicationParams(fullscreen);
    vK_DataTable payload;
    payload.SetBool("togglewidescreen", settings_ && settings_->GetWidescreen() != widescreen_);
    payload.SetBool("togglefullscreen", fullscreen != SettingsFullscreen());
    RecordDisplay(fullscreen);
    if (vK_Mediator* mediator = vK_Mediator::Instance())
        mediator->Send(MSG_Event_Application_ToggleFullScreen, &payload);
    SendEmpty(MSG_Command_Interface_UpdateTextures);
}

void vY_Application::OnActivate() {
    if (startupClock_ < 0.1f) return;
    const vK_DisplayMode mode = GetDisplayMode(SettingsFullscreen());
    Vrakko* engine = Vrakko::Instance();
    if (engine && (mode.width != engine->GetWidth() || mode.height != engine->GetHeight()))
        engine->SetFullscreen(mode.fullscreen);
    SetPause(false);
}

void vY_Application::OnDeactivate() {
    if (settings_) settings_->Save();
    SetPause(true);
}

void vY_Application::OnBackPressed() {
    if (vK_Mediator* mediator = vK_Mediator::Instance())
        mediator->Send(MSG_Event_Android_BackPressed, nullptr);
}

void vY_Application::OnShutdown() {
    SendEmpty(MSG_Event_Application_Closing);
    if (settings_) settings_->Save();
    CloseLevel();
    if (vK_Object* root = GetRoot()) {
        root->DeleteChildren();
        vK_Object::Destroy(root);
    }
    root_.reset();
    if (settings_) settings_->Save();
    profiles_.reset();
}
