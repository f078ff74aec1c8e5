#include "game/level.h"

#include "core/frame_info.h"
#include "core/input_event.h"
#include "core/mediator.h"
#include "files/log.h"
#include "game/cheat_highlight.h"
#include "game/game_config.h"
#include "game/game_message_ids.h"
#include "game/interface.h"
#include "game/profile_list.h"
#include "game/widgets/zoom_view.h"
#include "scene/scene.h"
#include "script/module_file.h"
#include "script/script_hub.h"

namespace {

bool g_loading_allowed = false;
bool g_first_opening = true;

const char* const kLoadingModule = "assets/shared/interface/int_loading";

vK_Object* Resolve(const std::weak_ptr<vK_Object*>& ref) {
    const std::shared_ptr<vK_Object*> alive = ref.lock();
    return alive ? *alive : nullptr;
}

vK_Object* StorageRoot() {
    vK_Scene* scene = vK_Scene::Instance();
    return scene ? scene->GetStorageRoot() : nullptr;
}

vK_Object* NewChild(vK_Object& parent, std::unique_ptr<vK_Object> child, float z) {
    vK_Object* object = vK_Object::Adopt(std::move(child));
    object->SetZ(z);
    if (parent.AddChild(object)) return object;
    vK_Object::Destroy(object);
    return nullptr;
}

std::weak_ptr<vK_Object*> RefOf(vK_Object* object) {
    return object ? object->GetWeakRef() : std::weak_ptr<vK_Object*>();
}

// The four corners of an object's input rectangle under its world transform.
void TransformedInputQuad(const vK_Object& object, float (&xs)[4], float (&ys)[4]) {
    const vK_Rect& r = object.GetInputRect();
    const float cx[4] = {r.x, r.x + r.w, r.x + r.w, r.x};
    const float cy[4] = {r.y, r.y, r.y + r.h, r.y + r.h};
    const vK_Matrix world = object.GetWorldMatrix();
    for (int i = 0; i < 4; ++i) world.Transform(cx[i], cy[i], xs[i], ys[i]);
}

// Whether two convex quadrilaterals overlap: a corner of one inside the other, or two
// edges crossing.
bool QuadsIntersect(const float (&ax)[4], const float (&ay)[4], const float (&bx)[4], const float (&by)[4]) {
    for (int i = 0; i < 4; ++i)
        if (PointInQuad(bx, by, ax[i], ay[i]) || PointInQuad(ax, ay, bx[i], by[i])) return true;
    auto cross = [](float ox, float oy, float px, float py, float qx, float qy) {
        return (px - ox) * (qy - oy) - (py - oy) * (qx - ox);
    };
    for (int i = 0; i < 4; ++i) {
        const int i2 = (i + 1) % 4;
        for (int j = 0; j < 4; ++j) {
            const int j2 = (j + 1) % 4;
            const float d1 = cross(ax[i], ay[i], ax[i2], ay[i2], bx[j], by[j]);
            const float d2 = cross(ax[i], ay[i], ax[i2], ay[i2], bx[j2], by[j2]);
            const float d3 = cross(bx[j], by[j], bx[j2], by[j2], ax[i], ay[i]);
            const float d4 = cross(bx[j], by[j], bx[j2], by[j2], ax[i2], ay[i2]);
            if (((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0))) return true;
        }
    }
    return false;
}

}  // namespace

void vY_Level::SetLoadingAllowed(bool allowed) { g_loading_allowed = allowed; }
bool vY_Level::IsLoadingAllowed() { return g_loading_allowed; }
void vY_Level::SetFirstOpening(bool first) { g_first_opening = first; }
bool vY_Level::IsFirstOpening() { return g_first_opening; }

vY_Level::vY_Level(const std::string& module, const std::string& trigger) : vK_Object("vy_level") {
    InitializeListener();
    BuildBranch();
    vK_ScriptHub* scripts = vK_ScriptHub::Instance();
    // An empty start point makes an empty level.
    if (!module.empty()) LoadModule(module);
    if (scripts && !trigger.empty()) scripts->CallHandler(scripts->CompileCode(trigger), "vy_level", true);
    trigger_ = trigger;
    module_ = module;
}

vY_Level::~vY_Level() {
    DestroyListener();
    SaveProgress();
}

void vY_Level::SaveProgress() {
    if (saved_ || state_ < State::kRunning) return;
    saved_ = true;
    if (vY_ProfileList* profiles = vY_ProfileList::Instance()) profiles->SaveProgressAtLevelEnd();
}

void vY_Level::BuildBranch() {
    if (vK_ScriptHub* scripts = vK_ScriptHub::Instance()) {
        vK_DataTable empty;
        scripts->SetGlobal(&empty, "vy_global");
    }
    if (vY_ProfileList* profiles = vY_ProfileList::Instance()) profiles->ForgetLoadedProgress();
    // A level's content neither pans nor zooms until its scripts allow it.
    auto content = std::make_unique<vY_ZoomView>("vy_level_internal");
    vK_DataTable still;
    still.SetBool("candrag", false);
    still.SetBool("canzoom", false);
    content->SetProperties(still);
    auto interface = std::make_unique<vY_Interface>();
    content_ = RefOf(content.get());
    interface_ = RefOf(interface.get());
    auto cheat = std::make_unique<vY_CheatHighlight>();
    cheat->SetLevel(this);
    NewChild(*this, std::move(cheat), 999999.0f);
    cheat_ = RefOf(FindChild("vy_cheat_highlight", false));

    vK_ScriptHub* scripts = vK_ScriptHub::Instance();
    LoadModule(kLoadingModule);
    vK_Object* loading = vK_Object::FindObject("int_loading");
    if (loading) {
        loading->SetZ(10.0f);
        loading->SetInputEnabled(false);
        loading->SetActive(false);
        loading->SetVisible(false);
        if (vK_Object* storage = StorageRoot()) storage->AddChild(loading);
        loading_ = loading->GetWeakRef();
        if (scripts) scripts->CallHandler(scripts->CompileCode("int_loading.Init();"), "", false);
    }
    NewChild(*this, std::move(interface), 2.0f);
    NewChild(*this, std::move(content), 0.0f);
    SetState(State::kLoading);
}

vY_ZoomView* vY_Level::GetContent() const { return static_cast<vY_ZoomView*>(Resolve(content_)); }
vK_Object* vY_Level::GetLoadingScreen() const { return Resolve(loading_); }
vY_Interface* vY_Level::GetInterface() const { return static_cast<vY_Interface*>(Resolve(interface_)); }

void vY_Level::SetState(State state) {
    state_ = state;
    fade_ = 1.0f;
    vK_Object* loading = GetLoadingScreen();
    switch (state) {
        case State::kLoading:
            if (loading) {
                AddChild(loading);
                if (g_loading_allowed) loading->SetVisible(true);
            }
            SetInputEnabled(false);
            ApplyLoadingAlpha(1.0f);
            break;
        case State::kOpening:
            if (loading) {
                if (g_loading_allowed) loading->SetVisible(true);
                AddChild(loading);
            }
            ApplyLoadingAlpha(fade_);
            break;
        case State::kRunning:
            if (loading)
                if (vK_Object* storage = StorageRoot()) storage->AddChild(loading);
            SetInputEnabled(true);
            g_first_opening = false;
            break;
        case State::kLeaving:
            if (loading) {
                loading->SetVisible(true);
                AddChild(loading);
            }
            SetInputEnabled(false);
            ApplyLoadingAlpha(1.0f - fade_);
            break;
        default:
            break;
    }
}

void vY_Level::ApplyLoadingAlpha(float alpha) {
    vK_Object* loading = GetLoadingScreen();
    if (!loading) return;
    if (alpha == 0.0f && loading->IsVisible()) loading->SetVisible(false);
    // The leaving fade always shows the screen (its first step, at alpha 0, hides it
    // again); only the opening fade waits for "Command_Level_CanShowLoading".
    if (alpha > 0.0f && !loading->IsVisible() && (g_loading_allowed || state_ == State::kLeaving))
        loading->SetVisible(true);
    loading->GetOwnParams().alpha = g_first_opening ? 0.0f : alpha;
}

void vY_Level::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    switch (state_) {
        case State::kLoading:
            SetState(State::kOpening);
            break;
        case State::kOpening:
            fade_ = std::max(0.0f, fade_ - frame.dt / kFadeSeconds);
            ApplyLoadingAlpha(fade_);
            if (fade_ <= 0.0f) SetState(State::kRunning);
            break;
        case State::kLeaving:
            fade_ = std::max(0.0f, fade_ - frame.dt / kFadeSeconds);
            ApplyLoadingAlpha(1.0f - fade_);
            if (fade_ <= 0.0f) SetState(State::kDone);
            break;
        default:
            break;
    }
}

bool vY_Level::HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) {
    vK_Object::HandleInput(event, hit, state);
    if (event.type != vK_InputEvent::kKeyDown) return true;
    const vY_GameConfig* config = vY_GameConfig::Instance();
    const vY_ProfileList* profiles = vY_ProfileList::Instance();
    if (!config || !config->GetEdition().cheater || !profiles || !profiles->IsCheaterProfile()) return true;
    vK_Mediator* mediator = vK_Mediator::Instance();
    if (!mediator) return true;
    vK_DataTable payload;
    payload.SetInt("key", event.key);
    mediator->Send(MSG_Event_Cheater_KeyPressed, &payload);
    if (IsActive()) {
        vK_DataTable again;
        again.SetInt("key", event.key);
        mediator->Send(MSG_Event_Level_CheatKeyPressed, &again);
    }
    return true;
}

void vY_Level::AnswerTryApply(vK_DataTable& payload) const {
    std::string objName, toName, parentName;
    payload.GetString("obj_name", objName);
    payload.GetString("toobj_name", toName);
    payload.GetString("parentobj_name", parentName);
    vK_Object* object = vK_Object::FindObject(objName);
    vK_Object* target = vK_Object::FindObject(toName);
    vK_Object* parent = vK_Object::FindObject(parentName);
    bool result = false;
    if (IsInputEnabled() && object && target && parent && parent->FindChild(toName, true)) {
        float ax[4], ay[4], bx[4], by[4];
        TransformedInputQuad(*object, ax, ay);
        TransformedInputQuad(*target, bx, by);
        result = QuadsIntersect(ax, ay, bx, by);
    }
    payload.SetInt("result", result ? 1 : 0);
}

void vY_Level::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    if (MapMessage(id, MSG_Command_Level_Pause)) {
        int pause = 0;
        if (payload) payload->GetInt("pause", pause);
        if (vK_Object* content = GetContent()) content->SetActive(pause != 1);
        return;
    }
    if (MapMessage(id, MSG_Request_Level_IsLoading)) {
        if (payload) payload->SetInt("loading", IsLoading() ? 1 : 0);
        return;
    }
    if (MapMessage(id, MSG_Request_Level_TryApplyObj)) {
        if (payload) AnswerTryApply(*payload);
        return;
    }
    if (MapMessage(id, MSG_Command_Level_CanShowLoading)) {
        bool visible = true;
        if (payload) payload->GetBool("visible", visible);
        g_loading_allowed = visible;
        return;
    }
}
