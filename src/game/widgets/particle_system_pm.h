#pragma once
#include "scene/particle_system.h"

// Object type "partsys_pm": a particle system that runs only while the player's
// performance mode is off; with it on (also when no settings exist) it neither
// advances nor draws. Scripts drive it like any "partsys", the type it reports.
class vY_ParticleSystemPm : public vK_ParticleSystem {
public:
    explicit vY_ParticleSystemPm(const std::string& name = std::string()) : vK_ParticleSystem(name) {}

    void Tick(const vK_FrameInfo& frame) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;

    static bool IsRunning();
    static void RegisterType();
};
