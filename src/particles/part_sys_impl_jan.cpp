#include "particles/part_sys_impl_jan.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/frame_info.h"
#include "graphics/matrix.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "graphics/vertex_list.h"
#include "particles/preset_attributes.h"
#include "scene/particle_system.h"

namespace {
using Particle = vK_PartSysImpl_Jan::Particle;

// The pool cuts 64 KiB blocks into records and never gives them back to the heap.
constexpr size_t kBlockBytes = 65536;
constexpr size_t kRecordStride = 104;
constexpr size_t kRecordsPerBlock = kBlockBytes / kRecordStride;  // 630

struct Pool {
    std::vector<std::unique_ptr<Particle[]>> blocks;
    std::vector<Particle*> free_list;
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

float Clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

using vK_PresetXml::FloatAttr;
using vK_PresetXml::IntAttr;

float Radians(float degrees) { return degrees * kPi / 180.0f; }

void ReadEmitter(const tinyxml2::XMLElement& x, vK_PartSysImpl_Jan::Emitter& e) {
    const float unit = vK_PartSysImpl_Jan::kFileUnit;
    e.lifetime = FloatAttr(x, "lifetime") * unit;
    e.lifetime_delta = FloatAttr(x, "lifetime_delta") * unit;
    e.delay = FloatAttr(x, "delay") * unit;
    e.delay_delta = FloatAttr(x, "delay_delta") * unit;
    e.delay_init = FloatAttr(x, "delay_init") * unit;
    e.born_count = FloatAttr(x, "born_count");
    e.born_count_delta = FloatAttr(x, "born_count_delta");
    e.gflag = IntAttr(x, "gflag", 0);
    e.course = IntAttr(x, "course", 0);
    e.free = IntAttr(x, "free", 0) == 1;
    e.pos_x = FloatAttr(x, "pos_x");
    e.pos_y = FloatAttr(x, "pos_y");
    e.pos_x_delta = FloatAttr(x, "pos_x_delta");
    e.pos_y_delta = FloatAttr(x, "pos_y_delta");
    e.speed_x = FloatAttr(x, "speed_x");
    e.speed_y = FloatAttr(x, "speed_y");
    e.speed_x_delta = FloatAttr(x, "speed_x_delta");
    e.speed_y_delta = FloatAttr(x, "speed_y_delta");
    e.speed_xf = FloatAttr(x, "speed_xf");
    e.speed_yf = FloatAttr(x, "speed_yf");
    e.grav = FloatAttr(x, "grav");
    e.gravf = FloatAttr(x, "gravf");
    e.grotate = Radians(FloatAttr(x, "grotate"));
    e.grotate_delta = Radians(FloatAttr(x, "grotate_delta"));
    e.grotate_speed = Radians(FloatAttr(x, "grotate_speed"));
    e.grotate_speed_delta = Radians(FloatAttr(x, "grotate_speed_delta"));
    e.grotatef = FloatAttr(x, "grotatef");
    e.scale_mode = IntAttr(x, "scale_mode", 0);
    e.scale_x = FloatAttr(x, "scale_x");
    e.scale_y = FloatAttr(x, "scale_y");
    e.scale_x_delta = FloatAttr(x, "scale_x_delta");
    e.scale_y_delta = FloatAttr(x, "scale_y_delta");
    e.scale_x_speed = FloatAttr(x, "scale_x_speed");
    e.scale_y_speed = FloatAttr(x, "scale_y_speed");
    e.scale_x_speed_delta = FloatAttr(x, "scale_x_speed_delta");
    e.scale_y_speed_delta = FloatAttr(x, "scale_y_speed_delta");
    e.scale_xf = FloatAttr(x, "scale_xf");
    e.scale_yf = e.scale_mode != 0 ? e.scale_xf : FloatAttr(x, "scale_yf");
    e.rotate = Radians(FloatAttr(x, "rotate"));
    e.rotate_delta = Radians(FloatAttr(x, "rotate_delta"));
    e.rotate_speed = Radians(FloatAttr(x, "rotate_speed"));
    e.rotate_speed_delta = Radians(FloatAttr(x, "rotate_speed_delta"));
    e.rotatef = FloatAttr(x, "rotatef");
    e.alpha = FloatAttr(x, "alpha");
    e.alpha_delta = FloatAttr(x, "alpha_delta");
    e.alpha_speed = FloatAttr(x, "alpha_speed");
    e.alpha_speed_delta = FloatAttr(x, "alpha_speed_delta");
    e.alpha_peak = FloatAttr(x, "alpha_peak");
    e.alpha_mode = IntAttr(x, "alpha_mode", 0);
    static const char* const kChannels[3] = {"color_r", "color_g", "color_b"};
    for (int c = 0; c < 3; ++c) {
        const std::string base = kChannels[c];
        e.color[c] = FloatAttr(x, base.c_str()) / 255.0f;
        e.color_delta[c] = FloatAttr(x, (base + "_delta").c_str()) / 255.0f;
        e.color_speed[c] = FloatAttr(x, (base + "_speed").c_str()) / 255.0f;
        e.color_speed_delta[c] = FloatAttr(x, (base + "_speed_delta").c_str()) / 255.0f;
    }
    e.preproc = IntAttr(x, "preproc", 0);
    e.autooff = IntAttr(x, "autooff", -1);
    e.blend = IntAttr(x, "blend", 0);
    const char* res = x.Attribute("res");
    e.texture_name = res ? res : "";
}
}  // namespace

// ---- pool -------------------------------------------------------------------------------

Particle* vK_PartSysImpl_Jan::TakeRecord() {
    Pool& pool = ThePool();
    if (pool.free_list.empty()) {
        pool.blocks.push_back(std::make_unique<Particle[]>(kRecordsPerBlock));
        Particle* block = pool.blocks.back().get();
        pool.free_list.reserve(pool.free_list.size() + kRecordsPerBlock);
        for (size_t i = kRecordsPerBlock; i-- > 0;) pool.free_list.push_back(block + i);
    }
    Particle* record = pool.free_list.back();
    pool.free_list.pop_back();
    std::memset(static_cast<void*>(record), 0, sizeof(Particle));
    return record;
}

void vK_PartSysImpl_Jan::ReleaseRecord(Particle* record) {
    if (record) ThePool().free_list.push_back(record);
}

size_t vK_PartSysImpl_Jan::PoolFreeCount() { return ThePool().free_list.size(); }

// ---- system -----------------------------------------------------------------------------

vK_PartSysImpl_Jan::~vK_PartSysImpl_Jan() {
    vK_PartSysImpl_Jan::Stop(true);
    vK_PartSysImpl_Jan::ReleaseTextures();
}

bool vK_PartSysImpl_Jan::LoadBinary(vK_ByteReader&) { return false; }

bool vK_PartSysImpl_Jan::LoadXml(const tinyxml2::XMLElement& root) {
    for (auto& e : emitters_) ReleaseAll(*e);
    emitters_.clear();
    for (const tinyxml2::XMLElement* x = root.FirstChildElement("emit"); x;
         x = x->NextSiblingElement("emit")) {
        auto e = std::make_unique<Emitter>();
        ReadEmitter(*x, *e);
        emitters_.push_back(std::move(e));
    }
    playing_ = false;
    Start();
    return true;
}

void vK_PartSysImpl_Jan::AcquireTextures() {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (!resources) return;
    for (auto& e : emitters_) {
        if (!e->texture_name.empty()) e->texture = resources->GetTexture(e->texture_name);
    }
}

void vK_PartSysImpl_Jan::ReleaseTextures() {
    for (auto& e : emitters_) e->texture.reset();
}

void vK_PartSysImpl_Jan::ReleaseAll(Emitter& e) {
    for (Particle* p : e.particles) ReleaseRecord(p);
    e.particles.clear();
}

void vK_PartSysImpl_Jan::Start() {
    if (playing_) return;
    playing_ = true;
    for (auto& e : emitters_) {
        ReleaseAll(*e);
        e->burst_timer = e->delay_init;
        e->bursts_left = e->autooff == 0 ? -1 : e->autooff;
    }
    if (emitters_.empty()) return;
    const int steps = std::clamp(emitters_.front()->preproc, 0, kMaxPreproc);
    const vK_FrameInfo frame{kPreprocessDt, kPreprocessDt, 0};
    for (int i = 0; i < steps; ++i) Update(frame);
}

void vK_PartSysImpl_Jan::Stop(bool clear) {
    playing_ = false;
    if (clear) {
        for (auto& e : emitters_) ReleaseAll(*e);
    }
}

int vK_PartSysImpl_Jan::GetParticleCount() const {
    size_t count = 0;
    for (const auto& e : emitters_) count += e->particles.size();
    return static_cast<int>(count);
}

void vK_PartSysImpl_Jan::Emit(Emitter& e) {
    Particle* p = TakeRecord();
    float mx = 0, my = 0;
    bool masked = false;
    vK_Object* mask = GetMaskObject();
    if (mask) {
        std::shared_ptr<vK_Texture> texture = std::dynamic_pointer_cast<vK_Texture>(mask->GetResource());
        if (texture && SampleMask(*texture, 0, mx, my)) {
            const float lx = mx, ly = my;
            mask->GetWorldMatrix().Transform(lx, ly, mx, my);
            masked = true;
        } else {
            mx = my = 0;
        }
    }
    p->x = Spread(e.pos_x_delta) + e.pos_x + mx;
    p->y = Spread(e.pos_y_delta) + e.pos_y + my;
    if (e.free && !masked) {
        if (vK_ParticleSystem* owner = GetOwner()) {
            const vK_Matrix world = owner->GetWorldMatrix();
            p->x += world.M41();
            p->y += world.M42();
        }
    }
    p->speed_x = Spread(e.speed_x_delta) + e.speed_x;
    p->speed_y = Spread(e.speed_y_delta) + e.speed_y;
    p->scale_x = Spread(e.scale_x_delta) + e.scale_x;
    p->scale_y = Spread(e.scale_y_delta) + e.scale_y;
    const float q = Spread(e.scale_x_speed_delta);
    p->scale_x_speed = e.scale_x_speed + q;
    p->scale_y_speed = Spread(e.scale_y_speed_delta) + e.scale_y_speed;
    if (e.scale_mode == 1) {
        p->scale_y = p->scale_x;
        p->scale_y_speed = p->scale_x_speed;
    } else if (e.scale_mode == 2) {
        p->scale_y_speed = e.scale_y_speed + q;
    }
    p->gravity_speed = e.grav;
    p->direction = Spread(e.grotate_delta) + e.grotate;
    p->direction_speed = Spread(e.grotate_speed_delta) + e.grotate_speed;
    p->rotation = p->angle = Spread(e.rotate_delta) + e.rotate;
    p->rotation_speed = Spread(e.rotate_speed_delta) + e.rotate_speed;
    p->lifetime = Spread(e.lifetime_delta) + e.lifetime;
    p->age = 0;
    p->alpha = Spread(e.alpha_delta) + e.alpha;
    p->alpha_speed = Spread(e.alpha_speed_delta) + e.alpha_speed;
    p->peak_alpha = p->alpha;
    if (p->lifetime > 0.0f) {
        if (e.alpha_mode == 1) p->alpha_speed = -p->alpha / (p->lifetime / kFileUnit);
        if (e.alpha_mode == 2) p->alpha_speed = (1.0f - p->alpha) / (p->lifetime / kFileUnit);
    }
    float* colour[3] = {&p->red, &p->green, &p->blue};
    float* speed[3] = {&p->red_speed, &p->green_speed, &p->blue_speed};
    for (int c = 0; c < 3; ++c) {
        *colour[c] = Spread(e.color_delta[c]) + e.color[c];
        *speed[c] = Spread(e.color_speed_delta[c]) + e.color_speed[c];
    }
    e.particles.push_back(p);
}

void vK_PartSysImpl_Jan::Update(const vK_FrameInfo& frame) {
    if (paused_) return;
    const float dt = frame.dt;
    if (playing_) {
        size_t finished = 0;
        for (auto& ep : emitters_) {
            Emitter& e = *ep;
            if (e.bursts_left == 0) {
                ++finished;
                continue;
            }
            e.burst_timer -= dt;
            if (e.burst_timer <= 0.0f) {
                e.burst_timer = Spread(e.delay_delta) + e.delay;
                const float n = Spread(e.born_count_delta) + e.born_count;
                const int count = n >= 1.0f ? static_cast<int>(std::min(std::floor(n), float(kMaxBurst))) : 1;
                for (int i = 0; i < count && e.particles.size() < kMaxParticles; ++i) Emit(e);
                if (e.bursts_left >= 0) {
                    e.bursts_left -= 1;
                    if (e.bursts_left < 1) ++finished;
                }
            }
        }
        if (finished == emitters_.size()) playing_ = false;
    }
    Step(dt);
}

void vK_PartSysImpl_Jan::Step(float dt) {
    const float t = dt / kFrameUnit;
    for (auto& ep : emitters_) {
        Emitter& e = *ep;
        if (e.particles.empty()) continue;
        // The decay factors depend only on the emitter and the frame.
        const float fsx = std::pow(e.speed_xf, t), fsy = std::pow(e.speed_yf, t);
        const float fgrav = std::pow(e.gravf, t);
        const float fscx = std::pow(e.scale_xf, t), fscy = std::pow(e.scale_yf, t);
        const float fdir = std::pow(e.grotatef, t), frot = std::pow(e.rotatef, t);
        size_t kept = 0;
        for (Particle* p : e.particles) {
            if (e.gflag == 1) {
                p->x += p->speed_x * std::sin(p->direction) * t;
                p->y += p->speed_y * std::cos(p->direction) * t;
            } else {
                p->x += p->speed_x * t;
                p->y += p->speed_y * t;
            }
            p->speed_x *= fsx;
            p->speed_y *= fsy;
            p->y += p->gravity_speed * t;
            p->gravity_speed *= fgrav;
            p->scale_x += p->scale_x_speed * t;
            p->scale_y += p->scale_y_speed * t;
            p->scale_x_speed *= fscx;
            p->scale_y_speed *= fscy;
            p->direction += p->direction_speed * t;
            p->direction_speed *= fdir;
            p->rotation += p->rotation_speed * t;
            p->rotation_speed *= frot;
            p->angle = e.course == 1 ? p->rotation - (kPi - p->direction) : p->rotation;
            if (e.alpha_peak == 0.0f) {
                p->alpha += p->alpha_speed * t;
            } else {
                const float peak_at = p->lifetime * e.alpha_peak / 100.0f;
                const float rest = p->lifetime - peak_at;
                if (p->age < peak_at) {
                    p->alpha = p->peak_alpha * p->age / peak_at;
                } else {
                    p->alpha = rest > 0.0f
                                   ? p->peak_alpha + (p->age - peak_at) * (0.0f - p->peak_alpha) / rest
                                   : 0.0f;
                }
            }
            p->red += p->red_speed * t;
            p->green += p->green_speed * t;
            p->blue += p->blue_speed * t;
            p->alpha = Clamp01(p->alpha);
            p->red = Clamp01(p->red);
            p->green = Clamp01(p->green);
            p->blue = Clamp01(p->blue);
            p->age += dt;
            if (p->age >= p->lifetime) {
                ReleaseRecord(p);
            } else {
                e.particles[kept++] = p;
            }
        }
        e.particles.resize(kept);
    }
}

void vK_PartSysImpl_Jan::Draw(vK_Render& render, const vK_DrawParams& state) {
    vK_VertexList list;
    for (auto& ep : emitters_) {
        Emitter& e = *ep;
        if (!e.texture || e.particles.empty()) continue;
        vK_DrawState ds = state.State();
        ds.blend = e.blend;
        const vK_Rect rect = e.texture->GetRect(ds.frame);
        const vK_Rect uv = e.texture->GetUV(ds.frame);
        vK_Matrix world = state.matrix;
        if (e.free) {
            vK_ParticleSystem* owner = GetOwner();
            vK_Object* parent = owner ? owner->GetParent() : nullptr;
            world = parent ? parent->GetDrawnMatrix() : vK_Matrix();
        }
        list.Clear();
        list.Reserve(e.particles.size() * 6 * vK_VertexList::kFloatsPerVertex);
        for (const Particle* p : e.particles) {
            float m[4];
            ScaleRotate(p->scale_x, p->scale_y, p->angle, m);
            AppendQuad(list, rect, uv, m, p->x, p->y, &world, p->red * state.red, p->green * state.green,
                       p->blue * state.blue, p->alpha * state.alpha);
        }
        render.AddVertices(e.texture, list, ds);
    }
}
