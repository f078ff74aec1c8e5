#include "game/widgets/particle_system_pm.h"

#include "game/settings.h"

void vY_ParticleSystemPm::RegisterType() {
    RegisterObjectType("partsys_pm",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_ParticleSystemPm>(); },
                       {"A particle system that freezes while the player's performance mode is on; it "
                        "reports the type \"partsys\".",
                        nullptr, "partsys"});
}

bool vY_ParticleSystemPm::IsRunning() {
    const vY_Settings* settings = vY_Settings::Instance();
    return settings && settings->GetPerformance() == 0;
}

void vY_ParticleSystemPm::Tick(const vK_FrameInfo& frame) {
    if (IsRunning()) vK_ParticleSystem::Tick(frame);
}

void vY_ParticleSystemPm::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (IsRunning()) vK_ParticleSystem::DrawSelf(render, state);
}
