// Complex animation playback: composing transforms and colours down the object tree,
// drawing, textures, embedded particle systems and texts.
#include <algorithm>
#include <cmath>

#include "anim/anim_impl_complex.h"
#include "core/frame_info.h"
#include "files/file_manager.h"
#include "graphics/matrix.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "graphics/vertex_list.h"
#include "particles/part_sys_impl_rnd.h"
#include "scene/object.h"
#include "scene/text.h"

namespace {

constexpr float kTwoPi = 2.0f * kPi;

// The rotation of an object's own transform: rows (cos a, -sin a) and (sin a, cos a).
vK_Matrix ObjectRotation(float a) { return vK_Matrix::Rotation(-a); }

// Rotates (u, w) by minus the angle, as the particle placement does.
void RotateBack(float a, float& u, float& w) {
    if (a == 0) return;
    const float c = std::cos(a), s = std::sin(a);
    const float nu = u * c + w * s, nw = w * c - u * s;
    u = nu;
    w = nw;
}

bool HasDepend(const SAnimObject& d, int code) {
    return std::any_of(d.depends.begin(), d.depends.end(),
                       [code](const SDependendParam& p) { return p.code == code; });
}

}  // namespace

// ---- composing ----------------------------------------------------------------------------------

void vK_AnimImpl_Complex::Compose(Instance& o, const vK_DrawParams& parent, float dt) {
    if (!o.animated) return;
    const SAnimObject& d = *o.data;
    float px = o.posX, py = o.posY;
    if (resource_ && resource_->calcType) {
        px -= d.drawOffX;
        py -= d.drawOffY;
    }
    vK_Matrix m;
    if (o.scaleX != 1 || o.scaleY != 1) m = m * vK_Matrix::Scale(o.scaleX, o.scaleY);
    if (o.angle != 0) m = m * ObjectRotation(o.angle);
    float tx = px + d.posX, ty = py + d.posY;
    if (resource_ && resource_->calcType && o.parent) {
        tx += o.parent->data->drawOffX;
        ty += o.parent->data->drawOffY;
    }
    if (tx != 0 || ty != 0) m = m * vK_Matrix::Translation(tx, ty);
    o.current.matrix = m * parent.matrix;
    o.current.alpha *= parent.alpha;
    o.current.red *= parent.red;
    o.current.green *= parent.green;
    o.current.blue *= parent.blue;
    o.current.key = d.blur + parent.key;
    if (o.particles && o.particleStarted) {
        const float first = o.particles->GetScaleFactor(), second = o.particles->GetSecondFactor();
        if (d.particleFree) PlaceParticles(o);
        o.particles->Update(vK_FrameInfo{dt, dt, 0});
        o.particles->SetScaleFactors(first, second);
    }
    for (auto& child : o.children) Compose(*child, o.current, dt);
}

void vK_AnimImpl_Complex::PlaceParticles(Instance& o) {
    const SAnimObject& d = *o.data;
    float u = d.drawOffX * o.scaleX, w = d.drawOffY * o.scaleY;
    RotateBack(o.angle, u, w);
    for (const Instance* a = o.parent; a; a = a->parent) {
        u *= a->scaleX;
        w *= a->scaleY;
        RotateBack(a->angle, u, w);
    }
    const vK_Matrix place = o.current.matrix * vK_Matrix::Translation(u, w);
    if (o.particles->GetTotalTime() != 0) {
        o.particles->StoreSystemPosition(place.M41(), place.M42());
    } else {
        o.particles->SetSystemPosition(place.M41(), place.M42());
    }
    const bool sx = HasDepend(d, vK_AnimParam::kScaleX), sy = HasDepend(d, vK_AnimParam::kScaleY);
    if (sx || sy) {
        const vK_Matrix& c = o.current.matrix;
        o.particles->SetScaleFactors(sx ? std::hypot(c.M11(), c.M12()) : o.particles->GetScaleFactor(),
                                     sy ? std::hypot(c.M21(), c.M22()) : o.particles->GetSecondFactor());
    }
}

// ---- drawing ----------------------------------------------------------------------------------------

void vK_AnimImpl_Complex::Draw(vK_Render& render, const vK_DrawParams& state) {
    for (auto& o : instances_) DrawObject(render, *o, state);
}

void vK_AnimImpl_Complex::DrawObject(vK_Render& render, Instance& o, const vK_DrawParams& host) {
    if (!o.animated) return;
    vK_DrawParams p = o.current;
    p.alpha *= host.alpha;
    if (p.alpha > 0) {
        p.red *= host.red;
        p.green *= host.green;
        p.blue *= host.blue;
        p.matrix = p.matrix * host.matrix;
        if (host.blend != 0) p.blend = host.blend;
        p.key += host.key;
        if (vK_Object* attached = o.Attached()) {
            attached->Draw(render, p);
        } else {
            if (o.texture && o.texture->GetPage(p.frame)) {
                const std::vector<uint16_t>* indices = o.data->gridIndices.get();
                if (indices && !o.grid.empty()) {
                    const vK_Rect rect = o.texture->GetRect(p.frame);
                    const vK_Rect uv = o.texture->GetUV(p.frame);
                    vK_VertexList list;
                    const size_t count = o.grid.size();
                    for (size_t i = 0; i + 2 < indices->size(); i += 3) {
                        const uint16_t* tri = indices->data() + i;
                        // Indices come from the file: triangles naming a missing vertex are left out.
                        if (tri[0] >= count || tri[1] >= count || tri[2] >= count) continue;
                        for (int k = 0; k < 3; ++k) {
                            const SVertex& v = o.grid[tri[k]];
                            float x, y;
                            p.matrix.Transform(v.x + p.offsetX - rect.w / 2, v.y + p.offsetY - rect.h / 2, x,
                                               y);
                            list.Add(x, y, v.u * uv.w + uv.x, v.v * uv.h + uv.y, p.red, p.green, p.blue,
                                     p.alpha);
                        }
                    }
                    if (!list.Empty()) render.AddVertices(o.texture, list, p.State());
                } else {
                    render.DrawSprite(o.texture, p);
                }
            }
            if (o.text) {
                vK_DrawParams textParams = p;
                textParams.offsetX = textParams.offsetY = 0;
                textParams.matrix = vK_Matrix::Translation(o.data->text->x, o.data->text->y) * p.matrix;
                o.text->Draw(render, textParams);
            }
        }
    }
    for (auto& child : o.children) DrawObject(render, *child, host);
    if (o.particles && o.particleStarted) o.particles->Draw(render, ParticleParams(o, p, host));
}

vK_DrawParams vK_AnimImpl_Complex::ParticleParams(const Instance& o, const vK_DrawParams& p,
                                                  const vK_DrawParams& host) const {
    const SAnimObject& d = *o.data;
    if (!d.particleFree) return p;
    if (d.depends.empty()) return host;
    vK_DrawParams r;
    bool position = false, scale = false, angle = false;
    float hx = 0, hy = 0;
    int count = 0;
    for (const SDependendParam& dp : d.depends) {
        switch (dp.code) {
            case vK_AnimParam::kAlpha:
                r.alpha = p.alpha;
                break;
            case vK_AnimParam::kRed:
                r.red = p.red;
                break;
            case vK_AnimParam::kGreen:
                r.green = p.green;
                break;
            case vK_AnimParam::kBlue:
                r.blue = p.blue;
                break;
            case vK_AnimParam::kBlend:
                r.blend = p.blend;
                break;
            case vK_AnimParam::kPosX:
            case vK_AnimParam::kPosY:
                position = true, ++count;
                break;
            case vK_AnimParam::kScaleX:
            case vK_AnimParam::kScaleY:
                scale = true, ++count;
                break;
            case vK_AnimParam::kAngle:
                angle = true, ++count;
                break;
            case vK_AnimParam::kOffsetX:
                hx = p.offsetX * 0.5f, ++count;
                break;
            case vK_AnimParam::kOffsetY:
                hy = p.offsetY * 0.5f, ++count;
                break;
            default:
                break;
        }
    }
    const vK_Matrix& pm = p.matrix;
    if (count == 7) {
        r.matrix = pm;
    } else if (scale && angle) {
        const float sx = std::hypot(pm.M11(), pm.M12()), sy = std::hypot(pm.M21(), pm.M22());
        float theta = sx > 0 && sy > 0 ? std::atan2(pm.M21() / sy, pm.M11() / sx) : 0.0f;
        if (theta < 0) theta += kTwoPi;
        vK_Matrix m;
        if (sx != 1 || sy != 1) m = m * vK_Matrix::Scale(sx, sy);
        m = m * ObjectRotation(theta);
        const float tx = pm.M41() - hx, ty = pm.M42() - hy;
        if (tx != 0 || ty != 0) m = m * vK_Matrix::Translation(tx, ty);
        r.matrix = m;
    } else if (position) {
        const float tx = pm.M41() - hx, ty = pm.M42() - hy;
        if (tx != 0 || ty != 0) r.matrix = vK_Matrix::Translation(tx, ty);
    } else if (hx != 0 || hy != 0) {
        r.matrix = vK_Matrix::Translation(-hx, -hy);
    }
    r.alpha *= host.alpha;
    r.red *= host.red;
    r.green *= host.green;
    r.blue *= host.blue;
    r.matrix = r.matrix * host.matrix;
    return r;
}

vK_Object* vK_AnimImpl_Complex::PickAttached(const vK_InputEvent& event, vK_Object* hit,
                                             const vK_DrawParams& state) {
    std::vector<Instance*> all;
    ForEach([&all](Instance& o) { all.push_back(&o); });
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        vK_Object* attached = (*it)->Attached();
        if (attached == nullptr) continue;
        vK_DrawParams params = (*it)->current;
        params.matrix = params.matrix * state.matrix;
        hit = attached->InputTest(event, hit, params);
    }
    return hit;
}

// ---- textures -------------------------------------------------------------------------------------------

std::string vK_AnimImpl_Complex::Folder() const {
    std::string folder = owner_ ? vK_ResourceManager::Normalize(owner_->GetResourceName()) : std::string();
    const size_t slash = folder.rfind('/');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

void vK_AnimImpl_Complex::ResolveTexture(Instance& o) {
    o.texture.reset();
    std::string name = o.data->resource;
    if (!o.data->resourceTag.empty()) {
        auto found = textureOverrides_.find(o.data->resourceTag);
        if (found != textureOverrides_.end()) name = found->second;
    }
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (name.empty() || resources == nullptr) return;
    const std::string path =
        vK_ResourceManager::Normalize(name.rfind("assets", 0) == 0 ? name : Folder() + name);
    vK_FileManager* files = vK_FileManager::Instance();
    if (files && files->Exists(path + ".xml") == 0) o.texture = resources->GetFrameTexture(path);
    if (!o.texture) o.texture = resources->GetTexture(path);
}

void vK_AnimImpl_Complex::AcquireObject(Instance& o) {
    ResolveTexture(o);
    if (o.text) o.text->EnterScene();
    if (o.particles) {
        o.particles->SetFolder(Folder());
        o.particles->AcquireTextures();
    }
    for (auto& child : o.children) AcquireObject(*child);
}

void vK_AnimImpl_Complex::ReleaseObject(Instance& o) {
    o.texture.reset();
    if (o.text) o.text->LeaveScene();
    if (o.particles) o.particles->ReleaseTextures();
    for (auto& child : o.children) ReleaseObject(*child);
}

int vK_AnimImpl_Complex::AcquireTextures() {
    texturesAcquired_ = true;
    for (auto& o : instances_) AcquireObject(*o);
    return 0;
}

void vK_AnimImpl_Complex::ReleaseTextures() {
    for (auto& o : instances_) ReleaseObject(*o);
    texturesAcquired_ = false;
}

// ---- particle control
// --------------------------------------------------------------------------------------

void vK_AnimImpl_Complex::StopSystem(Instance& o) {
    o.particleStarted = false;
    if (o.particles) o.particles->Stop(true);
}

namespace {
void Descendants(vK_AnimImpl_Complex::Instance& o,
                 const std::function<void(vK_AnimImpl_Complex::Instance&)>& f) {
    for (auto& child : o.children) {
        f(*child);
        Descendants(*child, f);
    }
}
void StartTree(vK_AnimImpl_Complex::Instance& r) {
    if (r.particles) r.particles->Start();
    Descendants(r, [](vK_AnimImpl_Complex::Instance& d) {
        if (d.particles) d.particles->Start();
    });
}
}  // namespace

void vK_AnimImpl_Complex::StopAll() {
    for (auto& r : instances_) {
        if (!r->data->processLoop) StopSystem(*r);
        Descendants(*r, [this](Instance& d) {
            if (!d.data->processLoop) StopSystem(d);
        });
    }
}

void vK_AnimImpl_Complex::PlayRestart() {
    StopAll();
    for (auto& r : instances_) StartTree(*r);
}

void vK_AnimImpl_Complex::LoopRestart(Instance& r) {
    if (r.data->processLoop) return;
    StopSystem(r);
    Descendants(r, [this](Instance& d) {
        if (!d.data->processLoop) StopSystem(d);
    });
    StartTree(r);
}

void vK_AnimImpl_Complex::EndStop(Instance& l) {
    const bool subfunc = l.data->subfunc != 0;
    auto consider = [&](Instance& p) {
        if (!p.particles || p.data->processLoop) return;
        const bool parentSub = p.parent && p.parent->data->subfunc != 0 && p.parent->data->sbfloop == 0;
        if (subfunc || parentSub) StopSystem(p);
    };
    consider(l);
    Descendants(l, consider);
}
