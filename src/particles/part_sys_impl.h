#pragma once
#include <cstdint>
#include <memory>

#include "graphics/draw_params.h"
#include "graphics/rect.h"

class vK_ByteReader;
class vK_DataTable;
struct vK_Matrix;
class vK_Object;
class vK_ParticleSystem;
class vK_Render;
class vK_Texture;
class vK_VertexList;
struct vK_FrameInfo;

namespace tinyxml2 {
class XMLElement;
}

// The particle work behind a "partsys" object: loading a preset, emitting, moving and
// drawing particles. Three implementations exist (random-emitter, script-driven and
// parametric); the object holds one and forwards to it.
class vK_PartSysImpl {
public:
    // A mask sampler gives up after this many misses, so a fully transparent mask
    // emits without it instead of searching forever.
    static constexpr int kMaskTries = 256;
    // Safety bounds of every implementation: particles one emission step creates, and
    // particles one emitter (the script-driven system: the whole system) holds at once.
    static constexpr int kMaxBurst = 10000;
    static constexpr size_t kMaxParticles = 200000;

    vK_PartSysImpl() = default;
    virtual ~vK_PartSysImpl();
    vK_PartSysImpl(const vK_PartSysImpl&) = delete;
    vK_PartSysImpl& operator=(const vK_PartSysImpl&) = delete;

    // ---- virtual operations, in slot order -----------------------------------------
    virtual bool LoadBinary(vK_ByteReader& reader) = 0;
    virtual bool LoadXml(const tinyxml2::XMLElement& root) = 0;
    // "clear" (default true), "playing" (Start / Stop (clear)), "pause".
    virtual void SetProperties(const vK_DataTable& table);
    virtual void GetProperties(vK_DataTable& table) const;
    virtual void AcquireTextures() = 0;
    virtual void ReleaseTextures() = 0;
    virtual void Update(const vK_FrameInfo& frame) = 0;
    virtual void Draw(vK_Render& render, const vK_DrawParams& state) = 0;
    virtual void Start() { playing_ = true; }
    virtual void Stop(bool /*clear*/) { playing_ = false; }
    virtual void Pause(bool paused) { paused_ = paused; }
    virtual bool IsPlaying() const { return playing_; }
    virtual int GetParticleCount() const = 0;

    void SetOwner(vK_ParticleSystem* owner) { owner_ = owner; }
    vK_ParticleSystem* GetOwner() const { return owner_; }
    // The mask is held through the object's handle: a deleted mask object reads as none.
    void SetMaskObject(vK_Object* mask);
    vK_Object* GetMaskObject() const;
    bool IsPaused() const { return paused_; }

    // U(d): a uniform value in [-d, d) from the process-wide generator, one draw.
    static float Spread(float d);
    // Looks for an opaque point of texture (frame) in its local space, x in
    // [-W/2, W/2), y likewise, drawing two values per try. False when the texture has
    // no whole pixel or no try within kMaskTries hits; the caller then emits without
    // the mask.
    static bool SampleMask(vK_Texture& texture, int frame, float& x, float& y);
    // One textured quad of rect (with its uv) as two triangles: every corner goes
    // through the 2 x 2 part (m11, m12, m21, m22) plus (tx, ty), then through world
    // when given.
    static void AppendQuad(vK_VertexList& list, const vK_Rect& rect, const vK_Rect& uv, const float* m2x2,
                           float tx, float ty, const vK_Matrix* world, float r, float g, float b, float a);
    // The 2 x 2 part of S(sx, sy) * R(angle), as an object's local matrix builds it.
    static void ScaleRotate(float sx, float sy, float angle, float* m2x2);

protected:
    bool playing_ = false;
    bool paused_ = false;

private:
    vK_ParticleSystem* owner_ = nullptr;  // not owned
    std::weak_ptr<vK_Object*> mask_;
};
