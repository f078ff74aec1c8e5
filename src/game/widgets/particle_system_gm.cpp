#include "game/widgets/particle_system_gm.h"

#include "data/data.h"
#include "game/game_message_ids.h"
#include "scene/property_table.h"

vY_ParticleSystemGm::vY_ParticleSystemGm(const std::string& name) : vK_ParticleSystem(name) {
    vK_ListenerBase::InitializeListener();
}

vY_ParticleSystemGm::~vY_ParticleSystemGm() { vK_ListenerBase::DestroyListener(); }

namespace {
// The keys SetProperties and GetProperties handle outside a property table.
constexpr vK_Object::PropertyDoc kTypeKeys[] = {
    {"game_mode", "int", "0", "read/write"},
};
}  // namespace

void vY_ParticleSystemGm::RegisterType() {
    RegisterObjectType("partsys_gm",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_ParticleSystemGm>(); },
                       {"A particle system that freezes (neither advances nor draws) while the interface's "
                        "game mode is above its game_mode; it reports the type \"partsys\".",
                        nullptr, "partsys", kTypeKeys});
}

void vY_ParticleSystemGm::SetProperties(const vK_DataTable& table) {
    vK_ParticleSystem::SetProperties(table);
    if (const vK_Data* v = table.Get("game_mode")) vK_Props::Read(*v, "game_mode", gameMode_);
}

void vY_ParticleSystemGm::GetProperties(vK_DataTable& table, bool full) const {
    vK_ParticleSystem::GetProperties(table, full);
    table.SetInt("game_mode", gameMode_);
}

void vY_ParticleSystemGm::Tick(const vK_FrameInfo& frame) {
    if (IsRunning()) vK_ParticleSystem::Tick(frame);
}

void vY_ParticleSystemGm::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (IsRunning()) vK_ParticleSystem::DrawSelf(render, state);
}

void vY_ParticleSystemGm::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    if (MapMessage(id, MSG_Command_Interface_UpdateGameMode)) {
        if (payload && payload->Has("mode")) payload->GetInt("mode", currentMode_);
        return;
    }
}
