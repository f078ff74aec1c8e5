#pragma once
#include "core/listener_base.h"
#include "scene/particle_system.h"

// Object type "partsys_gm": a particle system that runs only while the interface's game
// mode (sent as "Command_Interface_UpdateGameMode" {mode}) does not exceed its own
// "game_mode"; in a higher mode it neither advances nor draws. Scripts drive it with
// the particle-system functions like any "partsys", which is the type it reports.
class vY_ParticleSystemGm : public vK_ParticleSystem, public vK_ListenerBase {
public:
    explicit vY_ParticleSystemGm(const std::string& name = std::string());
    ~vY_ParticleSystemGm() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    void Tick(const vK_FrameInfo& frame) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;

    bool IsRunning() const { return gameMode_ >= currentMode_; }

    static void RegisterType();

private:
    int32_t gameMode_ = 0;
    int32_t currentMode_ = 0;
};
