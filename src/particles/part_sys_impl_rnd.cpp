#include "particles/part_sys_impl_rnd.h"

#include <algorithm>
#include <cmath>

#include "core/frame_info.h"
#include "core/random.h"
#include "files/file_manager.h"
#include "graphics/matrix.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "graphics/vertex_list.h"
#include "scene/particle_system.h"

namespace {
float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// The fractional part of a non-negative value.
float Fraction(float v) { return v - std::floor(v); }

// A preset texture: names beginning with "assets/" stand as they are, others are
// relative to the preset's folder; an atlas when its description exists.
std::shared_ptr<vK_Texture> LoadPresetTexture(const std::string& folder, const std::string& name) {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (!resources || name.empty()) return nullptr;
    const std::string path = name.rfind("assets/", 0) == 0 ? name : folder + name;
    vK_FileManager* files = vK_FileManager::Instance();
    if (files && files->Exists(path + ".xml") == 0) return resources->GetFrameTexture(path);
    return resources->GetTexture(path);
}
}  // namespace

float vK_PartSysImpl_Rnd::SParam::Evaluate(float x) const {
    if (points.empty()) return 0.0f;
    size_t i = 0;
    if (!constant) {
        if (loop) {
            const float last = points.back().t;
            if (last > 0.0f) x = std::fmod(x, last);
        }
        if (!(x >= points.front().t)) return 0.0f;
        // The last point at or before x.
        size_t lo = 0, hi = points.size();
        while (hi - lo > 1) {
            const size_t mid = (lo + hi) / 2;
            if (points[mid].t <= x) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        i = lo;
    }
    if (i + 1 < points.size()) {
        const SPoint& a = points[i];
        const SPoint& b = points[i + 1];
        const float span = b.t - a.t;
        const float s = span > 0.0f ? (x - a.t) / span : 0.0f;
        const float r = 1.0f - s;
        return r * r * r * a.v + 3.0f * r * r * s * a.mf_v + 3.0f * r * s * s * b.mb_v + s * s * s * b.v;
    }
    return points[i].v;
}

void vK_PartSysImpl_Rnd::SEmitter::ResetRun() {
    offset_x = offset_y = speed_acc_x = speed_acc_y = dir_acc = 0;
    time = delay_acc = emission_acc = loop_timer = 0;
    wrapped = false;
    particles.clear();
    for (SEmitterLink& link : links) link.accumulated = 0, link.created = 0, link.pending = 0;
}

vK_PartSysImpl_Rnd::vK_PartSysImpl_Rnd(bool noAutostart)
    : noAutostart_(noAutostart), scratch_(std::make_unique<vK_VertexList>()) {}

vK_PartSysImpl_Rnd::~vK_PartSysImpl_Rnd() = default;

const vK_PartSysImpl_Rnd::SEmitter* vK_PartSysImpl_Rnd::FindLinkTarget(const SEmitterLink& link) const {
    for (const auto& t : templates_) {
        if (link.target_id >= 0 ? t->id == link.target_id : t->name == link.target_name) return t.get();
    }
    return nullptr;
}

void vK_PartSysImpl_Rnd::FinishLoad() {
    for (auto& t : templates_) {
        for (SParam& curve : t->curves) curve.Finish();
    }
    for (auto& t : templates_) {
        if (t->level != 0) continue;
        for (const SEmitterLink& link : t->links) {
            const SEmitter* target = FindLinkTarget(link);
            if (target && target != t.get()) const_cast<SEmitter*>(target)->parent = t.get();
        }
    }
    if (!noAutostart_) Start();
}

const std::shared_ptr<vK_Texture>& vK_PartSysImpl_Rnd::TextureOf(const SEmitter& e) const {
    return e.instance_of ? e.instance_of->texture : e.texture;
}

const vK_PartSysImpl_Rnd::SEmitterMask& vK_PartSysImpl_Rnd::MaskOf(const SEmitter& e) const {
    return e.instance_of ? e.instance_of->mask : e.mask;
}

void vK_PartSysImpl_Rnd::ClearRunning() {
    active_.clear();
    pending_.clear();
    instances_.clear();
}

void vK_PartSysImpl_Rnd::Start() {
    if (playing_) return;
    playing_ = true;
    totalTime_ = 0;
    firstDrawDone_ = false;
    ClearRunning();
    for (auto& t : templates_) {
        t->ResetRun();
        t->active = false;
        if (t->level == 0) {
            t->active = t->playing;
            if (t->active) active_.push_back(t.get());
        }
    }
    // The warm-up comes after the reset, so the system starts with its history.
    for (SEmitter* e : std::vector<SEmitter*>(active_)) {
        if (e->preprocess_time > 0.0f) WarmUp(*e);
    }
}

void vK_PartSysImpl_Rnd::Stop(bool clear) {
    playing_ = false;
    totalTime_ = 0;
    firstDrawDone_ = false;
    SetSystemPosition(0, 0);
    if (clear) ClearRunning();
}

void vK_PartSysImpl_Rnd::Preprocess() {
    for (SEmitter* e : active_) e->ResetRun();
    for (SEmitter* e : pending_) e->ResetRun();
    ClearRunning();
    const bool was_playing = playing_;
    playing_ = true;
    for (auto& t : templates_) {
        if (t->level == 0 && t->playing && t->preprocess_time > 0.0f) {
            t->active = true;
            active_.push_back(t.get());
            WarmUp(*t);
        }
    }
    playing_ = was_playing;
}

void vK_PartSysImpl_Rnd::WarmUp(SEmitter& e) {
    e.particles.clear();
    e.time = 0;
    e.emission_acc = 0;
    e.active = true;
    const bool was_playing = playing_;
    playing_ = true;
    // Whole steps until the preprocess time is covered (a step that falls short by a
    // rounding error is not repeated); a huge time is capped so loading cannot hang.
    const float covered = std::min(e.preprocess_time, 600.0f);
    if (!(covered > 0.0f)) return;
    const int steps = static_cast<int>(std::ceil(covered / kPreprocessStep - 1.0e-4f));
    for (int i = 0; i < steps; ++i) {
        EmitterUpdate(e, kPreprocessStep);
        ParticleUpdate(e, kPreprocessStep);
    }
    playing_ = was_playing;
}

void vK_PartSysImpl_Rnd::SetSystemPosition(float x, float y) {
    if (x != sysX_ || y != sysY_) {
        const float dx = x - sysX_, dy = y - sysY_;
        for (SEmitter* e : active_) {
            for (Particle& p : e->particles) p.x += dx, p.y += dy;
        }
    }
    sysX_ = x;
    sysY_ = y;
}

void vK_PartSysImpl_Rnd::Update(const vK_FrameInfo& frame) {
    if (paused_) return;
    const float dt = frame.dt;
    active_.insert(active_.end(), pending_.begin(), pending_.end());
    pending_.clear();
    const bool rewarm = versionMajor_ > 1 || (versionMajor_ == 1 && versionMinor_ >= 3);
    // Links append to the pending list only, so the active list is stable here.
    for (SEmitter* e : active_) {
        EmitterUpdate(*e, dt);
        ParticleUpdate(*e, dt);
        if (rewarm && e->loop && e->preprocess_time > 0.0f && e->time > e->lifetime && e->loop_timer < dt)
            WarmUp(*e);
    }
    DropFinishedInstances();
    totalTime_ += dt;
}

void vK_PartSysImpl_Rnd::DropFinishedInstances() {
    auto finished = [](const SEmitter* e) { return e->instance_of && !e->active && e->particles.empty(); };
    if (std::none_of(active_.begin(), active_.end(), finished)) return;
    active_.erase(std::remove_if(active_.begin(), active_.end(), finished), active_.end());
    instances_.erase(std::remove_if(instances_.begin(), instances_.end(),
                                    [&](const std::unique_ptr<SEmitter>& e) { return finished(e.get()); }),
                     instances_.end());
}

void vK_PartSysImpl_Rnd::EmitterUpdate(SEmitter& e, float dt) {
    if (!playing_ || !e.active) return;
    // A cycle without length would divide by zero and never stop emitting.
    if (!(e.lifetime > 0.0f)) {
        e.active = false;
        return;
    }
    const SParam* c = e.curves;
    e.time += dt;
    e.loop_timer += dt;
    e.wrapped = false;
    if (e.time >= e.lifetime) {
        if (!e.loop) {
            e.time = e.lifetime;
            e.active = false;
        } else if (e.loop_timer >= e.lifetime) {
            e.loop_timer -= e.lifetime;
            e.wrapped = true;
        }
    }
    const float u = e.time / e.lifetime;
    float bx = 0, by = 0;
    if (e.has_link) {
        if (std::shared_ptr<LinkAnchor> anchor = e.link_anchor.lock())
            e.link_x = anchor->x, e.link_y = anchor->y;
        bx = e.link_x;
        by = e.link_y;
    }
    if (!e.parent) bx += sysX_, by += sysY_;
    const float px = c[kPosX].Evaluate(u) + bx;
    const float py = c[kPosY].Evaluate(u) + by;

    const float a = Spread(e.group_delta[kGroupEmitterSpeed]);
    const float b = Spread(e.group_delta[kGroupEmitterAcceleration]);
    const float sx = e.speed_acc_x + c[kEmitterSpeedX].Evaluate(u) + Spread(c[kEmitterSpeedX].delta) + a;
    e.speed_acc_x += (c[kEmitterAccelerationX].Evaluate(u) + Spread(c[kEmitterAccelerationX].delta) + b) * dt;
    const float sy = e.speed_acc_y + c[kEmitterSpeedY].Evaluate(u) + Spread(c[kEmitterSpeedY].delta) + a;
    e.speed_acc_y += (c[kEmitterAccelerationY].Evaluate(u) + Spread(c[kEmitterAccelerationY].delta) + b) * dt;
    const float d = e.dir_acc + c[kEmitterDirection].Evaluate(u) + Spread(c[kEmitterDirection].delta);
    e.offset_x += dt * std::cos(d) * sx;
    e.offset_y += dt * std::sin(d) * sy * -1.0f;
    e.dir_acc += (c[kEmitterTorsion].Evaluate(u) + Spread(c[kEmitterTorsion].delta)) * dt;
    const float ex = e.offset_x + px, ey = e.offset_y + py;

    e.delay_acc += dt;
    const float w = c[kDelay].Evaluate(u) + Spread(c[kDelay].delta);
    if (w > e.delay_acc) return;
    e.delay_acc -= w;
    const float q = c[kPartCount].Evaluate(u);
    const float n = q > 0.0f ? std::max(q - 1.0f, 0.0f) : q;
    if (e.wrapped || e.time == dt) e.emission_acc = 1.0f;
    e.emission_acc += (Spread(c[kPartCount].delta) + n) * dt / e.lifetime;
    if (!std::isfinite(e.emission_acc)) e.emission_acc = 0.0f;
    if (e.emission_acc < 1.0f) return;
    e.emission_acc = std::min(e.emission_acc, static_cast<float>(kMaxBurst));

    for (SEmitterLink& link : e.links) {
        link.accumulated += e.emission_acc;
        // Bounded before the conversion: a huge fraction must not overflow the count.
        const float due = std::clamp(link.fraction * link.accumulated + 0.5f, 0.0f, 1.0e6f);
        const int k = static_cast<int>(due) - link.created - link.pending;
        if (k > 0) link.pending += k;
    }
    const float life = c[kPartLifetime].Evaluate(u);
    const float dir = c[kDirection].Evaluate(u);
    const float h = c[kSpread].Evaluate(u) * 0.5f;
    while (e.emission_acc >= 1.0f) {
        if (e.particles.size() < kMaxParticles) EmitParticle(e, u, ex, ey, life, dir, h);
        e.emission_acc -= 1.0f;
    }
}

void vK_PartSysImpl_Rnd::EmitParticle(SEmitter& e, float u, float ex, float ey, float life, float dir,
                                      float h) {
    const SParam* c = e.curves;
    Particle p;
    p.lifetime = life + Spread(c[kPartLifetime].delta);
    p.direction = dir + Spread(c[kDirection].delta) + Spread(h);
    const float g1 = Spread(e.group_delta[kGroupSpeed]);
    const float g2 = Spread(e.group_delta[kGroupAcceleration]);
    const float g3 = Spread(e.group_delta[kGroupPos]);
    const float g4 = Spread(e.group_delta[kGroupScope]);
    const float g5 = Spread(e.group_delta[kGroupScale]);
    p.offset[Particle::kOffSpeedX] = Spread(c[kSpeedX].delta) + g1;
    p.offset[Particle::kOffSpeedY] = Spread(c[kSpeedY].delta) + g1;
    p.offset[Particle::kOffAccX] = Spread(c[kAccelerationX].delta) + g2;
    p.offset[Particle::kOffAccY] = Spread(c[kAccelerationY].delta) + g2;
    p.offset[Particle::kOffGravity] = Spread(c[kGravity].delta);
    p.offset[Particle::kOffTorsion] = Spread(c[kTorsion].delta);
    p.offset[Particle::kOffScaleX] = Spread(c[kScaleX].delta) + g5;
    p.offset[Particle::kOffScaleY] = Spread(c[kScaleY].delta) + g5;
    p.offset[Particle::kOffAngle] = Spread(c[kAngle].delta);
    p.offset[Particle::kOffRotateSpeed] = Spread(c[kRotateSpeed].delta);
    p.offset[Particle::kOffAlpha] = Spread(c[kAlpha].delta);
    p.offset[Particle::kOffRed] = Spread(c[kColorR].delta);
    p.offset[Particle::kOffGreen] = Spread(c[kColorG].delta);
    p.offset[Particle::kOffBlue] = Spread(c[kColorB].delta);

    const SEmitterMask& mask = MaskOf(e);
    float mx = 0, my = 0;
    if (mask.present && mask.texture && SampleMask(*mask.texture, mask.frame_index, mx, my)) {
        float m[4];
        ScaleRotate(mask.scale_x, mask.scale_y, mask.angle, m);
        const float tx = mx * m[0] + my * m[2], ty = mx * m[1] + my * m[3];
        p.x = Spread(c[kPosX].delta) + ex + g3 + tx;
        p.y = Spread(c[kPosY].delta) + ey + g3 + ty;
        p.from_mask = true;
    } else {
        p.x = Spread(c[kPosX].delta) + ex + g3;
        p.x += Spread(c[kScopeX].Evaluate(u)) + Spread(c[kScopeX].delta) + g4;
        p.y = Spread(c[kPosY].delta) + ey + g3;
        p.y += Spread(c[kScopeY].Evaluate(u)) + Spread(c[kScopeY].delta) + g4;
    }
    p.factor = scaleFactor_;
    p.factor2 = secondFactor_;
    e.particles.push_back(std::move(p));
}

void vK_PartSysImpl_Rnd::ParticleUpdate(SEmitter& e, float dt) {
    const SParam* c = e.curves;
    const float born_fraction = e.lifetime > 0.0f ? Fraction(e.time / e.lifetime) : 1.0f;
    size_t kept = 0;
    for (size_t i = 0; i < e.particles.size(); ++i) {
        Particle& p = e.particles[i];
        if (p.age == 0.0f && e.active && born_fraction < dt) {
            p.age = born_fraction;
        } else {
            p.age += dt;
        }
        if (p.age < p.lifetime) {
            LinkStep(e, p, false);
            const float t = p.age / p.lifetime;
            const float s = c[kSpeedX].Evaluate(t) + p.offset[Particle::kOffSpeedX] + p.speed_x;
            p.speed_x += (c[kAccelerationX].Evaluate(t) + p.offset[Particle::kOffAccX]) * dt;
            const float s2 = c[kSpeedY].Evaluate(t) + p.offset[Particle::kOffSpeedY] + p.speed_y;
            p.speed_y += (c[kAccelerationY].Evaluate(t) + p.offset[Particle::kOffAccY]) * dt;
            const float a = p.direction;
            const float side = -s2 * std::sin(a);
            p.direction += (c[kTorsion].Evaluate(t) + p.offset[Particle::kOffTorsion]) * dt;
            p.gravity_speed += (c[kGravity].Evaluate(t) + p.offset[Particle::kOffGravity]) * dt;
            p.x += std::cos(a) * s * dt;
            p.y += (p.gravity_speed + side) * dt;
            p.scale_x = (c[kScaleX].Evaluate(t) + p.offset[Particle::kOffScaleX]) * scaleFactor_;
            p.scale_y = (c[kScaleY].Evaluate(t) + p.offset[Particle::kOffScaleY]) * scaleFactor_;
            p.rotation += (c[kRotateSpeed].Evaluate(t) + p.offset[Particle::kOffRotateSpeed]) * dt;
            p.angle = c[kAngle].Evaluate(t) + p.offset[Particle::kOffAngle] + p.rotation;
            p.alpha = Clamp01(c[kAlpha].Evaluate(t) + p.offset[Particle::kOffAlpha]);
            p.red = Clamp01(c[kColorR].Evaluate(t) + p.offset[Particle::kOffRed]);
            p.green = Clamp01(c[kColorG].Evaluate(t) + p.offset[Particle::kOffGreen]);
            p.blue = Clamp01(c[kColorB].Evaluate(t) + p.offset[Particle::kOffBlue]);
            if (p.anchor) p.anchor->x = p.x, p.anchor->y = p.y;
            if (kept != i) e.particles[kept] = std::move(p);
            ++kept;
        } else {
            // Removing the particle frees its anchor: a following emitter keeps the
            // last position it saw.
            LinkStep(e, p, true);
        }
    }
    e.particles.resize(kept);
}

void vK_PartSysImpl_Rnd::LinkStep(SEmitter& e, Particle& p, bool death) {
    if (p.linked) {
        if (!death && p.link_target && p.link_period != 0.0f && p.next_link_time + p.link_period <= p.age) {
            p.next_link_time += p.link_period;
            CreateInstance(*p.link_target, p);
        }
        return;
    }
    const int mode = death ? 1 : 0;
    SEmitterLink* candidates[64];
    int count = 0;
    for (SEmitterLink& link : e.links) {
        if (count == 64) break;
        if (link.startup_mode != mode || link.pending <= 0) continue;
        if (mode == 0 && !(link.start_time * p.lifetime <= p.age)) continue;
        candidates[count++] = &link;
    }
    if (count == 0) return;
    SEmitterLink* link = candidates[0];
    if (count > 1) {
        const uint32_t r = vK_Random::Next() % 10000;
        link = candidates[static_cast<int>(static_cast<float>(r) * (count - 1) / 10000.0f + 0.5f)];
    }
    const SEmitter* target = FindLinkTarget(*link);
    if (!target || !target->playing) return;
    p.linked = true;
    if (link->startup_mode == 0) {
        p.next_link_time = link->start_time * p.lifetime;
        p.link_period = link->period * p.lifetime;
        p.link_target = target;
    }
    CreateInstance(*target, p);
    link->pending -= 1;
    link->created += 1;
}

void vK_PartSysImpl_Rnd::CreateInstance(const SEmitter& target, Particle& p) {
    auto instance = std::make_unique<SEmitter>(static_cast<const SEmitterDef&>(target));
    instance->texture.reset();  // drawn with the template's texture
    instance->mask.texture.reset();
    instance->parent = &target;
    instance->instance_of = &target;
    instance->active = target.playing;
    instance->has_link = true;
    instance->link_x = p.x;
    instance->link_y = p.y;
    if (target.pos_mode == 1) {
        if (!p.anchor) p.anchor = std::make_shared<LinkAnchor>(LinkAnchor{p.x, p.y});
        instance->link_anchor = p.anchor;
    }
    pending_.push_back(instance.get());
    instances_.push_back(std::move(instance));
}

void vK_PartSysImpl_Rnd::Draw(vK_Render& render, const vK_DrawParams& state) {
    if (free_) {
        const float tx = state.matrix.M41(), ty = state.matrix.M42();
        if (!firstDrawDone_) {
            SetSystemPosition(tx, ty);
            firstDrawDone_ = true;
        } else {
            sysX_ = tx;
            sysY_ = ty;
        }
    }
    const vK_Matrix* world = free_ ? nullptr : &state.matrix;
    for (SEmitter* e : active_) {
        const std::shared_ptr<vK_Texture>& texture = TextureOf(*e);
        if (!texture || e->particles.empty()) continue;
        vK_DrawState ds = state.State();
        ds.frame = e->frame_index;
        ds.blend = e->blend;
        const vK_Rect rect = texture->GetRect(ds.frame);
        const vK_Rect uv = texture->GetUV(ds.frame);
        scratch_->Clear();
        scratch_->Reserve(e->particles.size() * 6 * vK_VertexList::kFloatsPerVertex);
        for (const Particle& p : e->particles) {
            float m[4];
            ScaleRotate(p.scale_x, p.scale_y, p.angle, m);
            AppendQuad(*scratch_, rect, uv, m, p.x, p.y, world, p.red * state.red, p.green * state.green,
                       p.blue * state.blue, p.alpha * state.alpha);
        }
        render.AddVertices(texture, *scratch_, ds);
    }
}

void vK_PartSysImpl_Rnd::AcquireTextures() {
    std::string folder = folder_;
    if (vK_ParticleSystem* owner = GetOwner()) {
        folder = vK_ResourceManager::Normalize(owner->GetResourceName());
        const size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    }
    for (auto& t : templates_) {
        if (!t->texture_name.empty()) t->texture = LoadPresetTexture(folder, t->texture_name);
        if (t->mask.present && !t->mask.texture_name.empty())
            t->mask.texture = LoadPresetTexture(folder, t->mask.texture_name);
    }
}

void vK_PartSysImpl_Rnd::ReleaseTextures() {
    for (auto& t : templates_) {
        t->texture.reset();
        t->mask.texture.reset();
    }
}

int vK_PartSysImpl_Rnd::GetParticleCount() const {
    // Link-created emitters draw particles too, so they count with the templates.
    size_t count = 0;
    for (const auto& t : templates_) count += t->particles.size();
    for (const auto& e : instances_) count += e->particles.size();
    return static_cast<int>(count);
}
