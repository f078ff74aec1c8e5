#pragma once
#include <memory>

#include "scene/object.h"

class vK_PartSysImpl;

// Object type "partsys": the scene-side shell of a particle implementation. Setting the
// resource name loads the preset (name + ".prst", else name + ".xml" whose root "ps"
// names its type: "complex" by default, "jan" or "rnd"); textures are held while the
// object is in the live scene; updates, draws and properties are forwarded.
class vK_ParticleSystem : public vK_Object {
public:
    explicit vK_ParticleSystem(const std::string& name = std::string());
    ~vK_ParticleSystem() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "partsys"; }
    void Reset() override;
    bool Load() override;
    bool Unload() override;
    bool EnterScene() override;
    bool LeaveScene() override;
    void Tick(const vK_FrameInfo& frame) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    void DumpLine(bool skip, int indent) const override;

    // The script-facing operations; each does nothing without an implementation.
    void Start();
    void Stop(bool clear);
    void Pause(bool paused);
    void Restart();
    void SetMaskObject(vK_Object* mask);

    vK_PartSysImpl* GetImpl() const { return impl_.get(); }

    static void RegisterType();

private:
    std::unique_ptr<vK_PartSysImpl> impl_;
};
