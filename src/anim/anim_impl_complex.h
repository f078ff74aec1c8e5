#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "anim/anim_impl.h"
#include "anim/complex_anim_res.h"
#include "graphics/draw_params.h"

class vK_PartSysImpl_Rnd;
class vK_Text;
class vK_Texture;

// The complex animation: a small tree of animated objects (textured quads, deformable
// grids, texts, particle systems) whose parameters follow the key-frame curves of the
// current function. The shared resource is never changed: the function being played
// and the objects it animates are private instance copies, and script overrides
// (tagged key values and texts, grid vertices, textures by resource tag) apply to them.
class vK_AnimImpl_Complex : public vK_AnimImpl {
public:
    // The playing copy of one animated object.
    struct Instance {
        const SAnimObject* data = nullptr;
        Instance* parent = nullptr;
        std::vector<std::unique_ptr<Instance>> children;
        bool basePending = true;
        vK_DrawParams base, current;
        float posX = 0, posY = 0, scaleX = 1, scaleY = 1, angle = 0;
        bool animated = false;
        bool particleStarted = false;
        bool ended = false;
        std::shared_ptr<vK_Texture> texture;
        std::vector<SVertex> grid;
        std::unique_ptr<vK_PartSysImpl_Rnd> particles;
        std::unique_ptr<vK_Text> text;
        vK_Object* attached = nullptr;  // not owned; valid while attachedRef is alive
        std::weak_ptr<vK_Object*> attachedRef;

        Instance();
        ~Instance();
        vK_Object* Attached() const;
    };

    vK_AnimImpl_Complex();
    ~vK_AnimImpl_Complex() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table) const override;
    void SetResource(const std::shared_ptr<vK_Resource>& resource) override;
    // The ".anm" body after its header (a live cached resource is adopted instead).
    bool LoadBinary(vK_ByteReader& reader) override;
    void LoadXml(const tinyxml2::XMLDocument& document) override;
    int AcquireTextures() override;
    void ReleaseTextures() override;
    void Update(float dt) override;
    vK_Object* PickAttached(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override;
    void Draw(vK_Render& render, const vK_DrawParams& state) override;
    void Play(const std::string& function, const vK_DataScriptFunction& endTrigger) override;
    void Stop() override;
    void Pause(bool pause) override;
    void AttachTagged(const std::string& tag, vK_Object* child) override;
    void DetachTagged(const std::string& tag) override;
    bool GetObjectMatrix(const std::string& name, vK_Matrix& matrix) const override;

    const std::shared_ptr<vK_ComplexAnimRes>& GetAnimResource() const { return resource_; }
    float GetTime() const { return time_; }
    const SFunction* GetInstanceFunction() const { return instanceFn_.get(); }
    // The instance copy of the object with that index, or nullptr.
    const Instance* FindInstance(int index) const;
    const std::vector<std::unique_ptr<Instance>>& GetInstances() const { return instances_; }

    // Evaluates the function at time t and composes the objects (no time passes).
    void EvaluateAndCompose(float t, float dt);

private:
    void BuildInstance();
    std::unique_ptr<Instance> CopyObject(const SAnimObject& data, Instance* parent);
    void ApplyOverrides(SFunction& function) const;
    void ApplyGridOverride(const std::string& tag, int vertex, char axis, float value,
                           SFunction& function) const;
    void Evaluate(float t);
    void ResetObject(Instance& o);
    void Compose(Instance& o, const vK_DrawParams& parent, float dt);
    void PlaceParticles(Instance& o);
    void DrawObject(vK_Render& render, Instance& o, const vK_DrawParams& host);
    vK_DrawParams ParticleParams(const Instance& o, const vK_DrawParams& p, const vK_DrawParams& host) const;
    void ResolveTexture(Instance& o);
    void AcquireObject(Instance& o);
    void ReleaseObject(Instance& o);
    void ForEach(const std::function<void(Instance&)>& visit);
    // Particle control.
    void StopSystem(Instance& o);
    void PlayRestart();
    void StopAll();
    void LoopRestart(Instance& r);
    void EndStop(Instance& l);
    void RefreshAttachments();
    std::string Folder() const;

    std::shared_ptr<vK_ComplexAnimRes> resource_;
    std::unique_ptr<SFunction> instanceFn_;
    std::string instanceName_;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::map<int, Instance*> byIndex_;
    float time_ = 0;
    bool texturesAcquired_ = false;
    std::map<std::string, float> numericOverrides_;
    std::map<std::string, std::string> textOverrides_;
    std::map<std::string, std::string> textureOverrides_;
    struct GridOverride {
        std::string tag;
        int vertex;
        char axis;
        bool operator<(const GridOverride& o) const {
            return tag != o.tag ? tag < o.tag : vertex != o.vertex ? vertex < o.vertex : axis < o.axis;
        }
    };
    std::map<GridOverride, float> gridOverrides_;
    struct Attachment {
        vK_Object* object = nullptr;
        std::weak_ptr<vK_Object*> ref;
    };
    std::map<std::string, Attachment> attachments_;
};
