#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "particles/part_sys_impl.h"

// The keyframed random-emitter system ("rnd"): emitters described by curves over their
// cycle, each emitting textured particles whose properties follow curves over their own
// age, with uniform random spreads, optional emission from an image mask and links that
// start child emitters on particles. Presets come from ".prst" (tagged binary) or ".xml".
class vK_PartSysImpl_Rnd : public vK_PartSysImpl {
public:
    // One simulation step of the warm-up (1/24 s).
    static constexpr float kPreprocessStep = 0.041666668f;

    struct SPoint {
        float t = 0, v = 0;
        float mf_v = 0, mf_t = 0;  // forward handle
        float mb_v = 0, mb_t = 0;  // backward handle
    };
    // A curve of cubic segments over a linear time axis.
    struct SParam {
        std::vector<SPoint> points;
        float delta = 0;  // random spread of the value
        bool loop = false;
        bool constant = false;  // exactly one point
        float Evaluate(float x) const;
        void Finish() { constant = points.size() == 1; }
    };
    // Emitter curves in field-id order (ids 31..46), then particle curves (ids 51..63).
    enum Curve : int {
        kPosX = 0,
        kPosY,
        kEmitterSpeedX,
        kEmitterSpeedY,
        kEmitterAccelerationX,
        kEmitterAccelerationY,
        kEmitterDirection,
        kEmitterTorsion,
        kScopeX,
        kScopeY,
        kDirection,
        kSpread,
        kPartCount,
        kPartLifetime,
        kTorsion,
        kDelay,
        kSpeedX,
        kSpeedY,
        kAccelerationX,
        kAccelerationY,
        kGravity,
        kScaleX,
        kScaleY,
        kAngle,
        kRotateSpeed,
        kAlpha,
        kColorR,
        kColorG,
        kColorB,
        kCurveCount
    };
    static constexpr int kEmitterCurveCount = kSpeedX;
    static const char* const kCurveNames[kCurveCount];
    // Spreads shared by the x and y parts of one value ("delta" element, ids 21..27).
    enum Group : int {
        kGroupPos = 0,
        kGroupScope,
        kGroupSpeed,
        kGroupAcceleration,
        kGroupScale,
        kGroupEmitterSpeed,
        kGroupEmitterAcceleration,
        kGroupCount
    };
    static const char* const kGroupNames[kGroupCount];

    struct SEmitterLink {
        int target_id = -1;  // -1: by name
        std::string target_name;
        float fraction = 0, start_time = 0, period = 0;
        int startup_mode = 0;  // 0 while the particle lives, 1 when it dies
        float accumulated = 0;
        int created = 0, pending = 0;
    };
    struct SEmitterMask {
        bool present = false;
        std::string texture_name;
        int resource_id = 0;  // binary presets
        float angle = 0, scale_x = 1, scale_y = 1;
        int frame_index = 0;
        int blend = 0;
        std::shared_ptr<vK_Texture> texture;
    };
    // What a preset describes of one emitter.
    struct SEmitterDef {
        int id = 0xFFFF;
        std::string name;
        int level = 0;
        int frame_index = 0;
        std::string texture_name;
        int resource_id = 0;
        float lifetime = 0, preprocess_time = 0;
        bool playing = false, loop = false;
        int pos_mode = 0;  // link-created: 0 fixed at the birth position, 1 following
        int blend = 0;
        float group_delta[kGroupCount] = {};
        SParam curves[kCurveCount];
        std::vector<SEmitterLink> links;
        SEmitterMask mask;
    };
    // Where a following link-created emitter reads its particle's position; the
    // particle owns it, the emitter only watches it.
    struct LinkAnchor {
        float x = 0, y = 0;
    };
    struct SEmitter;
    struct Particle {
        float age = 0, lifetime = 0, direction = 0, gravity_speed = 0, x = 0, y = 0;
        float scale_x = 0, scale_y = 0, angle = 0, rotation = 0, speed_x = 0, speed_y = 0;
        float alpha = 0, red = 0, green = 0, blue = 0;
        enum Offset : int {
            kOffSpeedX = 0,
            kOffSpeedY,
            kOffAccX,
            kOffAccY,
            kOffGravity,
            kOffTorsion,
            kOffScaleX,
            kOffScaleY,
            kOffAngle,
            kOffRotateSpeed,
            kOffAlpha,
            kOffRed,
            kOffGreen,
            kOffBlue,
            kOffCount
        };
        float offset[kOffCount] = {};
        float factor = 1, factor2 = 1;
        bool from_mask = false;
        bool linked = false;
        float next_link_time = 0, link_period = 0;
        const SEmitter* link_target = nullptr;  // a template
        std::shared_ptr<LinkAnchor> anchor;     // only while an emitter follows it
    };
    struct SEmitter : SEmitterDef {
        SEmitter() = default;
        explicit SEmitter(const SEmitterDef& def) : SEmitterDef(def) {}
        std::weak_ptr<LinkAnchor> link_anchor;
        bool has_link = false;
        float link_x = 0, link_y = 0;  // the copy, and the fallback once the particle is gone
        float time = 0, delay_acc = 0, emission_acc = 0, loop_timer = 0;
        bool active = false;
        const SEmitter* parent = nullptr;
        const SEmitter* instance_of = nullptr;  // the template of a link-created instance
        float offset_x = 0, offset_y = 0, speed_acc_x = 0, speed_acc_y = 0, dir_acc = 0;
        bool wrapped = false;
        std::vector<Particle> particles;
        std::shared_ptr<vK_Texture> texture;
        void ResetRun();
    };

    explicit vK_PartSysImpl_Rnd(bool noAutostart = false);
    ~vK_PartSysImpl_Rnd() override;

    bool LoadBinary(vK_ByteReader& reader) override;
    bool LoadXml(const tinyxml2::XMLElement& root) override;
    void AcquireTextures() override;
    void ReleaseTextures() override;
    void Update(const vK_FrameInfo& frame) override;
    void Draw(vK_Render& render, const vK_DrawParams& state) override;
    void Start() override;
    void Stop(bool clear) override;
    int GetParticleCount() const override;

    // Re-runs the warm-up of every level-0 playing emitter with a preprocess time.
    void Preprocess();
    void SetSystemPosition(float x, float y);
    void SetScaleFactors(float first, float second) {
        scaleFactor_ = first;
        secondFactor_ = second;
    }
    float GetScaleFactor() const { return scaleFactor_; }
    float GetSecondFactor() const { return secondFactor_; }
    float GetTotalTime() const { return totalTime_; }
    // Sets the emitters' origin without moving the live particles.
    void StoreSystemPosition(float x, float y) {
        sysX_ = x;
        sysY_ = y;
    }
    // The folder relative texture names resolve against when there is no owner object
    // (a system embedded in a complex animation).
    void SetFolder(const std::string& folder) { folder_ = folder; }
    // Sets a group (id -> texture name) that binary emitters read afterwards resolve
    // their textures from; an embedding animation passes its own.
    void SetResourceGroup(const std::map<int, std::string>* group) { groupInUse_ = group; }

    // ---- the preset, as read (also for tools/vkprst) -----------------------------------
    const std::string& GetName() const { return name_; }
    const std::string& GetVersion() const { return version_; }
    bool IsFree() const { return free_; }
    const std::vector<std::unique_ptr<SEmitter>>& GetTemplates() const { return templates_; }
    const std::map<int, std::string>& GetOwnResourceGroup() const { return ownGroup_; }
    // The template a link names, or nullptr.
    const SEmitter* FindLinkTarget(const SEmitterLink& link) const;
    const std::vector<SEmitter*>& GetActive() const { return active_; }
    size_t GetPendingCount() const { return pending_.size(); }
    float GetSystemX() const { return sysX_; }
    float GetSystemY() const { return sysY_; }

private:
    friend class vK_PrstReader;
    void FinishLoad();
    void EmitterUpdate(SEmitter& e, float dt);
    void ParticleUpdate(SEmitter& e, float dt);
    void EmitParticle(SEmitter& e, float u, float ex, float ey, float life, float dir, float half_spread);
    // Returns true when the particle stays linked (no candidate search).
    void LinkStep(SEmitter& e, Particle& p, bool death);
    void CreateInstance(const SEmitter& target, Particle& p);
    void WarmUp(SEmitter& e);
    void DropFinishedInstances();
    void ClearRunning();
    const std::shared_ptr<vK_Texture>& TextureOf(const SEmitter& e) const;
    const SEmitterMask& MaskOf(const SEmitter& e) const;

    int versionMajor_ = 0, versionMinor_ = 0;
    std::string name_;
    std::string version_;
    float sysX_ = 0, sysY_ = 0;
    float scaleFactor_ = 1, secondFactor_ = 1;
    float totalTime_ = 0;
    bool free_ = false;
    bool noAutostart_ = false;
    const std::map<int, std::string>* groupInUse_ = nullptr;
    std::map<int, std::string> ownGroup_;
    std::string folder_;
    std::vector<std::unique_ptr<SEmitter>> templates_;
    std::vector<SEmitter*> active_;
    std::vector<SEmitter*> pending_;
    std::vector<std::unique_ptr<SEmitter>> instances_;  // owners of the link-created emitters
    bool firstDrawDone_ = false;
    std::unique_ptr<vK_VertexList> scratch_;
};
