// vk.obj.ps: starting, stopping and masking particle systems.
#include "scene/particle_system.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

vK_ParticleSystem* SystemArg(const vK_ScriptArgs& args) {
    vK_Object* object = vK_ApiArgs::Object(args, 0);
    return object && object->GetType() == "partsys" ? static_cast<vK_ParticleSystem*>(object) : nullptr;
}

// The flag arguments count only as the number 1.
bool FlagIsOne(const vK_Data* value) { return value && value->GetInt() == 1 && value->GetFloat() == 1.0f; }

void PartSysSetMaskObj(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_ParticleSystem* system = SystemArg(args);
    vK_Object* mask = vK_ApiArgs::Object(args, 1);
    if (system && mask) system->SetMaskObject(mask);
}

void PartSysStart(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (vK_ParticleSystem* system = SystemArg(args)) system->Start();
}

void PartSysPause(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_ParticleSystem* system = SystemArg(args);
    const vK_Data* flag = At(args, 1);
    if (system && flag) system->Pause(FlagIsOne(flag));
}

void PartSysStop(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_ParticleSystem* system = SystemArg(args);
    const vK_Data* flag = At(args, 1);
    if (system && flag) system->Stop(FlagIsOne(flag));
}

void PartSysRestart(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (vK_ParticleSystem* system = SystemArg(args)) system->Restart();
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.obj.ps.SetMaskObj; PartSysSetMaskObj",
     &PartSysSetMaskObj,
     {"object: name, mask: name",
      "Makes the particle system emit only where the mask object's picture is opaque."}},
    {"vk.obj.ps.Start; PartSysStart", &PartSysStart, {"object: name", "Starts emitting."}},
    {"vk.obj.ps.Pause; PartSysPause",
     &PartSysPause,
     {"object: name, paused: number",
      "Freezes the particle system when paused is 1 and lets it go on otherwise."}},
    {"vk.obj.ps.Stop; PartSysStop",
     &PartSysStop,
     {"object: name, clear: number",
      "Stops emitting; with clear 1 the living particles vanish at once, otherwise they live out their "
      "lives."}},
    {"vk.obj.ps.Restart; PartSysRestart",
     &PartSysRestart,
     {"object: name", "Clears every particle and starts emitting again."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiParticles() { return kEntries; }
